#include "UiTestSupport.h"
#include "ui/ResultFormatsDlg.h"
#include "widgets/AdvToolBar.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

using namespace calc;
using namespace calc::test;

namespace {

/// The display names of the formats in list order.
const QStringList kNames{"Decimal",
                         "Decimal (Exponent)",
                         "Decimal (Fixed)",
                         "Decimal (Number)",
                         "Decimal (Currency)",
                         "Hex",
                         "Bin",
                         "Oct",
                         "Roman",
                         "Angle",
                         "Fraction"};

QStringList Column(const TfrmResultFormats& dialog, int column)
{
    QStringList texts;
    for (int i = 0; i < dialog.ListView->topLevelItemCount(); ++i)
        texts << dialog.ListView->topLevelItem(i)->text(column);
    return texts;
}

QTreeWidgetItem* Item(const TfrmResultFormats& dialog, const QString& name)
{
    for (int i = 0; i < dialog.ListView->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = dialog.ListView->topLevelItem(i);
        if (item->text(0) == name || item->text(0) == name + " *")
            return item;
    }
    return nullptr;
}

/// Where a click on a row's "State" cell goes.
QPoint StatePoint(const TfrmResultFormats& dialog, QTreeWidgetItem* item)
{
    const QRect rect = dialog.ListView->visualItemRect(item);
    return {dialog.ListView->header()->sectionPosition(1) + 10, rect.center().y()};
}

void ClickRow(TfrmResultFormats& dialog, const QString& name)
{
    QTreeWidgetItem* item = Item(dialog, name);
    QVERIFY2(item != nullptr, qPrintable(name));
    dialog.ListView->scrollToItem(item);
    QTest::mouseClick(dialog.ListView->viewport(), Qt::LeftButton, {}, StatePoint(dialog, item));
    QVERIFY(item->isSelected());
}

/// Presses the button that presents the command, as the user does.
void Press(TfrmResultFormats& dialog, QAction* action)
{
    dialog.UpdateActions();
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == action->text()) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    QFAIL(qPrintable("no button " + action->text()));
}

QPushButton* OkButton(const TfrmResultFormats& dialog)
{
    return dialog.ButtonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CancelButton(const TfrmResultFormats& dialog)
{
    return dialog.ButtonBox->button(QDialogButtonBox::Cancel);
}

/// The names of the formats in display order, with their visibility as "+" or "-".
QStringList Formats(const TCalcManager& manager)
{
    QStringList formats;
    for (const TResultProvider& format : manager.Results())
        formats << FromCore(format.GetName()) + (format.Visible() ? "+" : "-");
    return formats;
}

QString ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

} // namespace

class TestResultFormatsDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TfrmResultFormats> FDialog;

    TfrmResultFormats& Open(const QByteArray& options = {})
    {
        FEnv = std::make_unique<TUiEnvironment>(options);
        FDialog = std::make_unique<TfrmResultFormats>(*FEnv->Manager);
        FDialog->show();
        if (!QTest::qWaitForWindowActive(FDialog.get()))
            qWarning("the dialog did not become active");
        return *FDialog;
    }
    TCalcManager& Manager() { return *FEnv->Manager; }

