#pragma once

#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"

#include <gtest/gtest.h>

namespace calc::test {

/// Registers the built-in library into the process registry once.
inline void EnsureBuiltIns()
{
    static const bool registered = [] {
        RegisterBuiltIns(ParserDefinitions());
        return true;
    }();
    (void)registered;
}

/// Built-ins present, no user groups before and after each test, invariant regional settings.
class TRegistryFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureBuiltIns();
        ParserDefinitions().ClearGroups();
        FSavedSettings = RegionalSettings();
        RegionalSettings() = TRegionalSettings{};
    }
    void TearDown() override
    {
        ParserDefinitions().ClearGroups();
        RegionalSettings() = FSavedSettings;
    }

    TDefinitionsGroup& AddGroup(std::initializer_list<std::string_view> lines,
                                std::string name = "Test")
    {
        TDefinitionsGroup& group = ParserDefinitions().AddGroup(std::move(name));
        for (const std::string_view line : lines)
            group.AddDefinitionText(line);
        return group;
    }

private:
    TRegionalSettings FSavedSettings;
};

} // namespace calc::test
