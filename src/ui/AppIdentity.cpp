#include "ui/AppIdentity.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>

namespace calc {

QIcon ApplicationIcon()
{
    QIcon builtIn;
    QDirIterator sizes(QStringLiteral(":/icons/app"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (sizes.hasNext())
        builtIn.addFile(sizes.next() + QLatin1Char('/') + QLatin1String(kDesktopId) +
                        QStringLiteral(".png"));
    return QIcon::fromTheme(QLatin1String(kDesktopId), builtIn);
}

void SetUpApplicationIdentity()
{
    QApplication::setApplicationName(QStringLiteral("zembrical"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zembrical Calculator"));
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopId));
    QApplication::setWindowIcon(ApplicationIcon());
}

} // namespace calc