private slots:
    void cleanup()
    {
        FDialog.reset();
        FEnv.reset();
    }

    void rowsShowTheFormatsInDisplayOrder()
    {
        TfrmResultFormats& dialog = Open(
            "[Results]\r\n0=0,1,1,22\r\n2=4,0,0,20\r\n5=0,0,1,21\r\n10=0,1,0,23\r\nDefault=5\r\n");
        const QStringList captions = Column(dialog, 0);
        QCOMPARE(captions.mid(7), QStringList({"Decimal (Fixed)", "Hex *", "Decimal", "Fraction"}));
        QCOMPARE(captions.size(), 11);
        const QStringList states = Column(dialog, 1);
        QCOMPARE(states.mid(7), QStringList({"Digits after decimal point: 4", "Group by bytes: No",
                                             "Thousand separators: Yes", "Proper Fraction: Yes"}));
        QCOMPARE(Item(dialog, "Roman")->text(1), QString());
        QCOMPARE(Item(dialog, "Hex")->checkState(0), Qt::Checked);
        QCOMPARE(Item(dialog, "Decimal (Fixed)")->checkState(0), Qt::Unchecked);
        QCOMPARE(dialog.ListView->headerItem()->text(0), QString("Format"));
        QCOMPARE(dialog.ListView->headerItem()->text(1), QString("State"));
        QVERIFY(!dialog.actnApply->isEnabled());
    }

    void okWithoutEditsStillWritesTheOptionsFile()
    {
        TfrmResultFormats& dialog = Open();
        const QString path = FEnv->Path("Options.ini");
        QVERIFY(!QFile::exists(path));
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(ReadFile(path).contains("[Results]\r\n0=0,0,1,0\r\n"));
        QVERIFY(FEnv->Boxes.Errors.isEmpty());
    }

    void settingsControlsFollowTheSelectedFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("check");  // empty: hidden
        QTest::addColumn<QString>("number"); // empty: hidden
        QTest::newRow("decimal") << "Decimal"
                                 << "Thousand separators"
                                 << "";
        QTest::newRow("fixed") << "Decimal (Fixed)"
                               << ""
                               << "Digits after decimal point:";
        QTest::newRow("bin") << "Bin"
                             << "Group by bytes"
                             << "";
        QTest::newRow("fraction") << "Fraction"
                                  << "Proper Fraction"
                                  << "";
        QTest::newRow("roman") << "Roman"
                               << ""
                               << "";
        QTest::newRow("oct") << "Oct"
                             << ""
                             << "";
    }
    void settingsControlsFollowTheSelectedFormat()
    {
        QFETCH(QString, name);
        QFETCH(QString, check);
        QFETCH(QString, number);
        TfrmResultFormats& dialog = Open();
        ClickRow(dialog, name);
        QCOMPARE(dialog.CheckBox->isVisible(), !check.isEmpty());
        if (!check.isEmpty())
            QCOMPARE(dialog.CheckBox->text(), check);
        QCOMPARE(dialog.LabeledEdit->isVisible(), !number.isEmpty());
        QCOMPARE(dialog.LabeledEditLabel->isVisible(), !number.isEmpty());
        if (!number.isEmpty())
            QCOMPARE(dialog.LabeledEditLabel->text(), number);
        QVERIFY(!dialog.IsModified()); // showing a row is no edit
    }

    void tabLeadsFromTheListToItsCommandsAndThenToTheSettings()
    {
        TfrmResultFormats& dialog = Open();
        ClickRow(dialog, "Decimal (Fixed)");
        QTRY_VERIFY(dialog.actnMoveUp->isEnabled());
        QTest::keyClick(dialog.ListView, Qt::Key_Tab);
        auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        QVERIFY(button != nullptr);
        QCOMPARE(button->text(), QString("Move Up"));
        for (int i = 0; i < 5 && QApplication::focusWidget() != dialog.LabeledEdit; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(dialog.LabeledEdit->hasFocus());
    }

    void theCheckBoxEditsTheRowAndApplyWritesIt()
    {
        TfrmResultFormats& dialog = Open();
        ClickRow(dialog, "Hex");
        QTest::mouseClick(dialog.CheckBox, Qt::LeftButton);
        QCOMPARE(Item(dialog, "Hex")->text(1), QString("Group by bytes: Yes"));
        QVERIFY(!Manager().Results().Items(5).Checked()); // only a copy so far
        QTRY_VERIFY(dialog.actnApply->isEnabled());
        Press(dialog, dialog.actnApply);
        QVERIFY(Manager().Results().Items(5).Checked());
        QVERIFY(!dialog.IsModified());
        QTRY_VERIFY(!dialog.actnApply->isEnabled());
    }

    void digitsAreKeptWithinTheFormatsRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("arrowsUp");
        QTest::addColumn<int>("digits");
        QTest::newRow("zero") << "0" << 0 << 0;
        QTest::newRow("eighteen typed") << "18" << 0 << 18;
        QTest::newRow("nineteen typed") << "19" << 0 << 1; // the 9 is refused
        QTest::newRow("up from 17") << "17" << 1 << 18;
        QTest::newRow("up from 18") << "18" << 3 << 18;
    }
    void digitsAreKeptWithinTheFormatsRange()
    {
        QFETCH(QString, typed);
        QFETCH(int, arrowsUp);
        QFETCH(int, digits);
        TfrmResultFormats& dialog = Open("[Results]\r\n2=5,0,1,2\r\n");
        ClickRow(dialog, "Decimal (Fixed)");
        QCOMPARE(dialog.LabeledEdit->value(), 5);
        QLineEdit* field = dialog.LabeledEdit->findChild<QLineEdit*>();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, typed);
        for (int i = 0; i < arrowsUp; ++i)
            QTest::keyClick(field, Qt::Key_Up);
        const QString state = "Digits after decimal point: " + QString::number(digits);
        QCOMPARE(Item(dialog, "Decimal (Fixed)")->text(1), state);
        QVERIFY(dialog.IsModified());
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        QCOMPARE(Manager().Results().Items(2).Digits(), digits);
        QVERIFY(ReadFile(FEnv->Path("Options.ini")).contains(QString("\r\n2=%1,").arg(digits)));
    }

    void movingStopsAtTheEnds()
    {
        TfrmResultFormats& dialog = Open();
        ClickRow(dialog, "Decimal");
        QTRY_VERIFY(dialog.actnMoveDown->isEnabled());
        QVERIFY(!dialog.actnMoveUp->isEnabled());
        dialog.actnMoveUp->trigger();
        ClickRow(dialog, "Fraction");
        QTRY_VERIFY(dialog.actnMoveUp->isEnabled());
        QVERIFY(!dialog.actnMoveDown->isEnabled());
        dialog.actnMoveDown->trigger();
        QCOMPARE(Column(dialog, 0).front(), QString("Decimal *"));
        QCOMPARE(Column(dialog, 0).back(), QString("Fraction"));
        QVERIFY(!dialog.IsModified());
    }

    void applyNumbersTheOrderAfterTheRows()
    {
        TfrmResultFormats& dialog = Open();
        ClickRow(dialog, "Bin");
        Press(dialog, dialog.actnMoveUp);
        Press(dialog, dialog.actnMoveUp);
        QVERIFY(Item(dialog, "Bin")->isSelected()); // the moved row stays selected
        ClickRow(dialog, "Decimal");
        Press(dialog, dialog.actnMoveDown);
        Press(dialog, dialog.actnApply);
        const QStringList rows = Column(dialog, 0);
        QCOMPARE(rows.mid(0, 4), QStringList({"Decimal (Exponent)", "Decimal *", "Decimal (Fixed)",
                                              "Decimal (Number)"}));
        for (int row = 0; row < rows.size(); ++row) {
            const int index = static_cast<int>(kNames.indexOf(QString(rows[row]).remove(" *")));
            QCOMPARE(Manager().Results().Items(index).Order(), row);
        }
        QCOMPARE(rows.indexOf("Bin"), 4);
    }

    void theDefaultMarkMovesToTheChosenRow_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("button") << false;
        QTest::newRow("double click") << true;
    }
    void theDefaultMarkMovesToTheChosenRow()
    {
        QFETCH(bool, doubleClick);
        TfrmResultFormats& dialog = Open();
        QCOMPARE(Column(dialog, 0).filter(QRegularExpression(" \\*$")).size(), 1);
        ClickRow(dialog, "Roman");
        if (doubleClick)
            QTest::mouseDClick(dialog.ListView->viewport(), Qt::LeftButton, {},
                               StatePoint(dialog, Item(dialog, "Roman")));
        else
            Press(dialog, dialog.actnDefault);
        QVERIFY(Column(dialog, 0).contains("Roman *"));
        QVERIFY(Column(dialog, 0).contains("Decimal"));
        QCOMPARE(Column(dialog, 0).filter(QRegularExpression(" \\*$")).size(), 1);
        QTRY_VERIFY(!dialog.actnDefault->isEnabled());
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        QCOMPARE(Manager().Results().DefaultIndex(), 8);
    }

    void showAndHideFollowTheRowsCheckBox()
    {
        TfrmResultFormats& dialog = Open();
        ClickRow(dialog, "Oct");
        QTRY_VERIFY(dialog.actnShow->isEnabled());
        QVERIFY(!dialog.actnHide->isEnabled());
        Press(dialog, dialog.actnShow);
        QCOMPARE(Item(dialog, "Oct")->checkState(0), Qt::Checked);
        QTRY_VERIFY(dialog.actnHide->isEnabled());
        QVERIFY(dialog.IsModified());
        // Space on the focused row clears its tick again.
        dialog.ListView->setFocus();
        QTest::keyClick(dialog.ListView, Qt::Key_Space);
        QCOMPARE(Item(dialog, "Oct")->checkState(0), Qt::Unchecked);
        QTest::keyClick(dialog.ListView, Qt::Key_Space);
        Press(dialog, dialog.actnApply);
        QVERIFY(Manager().Results().Items(7).Visible());
    }

    void applyThenCancelRestoresTheFormats()
    {
        TfrmResultFormats& dialog = Open("[Results]\r\n1=3,0,1,4\r\nDefault=5\r\n");
        const QStringList before = Formats(Manager());
        ClickRow(dialog, "Hex");
        Press(dialog, dialog.actnHide);
        Press(dialog, dialog.actnMoveDown);
        ClickRow(dialog, "Fraction");
        Press(dialog, dialog.actnDefault);
        ClickRow(dialog, "Decimal (Exponent)");
        QTest::keyClick(dialog.LabeledEdit, Qt::Key_Up);
        Press(dialog, dialog.actnApply);
        QVERIFY(Formats(Manager()) != before);
        QCOMPARE(Manager().Results().DefaultIndex(), 10);
        QTest::mouseClick(CancelButton(dialog), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(Formats(Manager()), before);
        QCOMPARE(Manager().Results().DefaultIndex(), 5);
        QCOMPARE(Manager().Results().Items(1).Digits(), 3);
        QVERIFY(!Manager().Modified());
    }

    void cancelKeepsAChangeMadeBeforeTheDialogOpened_data()
    {
        QTest::addColumn<bool>("apply");
        QTest::newRow("nothing applied") << false;
        QTest::newRow("applied") << true;
    }
    void cancelKeepsAChangeMadeBeforeTheDialogOpened()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        Manager().SetAngleMode(TAngleMode::amRad);
        QVERIFY(Manager().Modified());
        FDialog = std::make_unique<TfrmResultFormats>(Manager());
        FDialog->show();
        QVERIFY(QTest::qWaitForWindowActive(FDialog.get()));
        ClickRow(*FDialog, "Roman");
        Press(*FDialog, FDialog->actnShow);
        if (QTest::currentDataTag() == QByteArray("applied"))
            Press(*FDialog, FDialog->actnApply);
        FDialog->reject();
        QVERIFY(!Manager().Results().Items(8).Visible());
        QVERIFY(Manager().Modified());
        QCOMPARE(Manager().AngleMode(), TAngleMode::amRad);
        Manager().SaveChangedOptions();
        QVERIFY(ReadFile(FEnv->Path("Options.ini")).contains("AngleMode=1\r\n"));
    }

    void aFailedSaveIsShownAndTheFormatsStayApplied()
    {
        TfrmResultFormats& dialog = Open();
        QVERIFY(QDir().mkdir(FEnv->Path("Options.ini"))); // nothing can replace a folder
        ClickRow(dialog, "Roman");
        Press(dialog, dialog.actnShow);
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QVERIFY2(FEnv->Boxes.Errors.front().contains("Options.ini"),
                 qPrintable(FEnv->Boxes.Errors.front()));
        QVERIFY(Manager().Results().Items(8).Visible());
        QVERIFY(Manager().Modified());
    }
};

