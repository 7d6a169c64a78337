#pragma once

#include <QLocale>
#include <QString>

namespace calc {

/// Puts the window's texts into the first language of the locale that has a catalogue, with
/// Qt's own catalogue of that language for the standard buttons and menus; without one the
/// texts stay English. Replaces what an earlier call installed. Returns LoadedLanguage().
QString InstallTranslations(const QLocale& locale = QLocale());

/// Takes the installed catalogues out again: the texts are English.
void RemoveTranslations();

/// The language of the window's texts: that of the catalogue in use ("de_DE"), "en" without.
[[nodiscard]] QString LoadedLanguage();

} // namespace calc
