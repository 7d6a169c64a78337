#include "UiTestSupport.h"
#include "ui/AppIdentity.h"
#include "ui/HelpWindow.h"
#include "ui/Translations.h"
#include "widgets/AdvToolBar.h"
#include "widgets/ThemeIcons.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMenuBar>
#include <QTextBrowser>
#include <QToolButton>

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

/// How many pixels of the image have the colour (alpha ignored, a little tolerance for
/// antialiasing).
int PixelsOfColour(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() > 128 && std::abs(pixel.red() - colour.red()) < 8 &&
                std::abs(pixel.green() - colour.green()) < 8 &&
                std::abs(pixel.blue() - colour.blue()) < 8)
                ++count;
        }
    return count;
}

/// An icon theme of one icon in a temporary folder, in force while it lives.
class TIconTheme {
public:
    explicit TIconTheme(const QString& iconName)
    {
        QDir(FDir.path()).mkpath(QStringLiteral("test/16x16/actions"));
        QFile index(FDir.filePath(QStringLiteral("test/index.theme")));
        if (index.open(QIODevice::WriteOnly))
            index.write("[Icon Theme]\nName=test\nDirectories=16x16/actions\n\n"
                        "[16x16/actions]\nSize=16\nType=Fixed\n");
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::green);
        image.save(FDir.filePath(QStringLiteral("test/16x16/actions/") + iconName +
                                 QStringLiteral(".png")));
        FSavedPaths = QIcon::themeSearchPaths();
        FSavedName = QIcon::themeName();
        QIcon::setThemeSearchPaths({FDir.path()});
        QIcon::setThemeName(QStringLiteral("test"));
    }
    TIconTheme(const TIconTheme&) = delete;
    TIconTheme& operator=(const TIconTheme&) = delete;
    ~TIconTheme()
    {
        QIcon::setThemeSearchPaths(FSavedPaths);
        QIcon::setThemeName(FSavedName);
    }

private:
    QTemporaryDir FDir;
    QStringList FSavedPaths;
    QString FSavedName;
};

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

    void toolbarButtonsShowIconsBesideTheirCaptions()
    {
        // No icon theme here: every icon is one of our own glyphs.
        TUiEnvironment env;
        const auto window = ShowWindow(*env.Manager);
        QVERIFY(window != nullptr);
        for (QAction* action : {window->actnEvaluate, window->actnCopy, window->actnView,
                                window->actnOptions, window->actnHelpContents}) {
            auto* button = qobject_cast<QToolButton*>(window->ToolBar()->widgetForAction(action));
            QVERIFY(button != nullptr);
            QVERIFY2(!button->icon().isNull(), qPrintable(action->text()));
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
            QVERIFY(button->isVisible());
        }
        // Check commands keep their check mark instead of an icon.
        QVERIFY(window->actnStayOnTop->icon().isNull());
        QVERIFY(window->actnAutoEvaluate->icon().isNull());
        for (QAction* action : {window->actnHelpWebSite, window->actnHelpAbout,
                                window->actnFileExit, window->actnEvaluateRefresh})
            QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
    }
    void glyphsTakeThePalettesTextColour()
    {
        const QPalette saved = QApplication::palette();
        QPalette dark = saved;
        dark.setColor(QPalette::Active, QPalette::WindowText, QColor(250, 250, 250));
        dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 10, 10));
        QApplication::setPalette(dark);
        const QIcon icon = ThemeIcon(QStringLiteral("edit-copy"));
        const QImage active = icon.pixmap(QSize(32, 32)).toImage();
        const QImage disabled = icon.pixmap(QSize(32, 32), QIcon::Disabled).toImage();
        QApplication::setPalette(saved);
        QVERIFY(PixelsOfColour(active, QColor(250, 250, 250)) > 20);
        QVERIFY(PixelsOfColour(disabled, QColor(120, 10, 10)) > 20);
        QCOMPARE(PixelsOfColour(disabled, QColor(250, 250, 250)), 0);
    }
    void theDesktopThemeWinsOverTheGlyph()
    {
        const TIconTheme theme(QStringLiteral("edit-copy"));
        const QIcon themed = ThemeIcon(QStringLiteral("edit-copy"));
        QCOMPARE(themed.name(), QStringLiteral("edit-copy"));
        QVERIFY(PixelsOfColour(themed.pixmap(QSize(16, 16)).toImage(), Qt::green) > 200);
        // A name the theme lacks still gets the glyph.
        QVERIFY(HasBundledIcon(QStringLiteral("help-about")));
        QVERIFY(!ThemeIcon(QStringLiteral("help-about")).isNull());
        QVERIFY(ThemeIcon(QStringLiteral("no-such-icon")).isNull());
    }

    void theWindowSpeaksTheLocalesLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("evaluate");
        QTest::addColumn<QString>("help");
        QTest::addColumn<QString>("exit");
        QTest::newRow("German") << "de_DE"
                                << "de_DE"
                                << "Berechnen"
                                << "&Hilfe"
                                << "&Beenden";
        QTest::newRow("Austrian German") << "de_AT"
                                         << "de_DE"
                                         << "Berechnen"
                                         << "&Hilfe"
                                         << "&Beenden";
        QTest::newRow("French falls back to English") << "fr_FR"
                                                      << "en"
                                                      << "Evaluate"
                                                      << "&Help"
                                                      << "E&xit";
        QTest::newRow("English") << "en_US"
                                 << "en"
                                 << "Evaluate"
                                 << "&Help"
                                 << "E&xit";
    }
    void theWindowSpeaksTheLocalesLanguage()
    {
        QCOMPARE(InstallTranslations(QLocale(Fetch<QString>("locale"))),
                 Fetch<QString>("language"));
        const struct TRemove {
            ~TRemove() { RemoveTranslations(); }
        } remove;
        TUiEnvironment env;
        const auto window = ShowWindow(*env.Manager);
        QVERIFY(window != nullptr);
        QCOMPARE(window->actnEvaluate->text(), Fetch<QString>("evaluate"));
        QCOMPARE(window->actnFileExit->text(), Fetch<QString>("exit"));
        window->actnViewMenuBar->trigger();
        QVERIFY(window->MainMenu() != nullptr);
        QCOMPARE(window->MainMenu()->actions().last()->text(), Fetch<QString>("help"));
        // Texts of the engine and its result formats stay English in every language.
        QCOMPARE(ResultText(*window->ResultsView(), QStringLiteral("Decimal")).isNull(), false);
    }
    void everyGermanTextIsTranslated()
    {
        // A catalogue with a missing text would fall back to English only there.
        QFile catalogue(QStringLiteral(ZEMBRICAL_SOURCE_DIR "/translations/zembrical_de.ts"));
        QVERIFY(catalogue.open(QIODevice::ReadOnly));
        const QByteArray text = catalogue.readAll();
        QVERIFY(text.contains("<translation>"));
        QVERIFY(!text.contains("type=\"unfinished\""));
        QVERIFY(!text.contains("type=\"vanished\""));
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestDesktop)
#include "Desktop_test.moc"
