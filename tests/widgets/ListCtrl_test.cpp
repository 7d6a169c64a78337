#include "widgets/ListCtrl.h"
#include "widgets/MessageBoxes.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace calc;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

/// Confirmations recorded and answered at once.
class TRecordingBoxes final : public IMessageBoxes {
public:
    QStringList Confirmations;
    bool ConfirmAnswer = true;

    void ShowError(QWidget*, const QString&) override {}
    bool RetryError(QWidget*, const QString&) override { return false; }
    bool Confirm(QWidget*, const QString& text) override
    {
        Confirmations << text;
        return ConfirmAnswer;
    }
    void ShowInformation(QWidget*, const QString&, const QString&) override {}
};

/// An owner keeping its items as texts, with a line edit beside the list, in one window.
class TOwner final : public QWidget {
public:
    explicit TOwner(int count)
    {
        auto* layout = new QVBoxLayout(this);
        Line = new QLineEdit(this);
        Other = new QCheckBox(QStringLiteral("Other"), this);
        List = new TListCtrl(this);
        layout->addWidget(Line);
        layout->addWidget(Other);
        layout->addWidget(List);
        for (int i = 0; i < count; ++i)
            Items << QString(QChar(u'A' + i));
        List->AddColumn({QStringLiteral("Name"), 200, 0, 0});
        List->AddColumn({QStringLiteral("Index"), 60, 40, 80});
        List->SetOnGetText([this](int item, int column) {
            ++TextsAsked;
            return column == 0 ? Items[item] : QString::number(item);
        });
        List->CreateDefaultAction(QStringLiteral("Open"), [this](int item) { Defaults << item; });
        List->CreateEditAction([this](int item) { Edits << item; });
        const auto remove = [this](int item) {
            Deletes << item;
            if (item < 0)
                Items.clear();
            else
                Items.removeAt(item);
        };
        List->CreateDeleteAction(remove);
        List->CreateClearAction(remove);
        const auto move = [this](int item, int neighbour) {
            Moves << QPoint(item, neighbour);
            Items.swapItemsAt(item, neighbour);
        };
        List->CreateMoveUpAction(move);
        List->CreateMoveDownAction(move);
        List->SetOnHeaderClick([this](int column) { HeaderClicks << column; });
        List->SetCount(count);
        resize(400, 300);
    }

    /// The rows as the list shows them.
    [[nodiscard]] QString Shown() const
    {
        QString text;
        for (int row = 0; row < List->model()->rowCount(); ++row)
            text += List->model()->index(row, 0).data().toString();
        return text;
    }

    QLineEdit* Line;
    QCheckBox* Other;
    TListCtrl* List;
    QStringList Items;
    QList<int> Defaults;
    QList<int> Edits;
    QList<int> Deletes;
    QList<QPoint> Moves;
    QList<int> HeaderClicks;
    int TextsAsked = 0;
};

QPoint RowCenter(const TListCtrl& list, int row)
{
    return list.visualRect(list.model()->index(row, 0)).center();
}

/// Selects the items with a click on the first and Ctrl+clicks on the rest; the current item
/// ends on the last.
void ClickSelect(TListCtrl& list, const std::vector<int>& items)
{
    for (std::size_t i = 0; i < items.size(); ++i)
        QTest::mouseClick(list.viewport(), Qt::LeftButton,
                          i == 0 ? Qt::NoModifier : Qt::ControlModifier, RowCenter(list, items[i]));
}

/// The width the columns share, as the list reckons it.
int AvailableWidth(const TListCtrl& list)
{
    return list.width() - list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list) -
           10 - 2 * list.frameWidth();
}

} // namespace

class TestListCtrl : public QObject {
    Q_OBJECT

private:
    TRecordingBoxes FBoxes;
    std::unique_ptr<TOwner> FOwner;

    TOwner& Show(int count)
    {
        FOwner = std::make_unique<TOwner>(count);
        FOwner->show();
        FOwner->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(FOwner.get())); }();
        FOwner->List->setFocus();
        QCoreApplication::processEvents();
        return *FOwner;
    }