/// The dialog as the main window offers it.
class TestResultFormatsCommand : public QObject {
    Q_OBJECT

private slots:
    void theCommandStaysReachableWithEveryFormatHidden()
    {
        TUiEnvironment env("[Results]\r\n0=0,0,0,0\r\n5=0,0,0,5\r\n6=0,0,0,6\r\n");
        std::unique_ptr<TfrmCalculator> window = ShowWindow(*env.Manager);
        QVERIFY(window != nullptr);
        QVERIFY(window->ResultsView()->Boxes().isEmpty());
        QCOMPARE(window->ResultsView()->height(), 0);
        window->SetMenuBar(true);
        QVERIFY(window->actnResultFormats->isEnabled());
        QMenu* view = window->MainMenu()->actions().at(2)->menu();
        QVERIFY(view->actions().contains(window->actnResultFormats));
        bool inToolBar = false;
        for (QToolButton* button : window->ToolBar()->findChildren<QToolButton*>())
            if (button->menu() != nullptr &&
                button->menu()->actions().contains(window->actnResultFormats))
                inToolBar = true;
        QVERIFY(inToolBar);

        // Alt+R opens the dialog; ticking a format there and OK bring a box back.
        QTest::keyClick(window.get(), Qt::Key_R, Qt::AltModifier);
        auto* dialog = window->findChild<TfrmResultFormats*>();
        QVERIFY(dialog != nullptr);
        QTRY_VERIFY(dialog->isActiveWindow());
        ClickRow(*dialog, "Hex");
        Press(*dialog, dialog->actnShow);
        QTest::keyClick(dialog->ListView, Qt::Key_Return);
        QTRY_VERIFY(window->findChild<TfrmResultFormats*>() == nullptr); // gone once closed
        QCOMPARE(window->ResultsView()->Boxes().size(), 1);
        QVERIFY(window->ResultsView()->height() > 0);
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestResultFormatsDialog, TestResultFormatsCommand)

#include "ResultFormatsDlg_test.moc"
