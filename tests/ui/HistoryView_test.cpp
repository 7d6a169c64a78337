#include "UiTestSupport.h"
#include "ui/HistoryView.h"
#include "widgets/ListCtrl.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace calc;
using namespace calc::test;

namespace {

/// The format indexes of the standard list.
constexpr int kDecimal = 0;
constexpr int kFixed = 2;
constexpr int kHex = 5;

using THost = TToolHost<TfrmHistory>;

QStringList Expressions(THistoryManager& history)
{
    QStringList texts;
    for (int i = 0; i < history.Count(); ++i)
        texts << FromCore(history.Expressions(i));
    return texts;
}

QPoint HeaderPoint(const TListCtrl& list, int column)
{
    return {list.header()->sectionViewportPosition(column) + 10, list.header()->height() / 2};
}

void Select(TListCtrl& list, const QList<int>& rows)
{
    for (qsizetype i = 0; i < rows.size(); ++i)
        QTest::mouseClick(list.viewport(), Qt::LeftButton,
                          i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                          list.visualRect(list.model()->index(rows[i], 0)).center());
}

} // namespace

class TestHistoryView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<THost> FHost;

    TCalcManager& Manager() { return *FEnv->Manager; }
    THistoryManager& History() { return FEnv->Manager->History(); }
    /// Adds the entries, oldest first, so the list shows them the other way round.
    void Add(std::initializer_list<const char*> expressions, int format = kDecimal)
    {
        for (const char* expression : expressions)
            History().Add(expression, format, 0);
    }
    THost& Show()
    {
        FHost = std::make_unique<THost>(QSize(520, 320), Manager());
        FHost->show();
        FHost->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(FHost.get())); }();
        FHost->List().setFocus();
        QCoreApplication::processEvents();
        return *FHost;
    }

