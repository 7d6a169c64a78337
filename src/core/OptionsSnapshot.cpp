#include "core/OptionsSnapshot.h"

#include "core/CalcCore.h"

namespace calc {

TOptionsSnapshot::TOptionsSnapshot(TCalcManager& manager)
    : FManager(manager), FText(manager.SaveOptionsToText()), FWasModified(manager.Modified())
{
}

void TOptionsSnapshot::Restore()
{
    if (!FManager.Modified())
        return;
    try {
        FManager.LoadOptionsFromText(FText);
    }
    catch (const EException&) {
        // What could not be restored differs from the file.
        FManager.SetModified(true);
        throw;
    }
    FManager.SetModified(FWasModified);
}

} // namespace calc
