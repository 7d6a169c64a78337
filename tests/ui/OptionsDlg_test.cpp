#include "UiTestSupport.h"
#include "ui/OptionsDlg.h"
#include "widgets/AdvToolBar.h"
#include "widgets/StatusBar.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

using namespace calc;
using namespace calc::test;

namespace {

QString ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void WriteFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QPushButton* OkButton(const TfrmOptions& dialog)
{
    return dialog.ButtonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CancelButton(const TfrmOptions& dialog)
{
    return dialog.ButtonBox->button(QDialogButtonBox::Cancel);
}

/// A font family other than the one given, as the user would pick it.
QString OtherFamily(const QString& family)
{
    for (const QString& candidate : QFontDatabase::families())
        if (candidate != family && !QFontDatabase::isPrivateFamily(candidate))
            return candidate;
    return {};
}

/// Clicks a check box or radio button on its indicator, the part that takes clicks.
void Click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TfrmOptions> FDialog;

    TfrmOptions& Open(const QByteArray& options = {})
    {
        FEnv = std::make_unique<TUiEnvironment>(options);
        return Show();
    }
    TfrmOptions& Show()
    {
        FDialog = std::make_unique<TfrmOptions>(*FEnv->Manager);
        FDialog->show();
        if (!QTest::qWaitForWindowActive(FDialog.get()))
            qWarning("the dialog did not become active");
        return *FDialog;
    }
    TCalcManager& Manager() { return *FEnv->Manager; }
    void ShowPage(TfrmOptions& dialog, int page)
    {
        dialog.PageControl->setCurrentIndex(page);
        QCoreApplication::processEvents();
    }

private slots:
    void cleanup()
    {
        FDialog.reset();
        FEnv.reset();
    }

    void theControlsShowTheOptions()
    {
        TfrmOptions& dialog = Open("[General]\r\nGradientTheme=0\r\n[History]\r\nLoadHistory=1\r\n"
                                   "[Results]\r\nRightAlign=1\r\n");
        QCOMPARE(dialog.windowTitle(), QString("Options"));
        QCOMPARE(dialog.PageControl->tabText(0), QString("Calculator"));
        QCOMPARE(dialog.PageControl->tabText(1), QString("Interface"));
        QVERIFY(dialog.cbSaveHistory->isChecked());
        QVERIFY(dialog.cbRightAlignResults->isChecked());
        QVERIFY(dialog.rbThemeSystem->isChecked());
        QCOMPARE(dialog.rbThemeSystem->text(), QString("Use System Style"));
        QCOMPARE(dialog.lbFixedFontSampler->text(), QString("TestFunc(X) = 12 345 679 * 8 - X"));
        QCOMPARE(dialog.lbFixedFontSampler->font(), ToQFont(Manager().Font()));
        QCOMPARE(dialog.rbSep4->text(), QString("    .,             ;"));
        QCOMPARE(dialog.rbSep4->font(), QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }

    void aSeparatorChoiceIsTickedOnlyForItsExactPair_data()
    {
        QTest::addColumn<QByteArray>("decimals");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<int>("ticked");
        QTest::newRow("point and comma") << QByteArray(".") << QByteArray(",") << 0;
        QTest::newRow("comma and semicolon") << QByteArray(",") << QByteArray(";") << 1;
        QTest::newRow("point and semicolon") << QByteArray(".") << QByteArray(";") << 2;
        QTest::newRow("mixed") << QByteArray(",.") << QByteArray(";") << 3;
        QTest::newRow("mixed with comma") << QByteArray(",.") << QByteArray(",") << -1;
        QTest::newRow("comma and colon") << QByteArray(",") << QByteArray(":") << -1;
    }
    void aSeparatorChoiceIsTickedOnlyForItsExactPair()
    {
        QFETCH(QByteArray, decimals);
        QFETCH(QByteArray, list);
        QFETCH(int, ticked);
        TfrmOptions& dialog = Open("[General]\r\nDecimalSeparator=" + decimals +
                                   "\r\nListSeparator=" + list + "\r\n");
        QCOMPARE(dialog.SeparatorGroup->checkedId(), ticked);
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        // OK keeps a pair it does not offer.
        QCOMPARE(Manager().DecimalSeparators(), TCharSet(decimals.toStdString()));
        QCOMPARE(Manager().ListSeparator(), list.front());
        const QString written = ReadFile(FEnv->Path("Options.ini"));
        QVERIFY(written.contains("DecimalSeparator=" + decimals + "\r\nListSeparator=" + list));
    }

    void okAppliesTheChosenSeparators_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QByteArray>("decimals");
        QTest::addColumn<char>("list");
        QTest::newRow("comma and semicolon") << 1 << QByteArray(",") << ';';
        QTest::newRow("point and semicolon") << 2 << QByteArray(".") << ';';
        QTest::newRow("mixed") << 3 << QByteArray(".,") << ';';
    }
    void okAppliesTheChosenSeparators()
    {
        QFETCH(int, choice);
        QFETCH(QByteArray, decimals);
        QFETCH(char, list);
        TfrmOptions& dialog = Open();
        Click(dialog.SeparatorGroup->button(choice));
        // Nothing changes before OK.
        QCOMPARE(Manager().ListSeparator(), ',');
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        QCOMPARE(Manager().DecimalSeparators(), TCharSet(decimals.toStdString()));
        QCOMPARE(Manager().ListSeparator(), list);
    }

    void okWithoutChangesWritesTheOptionsFile()
    {
        TfrmOptions& dialog = Open();
        QVERIFY(!QFile::exists(FEnv->Path("Options.ini")));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(ReadFile(FEnv->Path("Options.ini")).startsWith("[General]\r\n"));
    }

    void cancelUndoesWhatTheDialogChanged()
    {
        TfrmOptions& dialog = Open("[General]\r\nGradientTheme=1\r\n");
        QVERIFY(Manager().GradientTheme());
        QVERIFY(!Manager().Modified());
        ShowPage(dialog, 1);
        Click(dialog.rbThemeSystem);
        QVERIFY(!Manager().GradientTheme()); // at once
        Click(dialog.cbRightAlignResults);
        ShowPage(dialog, 0);
        Click(dialog.rbSep2);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(Manager().GradientTheme());
        QVERIFY(!Manager().Results().RightAlign());
        QCOMPARE(Manager().ListSeparator(), ',');
        QVERIFY(!Manager().Modified());
        QVERIFY(!QFile::exists(FEnv->Path("Options.ini")) ||
                ReadFile(FEnv->Path("Options.ini")).contains("GradientTheme=1"));
    }

    void cancelKeepsAChangeMadeBeforeTheDialogOpened()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        Manager().SetAngleMode(TAngleMode::amGrad);
        TfrmOptions& dialog = Show();
        ShowPage(dialog, 1);
        Click(dialog.rbThemeGradient);
        QTest::mouseClick(CancelButton(dialog), Qt::LeftButton);
        QVERIFY(!Manager().GradientTheme());
        QVERIFY(Manager().Modified());
        Manager().SaveChangedOptions();
        QVERIFY(ReadFile(FEnv->Path("Options.ini")).contains("AngleMode=2\r\n"));
    }

