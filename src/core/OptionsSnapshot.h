#pragma once

#include <string>

namespace calc {

class TCalcManager;

/// All options as a settings dialog found them, to be put back when the dialog is cancelled.
class TOptionsSnapshot {
public:
    explicit TOptionsSnapshot(TCalcManager& manager);

    /// Reads the options back when something changed since, and leaves the "modified" mark as
    /// it was: a change made before the snapshot was taken is still to be saved. Failures
    /// raise EException after every readable option was restored.
    void Restore();

private:
    TCalcManager& FManager;
    std::string FText;
    bool FWasModified;
};

} // namespace calc