private slots:
    void init() { FEnv = std::make_unique<TUiEnvironment>(); }
    void cleanup()
    {
        FHost.reset();
        FEnv.reset();
    }

    void showsTheHistoryNewestFirst()
    {
        Add({"1+1", "2*3", "sqrt(16)"});
        THost& host = Show();
        QAbstractItemModelTester tester(host.List().model());
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"sqrt(16)", "2*3", "1+1"}));
        QCOMPARE(host.List().model()->headerData(0, Qt::Horizontal).toString(), "Expression");
        QCOMPARE(host.List().model()->headerData(1, Qt::Horizontal).toString(), "Result");
        // A new entry arrives at the top; the view unsubscribes when it goes.
        History().Add("7", kDecimal, 7);
        QCOMPARE(ColumnTexts(host.List()).first(), "7");
        FHost.reset();
        QVERIFY(!History().OnChange());
    }

    void resultTextsFollowTheirFormat_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("decimal") << kDecimal << 2.5 << "2.5";
        QTest::newRow("hex with its prefix") << kHex << 255.0 << "$FF";
        QTest::newRow("negative hex") << kHex << -1.0 << "$FFFFFFFFFFFFFFFF";
        QTest::newRow("bin with its prefix") << 6 << 5.0 << "&B 101";
        // Format indexes that name no format, as a hand-edited History.txt may hold them.
        QTest::newRow("index above the formats") << 11 << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("negative index") << -1 << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("far below") << -2147483647 << 2e20 << "2E20";
    }
    void resultTextsFollowTheirFormat()
    {
        QFETCH(double, value);
        History().Add("x", Fetch<int>("format"), static_cast<Extended>(value));
        THost& host = Show();
        QCOMPARE(ColumnTexts(host.List(), 1), QStringList{Fetch<QString>("shown")});
    }

    void aFileLineWithANegativeFormatIsShown()
    {
        History().LoadFromText("1/3\t-1\t 3.33333333333333E-0001\r\n");
        THost& host = Show();
        QCOMPARE(ColumnTexts(host.List(), 1), QStringList{"0.333333333333333"});
    }

    void useReplacesTheLineWithTheEntryAsItIs_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("plain") << "2+3";
        // A bar is the operator here, never a caret mark.
        QTest::newRow("bar") << "5|3";
        QTest::newRow("two bars") << "1|2|4";
    }
    void useReplacesTheLineWithTheEntryAsItIs()
    {
        QFETCH(QString, entry);
        History().Add(ToCore(entry), kDecimal, 0);
        Add({"9"});
        THost& host = Show();
        QTest::keyClicks(host.Line(), QStringLiteral("1+1"));
        host.List().setFocus();
        host.List().SelectItem(1);
        QTest::keyClick(&host.List(), Qt::Key_Return);
        QCOMPARE(host.Line()->text(), entry);
        QCOMPARE(host.Line()->cursorPosition(), entry.size());
        QCOMPARE(FromCore(Manager().Expression()), entry);
        QTRY_VERIFY(host.Line()->hasFocus());
    }

    void withoutACurrentEntryNothingIsUsedOrInserted()
    {
        Add({"1+1", "2+2"});
        THost& host = Show();
        QTest::keyClicks(host.Line(), QStringLiteral("7"));
        host.List().setFocus();
        host.List().UpdateActions();
        QVERIFY(!host.View->actnUse->isEnabled());
        QTest::keyClick(&host.List(), Qt::Key_Return);
        QTest::mouseClick(host.List().header()->viewport(), Qt::LeftButton, {},
                          HeaderPoint(host.List(), 0));
        QTest::mouseClick(host.List().header()->viewport(), Qt::LeftButton, {},
                          HeaderPoint(host.List(), 1));
        QCOMPARE(host.Line()->text(), QStringLiteral("7"));
        host.List().SelectItem(0);
        host.List().UpdateActions();
        QVERIFY(host.View->actnUse->isEnabled());
    }

    void aHeaderClickInsertsAtTheCaret_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("line");
        QTest::newRow("expression") << 0 << "5|3"
                                    << "1+5|3*2";
        QTest::newRow("result") << 1 << "2+3"
                                << "1+5*2";
    }
    void aHeaderClickInsertsAtTheCaret()
    {
        History().Add(ToCore(Fetch<QString>("entry")), kDecimal, 5);
        THost& host = Show();
        QTest::keyClicks(host.Line(), QStringLiteral("1+*2"));
        host.Line()->setCursorPosition(2);
        host.List().SelectItem(0);
        QTest::mouseClick(host.List().header()->viewport(), Qt::LeftButton, {},
                          HeaderPoint(host.List(), Fetch<int>("column")));
        QCOMPARE(host.Line()->text(), Fetch<QString>("line"));
        QTRY_VERIFY(host.Line()->hasFocus());
    }

    void anInsertedResultEvaluatesToTheEntrysValue_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("value"); // an expression for the value
        QTest::addColumn<QString>("separators");
        QTest::addColumn<bool>("grouping");
        QTest::addColumn<QString>("inserted"); // empty: whatever reads back as the value
        QTest::newRow("hex as shown") << kHex << "255"
                                      << "." << false << "$FF";
        QTest::newRow("hex of a fraction") << kHex << "255.5"
                                           << "." << false << "255.5";
        QTest::newRow("digit groups dropped") << kDecimal << "1234567"
                                              << "." << true << "1234567";
        QTest::newRow("all digits of a third") << kDecimal << "1/3"
                                               << "." << false << "";
        QTest::newRow("fixed digits rounded") << kFixed << "pi"
                                              << "." << false << "";
        QTest::newRow("the calculator's comma") << kDecimal << "3/2"
                                                << "," << false << "1,5";
        QTest::newRow("no format") << 42 << "2/3"
                                   << "." << false << "";
    }
    void anInsertedResultEvaluatesToTheEntrysValue()
    {
        QFETCH(QString, inserted);
        Manager().Parser().TryEvaluate(ToCore(Fetch<QString>("value")));
        const Extended value = Manager().Parser().Value();
        Manager().Results().Items(kDecimal).SetChecked(Fetch<bool>("grouping"));
        Manager().Results().Items(kFixed).SetDigits(2);
        Manager().SetDecimalSeparators(TCharSet(ToCore(Fetch<QString>("separators"))));
        History().Add("x", Fetch<int>("format"), value);
        THost& host = Show();
        host.List().SelectItem(0);
        QTest::mouseClick(host.List().header()->viewport(), Qt::LeftButton, {},
                          HeaderPoint(host.List(), 1));
        if (!inserted.isEmpty())
            QCOMPARE(host.Line()->text(), inserted);
        QVERIFY(!host.Line()->text().isEmpty());
        QVERIFY(!host.Line()->text().contains(QChar(0xA0)));
        QVERIFY(Manager().Parser().TryEvaluate(ToCore(host.Line()->text())));
        QVERIFY(Manager().Parser().Value() == value);
    }

    void copyJoinsTheSelectedEntriesWithLineBreaks_data()
    {
        QTest::addColumn<int>("action"); // 0 Copy, 1 Copy Expression, 2 Copy Result
        QTest::addColumn<QString>("copied");
        QTest::newRow("copy") << 0 << "c = $C\r\nb = $B\r\na = $A";
        QTest::newRow("expressions") << 1 << "c\r\nb\r\na";
        QTest::newRow("results") << 2 << "$C\r\n$B\r\n$A";
    }
    void copyJoinsTheSelectedEntriesWithLineBreaks()
    {
        History().Add("a", kHex, 10);
        History().Add("skipped", kHex, 0);
        History().Add("b", kHex, 11);
        History().Add("c", kHex, 12);
        THost& host = Show();
        // Bottom row first: the lines still come in list order.
        Select(host.List(), {3, 0, 1});
        TfrmHistory& view = *host.View;
        QAction* actions[] = {view.actnCopy, view.actnCopyExpression, view.actnCopyResult};
        // Captions are translated; the commands stay what they are.
        for (QAction* action : actions)
            action->setText(QStringLiteral("Kopieren"));
        view.List()->UpdateActions();
        QAction* action = actions[Fetch<int>("action")];
        QVERIFY(action->isEnabled());
        action->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), Fetch<QString>("copied"));
    }

    void ctrlCInTheListCopiesTheSelectedEntries()
    {
        History().Add("a", kHex, 10);
        History().Add("b", kHex, 11);
        History().Add("c", kHex, 12);
        THost& host = Show();
        Select(host.List(), {0, 2});
        host.List().setFocus();
        QTest::keyClick(&host.List(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("c = $C\r\na = $A"));
    }

    void copyIsDisabledWithoutASelection()
    {
        Add({"1"});
        THost& host = Show();
        host.List().UpdateActions();
        QVERIFY(!host.View->actnCopy->isEnabled());
        QVERIFY(!host.View->actnCopyExpression->isEnabled());
        QVERIFY(!host.View->actnCopyResult->isEnabled());
    }

    void deleteSelectsTheEntryThatMovedUp_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<int>("current");
        QTest::newRow("middle entry") << 1 << true << QStringList{"3", "1"} << 1;
        QTest::newRow("last entry") << 2 << true << QStringList{"3", "2"} << 1;
        QTest::newRow("cancelled") << 1 << false << QStringList{"3", "2", "1"} << 1;
    }
    void deleteSelectsTheEntryThatMovedUp()
    {
        QFETCH(bool, confirmed);
        QFETCH(QStringList, remaining);
        Add({"1", "2", "3"});
        THost& host = Show();
        host.List().SelectItem(Fetch<int>("row"));
        FEnv->Boxes.ConfirmAnswer = confirmed;
        QTest::keyClick(&host.List(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(FEnv->Boxes.Confirmations, QStringList{"Delete 1 item(s)?"});
        QCOMPARE(Expressions(History()), remaining);
        QCOMPARE(ColumnTexts(host.List()), remaining);
        QCOMPARE(host.List().CurrentItem(), Fetch<int>("current"));
        QCOMPARE(host.List().SelectedItems(), std::vector<int>{Fetch<int>("current")});
    }

    void clearEmptiesTheHistory_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("confirmed") << true;
        QTest::newRow("cancelled") << false;
    }
    void clearEmptiesTheHistory()
    {
        QFETCH(bool, confirmed);
        Add({"1", "2", "3"});
        THost& host = Show();
        FEnv->Boxes.ConfirmAnswer = confirmed;
        QTest::keyClick(&host.List(), Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(FEnv->Boxes.Confirmations, QStringList{"Clear all item(s)?"});
        QCOMPARE(History().Count(), confirmed ? 0 : 3);
        QCOMPARE(host.List().Count(), History().Count());
    }

    void theListKeysLeaveTheExpressionLineAlone()
    {
        Add({"1", "2"});
        THost& host = Show();
        host.List().SelectItem(0);
        host.Line()->setFocus();
        QTest::keyClicks(host.Line(), QStringLiteral("10 + 20"));
        host.Line()->setCursorPosition(3);
        QTest::keyClick(host.Line(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(host.Line()->text(), QStringLiteral("10 20"));
        QTest::keyClick(host.Line(), Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        // Enter evaluates the line and records it; nothing is taken from the list.
        QTest::keyClick(host.Line(), Qt::Key_Return);
        QVERIFY(FEnv->Boxes.Confirmations.isEmpty());
        QCOMPARE(Expressions(History()), (QStringList{"10 20", "2", "1"}));
    }

    void ctrlASelectsEveryEntry()
    {
        Add({"1", "2", "3"});
        THost& host = Show();
        QTest::keyClick(&host.List(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(host.List().SelectedItems(), (std::vector<int>{0, 1, 2}));
    }

    void thePopupMenuOffersTheCommands()
    {
        Add({"1"});
        THost& host = Show();
        QMenu* menu = host.View->PopupMenu();
        QCOMPARE(menu->defaultAction(), host.View->actnUse);
        QStringList captions;
        for (const QAction* action : menu->actions())
            captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(captions, (QStringList{"Use", "-", "Copy", "Copy Expression", "Copy Result", "-",
                                        "Delete", "Clear", "-", "Search"}));
        const QRect row = host.List().visualRect(host.List().model()->index(0, 0));
        QTest::mouseClick(host.List().viewport(), Qt::RightButton, {}, row.center());
        QMenu* shown = OpenContextMenu(host.List().viewport(), row.center());
        QCOMPARE(shown, menu);
        QVERIFY(host.View->actnUse->isEnabled());
        menu->close();
    }

    void searchShowsTheMatchingEntries_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("letter case ignored") << "SIN" << QStringList{"sin(2)", "SIN(1)"};
        QTest::newRow("narrowed") << "sin(2" << QStringList{"sin(2)"};
        QTest::newRow("in the result") << "$f" << QStringList{"255"};
        QTest::newRow("nothing") << "tan" << QStringList{};
        QTest::newRow("accented letters") << "\u00C9" << QStringList{"\u00E9t\u00E9"};
    }
    void searchShowsTheMatchingEntries()
    {
        QFETCH(QString, typed);
        History().Add("SIN(1)", kDecimal, 1);
        History().Add("255", kHex, 255);
        History().Add("cos(3)", kDecimal, 3);
        History().Add("\xE9t\xE9", kDecimal, 0);
        History().Add("sin(2)", kDecimal, 2);
        THost& host = Show();
        QAbstractItemModelTester tester(host.List().model());
        QVERIFY(host.View->edSearch->isHidden());
        QTest::keyClick(&host.List(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(host.View->edSearch->isVisible());
        QVERIFY(host.View->edSearch->hasFocus());
        // Typed a key at a time, each narrowing what the one before found.
        for (const QChar c : typed)
            QTest::keyClicks(host.View->edSearch, QString(c));
        QCOMPARE(ColumnTexts(host.List()), Fetch<QStringList>("shown"));
        QTest::keyClick(host.View->edSearch, Qt::Key_Escape);
        QVERIFY(host.View->edSearch->isHidden());
        QVERIFY(host.View->edSearch->text().isEmpty());
        QCOMPARE(ColumnTexts(host.List()).size(), 5);
        QVERIFY(host.List().hasFocus());
    }

    void aWiderSearchFindsAgain()
    {
        Add({"sin(1)", "sqrt(4)", "sin(2)"});
        THost& host = Show();
        host.View->ShowSearch();
        QTest::keyClicks(host.View->edSearch, QStringLiteral("sin"));
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"sin(2)", "sin(1)"}));
        QTest::keyClick(host.View->edSearch, Qt::Key_Backspace);
        QTest::keyClick(host.View->edSearch, Qt::Key_Backspace);
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"sin(2)", "sqrt(4)", "sin(1)"}));
        // A new entry while searching is searched too.
        History().Add("sum(1;2)", kDecimal, 3);
        QCOMPARE(ColumnTexts(host.List()).first(), "sum(1;2)");
        History().Add("tan(0)", kDecimal, 0);
        QCOMPARE(ColumnTexts(host.List()).size(), 4);
    }

    void deletingWhileSearchingRemovesExactlyTheShownEntries_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("history");
        // Shown: a5 a4 a2 a1 of a5 b5 a4 b4 a2 a1 b1.
        QTest::newRow("one") << QList<int>{1} << QStringList{"a5", "a2", "a1"}
                             << QStringList{"a5", "b5", "b4", "a2", "a1", "b1"};
        QTest::newRow("two apart") << QList<int>{3, 0} << QStringList{"a4", "a2"}
                                   << QStringList{"b5", "a4", "b4", "a2", "b1"};
        QTest::newRow("all shown")
            << QList<int>{0, 1, 2, 3} << QStringList{} << QStringList{"b5", "b4", "b1"};
    }
    void deletingWhileSearchingRemovesExactlyTheShownEntries()
    {
        QFETCH(QStringList, shown);
        Add({"b1", "a1", "a2", "b4", "a4", "b5", "a5"});
        THost& host = Show();
        host.View->ShowSearch();
        QTest::keyClicks(host.View->edSearch, QStringLiteral("a"));
        Select(host.List(), Fetch<QList<int>>("rows"));
        QTest::keyClick(&host.List(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(ColumnTexts(host.List()), shown);
        QCOMPARE(Expressions(History()), Fetch<QStringList>("history"));
        // Every row still leads to its own entry.
        for (int row = 0; row < shown.size(); ++row)
            QCOMPARE(FromCore(History().Expressions(host.View->EntryOfRow(row))), shown[row]);
        QTest::keyClick(host.View->edSearch, Qt::Key_Escape);
        QCOMPARE(ColumnTexts(host.List()), Fetch<QStringList>("history"));
    }

    void deletingBeforeTypingKeepsTheSearchTrue()
    {
        Add({"a1", "b1", "a2", "b2", "a3"});
        THost& host = Show();
        // The texts are read when the field opens; the deletions must reach them.
        host.View->ShowSearch();
        Select(host.List(), {1, 3});
        QTest::keyClick(&host.List(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(Expressions(History()), (QStringList{"a3", "a2", "a1"}));
        host.View->ShowSearch();
        QTest::keyClicks(host.View->edSearch, QStringLiteral("a"));
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"a3", "a2", "a1"}));
        QTest::keyClicks(host.View->edSearch, QStringLiteral("2"));
        QCOMPARE(ColumnTexts(host.List()), QStringList{"a2"});
        QCOMPARE(FromCore(History().Expressions(host.View->EntryOfRow(0))), "a2");
    }

    void clearingWhileSearchingKeepsTheOtherEntries()
    {
        Add({"b1", "a1", "b2", "a2"});
        THost& host = Show();
        host.View->ShowSearch();
        QTest::keyClicks(host.View->edSearch, QStringLiteral("a"));
        host.List().setFocus();
        QTest::keyClick(&host.List(), Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Expressions(History()), (QStringList{"b2", "b1"}));
        QVERIFY(ColumnTexts(host.List()).isEmpty());
    }

    void searchKeysMoveBetweenFieldAndList()
    {
        Add({"x1", "y", "x2"});
        THost& host = Show();
        QTest::keyClick(&host.List(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(host.View->edSearch, QStringLiteral("x"));
        QTest::keyClick(host.View->edSearch, Qt::Key_Down);
        QVERIFY(host.List().hasFocus());
        QCOMPARE(host.List().CurrentItem(), 0);
        QTest::keyClick(&host.List(), Qt::Key_Return);
        QCOMPARE(host.Line()->text(), QStringLiteral("x2"));
        host.List().setFocus();
        // Esc in the list also ends the search.
        QTest::keyClick(&host.List(), Qt::Key_Escape);
        QVERIFY(host.View->edSearch->isHidden());
        QCOMPARE(ColumnTexts(host.List()).size(), 3);
        // Ctrl+F acts only inside the view.
        host.Line()->setFocus();
        QTest::keyClick(host.Line(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(host.View->edSearch->isHidden());
    }

    void settingsChangedTakesTheResultFont()
    {
        Add({"1"});
        THost& host = Show();
        TFontData font = Manager().Font();
        font.Size = 17;
        Manager().SetFont(font);
        host.View->SettingsChanged();
        QCOMPARE(host.List().font().pointSize(), 17);
        QVERIFY(host.List().header()->font().pointSize() != 17);
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestHistoryView)

#include "HistoryView_test.moc"