    void fontsTriedAreUndoneByEachCancel()
    {
        TfrmOptions& dialog =
            Open("[General]\r\nExpressionFont=" + QApplication::font().family().toLatin1() +
                 ",11,,0,clRed,0\r\n");
        const TFontData before = Manager().Font();
        const QString other = OtherFamily(QString::fromLatin1(before.Name));
        if (other.isEmpty())
            QSKIP("only one font family is installed");
        ShowPage(dialog, 1);
        QTest::mouseClick(dialog.btnFixedFontSelect, Qt::LeftButton);
        QVERIFY(dialog.FontDialog() != nullptr);
        QFont tried(other, 14);
        dialog.FontDialog()->setCurrentFont(tried);
        // Shown at once in the sample and in the manager's font that the views use.
        QCOMPARE(FromCore(Manager().Font().Name), QFontInfo(tried).family());
        QCOMPARE(dialog.lbFixedFontSampler->font().family(), FromCore(Manager().Font().Name));
        QCOMPARE(Manager().Font().Color, clRed);
        dialog.FontDialog()->reject();
        QCOMPARE(Manager().Font(), before);
        QCOMPARE(dialog.lbFixedFontSampler->font(), ToQFont(before));

        QTest::mouseClick(dialog.btnFixedFontSelect, Qt::LeftButton);
        QVERIFY(dialog.FontDialog() != nullptr);
        dialog.FontDialog()->setCurrentFont(QFont(other, 28));
        dialog.FontDialog()->accept();
        QVERIFY(dialog.FontDialog() == nullptr);
        QCOMPARE(Manager().Font().Size, 28);
        QCOMPARE(Manager().Font().Color, clRed); // the stored color stays
        // The dialog grew with the font instead of clipping the sample.
        QVERIFY(dialog.lbFixedFontSampler->width() >=
                dialog.lbFixedFontSampler->sizeHint().width());
        QTest::mouseClick(CancelButton(dialog), Qt::LeftButton);
        QCOMPARE(Manager().Font(), before);
        QVERIFY(!Manager().Modified());
    }