private slots:
    void init()
    {
        FBoxes = {};
        SetMessageBoxes(&FBoxes);
    }
    void cleanup()
    {
        FOwner.reset();
        SetMessageBoxes(nullptr);
    }

    void columnWidthsShareTheWidth_data()
    {
        QTest::addColumn<QList<QPoint>>("limits"); // (minimum, maximum) per column
        QTest::addColumn<int>("available");
        QTest::addColumn<QList<int>>("widths");
        const QList<QPoint> history{{0, 0}, {80, 150}};
        // Half each, the second lowered to its maximum, the rest to the first.
        QTest::newRow("wide") << history << 600 << QList<int>{450, 150};
        QTest::newRow("within the limits") << history << 200 << QList<int>{100, 100};
        // The second raised to its minimum takes from the first.
        QTest::newRow("narrow") << history << 120 << QList<int>{40, 80};
        // Too narrow for both: the first shrinks to nothing, never below.
        QTest::newRow("too narrow") << history << 50 << QList<int>{0, 80};
        QTest::newRow("negative") << history << -30 << QList<int>{0, 80};
        // 100 each, the third lowered to 50; its 51 go to the others, 25 and then 26.
        QTest::newRow("two without a maximum")
            << QList<QPoint>{{0, 0}, {100, 0}, {0, 50}} << 301 << QList<int>{125, 126, 50};
        // A minimum keeps a column whose share would be smaller.
        QTest::newRow("minimum in front")
            << QList<QPoint>{{300, 0}, {0, 0}} << 400 << QList<int>{300, 100};
        QTest::newRow("all with a maximum")
            << QList<QPoint>{{0, 100}, {0, 50}} << 400 << QList<int>{100, 50};
    }
    void columnWidthsShareTheWidth()
    {
        QFETCH(QList<QPoint>, limits);
        QFETCH(int, available);
        QFETCH(QList<int>, widths);
        std::vector<TListColumn> columns;
        for (const QPoint& limit : limits)
            columns.push_back({QStringLiteral("c"), 10, limit.x(), limit.y()});
        const std::vector<int> fitted = FitColumnWidths(columns, available);
        QCOMPARE(QList<int>(fitted.begin(), fitted.end()), widths);
    }

    void resizingRefitsTheColumnsOnceItIsOver()
    {
        TOwner& owner = Show(3);
        TListCtrl& list = *owner.List;
        owner.resize(500, 300);
        QTRY_COMPARE(list.header()->sectionSize(0) + list.header()->sectionSize(1),
                     AvailableWidth(list));
        QCOMPARE(list.header()->sectionSize(1), 80);
        // A drag on the header holds the fit back until the button is released.
        const int first = list.header()->sectionSize(0);
        QTest::mousePress(list.header()->viewport(), Qt::LeftButton, {}, {5, 5});
        owner.resize(200, 300);
        QTest::qWait(20);
        QCOMPARE(list.header()->sectionSize(0), first);
        QTest::mouseRelease(list.header()->viewport(), Qt::LeftButton, {}, {5, 5});
        QTRY_COMPARE(list.header()->sectionSize(0) + list.header()->sectionSize(1),
                     AvailableWidth(list));
        QVERIFY(list.header()->sectionSize(1) >= 40);
    }

    void aColumnStaysWithinItsLimits_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("kept");
        QTest::newRow("above the maximum") << 400 << 80;
        QTest::newRow("below the minimum") << 5 << 40;
        QTest::newRow("within") << 55 << 55;
    }
    void aColumnStaysWithinItsLimits()
    {
        TOwner& owner = Show(3);
        owner.List->header()->resizeSection(1, Fetch<int>("size"));
        QCOMPARE(owner.List->header()->sectionSize(1), Fetch<int>("kept"));
    }

    void onlyTheVisibleRowsAreAskedForTheirTexts()
    {
        TOwner& owner = Show(0);
        owner.Items.clear();
        for (int i = 0; i < 100000; ++i)
            owner.Items << QString::number(i);
        owner.TextsAsked = 0;
        owner.List->SetCount(100000);
        QTest::qWait(20);
        owner.List->verticalScrollBar()->setValue(50000);
        QTest::qWait(20);
        QVERIFY2(owner.TextsAsked < 2000, qPrintable(QString::number(owner.TextsAsked)));
    }

    void enterRunsTheDefaultOnlyWithACurrentItem()
    {
        TOwner& owner = Show(3);
        QAbstractItemModelTester tester(owner.List->model());
        // The focus alone makes no item current.
        QCOMPARE(owner.List->CurrentItem(), -1);
        QTest::keyClick(owner.List, Qt::Key_Return);
        owner.List->UpdateActions();
        QVERIFY(!owner.List->actnDefault->isEnabled());
        QVERIFY(owner.Defaults.isEmpty());
        owner.List->SelectItem(1);
        QTest::keyClick(owner.List, Qt::Key_Return);
        QTest::keyClick(owner.List, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(owner.Defaults, (QList<int>{1, 1}));
        QTest::keyClick(owner.List, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(owner.Edits, QList<int>{1});
        QCOMPARE(owner.Defaults.size(), 2);
    }

    void aLeftDoubleClickOnAnItemRunsTheDefault()
    {
        TOwner& owner = Show(3);
        QTest::mouseDClick(owner.List->viewport(), Qt::RightButton, {}, RowCenter(*owner.List, 2));
        QVERIFY(owner.Defaults.isEmpty());
        QTest::mouseDClick(owner.List->viewport(), Qt::LeftButton, {}, RowCenter(*owner.List, 2));
        QCOMPARE(owner.Defaults, QList<int>{2});
    }

    void aHeaderClickNeedsACurrentItem()
    {
        TOwner& owner = Show(3);
        QHeaderView* header = owner.List->header();
        const QPoint second(header->sectionViewportPosition(1) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, second);
        QVERIFY(owner.HeaderClicks.isEmpty());
        owner.List->SelectItem(0);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(owner.HeaderClicks, QList<int>{1});
        QCOMPARE(owner.Shown(), QStringLiteral("ABC")); // no sorting
    }

    void deleteKeepsTheNeighbourSelected_data()
    {
        QTest::addColumn<std::vector<int>>("selected");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QList<int>>("calls");
        QTest::addColumn<QString>("remaining");
        QTest::addColumn<int>("current");
        QTest::addColumn<std::vector<int>>("selectedAfter");
        QTest::newRow("middle item") << std::vector<int>{1} << true << "Delete 1 item(s)?"
                                     << QList<int>{1} << "ACDE" << 1 << std::vector<int>{1};
        QTest::newRow("last item") << std::vector<int>{4} << true << "Delete 1 item(s)?"
                                   << QList<int>{4} << "ABCD" << 3 << std::vector<int>{3};
        QTest::newRow("several, from the last")
            << std::vector<int>{3, 0, 1} << true << "Delete 3 item(s)?" << QList<int>{3, 1, 0}
            << "CE" << -1 << std::vector<int>{};
        QTest::newRow("cancelled") << std::vector<int>{1, 2} << false << "Delete 2 item(s)?"
                                   << QList<int>{} << "ABCDE" << 2 << std::vector<int>{1, 2};
    }
    void deleteKeepsTheNeighbourSelected()
    {
        QFETCH(bool, confirmed);
        TOwner& owner = Show(5);
        ClickSelect(*owner.List, Fetch<std::vector<int>>("selected"));
        FBoxes.ConfirmAnswer = confirmed;
        QTest::keyClick(owner.List, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(FBoxes.Confirmations, QStringList{Fetch<QString>("confirmation")});
        QCOMPARE(owner.Deletes, Fetch<QList<int>>("calls"));
        QCOMPARE(owner.List->Count(), owner.Items.size());
        QCOMPARE(owner.Shown(), Fetch<QString>("remaining"));
        QCOMPARE(owner.List->CurrentItem(), Fetch<int>("current"));
        QCOMPARE(owner.List->SelectedItems(), Fetch<std::vector<int>>("selectedAfter"));
    }

    void deletingTheOnlyItemLeavesNothingSelected()
    {
        TOwner& owner = Show(1);
        owner.List->SelectItem(0);
        QTest::keyClick(owner.List, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(owner.List->Count(), 0);
        QCOMPARE(owner.List->CurrentItem(), -1);
    }

    void clearAsksAndEmptiesTheList_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("confirmed") << true;
        QTest::newRow("cancelled") << false;
    }
    void clearAsksAndEmptiesTheList()
    {
        QFETCH(bool, confirmed);
        TOwner& owner = Show(4);
        owner.List->SelectItem(2);
        FBoxes.ConfirmAnswer = confirmed;
        QTest::keyClick(owner.List, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(FBoxes.Confirmations, QStringList{"Clear all item(s)?"});
        QCOMPARE(owner.Deletes, confirmed ? QList<int>{-1} : QList<int>{});
        QCOMPARE(owner.List->Count(), confirmed ? 0 : 4);
        QCOMPARE(owner.List->CurrentItem(), confirmed ? -1 : 2);
        owner.List->UpdateActions();
        QCOMPARE(owner.List->actnClear->isEnabled(), !confirmed);
    }

    void moveShiftsBlocksAsAWhole_data()
    {
        QTest::addColumn<std::vector<int>>("selected"); // the current item is the last one
        QTest::addColumn<int>("direction");
        QTest::addColumn<QList<QPoint>>("calls");
        QTest::addColumn<QString>("order");
        QTest::addColumn<std::vector<int>>("selectedAfter");
        QTest::addColumn<int>("current");
        QTest::newRow("one up") << std::vector<int>{2} << -1 << QList<QPoint>{{2, 1}} << "ACBDEF"
                                << std::vector<int>{1} << 1;
        QTest::newRow("block down") << std::vector<int>{1, 2} << +1 << QList<QPoint>{{2, 3}, {1, 2}}
                                    << "ADBCEF" << std::vector<int>{2, 3} << 3;
        QTest::newRow("first stays, the rest close up")
            << std::vector<int>{0, 2, 3} << -1 << QList<QPoint>{{2, 1}, {3, 2}} << "ACDBEF"
            << std::vector<int>{0, 1, 2} << 2;
        QTest::newRow("last stays") << std::vector<int>{1, 5} << +1 << QList<QPoint>{{1, 2}}
                                    << "ACBDEF" << std::vector<int>{2, 5} << 5;
        QTest::newRow("gaps down")
            << std::vector<int>{4, 2, 0} << +1 << QList<QPoint>{{4, 5}, {2, 3}, {0, 1}} << "BADCFE"
            << std::vector<int>{1, 3, 5} << 1;
        // The key then only moves the current item, as without the command.
        QTest::newRow("block at the top") << std::vector<int>{0, 1} << -1 << QList<QPoint>{}
                                          << "ABCDEF" << std::vector<int>{0, 1} << 0;
        QTest::newRow("one at the bottom")
            << std::vector<int>{5} << +1 << QList<QPoint>{} << "ABCDEF" << std::vector<int>{5} << 5;
    }
    void moveShiftsBlocksAsAWhole()
    {
        QFETCH(int, direction);
        QFETCH(QList<QPoint>, calls);
        TOwner& owner = Show(6);
        ClickSelect(*owner.List, Fetch<std::vector<int>>("selected"));
        owner.List->UpdateActions();
        QAction* action = direction < 0 ? owner.List->actnMoveUp : owner.List->actnMoveDown;
        QCOMPARE(action->isEnabled(), !calls.isEmpty());
        QTest::keyClick(owner.List, direction < 0 ? Qt::Key_Up : Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(owner.Moves, calls);
        QCOMPARE(owner.Shown(), Fetch<QString>("order"));
        QCOMPARE(owner.List->SelectedItems(), Fetch<std::vector<int>>("selectedAfter"));
        QCOMPARE(owner.List->CurrentItem(), Fetch<int>("current"));
    }

    void aSingleItemMovesByTheCurrentItem_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("possible");
        QTest::newRow("up from the middle") << 2 << -1 << true;
        QTest::newRow("up from the top") << 0 << -1 << false;
        QTest::newRow("down from the bottom") << 4 << +1 << false;
        QTest::newRow("down from the one before") << 3 << +1 << true;
        QTest::newRow("none") << -1 << -1 << false;
    }
    void aSingleItemMovesByTheCurrentItem()
    {
        const std::vector<int> selected{Fetch<int>("current") < 0 ? 2 : Fetch<int>("current")};
        QCOMPARE(CanMoveItems(selected, 5, Fetch<int>("current"), Fetch<int>("direction")),
                 Fetch<bool>("possible"));
    }

    void nothingSelectedMovesNothing()
    {
        QVERIFY(!CanMoveItems({}, 5, 2, -1));
        QVERIFY(!CanMoveItems({}, 5, 2, +1));
        TOwner& owner = Show(4);
        owner.List->MoveSelected(+1);
        QVERIFY(owner.Moves.isEmpty());
    }

    void ctrlASelectsEveryItemDespiteAWindowCommand()
    {
        TOwner& owner = Show(4);
        // As the main window binds Select All for its text fields.
        auto* windowSelectAll = new QAction(&owner);
        windowSelectAll->setShortcut(QKeySequence::SelectAll);
        owner.addAction(windowSelectAll);
        int windowRuns = 0;
        connect(windowSelectAll, &QAction::triggered, &owner, [&] { ++windowRuns; });
        QTest::keyClick(owner.List, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(owner.List->SelectedItems(), (std::vector<int>{0, 1, 2, 3}));
        QCOMPARE(windowRuns, 0);
    }

    void theCommandsActOnlyInTheList()
    {
        TOwner& owner = Show(3);
        owner.List->SelectItem(1);
        owner.Line->setFocus();
        QTest::keyClicks(owner.Line, QStringLiteral("one two"));
        owner.Line->setCursorPosition(4);
        QTest::keyClick(owner.Line, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(owner.Line->text(), QStringLiteral("one "));
        QTest::keyClick(owner.Line, Qt::Key_Return);
        // Nor do they act for another control of the window.
        owner.Other->setFocus();
        QTest::keyClick(owner.Other, Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(owner.Other, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(owner.Other, Qt::Key_Return);
        QVERIFY(FBoxes.Confirmations.isEmpty());
        QVERIFY(owner.Deletes.isEmpty());
        QVERIFY(owner.Defaults.isEmpty());
        QCOMPARE(owner.List->Count(), 3);
    }

    void setCountDropsTheSelectionAndAddItemSelectsTheNewOne()
    {
        TOwner& owner = Show(3);
        owner.List->SelectItem(1);
        owner.List->SetCount(3);
        QCOMPARE(owner.List->CurrentItem(), -1);
        QVERIFY(!owner.List->HasSelection());
        owner.Items << QStringLiteral("D");
        QCOMPARE(owner.List->AddItem(), 3);
        QCOMPARE(owner.List->SelectedItems(), std::vector<int>{3});
        QCOMPARE(owner.List->CurrentItem(), 3);
        owner.List->SelectItem(7);
        QVERIFY(!owner.List->HasSelection());
        QCOMPARE(owner.List->CurrentItem(), -1);
    }

    void thePopupMenuShowsTheCommandsUpToDate()
    {
        TOwner& owner = Show(3);
        QMenu menu;
        menu.addActions({owner.List->actnDefault, owner.List->actnDelete});
        owner.List->SetPopupMenu(&menu);
        owner.List->SelectItem(0);
        const QPoint at = RowCenter(*owner.List, 0);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                                owner.List->viewport()->mapToGlobal(at));
        QApplication::sendEvent(owner.List->viewport(), &event);
        QTRY_VERIFY(menu.isVisible());
        QVERIFY(owner.List->actnDefault->isEnabled());
        QVERIFY(owner.List->actnDelete->isEnabled());
        menu.close();
    }

private:
    template <class T> static T Fetch(const char* column)
    {
        return *static_cast<T*>(QTest::qData(column, qMetaTypeId<T>()));
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestListCtrl test;
    return QTest::qExec(&test, argc, argv);
}

#include "ListCtrl_test.moc"
