#pragma once

#include <QIcon>
#include <QString>

namespace calc {

/// The icon of the desktop's icon theme with the given freedesktop name; where the theme has
/// none (or there is no theme), a simple glyph of our own drawn in the palette's text colour,
/// so it suits light and dark palettes alike. Names without a glyph of ours give a null icon
/// when the theme lacks them.
[[nodiscard]] QIcon ThemeIcon(const QString& name);

/// True when we draw a glyph for the name (the fallback exists).
[[nodiscard]] bool HasBundledIcon(const QString& name);

} // namespace calc