    void savingHistorySwitchedOnReadsTheHistoryAtOnce()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        WriteFile(FEnv->Path("History.txt"),
                  "2+3\t0\t 5.00000000000000E+0000\r\n7*6\t5\t 4.20000000000000E+0001\r\n");
        Manager().History().Add("1+1", 0, 2);
        TfrmOptions& dialog = Show();
        QVERIFY(!dialog.cbSaveHistory->isChecked());
        Click(dialog.cbSaveHistory);
        QCOMPARE(Manager().History().Count(), 1);
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        QVERIFY(Manager().History().LoadHistory());
        QCOMPARE(Manager().History().Count(), 3);
        QCOMPARE(FromCore(Manager().History().Expressions(2)), QString("7*6"));
        QVERIFY(ReadFile(FEnv->Path("Options.ini")).contains("LoadHistory=1\r\n"));
    }

    void aFailureOnOkIsShownAndEverythingElseApplied_data()
    {
        QTest::addColumn<QString>("folder"); // a folder where a file is expected
        QTest::addColumn<QString>("named");  // what the message names
        QTest::newRow("unreadable history") << "History.txt"
                                            << "History.txt";
        QTest::newRow("unwritable options") << "Options.ini"
                                            << "Options.ini";
    }
    void aFailureOnOkIsShownAndEverythingElseApplied()
    {
        QFETCH(QString, folder);
        QFETCH(QString, named);
        TfrmOptions& dialog = Open();
        QVERIFY(QDir().mkdir(FEnv->Path(folder)));
        Click(dialog.cbSaveHistory);
        Click(dialog.rbSep3);
        ShowPage(dialog, 1);
        Click(dialog.cbRightAlignResults);
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QVERIFY2(FEnv->Boxes.Errors.front().contains(named),
                 qPrintable(FEnv->Boxes.Errors.front()));
        QVERIFY(Manager().Results().RightAlign());
        QCOMPARE(Manager().ListSeparator(), ';');
        QVERIFY(Manager().History().LoadHistory());
        QVERIFY(Manager().Modified());
    }
};

/// The dialog as the main window offers it.
class TestOptionsCommand : public QObject {
    Q_OBJECT

private slots:
    void okReevaluatesWithTheNewSeparators()
    {
        TUiEnvironment env;
        std::unique_ptr<TfrmCalculator> window = ShowWindow(*env.Manager);
        QVERIFY(window != nullptr);
        QTest::keyClicks(Editor(*window->ExpressionView()), "1,5+1");
        QVERIFY(window->StatusBar()->IsError());
        QVERIFY(window->actnOptions->isEnabled());
        window->actnOptions->trigger();
        auto* dialog = window->findChild<TfrmOptions*>();
        QVERIFY(dialog != nullptr);
        QTRY_VERIFY(dialog->isActiveWindow());
        Click(dialog->rbSep2);
        QTest::keyClick(dialog, Qt::Key_Return);
        QVERIFY(!window->StatusBar()->IsError());
        QCOMPARE(ResultText(*window->ResultsView(), "Decimal"), QString("2.5"));
        QVERIFY(env.Manager->History().Count() == 0); // refreshed, not recorded
    }

    void theToolbarFollowsTheStyleAtOnceAndCancelBringsItBack()
    {
        TUiEnvironment env("[General]\r\nGradientTheme=1\r\n");
        std::unique_ptr<TfrmCalculator> window = ShowWindow(*env.Manager);
        QVERIFY(window != nullptr);
        QVERIFY(window->ToolBar()->Gradient());
        window->actnOptions->trigger();
        auto* dialog = window->findChild<TfrmOptions*>();
        QVERIFY(dialog != nullptr);
        dialog->PageControl->setCurrentIndex(1);
        Click(dialog->rbThemeSystem);
        QVERIFY(!window->ToolBar()->Gradient());
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(window->ToolBar()->Gradient());
    }

    void closingTheWindowDoesNotSaveWhatAnOpenDialogTriedOut()
    {
        TUiEnvironment env("[General]\r\nGradientTheme=1\r\n");
        std::unique_ptr<TfrmCalculator> window = ShowWindow(*env.Manager);
        QVERIFY(window != nullptr);
        window->actnOptions->trigger();
        auto* dialog = window->findChild<TfrmOptions*>();
        QVERIFY(dialog != nullptr);
        dialog->PageControl->setCurrentIndex(1);
        Click(dialog->rbThemeSystem);
        QVERIFY(!env.Manager->GradientTheme());
        window->close();
        QVERIFY(env.Manager->GradientTheme());
        QVERIFY(ReadFile(env.Path("Options.ini")).contains("GradientTheme=1"));
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestOptionsDialog, TestOptionsCommand)

#include "OptionsDlg_test.moc"
