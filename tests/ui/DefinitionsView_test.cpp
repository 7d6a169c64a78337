#include "UiTestSupport.h"
#include "definitions/CalcDefsFile.h"
#include "definitions/FileEnum.h"
#include "ui/DefinitionsSelectDlg.h"
#include "ui/DefinitionsView.h"
#include "ui/DefinitionsWatcher.h"
#include "ui/EditDefinitionDialog.h"
#include "ui/EditDefsFileDialog.h"
#include "ui/Main.h"
#include "ui/ToolsArea.h"
#include "widgets/AdvToolBar.h"
#include "widgets/ListCtrl.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace calc;
using namespace calc::test;

namespace {

const std::string kBanner(kDefinitionsBanner);

using THost = TToolHost<TfrmDefinitions>;

QStringList Hints(const TListCtrl& list)
{
    QStringList texts;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        texts << list.model()->index(row, 0).data(Qt::ToolTipRole).toString();
    return texts;
}

QStringList Captions(const QList<QAction*>& actions)
{
    QStringList texts;
    for (const QAction* action : actions)
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

/// The captions of the toolbar's buttons after the file selector.
QStringList ToolBarCaptions(const TfrmDefinitions& view)
{
    QStringList texts;
    for (QAction* action : view.ToolBar()->actions())
        if (action != view.actnFileSelector && !action->isSeparator() && action->isVisible())
            texts << (action->text().isEmpty() ? QStringLiteral("(note)") : action->text());
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

std::string ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "(missing)";
    return file.readAll().toStdString();
}

void WriteFile(const QString& path, const std::string& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

/// Another program saving the file as most editors do: a new file renamed over the old one.
void ReplaceFile(const QString& path, const std::string& bytes)
{
    WriteFile(path + QStringLiteral(".new"), bytes);
    QVERIFY(std::rename((path + QStringLiteral(".new")).toLocal8Bit().constData(),
                        path.toLocal8Bit().constData()) == 0);
}

Extended ConstantValue(const char* name)
{
    Extended value = -1;
    ParserDefinitions().FindConstant(name, value);
    return value;
}

} // namespace

class TestDefinitionsView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TDefinitionsWatcher> FWatcher;
    std::unique_ptr<THost> FHost;
    QString FDir;
    QStringList FOpened;

    TCalcManager& Manager() { return *FEnv->Manager; }
    QString Path(const QString& name) const { return FDir + QLatin1Char('/') + name; }
    void Write(const QString& name, const std::string& bytes) { WriteFile(Path(name), bytes); }
    std::string Read(const QString& name) const { return ReadFile(Path(name)); }

    /// Loads the files as at start-up, then shows the view (with a watcher when asked).
    THost& Show(bool watch = false)
    {
        LoadDefinitionGroups(ParserDefinitions());
        if (watch)
            FWatcher = std::make_unique<TDefinitionsWatcher>(Manager());
        FHost = std::make_unique<THost>(QSize(560, 340), Manager(), FWatcher.get());
        FHost->show();
        FHost->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(FHost.get())); }();
        FHost->List().setFocus();
        QCoreApplication::processEvents();
        return *FHost;
    }
    TfrmDefinitions& View() { return *FHost->View; }

    /// The edit definition dialog as the user fills it: fields typed, then OK.
    void AnswerEditDialog(const QString& name, const QString& arguments, const QString& body,
                          const QString& comment, bool* stayedOpen = nullptr)
    {
        View().RunEditDefinition = [=, this](TDefinitionsGroup& group, std::string& stored,
                                             int index) {
            TfrmEditDefinition dialog(group, index, Manager().Font());
            dialog.SetComment(stored);
            if (!arguments.isNull())
                dialog.rbFunction->click();
            dialog.edDefinitionName->setText(name);
            if (!arguments.isNull())
                dialog.edDefinitionArguments->setText(arguments);
            dialog.edDefinitionText->setText(body);
            dialog.CommentEditor->setPlainText(comment);
            dialog.accept();
            if (stayedOpen != nullptr)
                *stayedOpen = dialog.result() != QDialog::Accepted;
            if (dialog.result() != QDialog::Accepted)
                return false;
            stored = dialog.Comment();
            return true;
        };
    }

