#include "UiTestSupport.h"
#include "widgets/AdvToolBar.h"
#include "widgets/StatusBar.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>

using namespace calc;
using namespace calc::test;

namespace {

/// Receives the addresses the program asks the desktop to open.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl& url) { Urls << url; }
};

/// Counts pixels of the status bar drawn in a clearly red color.
int RedPixels(QWidget& widget)
{
    const QImage image = widget.grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 150 && c.green() < 110 && c.blue() < 110 ? 1 : 0;
        }
    return count;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TfrmCalculator> FWindow;

    /// Options with Decimal as the default format.
    static QByteArray DefaultDecimal() { return "[Results]\r\nDefault=0\r\n"; }

    TfrmCalculator& Open(const QByteArray& options = {})
    {
        FEnv = std::make_unique<TUiEnvironment>(options);
        FWindow = ShowWindow(*FEnv->Manager);
        return *FWindow;
    }
    TCalcManager& Manager() { return *FEnv->Manager; }
    QWidget* Line() { return Editor(*FWindow->ExpressionView()); }
    QString LineText() { return FWindow->ExpressionView()->GetText(); }
    void Type(const QString& keys) { QTest::keyClicks(Line(), keys); }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Line(), key, modifiers);
    }
    /// Lets the idle-time refresh of the commands run.
    static void Idle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    QString Clipboard() { return QGuiApplication::clipboard()->text(); }

    /// Presses and releases a key where the user's keys go, the open menu or else the focused
    /// control, each at its own moment: a menu closed by the press does not get the release.
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const auto target = [] {
            QWidget* popup = QApplication::activePopupWidget();
            return popup != nullptr ? popup : QApplication::focusWidget();
        };
        QVERIFY(target() != nullptr);
        QTest::keyPress(target(), key, modifiers);
        QVERIFY(target() != nullptr);
        QTest::keyRelease(target(), key, modifiers);
    }
    static QMenu* OpenMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
    /// Shows one more format, which rebuilds the result boxes.
    void ShowOneMoreFormat()
    {
        for (TResultProvider& format : Manager().Results().AllResults())
            if (!format.Visible()) {
                format.SetVisible(true);
                QCoreApplication::processEvents();
                return;
            }
        QFAIL("every format is shown already");
    }

