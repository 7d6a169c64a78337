#pragma once

namespace calc {

class TfrmCalculator;

/// Gives the window's commands their icons from the desktop's icon theme, with our own glyphs
/// where the theme has none. Check commands keep their check mark and get none.
void AssignActionIcons(TfrmCalculator& window);

} // namespace calc