private slots:
    void init()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        FDir = FEnv->Path(QStringLiteral("Definitions"));
        QDir().mkpath(FDir);
        SetDefinitionsDir(FDir.toStdString());
        FOpened.clear();
        TfrmDefinitions::SetErrorListOpener([this](const QString& name) { FOpened << name; });
    }
    void cleanup()
    {
        FHost.reset();
        FWatcher.reset();
        FEnv.reset();
        SetDefinitionsDir({});
        TfrmDefinitions::SetErrorListOpener(nullptr);
    }

    void theSelectDialogRefusesFilesOutsideTheFolderAndAsksBeforeCreating()
    {
        Write("A.udf", "a=1\r\n");
        TDefinitionsSelectDialog dialog;
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(QDir(dialog.directory()).canonicalPath(), QDir(FDir).canonicalPath());
        QCOMPARE(dialog.sidebarUrls().value(0), QUrl::fromLocalFile(FDir));
        QCOMPARE(dialog.nameFilters(), QStringList{"Definition files (*.udf)"});

        dialog.selectFile(FEnv->Path(QStringLiteral("outside.udf")));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(FEnv->Boxes.Errors, QStringList{"Selected file is not in \"Definitions\" dir"});

        dialog.selectFile(Path(QStringLiteral("extra")));
        FEnv->Boxes.ConfirmAnswer = false;
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(FEnv->Boxes.Confirmations,
                 QStringList{"extra.udf does not exist.\rCreate the file?"});
        FEnv->Boxes.ConfirmAnswer = true;
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.ChosenPath(), Path(QStringLiteral("extra.udf")));
        QVERIFY2(!QFile::exists(Path(QStringLiteral("extra.udf"))), "the view creates it");
    }

    void ctrlDOpensTheViewInTheWindow()
    {
        Write("Default.udf", kBanner + "k=2\r\n");
        LoadDefinitionGroups(ParserDefinitions());
        auto window = ShowWindow(Manager());
        QVERIFY(window);
        QVERIFY(window->actnDefinitions->isEnabled());
        QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
        auto* view = window->findChild<TfrmDefinitions*>();
        QVERIFY(view != nullptr);
        QTRY_VERIFY(view->isVisible());
        QCOMPARE(ColumnTexts(*view->List()), QStringList{"k"});
        QCOMPARE(QApplication::focusWidget(), view->List());
    }

    void opensDefaultFirstWithThreeColumnsAndHoverTexts()
    {
        Write("A.udf", kBanner + "a=1\r\n");
        Write("Default.udf", kBanner + "e=2.5 ; Euler-ish\r\nf(x, y)=x*y ; two$Dlines\r\n");
        THost& host = Show();
        QAbstractItemModelTester tester(host.List().model());
        QCOMPARE(host.View->actnFileSelector->text(), QStringLiteral("Default"));
        QCOMPARE(ColumnTexts(host.List(), 0), (QStringList{"e", "f(x, y)"}));
        QCOMPARE(ColumnTexts(host.List(), 1), (QStringList{"2.5", "x*y"}));
        QCOMPARE(ColumnTexts(host.List(), 2), (QStringList{"2.5", ""}));
        QCOMPARE(Hints(host.List()),
                 (QStringList{"e = 2.5\r\nEuler-ish", "f(x, y) = x*y\r\ntwo$Dlines"}));
        QCOMPARE(Captions(host.View->Actions()),
                 (QStringList{"Use", "Add...", "Edit...", "Delete", "Up", "Down"}));
        QCOMPARE(ToolBarCaptions(*host.View),
                 (QStringList{"Add...", "Edit...", "Delete", "Up", "Down"}));
        QCOMPARE(Captions(host.View->PopupMenu()->actions()),
                 (QStringList{"Use", "Add...", "Edit...", "Delete", "Up", "Down"}));
    }

    void aBadLineAmongFiveIsListedAndOnlyTheTextCanBeEdited()
    {
        Write("Default.udf", kBanner + "a=1 ; first\r\nb=2 ; second\r\nbad=1+ ; third\r\n"
                                       "c=3 ; fourth\r\nd=4 ; fifth\r\n");
        THost& host = Show();
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(Hints(host.List()), (QStringList{"a = 1\r\nfirst", "b = 2\r\nsecond",
                                                  "c = 3\r\nfourth", "d = 4\r\nfifth"}));
        QCOMPARE(FOpened, QStringList{FEnv->Path(QStringLiteral("Errors.txt"))});
        const std::string errors = ReadFile(FOpened.value(0));
        QCOMPARE(std::count(errors.begin(), errors.end(), '\n'), 1);
        QVERIFY(errors.starts_with("Error in expression \"bad=1+\": "));
        QCOMPARE(ToolBarCaptions(*host.View), QStringList{"Edit File..."});
        QCOMPARE(Captions(host.View->PopupMenu()->actions()), (QStringList{"Use", "Edit File..."}));
        QVERIFY(!host.View->actnAdd->isVisible());
    }

    void theSelectorCyclesAndBrowsesWhenNothingIsSelected()
    {
        Write("A.udf", "a=1\r\n");
        Write("B.udf", "b=2\r\n");
        THost& host = Show();
        QCOMPARE(host.View->actnFileSelector->text(), QStringLiteral("Select..."));
        int browsed = 0;
        host.View->RunSelectFile = [&](std::string&) {
            ++browsed;
            return false;
        };
        host.View->FileSelector()->click();
        QCOMPARE(browsed, 1);
        QCOMPARE(host.View->SelectedEntry(), -1);
        host.View->SelectorMenu()->actions().value(0)->trigger();
        QCOMPARE(host.View->actnFileSelector->text(), QStringLiteral("A"));
        QStringList seen;
        QToolButton* selector = host.View->FileSelector();
        for (int i = 0; i < 3; ++i) {
            // Clicked where the user sees it, so that nothing lying over it takes the click.
            const QPoint centre = selector->mapTo(&host, QPoint(8, selector->height() / 2));
            QWidget* hit = host.childAt(centre);
            QVERIFY(hit != nullptr);
            QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&host, centre));
            seen << host.View->actnFileSelector->text() + ":" + ColumnTexts(host.List()).join(',');
        }
        QCOMPARE(seen, (QStringList{"B:b", "A:a", "B:b"}));
        QCOMPARE(browsed, 1);
        QCOMPARE(Captions(host.View->SelectorMenu()->actions()),
                 (QStringList{"A", "B", "Select..."}));
        QVERIFY(host.View->SelectorMenu()->actions().value(1)->isChecked());
    }

    void aFileThatVanishedCannotBeSelected()
    {
        Write("A.udf", "a=1\r\n");
        Write("B.udf", "b=2\r\n");
        THost& host = Show();
        host.View->SelectEntry(0);
        QVERIFY(QFile::remove(Path("B.udf")));
        host.View->FileSelector()->click();
        QCOMPARE(FEnv->Boxes.Errors,
                 QStringList{"File not exists:\r" + Path(QStringLiteral("B.udf"))});
        QCOMPARE(host.View->actnFileSelector->text(), QStringLiteral("A"));
        host.View->FillFileSelector();
        QCOMPARE(host.View->EntryCount(), 1);
    }

    void choosingANewNameCreatesAProgramWrittenFileAndGroup()
    {
        Write("A.udf", "a=1\r\n");
        THost& host = Show();
        host.View->RunSelectFile = [&](std::string& name) {
            name = Path(QStringLiteral("extra.udf")).toStdString();
            return true;
        };
        host.View->FileSelector()->click();
        QCOMPARE(Read("extra.udf"), kBanner);
        QCOMPARE(host.View->actnFileSelector->text(), QStringLiteral("extra.udf *"));
        QCOMPARE(ParserDefinitions().GroupNames(ParserDefinitions().GroupCount() - 1),
                 std::string("extra.udf *"));
        QCOMPARE(host.List().Count(), 0);
        QVERIFY(host.View->actnAdd->isVisible());

        AnswerEditDialog("k", {}, "7", {});
        host.View->actnAdd->trigger();
        QCOMPARE(Read("extra.udf"), kBanner + "k=7\r\n");
        QCOMPARE(ConstantValue("k"), 7.0L);
    }

    void aFileOutsideTheFolderIsRefused()
    {
        THost& host = Show();
        host.View->RunSelectFile = [&](std::string& name) {
            name = FEnv->Path(QStringLiteral("x.udf")).toStdString();
            return true;
        };
        host.View->BrowseFile();
        QCOMPARE(FEnv->Boxes.Errors, QStringList{"Selected file is not in \"Definitions\" dir"});
        QVERIFY(!QFile::exists(FEnv->Path(QStringLiteral("x.udf"))));
        QCOMPARE(host.View->Group(), nullptr);
    }

    void useAndTheNameHeaderInsertTheFunctionWithItsBrackets()
    {
        Write("Default.udf", kBanner + "c=4\r\nf(x, y)=x+y\r\n");
        THost& host = Show();
        host.Line()->setText(QStringLiteral("1+1"));
        host.List().SelectItem(1);
        QTest::keyClick(&host.List(), Qt::Key_Return);
        QCOMPARE(host.Line()->text(), QStringLiteral("f()"));
        QCOMPARE(host.Line()->cursorPosition(), 2);

        host.Line()->setText(QStringLiteral("2+3"));
        host.Line()->setSelection(0, 3);
        QTest::mouseClick(host.List().header()->viewport(), Qt::LeftButton, {},
                          HeaderPoint(host.List(), 0));
        QCOMPARE(host.Line()->text(), QStringLiteral("f(2+3)"));
        QCOMPARE(host.Line()->cursorPosition(), 2);

        host.Line()->setText(QString());
        host.List().SelectItem(0);
        QTest::mouseClick(host.List().header()->viewport(), Qt::LeftButton, {},
                          HeaderPoint(host.List(), 2));
        QCOMPARE(host.Line()->text(), QStringLiteral("4"));
    }

    void aBlockMovesDownAsTwoExchangesEachWritten()
    {
        Write("Default.udf", kBanner + "a=1 ; A\r\nb=2 ; B\r\nc=3 ; C\r\nd=4 ; D\r\n");
        THost& host = Show();
        QStringList writes;
        const QString path = Path(QStringLiteral("Default.udf"));
        const auto recordMove = host.View->actnMoveDown;
        Q_UNUSED(recordMove);
        Select(host.List(), {1, 2});
        QTest::keyClick(&host.List(), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"a", "d", "b", "c"}));
        QCOMPARE(host.List().SelectedItems(), (std::vector<int>{2, 3}));
        QCOMPARE(Read("Default.udf"), kBanner + "a=1 ; A\r\nd=4 ; D\r\nb=2 ; B\r\nc=3 ; C\r\n");
        QCOMPARE(Hints(host.List()).value(1), QStringLiteral("d = 4\r\nD"));
    }

    void deletingKeepsTheFollowingHoverTexts()
    {
        Write("Default.udf", kBanner + "a=1 ; A\r\nb=2 ; B\r\nc=3 ; C\r\n");
        THost& host = Show();
        host.List().SelectItem(0);
        QTest::keyClick(&host.List(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(FEnv->Boxes.Confirmations, QStringList{"Delete 1 item(s)?"});
        QCOMPARE(Hints(host.List()), (QStringList{"b = 2\r\nB", "c = 3\r\nC"}));
        QCOMPARE(Read("Default.udf"), kBanner + "b=2 ; B\r\nc=3 ; C\r\n");
        QCOMPARE(ConstantValue("a"), -1.0L);
    }

    void anInvalidBodyLeavesGroupAndFileAlone()
    {
        Write("Default.udf", kBanner + "a=1\r\n");
        THost& host = Show();
        bool stayedOpen = false;
        AnswerEditDialog("b", {}, "1+", {}, &stayedOpen);
        host.View->actnAdd->trigger();
        QVERIFY(stayedOpen);
        QCOMPARE(Read("Default.udf"), kBanner + "a=1\r\n");
        QCOMPARE(host.List().Count(), 1);
    }

    void aCommentOnTwoLinesIsStoredEscaped()
    {
        Write("Default.udf", kBanner + "a=1\r\n");
        THost& host = Show();
        AnswerEditDialog("a", {}, "2", QStringLiteral("line one\nline two"));
        host.List().SelectItem(0);
        QTest::keyClick(&host.List(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(Read("Default.udf"), kBanner + "a=2 ; line one\\$D\\$Aline two\r\n");
        QCOMPARE(Hints(host.List()), QStringList{"a = 2\r\nline one\r\nline two"});
    }

    void itemOperationsHitTheDefinitionsOwnLine()
    {
        Write("Default.udf", kBanner + "a=1\r\n\r\n; hand-written note\r\nb=2\r\n   \r\nc=3\r\n");
        THost& host = Show();
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"a", "b", "c"}));
        AnswerEditDialog("b", {}, "20", {});
        host.List().SelectItem(1);
        QTest::keyClick(&host.List(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(Read("Default.udf"),
                 kBanner + "a=1\r\n\r\n; hand-written note\r\nb=20\r\n   \r\nc=3\r\n");
        Select(host.List(), {2});
        QTest::keyClick(&host.List(), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(Read("Default.udf"),
                 kBanner + "a=1\r\n\r\n; hand-written note\r\nc=3\r\n   \r\nb=20\r\n");
        host.List().SelectItem(2);
        QTest::keyClick(&host.List(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(Read("Default.udf"), kBanner + "a=1\r\n\r\n; hand-written note\r\nc=3\r\n   \r\n");
        AnswerEditDialog("d", {}, "4", {});
        host.View->actnAdd->trigger();
        host.List().SelectItem(2);
        AnswerEditDialog("d", {}, "40", {});
        host.View->actnEdit->trigger();
        QCOMPARE(Read("Default.udf"),
                 kBanner + "a=1\r\n\r\n; hand-written note\r\nc=3\r\n   \r\nd=40\r\n");
    }

    void aFileThatCannotBeReadKeepsTheDefinitions()
    {
        Write("Default.udf", kBanner + "keep=5\r\n");
        THost& host = Show();
        QVERIFY(QFile::remove(Path("Default.udf")));
        QVERIFY(QDir().mkdir(Path("Default.udf"))); // still there by name, but no file
        host.View->ReloadDefinitions();
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QCOMPARE(ConstantValue("keep"), 5.0L);
        QCOMPARE(ColumnTexts(host.List()), QStringList{"keep"});
        QCOMPARE(host.View->Mode(), TfrmDefinitions::TViewMode::vmUnread);
        QVERIFY(!host.View->actnAdd->isVisible());
    }

    void aFileHeldByAnotherInstanceIsShownReadOnly()
    {
        Write("Default.udf", kBanner + "a=1\r\n");
        TDefinitionsFile other;
        other.Load(Path(QStringLiteral("Default.udf")).toStdString());
        THost& host = Show();
        QCOMPARE(ColumnTexts(host.List()), QStringList{"a"});
        QCOMPARE(host.View->Mode(), TfrmDefinitions::TViewMode::vmReadOnly);
        QCOMPARE(ToolBarCaptions(*host.View), QStringList{"(note)"});
        QCOMPARE(host.View->lbReadOnly->text(), QStringLiteral("Read-only"));
        QCOMPARE(Captions(host.View->Actions()), QStringList{"Use"});
        QTest::keyClick(&host.List(), Qt::Key_Return, Qt::AltModifier);
        QVERIFY(FEnv->Boxes.Errors.isEmpty());
        QCOMPARE(ParserDefinitions().Groups(0).Count(), 1);
    }

    void aChangeMadeOnDiskMeanwhileIsNotOverwritten()
    {
        Write("Default.udf", kBanner + "a=1\r\n");
        THost& host = Show();
        ReplaceFile(Path(QStringLiteral("Default.udf")), kBanner + "a=1\r\ntheirs=9\r\n");
        AnswerEditDialog("mine", {}, "2", {});
        host.View->actnAdd->trigger();
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QVERIFY(FEnv->Boxes.Errors.value(0).contains("changed by another program"));
        QCOMPARE(Read("Default.udf"), kBanner + "a=1\r\ntheirs=9\r\n");
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"a", "theirs"}));
        QCOMPARE(ConstantValue("mine"), -1.0L);
        host.View->actnAdd->trigger(); // redone
        QCOMPARE(Read("Default.udf"), kBanner + "a=1\r\ntheirs=9\r\nmine=2\r\n");
    }

    void aFailedDeleteInARunReloadsOnce()
    {
        Write("Default.udf", kBanner + "a=1\r\nb=2\r\nc=3\r\n");
        THost& host = Show();
        ReplaceFile(Path(QStringLiteral("Default.udf")), kBanner + "x=1\r\ny=2\r\nz=3\r\nw=4\r\n");
        Select(host.List(), {0, 2});
        QTest::keyClick(&host.List(), Qt::Key_Delete, Qt::ControlModifier);
        QTRY_COMPARE(ColumnTexts(host.List()), (QStringList{"x", "y", "z", "w"}));
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QCOMPARE(Read("Default.udf"), kBanner + "x=1\r\ny=2\r\nz=3\r\nw=4\r\n");
    }

    void editFileRebuildsTheActionsWhenTheBannerComesBack()
    {
        Write("Default.udf", kBanner + "a=1\r\nbad=(\r\n");
        THost& host = Show();
        QCOMPARE(host.View->Mode(), TfrmDefinitions::TViewMode::vmText);
        QString searched;
        host.View->RunEditFile = [&](TDefinitionsRawStream& stream, const std::string& name) {
            TfrmEditDefsFile dialog(stream, stream.ReadAll(), FromCore(name), Manager().Font());
            searched = QString::fromStdString(name);
            QString text = dialog.Editor->toPlainText();
            text.replace(QStringLiteral("bad=("), QStringLiteral("good=2"));
            dialog.Editor->setPlainText(text);
            dialog.accept();
            return dialog.result() == QDialog::Accepted;
        };
        host.List().SelectItem(0);
        host.View->actnEditFile->trigger();
        QCOMPARE(searched, QStringLiteral("a"));
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"a", "good"}));
        QCOMPARE(host.View->Mode(), TfrmDefinitions::TViewMode::vmItems);
        QVERIFY(host.View->actnAdd->isVisible());
        QCOMPARE(ToolBarCaptions(*host.View),
                 (QStringList{"Add...", "Edit...", "Delete", "Up", "Down"}));
    }

    void reselectingTheShownFileReadsItAgain()
    {
        Write("Default.udf", kBanner + "a=1\r\n");
        THost& host = Show();
        ReplaceFile(Path(QStringLiteral("Default.udf")), kBanner + "a=1\r\nb=2\r\n");
        host.View->FileSelector()->click(); // the only entry: selected again
        QCOMPARE(ColumnTexts(host.List()), (QStringList{"a", "b"}));
    }

    void settingsChangesReachToolbarAndList()
    {
        Write("Default.udf", kBanner + "a=1\r\n");
        THost& host = Show();
        QVERIFY(!host.View->ToolBar()->Gradient());
        TFontData font = Manager().Font();
        font.Size += 5;
        Manager().SetFont(font);
        Manager().SetGradientTheme(true);
        host.View->SettingsChanged();
        QVERIFY(host.View->ToolBar()->Gradient());
        QCOMPARE(host.List().font().pointSize(), font.Size);
    }

    void aFileChangedOnDiskIsReloadedAndTheExpressionEvaluatedAgain()
    {
        Write("Default.udf", kBanner + "k=2\r\n");
        THost& host = Show(true);
        QSignalSpy changed(FWatcher.get(), &TDefinitionsWatcher::GroupChanged);
        Manager().SetExpression("k*10");
        QVERIFY(Manager().Recalculate());
        QCOMPARE(Manager().Results().Value(), 20.0L);
        ReplaceFile(Path(QStringLiteral("Default.udf")), kBanner + "k=3 ; new\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(Manager().Results().Value(), 30.0L, 5000);
        QCOMPARE(ColumnTexts(host.List(), 1), QStringList{"3"});
        QCOMPARE(Hints(host.List()), QStringList{"k = 3\r\nnew"});
        QCOMPARE(changed.count(), 1);

        // An editor writing in place.
        WriteFile(Path(QStringLiteral("Default.udf")), kBanner + "k=4\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(Manager().Results().Value(), 40.0L, 5000);
    }

    void ownSavesCauseNoSecondReload()
    {
        Write("Default.udf", kBanner + "k=2\r\n");
        THost& host = Show(true);
        QSignalSpy changed(FWatcher.get(), &TDefinitionsWatcher::GroupChanged);
        AnswerEditDialog("m", {}, "5", {});
        host.View->actnAdd->trigger();
        host.List().SelectItem(0);
        QTest::keyClick(&host.List(), Qt::Key_Down, Qt::ControlModifier);
        QTest::qWait(TDefinitionsWatcher::kSettleMs * 3);
        FWatcher->CheckNow();
        QCOMPARE(changed.count(), 0);
        QCOMPARE(Read("Default.udf"), kBanner + "m=5\r\nk=2\r\n");
    }

    void filesAddedAndRemovedOnDiskComeAndGo()
    {
        Write("Default.udf", kBanner + "k=2\r\n");
        THost& host = Show(true);
        Write("Units/Length.udf", "inch=0.0254\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(host.View->EntryCount(), 2, 5000);
        QCOMPARE(host.View->EntryText(1), QStringLiteral("Units > Length"));
        QCOMPARE(ConstantValue("inch"), 0.0254L);
        QVERIFY(QFile::remove(Path("Default.udf")));
        QTRY_COMPARE_WITH_TIMEOUT(host.View->EntryCount(), 1, 5000);
        QCOMPARE(host.View->Group(), nullptr);
        QCOMPARE(host.View->actnFileSelector->text(), QStringLiteral("Select..."));
        QCOMPARE(host.List().Count(), 0);
        QCOMPARE(ConstantValue("k"), -1.0L);
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestDefinitionsView)
#include "DefinitionsView_test.moc"