private slots:
    void cleanup()
    {
        FWindow.reset();
        FEnv.reset();
    }

    void typingUpdatesTheResults_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("bin");
        QTest::newRow("precedence") << "2+3*4"
                                    << "14"
                                    << "E"
                                    << "1110";
        QTest::newRow("fraction") << "10/4"
                                  << "2.5"
                                  << "2"
                                  << "10";
        QTest::newRow("negative") << "-1"
                                  << "-1"
                                  << "FFFFFFFFFFFFFFFF" << QString(64, QLatin1Char('1'));
        QTest::newRow("power") << "2^10"
                               << "1024"
                               << "400"
                               << "10000000000";
    }
    void typingUpdatesTheResults()
    {
        QFETCH(QString, keys);
        Open();
        Type(keys);
        const TfrmResultsView& results = *FWindow->ResultsView();
        QCOMPARE(ResultText(results, QStringLiteral("Decimal")), Fetch<QString>("decimal"));
        QCOMPARE(ResultText(results, QStringLiteral("Hex")), Fetch<QString>("hex"));
        QCOMPARE(ResultText(results, QStringLiteral("Bin")), Fetch<QString>("bin"));
        QCOMPARE(FromCore(Manager().Expression()), keys);
    }

    void eachKeyEvaluates()
    {
        Open();
        const TfrmResultsView& results = *FWindow->ResultsView();
        Type(QStringLiteral("12"));
        QCOMPARE(ResultText(results, QStringLiteral("Decimal")), QStringLiteral("12"));
        Type(QStringLiteral("3"));
        QCOMPARE(ResultText(results, QStringLiteral("Decimal")), QStringLiteral("123"));
        Press(Qt::Key_Backspace);
        Press(Qt::Key_Backspace);
        QCOMPARE(ResultText(results, QStringLiteral("Decimal")), QStringLiteral("1"));
    }

    void enterRecordsHistoryAndReplacesTheLine()
    {
        Open();
        Type(QStringLiteral("2+3"));
        Press(Qt::Key_Return);
        QCOMPARE(Manager().History().Count(), 1);
        QCOMPARE(FromCore(Manager().History().Expressions(0)), QStringLiteral("2+3"));
        QCOMPARE(LineText(), QStringLiteral("5"));
        QCOMPARE(FWindow->ExpressionView()->CaretPosition(), 1);
        // The result goes on: typing continues the calculation.
        Type(QStringLiteral("*2"));
        QCOMPARE(ResultText(*FWindow->ResultsView(), QStringLiteral("Decimal")),
                 QStringLiteral("10"));
        Press(Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(Manager().History().Count(), 2);
        QCOMPARE(FromCore(Manager().History().Expressions(0)), QStringLiteral("5*2"));
        QCOMPARE(LineText(), QStringLiteral("10"));
    }

    void enterOnAnErrorChangesNothing()
    {
        Open();
        Type(QStringLiteral("2+"));
        Press(Qt::Key_Return);
        QCOMPARE(Manager().History().Count(), 0);
        QCOMPARE(LineText(), QStringLiteral("2+"));
        QVERIFY(FWindow->StatusBar()->IsError());
    }

    void withoutEvaluationOnTypingTheSecondEnterReplaces()
    {
        Open();
        Type(QStringLiteral("4"));
        FWindow->actnAutoEvaluate->trigger();
        QVERIFY(!Manager().AutoEvaluate());
        Idle();
        QVERIFY(!FWindow->actnAutoEvaluate->isChecked());
        Type(QStringLiteral("+1"));
        QCOMPARE(ResultText(*FWindow->ResultsView(), QStringLiteral("Decimal")),
                 QStringLiteral("4"));
        Press(Qt::Key_Return);
        QCOMPARE(Manager().History().Count(), 1);
        QCOMPARE(LineText(), QStringLiteral("4+1"));
        QCOMPARE(ResultText(*FWindow->ResultsView(), QStringLiteral("Decimal")),
                 QStringLiteral("5"));
        Press(Qt::Key_Return);
        QCOMPARE(LineText(), QStringLiteral("5"));
    }

    void ctrlEnterEvaluatesAndRefreshDoesNotRecord()
    {
        Open();
        FWindow->actnAutoEvaluate->trigger();
        Type(QStringLiteral("3*3"));
        Press(Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(ResultText(*FWindow->ResultsView(), QStringLiteral("Decimal")),
                 QStringLiteral("9"));
        QCOMPARE(Manager().History().Count(), 0);
        Press(Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(Manager().History().Count(), 1);
        QCOMPARE(LineText(), QStringLiteral("3*3"));
    }

    void statusFollowsTheOutcome_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("valid") << "2+3" << false << "No error";
        QTest::newRow("missing argument") << "2+*3" << true << "2: Expecting argument";
        QTest::newRow("division by zero") << "1/0" << true << "";
        QTest::newRow("unknown name") << "2*nosuchthing" << true << "";
    }
    void statusFollowsTheOutcome()
    {
        QFETCH(QString, keys);
        QFETCH(bool, error);
        QFETCH(QString, message);
        Open();
        Type(keys);
        TStatusBar& bar = *FWindow->StatusBar();
        QCOMPARE(bar.IsError(), error);
        if (!message.isEmpty())
            QCOMPARE(bar.StatusText(), message);
        QVERIFY(!bar.StatusText().isEmpty());
        const QColor expected =
            error ? ErrorTextColor(bar.palette()) : bar.palette().color(QPalette::WindowText);
        QCOMPARE(bar.TextColor(), expected);
        QCOMPARE(RedPixels(bar) > 10, error);
    }

    void statusShowsTheFullTextInItsTooltip()
    {
        Open();
        Type(QStringLiteral("2+*3"));
        const QWidget* panel =
            FWindow->StatusBar()->findChild<QWidget*>(QStringLiteral("StatusPanel"));
        QVERIFY(panel != nullptr);
        QCOMPARE(panel->toolTip(), QStringLiteral("2: Expecting argument"));
    }

    void doubleClickOnAnErrorMovesTheCaret()
    {
        Open();
        Type(QStringLiteral("12+*3"));
        Press(Qt::Key_Home);
        QWidget* panel = FWindow->StatusBar()->findChild<QWidget*>(QStringLiteral("StatusPanel"));
        QVERIFY(panel != nullptr);
        FWindow->ResultsView()->Boxes().first()->Field()->setFocus();
        QTest::mouseDClick(panel, Qt::LeftButton);
        QTRY_VERIFY(Line()->hasFocus());
        QCOMPARE(FWindow->ExpressionView()->CaretPosition(), 3);
    }

    void doubleClickWithoutAnErrorDoesNothing()
    {
        Open();
        Type(QStringLiteral("12+3"));
        Press(Qt::Key_Home);
        QWidget* panel = FWindow->StatusBar()->findChild<QWidget*>(QStringLiteral("StatusPanel"));
        QTest::mouseDClick(panel, Qt::LeftButton);
        Idle();
        QCOMPARE(FWindow->ExpressionView()->CaretPosition(), 0);
    }

    void longHintsReplaceTheStatusWhileHovering()
    {
        Open();
        Type(QStringLiteral("1+"));
        TStatusBar& bar = *FWindow->StatusBar();
        QStatusTipEvent hint(FWindow->actnFileExit->statusTip());
        QApplication::sendEvent(FWindow.get(), &hint);
        QVERIFY(bar.ShowsHint());
        QCOMPARE(bar.currentMessage(), QStringLiteral("Quits the application"));
        QStatusTipEvent none{QString()};
        QApplication::sendEvent(FWindow.get(), &none);
        QVERIFY(!bar.ShowsHint());
        // The status text itself as a hint (the mouse on the status bar) keeps the panel.
        QStatusTipEvent same(bar.StatusText());
        QApplication::sendEvent(FWindow.get(), &same);
        QVERIFY(!bar.ShowsHint());
    }

    void copyCommandsAreEnabledByState_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("copyResult");
        QTest::addColumn<bool>("copyExpression");
        QTest::newRow("empty line") << DefaultDecimal() << "" << false << false;
        QTest::newRow("no default format")
            << QByteArray("[Results]\r\nDefault=-1\r\n") << "1+1" << false << true;
        QTest::newRow("first start") << QByteArray() << "1+1" << true << true;
        QTest::newRow("valid with default") << DefaultDecimal() << "1+1" << true << true;
        QTest::newRow("error") << DefaultDecimal() << "1+" << false << true;
    }
    void copyCommandsAreEnabledByState()
    {
        QFETCH(QString, keys);
        QFETCH(bool, copyResult);
        QFETCH(bool, copyExpression);
        Open(Fetch<QByteArray>("options"));
        Type(keys);
        Idle();
        QCOMPARE(FWindow->actnCopyResult->isEnabled(), copyResult);
        QCOMPARE(FWindow->actnCopyExpression->isEnabled(), copyExpression);
        QCOMPARE(FWindow->actnCopy->isEnabled(), copyResult || copyExpression);
    }

    void copyCommandsPutTheirTextOnTheClipboard()
    {
        Open(DefaultDecimal());
        Type(QStringLiteral("6*7"));
        Idle();
        FWindow->actnCopyExpression->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("6*7"));
        Press(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(Clipboard(), QStringLiteral("42"));
        // Another default format changes what Ctrl+R copies.
        QTest::mouseClick(FWindow->ResultsView()->Boxes().at(1), Qt::LeftButton, {}, {30, 5});
        Idle();
        FWindow->actnCopyResult->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("2A"));
    }

    void copyButtonRunsTheFirstEnabledEntry()
    {
        Open(DefaultDecimal());
        QToolButton* copy =
            qobject_cast<QToolButton*>(FWindow->ToolBar()->widgetForAction(FWindow->actnCopy));
        QVERIFY(copy != nullptr && copy->menu() != nullptr);
        const QList<QAction*> entries = copy->menu()->actions();
        QCOMPARE(entries.size(), 2);
        Type(QStringLiteral("5+"));
        Idle();
        QVERIFY(!IsDefaultItem(entries[0]));
        QVERIFY(IsDefaultItem(entries[1]));
        FWindow->actnCopy->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("5+"));
        Type(QStringLiteral("5"));
        Idle();
        QVERIFY(IsDefaultItem(entries[0]));
        QVERIFY(!IsDefaultItem(entries[1]));
        FWindow->actnCopy->trigger();
        QCOMPARE(Clipboard(), QStringLiteral("10"));
    }

    void angleModeSwitchCycles()
    {
        Open();
        Type(QStringLiteral("sin(90)"));
        const TfrmResultsView& results = *FWindow->ResultsView();
        QCOMPARE(FWindow->actnSwitchAngleMode->text(), QStringLiteral("Deg"));
        QVERIFY(FWindow->actnAngleModeDeg->isChecked());
        QCOMPARE(ResultText(results, QStringLiteral("Decimal")), QStringLiteral("1"));
        const struct {
            const char* caption;
            TAngleMode mode;
            QAction* TfrmCalculator::*checked;
        } steps[] = {{"Rad", TAngleMode::amRad, &TfrmCalculator::actnAngleModeRad},
                     {"Grad", TAngleMode::amGrad, &TfrmCalculator::actnAngleModeGrad},
                     {"Deg", TAngleMode::amDeg, &TfrmCalculator::actnAngleModeDeg}};
        for (const auto& step : steps) {
            FWindow->actnSwitchAngleMode->trigger();
            QCOMPARE(Manager().AngleMode(), step.mode);
            QCOMPARE(FWindow->actnSwitchAngleMode->text(), QLatin1String(step.caption));
            QVERIFY((FWindow.get()->*step.checked)->isChecked());
            if (step.mode == TAngleMode::amRad)
                QCOMPARE(ResultText(results, QStringLiteral("Decimal")),
                         QStringLiteral("0.893996663600558"));
        }
        FWindow->actnAngleModeGrad->trigger();
        QCOMPARE(Manager().AngleMode(), TAngleMode::amGrad);
        QVERIFY(FWindow->actnAngleModeGrad->isChecked());
        QVERIFY(!FWindow->actnAngleModeDeg->isChecked());
        QVERIFY(!FWindow->actnAngleModeRad->isChecked());
    }

    void altAloneTogglesTheMenuBar()
    {
        Open();
        QVERIFY(!FWindow->MenuBarShown());
        QTest::keyClick(Line(), Qt::Key_Alt);
        QVERIFY(FWindow->MenuBarShown());
        QTest::keyClick(Line(), Qt::Key_Alt);
        QVERIFY(!FWindow->MenuBarShown());
        // Another key between press and release of Alt is a shortcut, not a toggle.
        QTest::keyClick(Line(), Qt::Key_F, Qt::AltModifier);
        QVERIFY(!FWindow->MenuBarShown());
        QVERIFY(!FWindow->MenuBarSetting());
    }

    void escapeAndAClickHideATemporaryMenuBar()
    {
        Open();
        QTest::keyClick(Line(), Qt::Key_Alt);
        QVERIFY(FWindow->MenuBarShown());
        QTest::keyClick(Line(), Qt::Key_Escape);
        QVERIFY(!FWindow->MenuBarShown());
        QTest::keyClick(Line(), Qt::Key_Alt);
        QVERIFY(FWindow->MenuBarShown());
        QTest::mouseClick(Line(), Qt::LeftButton);
        QTRY_VERIFY(!FWindow->MenuBarShown());
    }

    void leavingAMenuGivesTheFocusBack_data()
    {
        QTest::addColumn<bool>("rebuilt");
        QTest::newRow("first boxes") << false;
        QTest::newRow("rebuilt boxes") << true;
    }
    void leavingAMenuGivesTheFocusBack()
    {
        QFETCH(bool, rebuilt);
        Open("[Results]\r\nDefault=5\r\n");
        // The menu bar, once built, comes before result boxes built after it in the tab chain.
        Key(Qt::Key_Alt);
        Key(Qt::Key_Alt);
        QVERIFY(!FWindow->MenuBarShown());
        if (rebuilt)
            ShowOneMoreFormat();
        const TResultProvider* format = Manager().Results().Default();
        QVERIFY(format != nullptr);
        Type(QStringLiteral("1+"));
        Key(Qt::Key_Alt);
        QVERIFY(FWindow->MenuBarShown());
        Key(Qt::Key_C, Qt::AltModifier);
        QVERIFY(OpenMenu() != nullptr);
        Key(Qt::Key_Escape);
        QTRY_VERIFY(!FWindow->MenuBarShown());
        QCOMPARE(QApplication::focusWidget(), Line());
        Key(Qt::Key_2);
        QCOMPARE(LineText(), QStringLiteral("1+2"));
        QCOMPARE(Manager().Results().Default(), format);
    }

    void altWithAMenuLetterOpensThatMenu_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<int>("menu");
        QTest::newRow("calculator") << Qt::Key_C << 0;
        QTest::newRow("edit") << Qt::Key_E << 1;
        QTest::newRow("view") << Qt::Key_V << 2;
        QTest::newRow("angle mode") << Qt::Key_A << 3;
        QTest::newRow("help") << Qt::Key_H << 4;
        QTest::newRow("no menu's letter") << Qt::Key_F << -1;
        QTest::newRow("no menu's digit") << Qt::Key_7 << -1;
    }
    void altWithAMenuLetterOpensThatMenu()
    {
        QFETCH(Qt::Key, key);
        QFETCH(int, menu);
        Open();
        Type(QStringLiteral("12"));
        Key(key, Qt::AltModifier);
        QCOMPARE(LineText(), QStringLiteral("12"));
        QCOMPARE(FWindow->MenuBarShown(), menu >= 0);
        if (menu < 0) {
            QVERIFY(OpenMenu() == nullptr);
            return;
        }
        QCOMPARE(OpenMenu(), FWindow->MainMenu()->actions().at(menu)->menu());
        Key(Qt::Key_Escape);
        QTRY_VERIFY(!FWindow->MenuBarShown());
        QCOMPARE(QApplication::focusWidget(), Line());
    }

    void altAloneThenTheArrowKeysWalkTheMenus()
    {
        Open();
        Key(Qt::Key_Alt);
        QVERIFY(FWindow->MenuBarShown());
        Key(Qt::Key_Down);
        const QList<QAction*> menus = FWindow->MainMenu()->actions();
        QCOMPARE(OpenMenu(), menus.at(0)->menu());
        Key(Qt::Key_Right);
        QCOMPARE(OpenMenu(), menus.at(1)->menu());
        Key(Qt::Key_Left);
        Key(Qt::Key_Left);
        QCOMPARE(OpenMenu(), menus.at(4)->menu());
        Key(Qt::Key_Escape);
        QTRY_VERIFY(!FWindow->MenuBarShown());
        QCOMPARE(QApplication::focusWidget(), Line());
    }

    void aPermanentMenuBarStays()
    {
        Open();
        FWindow->actnViewMenuBar->trigger();
        QVERIFY(FWindow->MenuBarSetting());
        QVERIFY(FWindow->MenuBarShown());
        QTest::keyClick(Line(), Qt::Key_Alt);
        QTest::keyClick(Line(), Qt::Key_Escape);
        QTest::mouseClick(Line(), Qt::LeftButton);
        Idle();
        QVERIFY(FWindow->MenuBarShown());
        Idle();
        QVERIFY(FWindow->actnViewMenuBar->isChecked());
        FWindow->actnViewMenuBar->trigger();
        QVERIFY(!FWindow->MenuBarShown());
    }

    void theMenuBarKeepsTheClientArea()
    {
        Open();
        const QSize client = FWindow->centralWidget()->size();
        const int height = FWindow->height();
        FWindow->actnViewMenuBar->trigger();
        Idle();
        QCOMPARE(FWindow->centralWidget()->size(), client);
        QVERIFY(FWindow->height() > height);
        FWindow->actnViewMenuBar->trigger();
        Idle();
        QCOMPARE(FWindow->centralWidget()->size(), client);
        QCOMPARE(FWindow->height(), height);
    }

    void theMenuBarHasItsFiveMenus()
    {
        Open();
        FWindow->actnViewMenuBar->trigger();
        QMenuBar* bar = FWindow->MainMenu();
        QVERIFY(bar != nullptr);
        QStringList titles;
        for (const QAction* menu : bar->actions())
            titles << menu->text();
        QCOMPARE(titles, QStringList({"&Calculator", "&Edit", "&View", "&Angle Mode", "&Help"}));
        const QMenu* calculator = bar->actions().first()->menu();
        QStringList items;
        for (const QAction* item : calculator->actions())
            items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        QCOMPARE(items, QStringList({"Evaluate", "Refresh", "-", "Evaluate On Typing", "-",
                                     "Options", "-", "E&xit"}));
    }

    void commandsHaveTheirShortcuts_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("evaluate") << "Evaluate" << QKeySequence(QStringLiteral("Ctrl+Return"))
                                  << true;
        QTest::newRow("refresh") << "Refresh" << QKeySequence(QStringLiteral("Ctrl+Shift+Return"))
                                 << true;
        QTest::newRow("copy result")
            << "Copy Default Result" << QKeySequence(QStringLiteral("Ctrl+R")) << false;
        QTest::newRow("help") << "Help" << QKeySequence(QStringLiteral("F1")) << true;
        QTest::newRow("exit") << "E&xit" << QKeySequence(QStringLiteral("Alt+X")) << true;
        QTest::newRow("select all")
            << "Select &All" << QKeySequence(QStringLiteral("Ctrl+A")) << true;
        QTest::newRow("result formats")
            << "Result Formats..." << QKeySequence(QStringLiteral("Alt+R")) << true;
        QTest::newRow("options") << "Options" << QKeySequence() << true;
        QTest::newRow("history") << "History" << QKeySequence(QStringLiteral("Ctrl+H")) << true;
        // A command whose view is not part of the program yet.
        QTest::newRow("definitions")
            << "Definitions" << QKeySequence(QStringLiteral("Ctrl+D")) << false;
    }
    void commandsHaveTheirShortcuts()
    {
        QFETCH(QString, caption);
        Open();
        Idle();
        const QList<QAction*> actions = FWindow->actions();
        const auto it = std::find_if(actions.begin(), actions.end(),
                                     [&](const QAction* a) { return a->text() == caption; });
        QVERIFY(it != actions.end());
        QCOMPARE((*it)->shortcut(), Fetch<QKeySequence>("shortcut"));
        QCOMPARE((*it)->isEnabled(), Fetch<bool>("enabled"));
    }

    void hintsSplitIntoTooltipAndStatusText()
    {
        Open();
        QCOMPARE(FWindow->actnFileExit->toolTip(), QStringLiteral("Exit"));
        QCOMPARE(FWindow->actnFileExit->statusTip(), QStringLiteral("Quits the application"));
        QCOMPARE(FWindow->actnCopyResult->toolTip(), QStringLiteral("Copy selected result"));
        QCOMPARE(FWindow->actnCopyResult->statusTip(), QStringLiteral("Copy selected result"));
    }

    void theToolbarIsRebuiltWithItsSevenButtons()
    {
        Open();
        QVERIFY(FWindow->ToolBar() != nullptr);
        FWindow->actnViewToolBar->trigger();
        QVERIFY(FWindow->ToolBar() == nullptr);
        Idle();
        QVERIFY(!FWindow->actnViewToolBar->isChecked());
        FWindow->actnViewToolBar->trigger();
        TAdvToolBar* bar = FWindow->ToolBar();
        QVERIFY(bar != nullptr);
        QCOMPARE(bar->actions().size(), 7);
        const struct {
            QAction* TfrmCalculator::*action;
            QToolButton::ToolButtonPopupMode mode;
            bool hasMenu;
        } buttons[] = {
            {&TfrmCalculator::actnEvaluate, QToolButton::MenuButtonPopup, true},
            {&TfrmCalculator::actnCopy, QToolButton::MenuButtonPopup, true},
            {&TfrmCalculator::actnView, QToolButton::InstantPopup, true},
            {&TfrmCalculator::actnStayOnTop, QToolButton::DelayedPopup, false},
            {&TfrmCalculator::actnSwitchAngleMode, QToolButton::MenuButtonPopup, true},
            {&TfrmCalculator::actnOptions, QToolButton::DelayedPopup, false},
            {&TfrmCalculator::actnHelpContents, QToolButton::DelayedPopup, false},
        };
        for (int i = 0; i < 7; ++i) {
            QAction* action = FWindow.get()->*buttons[i].action;
            QCOMPARE(bar->actions().at(i), action);
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
            QVERIFY(button != nullptr);
            // Captions stay beside the icons.
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
            QCOMPARE(button->text(), action->text());
            if (buttons[i].hasMenu)
                QCOMPARE(button->popupMode(), buttons[i].mode);
            QCOMPARE(button->menu() != nullptr, buttons[i].hasMenu);
        }
        const QMenu* evaluate =
            qobject_cast<QToolButton*>(bar->widgetForAction(FWindow->actnEvaluate))->menu();
        QVERIFY(IsDefaultItem(evaluate->actions().first()));
        QCOMPARE(evaluate->actions().size(), 6);
    }

    /// Opens the chevron's menu with a click and hands it to check while it is up; false when
    /// no menu came up.
    [[nodiscard]] static bool WithChevronMenu(TAdvToolBar& bar,
                                              const std::function<void(QMenu&)>& check)
    {
        bool seen = false;
        QTimer::singleShot(0, &bar, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu != nullptr) {
                seen = true;
                check(*menu);
                if (menu->isVisible())
                    menu->close();
            }
        });
        QTest::mouseClick(bar.Chevron(), Qt::LeftButton);
        return seen;
    }

    void aNarrowWindowListsTheHiddenButtonsInTheChevronMenu()
    {
        Open();
        TAdvToolBar* bar = FWindow->ToolBar();
        QVERIFY(bar->Chevron() != nullptr);
        QVERIFY(!bar->Chevron()->isVisible());
        const int barHeight = bar->height();
        const QRect line = FWindow->ExpressionView()->geometry();
        int subMenus = 0;
        for (const int width : {FWindow->minimumWidth(), 240, 330}) {
            FWindow->resize(width, FWindow->height());
            QTRY_VERIFY(bar->Chevron()->isVisible());
            QList<QAction*> hidden;
            for (QAction* action : bar->actions())
                if (!bar->widgetForAction(action)->isVisible())
                    hidden << action;
            QVERIFY(!hidden.isEmpty());
            // Only a tail of the row goes behind the chevron.
            QCOMPARE(bar->actions().mid(bar->actions().size() - hidden.size()), hidden);
            const auto check = [&](QMenu& menu) {
                QCOMPARE(&menu, bar->ChevronMenu());
                QCOMPARE(menu.actions().size(), hidden.size());
                for (int i = 0; i < hidden.size(); ++i) {
                    const QAction* entry = menu.actions().at(i);
                    const QMenu* list =
                        qobject_cast<QToolButton*>(bar->widgetForAction(hidden.at(i)))->menu();
                    if (list == nullptr) {
                        QCOMPARE(entry, hidden.at(i));
                    }
                    else {
                        QCOMPARE(entry->menu(), list);
                        ++subMenus;
                        QCOMPARE(entry->text(), hidden.at(i)->text());
                    }
                }
            };
            QVERIFY(WithChevronMenu(*bar, check));
            // The hidden buttons never spread over the expression line.
            QCOMPARE(bar->height(), barHeight);
            QCOMPARE(FWindow->ExpressionView()->geometry().top(), line.top());
        }
        QVERIFY(subMenus > 0);
        FWindow->resize(700, FWindow->height());
        QTRY_VERIFY(!bar->Chevron()->isVisible());
        for (QAction* action : bar->actions())
            QVERIFY(bar->widgetForAction(action)->isVisible());
    }

    void choosingAHiddenButtonInTheChevronMenuRunsIt()
    {
        Open();
        TAdvToolBar* bar = FWindow->ToolBar();
        FWindow->resize(FWindow->minimumWidth(), FWindow->height());
        QTRY_VERIFY(bar->Chevron()->isVisible());
        QVERIFY(!bar->widgetForAction(FWindow->actnStayOnTop)->isVisible());
        const auto choose = [&](QMenu& menu) {
            const QRect entry = menu.actionGeometry(FWindow->actnStayOnTop);
            QVERIFY(entry.isValid());
            QTest::mouseClick(&menu, Qt::LeftButton, {}, entry.center());
        };
        QVERIFY(WithChevronMenu(*bar, choose));
        QTRY_VERIFY(FWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void theToolbarFollowsTheGradientTheme()
    {
        Open();
        QVERIFY(!FWindow->ToolBar()->Gradient());
        Manager().SetGradientTheme(true);
        QVERIFY(FWindow->ToolBar()->Gradient());
        Manager().SetGradientTheme(false);
        QVERIFY(!FWindow->ToolBar()->Gradient());
    }

    void stayOnTopToggles()
    {
        Open();
        FWindow->actnStayOnTop->trigger();
        QVERIFY(FWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(FWindow->isVisible());
        Idle();
        QVERIFY(FWindow->actnStayOnTop->isChecked());
        FWindow->actnStayOnTop->trigger();
        QVERIFY(!FWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(FWindow->isVisible());
    }

    void selectAllSelectsTheLine()
    {
        Open();
        Type(QStringLiteral("1+2+3"));
        FWindow->actnEditSelectAll->trigger();
        QCOMPARE(FWindow->ExpressionView()->SelectedText(), QStringLiteral("1+2+3"));
    }

    void criticalErrorsShowInTheStatusBar()
    {
        Open();
        ParserDefinitions().AddGroup("Test").AddDefinitionText("f(n) = f(n)");
        // Evaluated with Enter, so that a slow machine cannot reach the typing budget first.
        Manager().SetAutoEvaluate(false);
        Type(QStringLiteral("f(1)"));
        Press(Qt::Key_Return);
        Manager().SetAutoEvaluate(true);
        TStatusBar& bar = *FWindow->StatusBar();
        QVERIFY(bar.IsError());
        QVERIFY(bar.StatusText().startsWith(QStringLiteral("Critical error occured.")));
        QVERIFY(RedPixels(bar) > 10);
        QVERIFY(FEnv->Boxes.Errors.isEmpty());
        // The calculator goes on.
        QLineEdit* line = qobject_cast<QLineEdit*>(Line());
        line->selectAll();
        Type(QStringLiteral("1+1"));
        QVERIFY(!bar.IsError());
        QCOMPARE(ResultText(*FWindow->ResultsView(), QStringLiteral("Decimal")),
                 QStringLiteral("2"));
    }

    void slowExpressionTypedGivesUpWithTheMessage()
    {
        Open();
        ParserDefinitions().AddGroup("Test").AddDefinitionText(
            "f(n) = if(n <= 0, 1, f(n-1) + f(n-1))");
        QElapsedTimer timer;
        timer.start();
        // "f(40" and "f(40)" each give up after the typing budget.
        Type(QStringLiteral("f(40)"));
        QVERIFY(timer.elapsed() < 8000);
        TStatusBar& bar = *FWindow->StatusBar();
        QVERIFY(bar.IsError());
        QCOMPARE(bar.StatusText(), QStringLiteral("4: Calculation interrupted"));
        // The window goes on at once.
        qobject_cast<QLineEdit*>(Line())->selectAll();
        Type(QStringLiteral("1+1"));
        QVERIFY(!bar.IsError());
        QCOMPARE(ResultText(*FWindow->ResultsView(), QStringLiteral("Decimal")),
                 QStringLiteral("2"));
    }

    void escapeStopsAnEvaluationStartedWithEnter()
    {
        Open();
        ParserDefinitions().AddGroup("Test").AddDefinitionText(
            "f(n) = if(n <= 0, 1, f(n-1) + f(n-1))");
        Manager().SetAutoEvaluate(false);
        Type(QStringLiteral("f(40)"));
        // Meanwhile typing is held back, and Esc stops the evaluation; both arrive while it
        // runs, which takes longer than the typing budget.
        QTimer::singleShot(300, Line(), [this] { Type(QStringLiteral("9")); });
        QString busy;
        QTimer::singleShot(1000, Line(), [&] { busy = FWindow->StatusBar()->currentMessage(); });
        QTimer::singleShot(1500, Line(), [this] { Press(Qt::Key_Escape); });
        QElapsedTimer timer;
        timer.start();
        Press(Qt::Key_Return);
        QVERIFY(timer.elapsed() >= 1500);
        QVERIFY(timer.elapsed() < 8000);
        TStatusBar& bar = *FWindow->StatusBar();
        QVERIFY(bar.IsError());
        QCOMPARE(busy, QStringLiteral("Calculating... Press Esc to stop"));
        QCOMPARE(bar.StatusText(), QStringLiteral("4: Calculation interrupted"));
        QVERIFY(!bar.ShowsHint());
        QCOMPARE(LineText(), QStringLiteral("f(40)"));
        QCOMPARE(Manager().History().Count(), 0);
        QVERIFY(!Manager().Evaluating());
    }

    void charactersOutsideLatin1AreRejectedCleanly()
    {
        Open();
        Type(QStringLiteral("2 "));
        // A key the test keyboard does not have: the event a real keyboard sends.
        QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u20AC"));
        QApplication::sendEvent(Line(), &euro);
        Type(QStringLiteral(" 3"));
        // Never read as "?", the conditional, which would make 2 ? 3 give 3.
        QCOMPARE(Manager().Expression(), std::string("2 \x7F 3"));
        QVERIFY(FWindow->StatusBar()->IsError());
        QCOMPARE(Manager().Parser().ErrorPos(), 2);
        QCOMPARE(LineText(), QStringLiteral("2 \u20AC 3"));
    }

    void optionLoadErrorsAppearInAnErrorBox()
    {
        Open("[General]\r\nExpressionFont=Sans,10,,0,notacolor,0\r\n");
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QVERIFY(FEnv->Boxes.Errors.first().startsWith(QStringLiteral("Error loading options:")));
    }

    void aboutShowsTheProgramName()
    {
        Open();
        FWindow->actnHelpAbout->trigger();
        QCOMPARE(FEnv->Boxes.Informations.size(), 1);
        QVERIFY(FEnv->Boxes.Informations.first().startsWith(
            QStringLiteral("About Zembrical Calculator\nZembrical Calculator")));
    }

    void helpAndWebSiteOpenTheirAddresses()
    {
        Open();
        TUrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
        // No help file lies beside the test program: nothing happens, no message.
        Press(Qt::Key_F1);
        QVERIFY(catcher.Urls.isEmpty());
        FWindow->actnHelpWebSite->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        // Without an address configured for the build, the command is hidden and inert.
        const QString site = QLatin1String(kWebSiteAddress);
        QCOMPARE(FWindow->actnHelpWebSite->isVisible(), !site.isEmpty());
        QCOMPARE(catcher.Urls, site.isEmpty() ? QList<QUrl>() : QList<QUrl>({QUrl(site)}));
        QVERIFY(FEnv->Boxes.Errors.isEmpty());
    }

    void exitClosesTheWindow()
    {
        Open();
        Press(Qt::Key_X, Qt::AltModifier);
        QVERIFY(!FWindow->isVisible());
    }

    void theAngleButtonKeepsItsWidth()
    {
        Open();
        auto* button = qobject_cast<QToolButton*>(
            FWindow->ToolBar()->widgetForAction(FWindow->actnSwitchAngleMode));
        QVERIFY(button != nullptr);
        QList<int> widths;
        QList<int> lefts;
        for (QAction* mode :
             {FWindow->actnAngleModeRad, FWindow->actnAngleModeGrad, FWindow->actnAngleModeDeg}) {
            mode->trigger();
            QCoreApplication::processEvents();
            widths << button->width();
            QWidget* next = FWindow->ToolBar()->widgetForAction(FWindow->actnOptions);
            QVERIFY(next != nullptr);
            lefts << next->x();
        }
        QCOMPARE(widths.count(widths.first()), widths.size());
        QCOMPARE(lefts.count(lefts.first()), lefts.size());
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestMainWindow)
#include "MainWindow_test.moc"
