#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace calc {

namespace {

struct TInstalled {
    std::unique_ptr<QTranslator> Ours;
    std::unique_ptr<QTranslator> Qt;
};

TInstalled& Installed()
{
    static TInstalled installed;
    return installed;
}

} // namespace

void RemoveTranslations()
{
    TInstalled& installed = Installed();
    for (auto* translator : {&installed.Ours, &installed.Qt}) {
        if (*translator != nullptr)
            QCoreApplication::removeTranslator(translator->get());
        translator->reset();
    }
}

QString InstallTranslations(const QLocale& locale)
{
    RemoveTranslations();
    TInstalled& installed = Installed();
    auto ours = std::make_unique<QTranslator>();
    // The catalogues are built into the program (":/i18n/zembrical_de.qm").
    if (!ours->load(locale, QStringLiteral("zembrical"), QStringLiteral("_"),
                    QStringLiteral(":/i18n")))
        return LoadedLanguage();
    QCoreApplication::installTranslator(ours.get());
    installed.Ours = std::move(ours);
    // Qt's own only in the same language, so a dialog never mixes two foreign languages.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QLocale(installed.Ours->language()), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        installed.Qt = std::move(qt);
    }
    return LoadedLanguage();
}

QString LoadedLanguage()
{
    const TInstalled& installed = Installed();
    return installed.Ours != nullptr ? installed.Ours->language() : QStringLiteral("en");
}

} // namespace calc
