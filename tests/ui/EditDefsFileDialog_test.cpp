#include "UiTestSupport.h"
#include "definitions/CalcDefsFile.h"
#include "support/TempFolder.h"
#include "ui/EditDefsFileDialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

using namespace calc;
using namespace calc::test;

class TestEditDefsFileDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TTempFolder> FFolder;
    std::string FPath;
    TDefinitionsFile FFile;
    std::optional<TDefinitionsRawStream> FStream;

    /// The dialog on a hand-written file of the given bytes, shown and active.
    std::unique_ptr<TfrmEditDefsFile> Open(const std::string& bytes, const QString& name = {})
    {
        FPath = FFolder->Write("hand.udf", bytes);
        FFile.Load(FPath);
        FStream = FFile.GetRawStream();
        if (!FStream)
            qFatal("no raw text for a hand-written file");
        auto dialog = std::make_unique<TfrmEditDefsFile>(*FStream, FStream->ReadAll(), name,
                                                         FEnv->Manager->Font());
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get()))
            qWarning("the dialog did not become active");
        return dialog;
    }

private slots:
    void init()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        FFolder = std::make_unique<TTempFolder>();
    }
    void cleanup()
    {
        FStream.reset();
        FFile.Load(FFolder->Write("other.udf", "")); // lets go of the file
        FFolder.reset();
        FEnv.reset();
    }

    void searchSelectsTheNameInTheFirstLineThatStartsWithIt_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("selected");
        QTest::newRow("start of a longer word first") << "pi"
                                                      << "3:3 (2 selected)" << 2 << "pi";
        QTest::newRow("letter case ignored") << "PIE"
                                             << "5:5 (3 selected)" << 4 << "Pie";
        QTest::newRow("after leading blanks") << "tau"
                                              << "7:6 (3 selected)" << 5 << "tau";
        QTest::newRow("only in comments") << "only"
                                          << "1:1" << 0 << "";
        QTest::newRow("nowhere") << "zeta"
                                 << "1:1" << 0 << "";
        QTest::newRow("not at a line's start") << "3"
                                               << "1:1" << 0 << "";
    }
    void searchSelectsTheNameInTheFirstLineThatStartsWithIt()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QFETCH(int, line);
        QFETCH(QString, selected);
        auto dialog = Open("; pi and only in a comment\r\n"
                           "  ;only = 1\r\n"
                           "pig = 3\r\n"
                           "pi = 3.14\r\n"
                           " Pie = 3.1415\r\n"
                           "\t  tau = 2*pi\r\n",
                           name);
        QCOMPARE(dialog->edSearch->text(), name);
        // The name given is looked for once, as the dialog opens.
        QCOMPARE(dialog->lbTextPosition->text(), label);
        const QTextCursor cursor = dialog->Editor->textCursor();
        QCOMPARE(cursor.blockNumber(), line);
        QCOMPARE(cursor.selectedText(), selected);
        QCOMPARE(QApplication::focusWidget(), dialog->Editor);
    }

    void goFindsTheNameTypedAndEnterThereDoesNotClose()
    {
        auto dialog = Open("a = 1\r\nb = 2\r\nbb = 3\r\n");
        QCOMPARE(dialog->lbTextPosition->text(), QStringLiteral("1:1"));
        QTest::keyClicks(dialog->edSearch, QStringLiteral("bb"));
        QTest::mouseClick(dialog->btnSearch, Qt::LeftButton);
        QCOMPARE(dialog->lbTextPosition->text(), QStringLiteral("3:3 (2 selected)"));
        dialog->edSearch->setText(QStringLiteral("B"));
        dialog->edSearch->setFocus();
        QTest::keyClick(dialog->edSearch, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->lbTextPosition->text(), QStringLiteral("2:2 (1 selected)"));
        QCOMPARE(ReadBytes(FPath), std::string("a = 1\r\nb = 2\r\nbb = 3\r\n"));
    }

    void positionLabelShowsColumnLineAndSelection_data()
    {
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("shiftLeft");
        QTest::addColumn<QString>("label");
        QTest::newRow("after the fifth character") << 5 << 0 << "6:3";
        QTest::newRow("four selected") << 9 << 4 << "6:3 (4 selected)";
        QTest::newRow("line start") << 0 << 0 << "1:3";
    }
    void positionLabelShowsColumnLineAndSelection()
    {
        QFETCH(int, right);
        QFETCH(int, shiftLeft);
        QFETCH(QString, label);
        auto dialog = Open("one = 1\r\ntwo = 2\r\nthree = 3\r\n");
        QTest::keyClick(dialog->Editor, Qt::Key_Down);
        QTest::keyClick(dialog->Editor, Qt::Key_Down);
        for (int i = 0; i < right; ++i)
            QTest::keyClick(dialog->Editor, Qt::Key_Right);
        for (int i = 0; i < shiftLeft; ++i)
            QTest::keyClick(dialog->Editor, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(dialog->lbTextPosition->text(), label);
    }

    void positionFollowsTheMouse()
    {
        auto dialog = Open("one = 1\r\ntwo = 2\r\n");
        QWidget* area = dialog->Editor->viewport();
        const QRect second = dialog->Editor->cursorRect(
            QTextCursor(dialog->Editor->document()->findBlockByNumber(1)));
        QTest::mouseClick(area, Qt::LeftButton, {}, second.center() + QPoint(1, 0));
        QCOMPARE(dialog->lbTextPosition->text(), QStringLiteral("1:2"));
    }

    // OK rewrites the whole file, edited or not, with CR LF after every line.
    void okWritesTheLinesWithCrLf_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("LF, no end") << QByteArray("a=1\nb=2") << "" << QByteArray("a=1\r\nb=2\r\n");
        QTest::newRow("CR and CR LF")
            << QByteArray("a=1\rb=2\r\n") << "" << QByteArray("a=1\r\nb=2\r\n");
        QTest::newRow("empty last line")
            << QByteArray("a=1\r\n\r\n") << "" << QByteArray("a=1\r\n\r\n");
        QTest::newRow("Latin-1 and no-break space")
            << QByteArray("x=1 ; caf\xE9\xA0\r\n") << "" << QByteArray("x=1 ; caf\xE9\xA0\r\n");
        QTest::newRow("byte-order mark kept")
            << QByteArray("\xEF\xBB\xBFz=1\r\n") << "" << QByteArray("\xEF\xBB\xBFz=1\r\n");
        QTest::newRow("empty") << QByteArray() << "" << QByteArray();
        QTest::newRow("NUL and what follows it")
            << QByteArray("a=1\0junk\r\n", 10) << "" << QByteArray("a=1\0junk\r\n", 10);
        QTest::newRow("typed") << QByteArray("a=1\r\n") << "b=2\n" << QByteArray("b=2\r\na=1\r\n");
    }
    void okWritesTheLinesWithCrLf()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, typed);
        QFETCH(QByteArray, after);
        auto dialog = Open(before.toStdString());
        for (const QChar c : typed)
            if (c == QLatin1Char('\n'))
                QTest::keyClick(dialog->Editor, Qt::Key_Return);
            else
                QTest::keyClicks(dialog->Editor, QString(c));
        dialog->ButtonBox->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(FEnv->Boxes.Errors.isEmpty());
        QCOMPARE(QByteArray::fromStdString(ReadBytes(FPath)), after);
        // The file object reads what it now holds.
        QCOMPARE(FFile.Lines().size(), static_cast<std::size_t>(after.count("\r\n")));
    }

    void ctrlEnterWrites()
    {
        auto dialog = Open("a=1\r\n");
        QTest::keyClicks(dialog->Editor, QStringLiteral("x"));
        QTest::keyClick(dialog->Editor, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(ReadBytes(FPath), std::string("xa=1\r\n"));
    }

    void failedWriteKeepsTheDialogOpenWithTheText()
    {
        auto dialog = Open("a=1\r\n");
        QTest::keyClicks(dialog->Editor, QStringLiteral("b=2 "));
        // Another load of the file makes the raw text the dialog holds out of date.
        FFile.Load(FPath);
        dialog->ButtonBox->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Editor->toPlainText(), QStringLiteral("b=2 a=1"));
        QCOMPARE(ReadBytes(FPath), std::string("a=1\r\n"));
    }

    void characterOutsideLatin1IsRefusedAndShown()
    {
        auto dialog = Open("a=1\r\nb=2\r\n");
        QTest::keyClick(dialog->Editor, Qt::Key_Down);
        QTest::keyClicks(dialog->Editor, QStringLiteral("b2="));
        QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                       QString::fromUtf8("\u20AC"));
        QApplication::sendEvent(dialog->Editor, &euro);
        dialog->ButtonBox->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(FEnv->Boxes.Errors,
                 QStringList{QString::fromUtf8(
                     "Line 2, column 4: the character \"\u20AC\" (U+20AC) cannot be stored in a "
                     "definitions file, which holds ISO-8859-1 text only.")});
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Editor->textCursor().selectedText(), QString::fromUtf8("\u20AC"));
        QCOMPARE(ReadBytes(FPath), std::string("a=1\r\nb=2\r\n"));
    }

    void leavingAnEditAsks_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("closed");
        QTest::newRow("no edit, Cancel") << false << false << false << 0 << true;
        QTest::newRow("no edit, Esc") << false << true << false << 0 << true;
        QTest::newRow("edit, Cancel, kept") << true << false << false << 1 << false;
        QTest::newRow("edit, Esc, kept") << true << true << false << 1 << false;
        QTest::newRow("edit, Esc, dropped") << true << true << true << 1 << true;
    }
    void leavingAnEditAsks()
    {
        QFETCH(bool, edit);
        QFETCH(bool, escape);
        QFETCH(bool, answer);
        QFETCH(int, asked);
        QFETCH(bool, closed);
        auto dialog = Open("a=1\r\n");
        if (edit)
            QTest::keyClicks(dialog->Editor, QStringLiteral("q"));
        FEnv->Boxes.ConfirmAnswer = answer;
        if (escape)
            QTest::keyClick(dialog->Editor, Qt::Key_Escape);
        else
            dialog->ButtonBox->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(FEnv->Boxes.Confirmations.size(), asked);
        if (asked > 0)
            QCOMPARE(FEnv->Boxes.Confirmations.front(),
                     QStringLiteral("You have modified definitions. Exit without saving?"));
        QCOMPARE(dialog->isVisible(), !closed);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(dialog->Editor->toPlainText(),
                 edit ? QStringLiteral("qa=1") : QStringLiteral("a=1"));
        QCOMPARE(ReadBytes(FPath), std::string("a=1\r\n"));
    }

    void selectAllSelectsTheFocusedField()
    {
        auto dialog = Open("a=1\r\nb=2\r\n");
        QCOMPARE(dialog->EditSelectAll->text(), QStringLiteral("Select &All"));
        QCOMPARE(dialog->EditSelectAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
        QCOMPARE(dialog->EditSelectAll->toolTip(), QStringLiteral("Select All"));
        QCOMPARE(dialog->EditSelectAll->statusTip(), QStringLiteral("Selects the entire document"));
        dialog->EditSelectAll->trigger();
        QCOMPARE(dialog->lbTextPosition->text(), QStringLiteral("4:2 (7 selected)"));
        dialog->edSearch->setText(QStringLiteral("name"));
        dialog->edSearch->setFocus();
        dialog->EditSelectAll->trigger();
        QCOMPARE(dialog->edSearch->selectedText(), QStringLiteral("name"));
    }

    void unreadableFileOpensNoEditor()
    {
        const std::string path = FFolder->Write("gone.udf", "a=1\r\n");
        TDefinitionsFile file;
        file.Load(path);
        std::optional<TDefinitionsRawStream> stream = file.GetRawStream();
        QVERIFY(stream.has_value());
        file.Load(path); // the stream now stands for a file no longer held
        QVERIFY(!TfrmEditDefsFile::Execute(*stream, "a", FEnv->Manager->Font()));
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QCOMPARE(ReadBytes(path), std::string("a=1\r\n"));
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestEditDefsFileDialog)
#include "EditDefsFileDialog_test.moc"
