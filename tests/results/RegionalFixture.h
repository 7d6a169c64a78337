#pragma once

#include "engine/ExprParserTypes.h"

#include <gtest/gtest.h>

namespace calc::test {

/// Pins the regional settings the result texts use to a known set and restores the host's
/// afterwards.
class RegionalFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSaved = RegionalSettings();
        TRegionalSettings& settings = RegionalSettings();
        settings.DecimalSeparator = '.';
        settings.ThousandSeparator = ',';
        settings.CurrencyString = "$";
        settings.CurrencyFormat = 0;
        settings.NegCurrFormat = 1;
    }
    void TearDown() override { RegionalSettings() = FSaved; }

private:
    TRegionalSettings FSaved;
};

} // namespace calc::test
