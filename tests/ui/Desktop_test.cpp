#include "UiTestSupport.h"
#include "ui/AppIdentity.h"
#include "ui/HelpWindow.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QTextBrowser>

using namespace calc;
using namespace calc::test;

namespace {

/// A guide of a few lines in a temporary folder, shown instead of the installed one.
class TGuide {
public:
    TGuide()
    {
        FFile = FDir.filePath(QStringLiteral("index.html"));
        QFile file(FFile);
        if (file.open(QIODevice::WriteOnly))
            file.write("<html><head><title>Guide</title></head><body>"
                       "<h1>Getting started</h1><p>Type an expression such as 2+3.</p>"
                       "<h2>Operators</h2><p>The operator mod gives the remainder.</p>"
                       "</body></html>");
        SetHelpFileName(FFile);
    }
    TGuide(const TGuide&) = delete;
    TGuide& operator=(const TGuide&) = delete;
    ~TGuide() { SetHelpFileName({}); }

private:
    QTemporaryDir FDir;
    QString FFile;
};

QList<TfrmHelp*> HelpWindows()
{
    QList<TfrmHelp*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<TfrmHelp*>(widget); help != nullptr && help->isVisible())
            windows << help;
    return windows;
}

} // namespace

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

    void f1OpensTheGuideInOneWindow()
    {
        TUiEnvironment env;
        const TGuide guide;
        const auto window = ShowWindow(*env.Manager);
        QVERIFY(window != nullptr);
        QTest::keyClick(window.get(), Qt::Key_F1);
        QCOMPARE(HelpWindows().size(), 1);
        TfrmHelp* help = HelpWindows().first();
        QVERIFY(help->Browser()->toPlainText().contains(QStringLiteral("Getting started")));
        // F1 again brings the same window forward instead of opening another.
        window->activateWindow();
        QTest::keyClick(window.get(), Qt::Key_F1);
        QCOMPARE(HelpWindows(), QList<TfrmHelp*>({help}));
        help->close();
        QCoreApplication::processEvents();
    }
    void withoutAGuideHelpDoesNothing()
    {
        TUiEnvironment env;
        SetHelpFileName(QStringLiteral("/nonexistent/index.html"));
        const auto window = ShowWindow(*env.Manager);
        QVERIFY(window != nullptr);
        window->actnHelpContents->trigger();
        SetHelpFileName({});
        QVERIFY(HelpWindows().isEmpty());
        QVERIFY(env.Boxes.Errors.isEmpty());
    }
    void searchFindsAsYouTypeAndWrapsAround()
    {
        const TGuide guide;
        TfrmHelp* help = ShowHelpWindow(nullptr);
        QVERIFY(help != nullptr);
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), help->SearchField());
        QTest::keyClicks(help->SearchField(), QStringLiteral("oper"));
        QVERIFY(help->Found());
        QCOMPARE(help->Browser()->textCursor().selectedText(), QStringLiteral("Oper"));
        // The next place is in "operator"; after it the search wraps back to "Operators".
        QTest::keyClick(help->SearchField(), Qt::Key_Return);
        QCOMPARE(help->Browser()->textCursor().selectedText(), QStringLiteral("oper"));
        const int second = help->Browser()->textCursor().selectionStart();
        QTest::keyClick(help->SearchField(), Qt::Key_Return);
        QVERIFY(help->Found());
        QVERIFY(help->Browser()->textCursor().selectionStart() < second);
        QTest::keyClicks(help->SearchField(), QStringLiteral("xyz"));
        QVERIFY(!help->Found());
        help->close();
        QCoreApplication::processEvents();
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestDesktop)
#include "Desktop_test.moc"
