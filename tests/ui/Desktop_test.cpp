#include "UiTestSupport.h"
#include "ui/AppIdentity.h"

#include <QGuiApplication>
#include <QIcon>

using namespace calc;
using namespace calc::test;

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void identityMatchesTheDesktopEntry()
    {
        SetUpApplicationIdentity();
        // WM_CLASS is made of the application name; the desktop entry's StartupWMClass and
        // the window manager's grouping need it without blanks.
        QCOMPARE(QApplication::applicationName(), QStringLiteral("zembrical"));
        QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Zembrical Calculator"));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("org.zembrical.Calculator"));
    }
    void windowIconComesInEverySize_data()
    {
        QTest::addColumn<int>("size");
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::addRow("%d px", size) << size;
    }
    void windowIconComesInEverySize()
    {
        QFETCH(int, size);
        SetUpApplicationIdentity();
        const QIcon icon = QApplication::windowIcon();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.pixmap(QSize(size, size)).size(), QSize(size, size));
        QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestDesktop)
#include "Desktop_test.moc"
