#include "UiTestSupport.h"
#include "definitions/CalcDefsFile.h"
#include "ui/EditDefinitionDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace calc;
using namespace calc::test;

namespace {

/// The definitions of the group as the file would list them.
QStringList Definitions(const TDefinitionsGroup& group)
{
    QStringList result;
    for (int i = 0; i < group.Count(); ++i)
        result << FromCore(group.GetDisplayName(i) + "=" + group.GetText(i));
    return result;
}

} // namespace

class TestEditDefinitionDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    TDefinitionsGroup* FGroup = nullptr;

    /// A dialog shown and active, for the definition at index (new when negative).
    std::unique_ptr<TfrmEditDefinition> Open(int index)
    {
        auto dialog = std::make_unique<TfrmEditDefinition>(*FGroup, index, FEnv->Manager->Font());
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get()))
            qWarning("the dialog did not become active");
        return dialog;
    }
    /// A click on the button's circle, where the user aims.
    static void Choose(QRadioButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    static void ClickOk(TfrmEditDefinition& dialog)
    {
        dialog.ButtonBox->button(QDialogButtonBox::Ok)->click();
    }

private slots:
    void init()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        FGroup = &ParserDefinitions().AddGroup("test.udf");
        for (const char* text : {"c = 1", "f(x) = x"})
            FGroup->AddDefinitionText(text);
    }
    void cleanup()
    {
        FGroup = nullptr;
        FEnv.reset();
    }

    void kindChoiceShowsTheArgumentsOfAFunctionOnly()
    {
        auto dialog = Open(-1);
        QVERIFY(dialog->IsNew());
        QVERIFY(dialog->rgDefinitionType->isVisible());
        QVERIFY(dialog->rbConstant->isChecked());
        QVERIFY(!dialog->edDefinitionArguments->isVisible());
        QVERIFY(!dialog->lbBracketLeft->isVisible());
        QVERIFY(!dialog->lbBracketRight->isVisible());
        QVERIFY(dialog->lbEqual->isVisible());
        Choose(dialog->rbFunction);
        QCOMPARE(dialog->Kind(), TDefinitionKind::dkFunc);
        QVERIFY(dialog->edDefinitionArguments->isVisible());
        QVERIFY(dialog->lbBracketLeft->isVisible());
        QVERIFY(dialog->lbBracketRight->isVisible());
        Choose(dialog->rbConstant);
        QCOMPARE(dialog->Kind(), TDefinitionKind::dkConst);
        QVERIFY(!dialog->edDefinitionArguments->isVisible());
    }

    void newDefinitionIsAddedOfTheChosenKind_data()
    {
        QTest::addColumn<bool>("function");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("use");
        QTest::addColumn<double>("value");
        // A constant ignores what its hidden arguments field still holds.
        QTest::newRow("constant") << false << "1x, y"
                                  << "g=2*3"
                                  << "g" << 6.0;
        QTest::newRow("function") << true << "a, b"
                                  << "g(a, b)=2*3"
                                  << "g(0, 0)" << 6.0;
    }
    void newDefinitionIsAddedOfTheChosenKind()
    {
        QFETCH(bool, function);
        QFETCH(QString, arguments);
        QFETCH(QString, added);
        QFETCH(QString, use);
        QFETCH(double, value);
        auto dialog = Open(-1);
        if (function)
            Choose(dialog->rbFunction);
        QTest::keyClicks(dialog->edDefinitionName, QStringLiteral("g"));
        dialog->edDefinitionArguments->setText(arguments);
        QTest::keyClicks(dialog->edDefinitionText, QStringLiteral("2*3"));
        QTest::keyClick(dialog->edDefinitionText, Qt::Key_Return);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(FEnv->Boxes.Errors.isEmpty());
        QCOMPARE(Definitions(*FGroup), (QStringList{"c=1", "f(x)=x", added}));
        TExpressionParser parser;
        QVERIFY(parser.TryEvaluate(ToCore(use)));
        QCOMPARE(static_cast<double>(parser.Value()), value);
    }

    void editingOffersNoKindChoiceAndIsShorter()
    {
        auto added = Open(-1);
        auto edited = Open(0);
        QVERIFY(!edited->IsNew());
        QVERIFY(!edited->rgDefinitionType->isVisible());
        QVERIFY(edited->height() <= added->height() - added->rgDefinitionType->height());
        QCOMPARE(edited->edDefinitionName->text(), QStringLiteral("c"));
        QCOMPARE(edited->edDefinitionText->text(), QStringLiteral("1"));
        QVERIFY(!edited->edDefinitionArguments->isVisible());
        auto function = Open(1);
        QCOMPARE(function->Kind(), TDefinitionKind::dkFunc);
        QCOMPARE(function->edDefinitionArguments->text(), QStringLiteral("x"));
        QVERIFY(function->edDefinitionArguments->isVisible());
    }

    void editedConstantStaysAConstant()
    {
        auto dialog = Open(0);
        dialog->edDefinitionText->setText(QStringLiteral("5*2"));
        dialog->edDefinitionArguments->setText(QStringLiteral("y"));
        ClickOk(*dialog);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(FGroup->GetKind(0), TDefinitionKind::dkConst);
        QCOMPARE(Definitions(*FGroup), (QStringList{"c=5*2", "f(x)=x"}));
        QCOMPARE(FromCore(FGroup->GetValueText(0)), QStringLiteral("10"));
    }

    // Whatever is refused, the message is shown, the dialog stays open with the input, and the
    // group is as it was; correcting the input and pressing OK then closes it.
    void refusedDefinitionKeepsTheDialogOpen_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("corrected");
        QTest::newRow("new, body") << -1 << "d"
                                   << ""
                                   << "1+"
                                   << ""
                                   << ""
                                   << "1+2";
        QTest::newRow("edited, body") << 0 << "c"
                                      << ""
                                      << "2*("
                                      << ""
                                      << ""
                                      << "2*(3)";
        QTest::newRow("edited, name") << 0 << "1c"
                                      << ""
                                      << "1"
                                      << ""
                                      << "Invalid definition name: \"1c\""
                                      << "1";
        QTest::newRow("edited, arguments") << 1 << "h"
                                           << "1x"
                                           << "2*x"
                                           << ""
                                           << "Invalid argument identifier: \"1x\""
                                           << "2*x";
        QTest::newRow("edited, semicolon in the body")
            << 0 << "c"
            << ""
            << "[12:00;]"
            << ""
            << "\"[12:00;]\" cannot be stored in a definitions file: \";\" starts a comment there"
            << "[12:00]";
        QTest::newRow("new, tab in the body")
            << -1 << "d"
            << ""
            << "1\t+2"
            << ""
            << "\"1 +2\" cannot be stored in a definitions file: it holds the control character #9"
            << "1+2";
        QTest::newRow("new, character outside Latin-1 in the name")
            << -1 << QString::fromUtf8("d\u20AC") << ""
            << "1"
            << ""
            << QString::fromUtf8("The character \"\u20AC\" (U+20AC) cannot be stored in a "
                                 "definitions file, which holds ISO-8859-1 text only.")
            << "1";
        QTest::newRow("edited, character outside Latin-1 in the comment")
            << 0 << "c"
            << ""
            << "1" << QString::fromUtf8("costs 5 \U0001F4B6")
            << QString::fromUtf8("The comment holds the character \"\U0001F4B6\" (U+1F4B6), "
                                 "which a definitions file cannot store: it holds ISO-8859-1 "
                                 "text only.")
            << "1";
    }
    void refusedDefinitionKeepsTheDialogOpen()
    {
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(QString, arguments);
        QFETCH(QString, body);
        QFETCH(QString, comment);
        QFETCH(QString, error);
        QFETCH(QString, corrected);
        const QStringList before = Definitions(*FGroup);
        auto dialog = Open(index);
        dialog->edDefinitionName->setText(name);
        if (!arguments.isEmpty())
            dialog->edDefinitionArguments->setText(arguments);
        dialog->edDefinitionText->setText(body);
        dialog->CommentEditor->setPlainText(comment);
        ClickOk(*dialog);
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        if (!error.isEmpty())
            QCOMPARE(FEnv->Boxes.Errors.front(), error);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(dialog->edDefinitionText->text(), body);
        QCOMPARE(Definitions(*FGroup), before);

        const QString fixedName =
            name.startsWith(QLatin1Char('1')) ? name.mid(1) : QString(name).remove(QChar(0x20AC));
        dialog->edDefinitionName->setText(fixedName);
        if (!arguments.isEmpty())
            dialog->edDefinitionArguments->setText(QStringLiteral("x"));
        dialog->edDefinitionText->setText(corrected);
        dialog->CommentEditor->setPlainText(QStringLiteral("fine"));
        ClickOk(*dialog);
        QCOMPARE(FEnv->Boxes.Errors.size(), 1);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(!dialog->isVisible());
        QVERIFY(Definitions(*FGroup).contains(
            fixedName + (arguments.isEmpty() ? QString() : "(x)") + "=" + corrected));
    }

    void cancelAndEscapeChangeNothing()
    {
        const QStringList before = Definitions(*FGroup);
        for (const bool escape : {false, true}) {
            auto dialog = Open(1);
            dialog->edDefinitionName->setText(QStringLiteral("h"));
            dialog->edDefinitionText->setText(QStringLiteral("1+"));
            if (escape)
                QTest::keyClick(dialog->edDefinitionText, Qt::Key_Escape);
            else
                dialog->ButtonBox->button(QDialogButtonBox::Cancel)->click();
            QCOMPARE(dialog->result(), int(QDialog::Rejected));
            QVERIFY(!dialog->isVisible());
        }
        QCOMPARE(Definitions(*FGroup), before);
        QVERIFY(FEnv->Boxes.Errors.isEmpty());
    }

    void commentOnTwoLinesIsStoredOnOne()
    {
        auto dialog = Open(0);
        dialog->SetComment("was \\$D\\$Astored");
        QCOMPARE(dialog->CommentEditor->toPlainText(), QStringLiteral("was \nstored"));
        dialog->CommentEditor->clear();
        QTest::keyClicks(dialog->CommentEditor, QStringLiteral("first"));
        QTest::keyClick(dialog->CommentEditor, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(dialog->CommentEditor, QStringLiteral("second\xA0line"));
        QCOMPARE(dialog->CommentEditor->blockCount(), 2);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        // Enter confirms from the comment as from every other field.
        QTest::keyClick(dialog->CommentEditor, Qt::Key_Return);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        const std::string stored = dialog->Comment();
        QCOMPARE(stored, std::string("first\\$D\\$Asecond\xA0line"));
        QCOMPARE(UnescapeComment(stored), std::string("first\r\nsecond\xA0line"));
    }

    void nameIsSelectedOnEntryButArgumentsAndBodyKeepTheCaret()
    {
        auto dialog = Open(1);
        QCOMPARE(QApplication::focusWidget(), dialog->edDefinitionName);
        QCOMPARE(dialog->edDefinitionName->selectedText(), QStringLiteral("f"));
        QTest::keyClick(dialog->edDefinitionName, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog->edDefinitionArguments);
        QVERIFY(!dialog->edDefinitionArguments->hasSelectedText());
        QTest::keyClick(dialog->edDefinitionArguments, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog->edDefinitionText);
        QVERIFY(!dialog->edDefinitionText->hasSelectedText());
        QTest::keyClick(dialog->edDefinitionText, Qt::Key_Tab, Qt::ShiftModifier);
        QTest::keyClick(dialog->edDefinitionArguments, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), dialog->edDefinitionName);
        QCOMPARE(dialog->edDefinitionName->selectedText(), QStringLiteral("f"));
    }

    void fieldsFollowTheirTextAndTheRowWraps()
    {
        auto dialog = Open(1);
        QLineEdit* body = dialog->edDefinitionText;
        const int rowWidth = dialog->fpDefinition->contentsRect().width();
        QTest::keyClicks(body, QStringLiteral("+x"));
        const int shortWidth = body->width();
        QVERIFY(shortWidth < rowWidth / 2);
        QCOMPARE(body->y(), dialog->edDefinitionName->y());
        // Growing with each character typed, the field stays level with the name until the
        // row has no room beside it, then wraps onto a line of its own.
        int lastWidth = shortWidth;
        while (body->width() < rowWidth && body->text().size() < 1000) {
            QTest::keyClicks(body, QStringLiteral("+x"));
            QVERIFY(body->width() >= lastWidth);
            lastWidth = body->width();
        }
        QCOMPARE(body->width(), rowWidth);
        QTest::qWait(0);
        QVERIFY(body->y() > dialog->edDefinitionName->y());
        QVERIFY(dialog->fpDefinition->height() >= 2 * body->height());
        // Beyond the row's width the field stops growing and scrolls its text.
        QTest::keyClicks(body, QStringLiteral("+x+x+x"));
        QCOMPARE(body->width(), rowWidth);
        // The name field follows its text the same way, also when it shrinks.
        const int nameWidth = dialog->edDefinitionName->width();
        QTest::keyClicks(dialog->edDefinitionName, QStringLiteral("longer_name"));
        QVERIFY(dialog->edDefinitionName->width() > nameWidth);
        dialog->edDefinitionName->setText(QStringLiteral("f"));
        QCOMPARE(dialog->edDefinitionName->width(), nameWidth);
    }

    void shortDialogNeverCutsTheWrappedRowOff()
    {
        auto dialog = Open(1);
        dialog->resize(dialog->width(), 1);
        dialog->edDefinitionText->setText(QString(200, QLatin1Char('1')));
        QTRY_VERIFY(dialog->edDefinitionText->y() > dialog->edDefinitionName->y());
        QTest::qWait(0);
        const QRect body = dialog->edDefinitionText->geometry();
        QVERIFY(body.bottom() < dialog->fpDefinition->height());
        const QWidget* label = dialog->CommentEditor->parentWidget();
        QVERIFY(dialog->fpDefinition->mapTo(label, body.bottomLeft()).y() <
                dialog->CommentEditor->y());
    }

    void widerDialogTakesTheWrappedFieldBack()
    {
        auto dialog = Open(0);
        dialog->edDefinitionText->setText(QString(200, QLatin1Char('1')));
        QTest::qWait(0);
        QVERIFY(dialog->edDefinitionText->y() > dialog->edDefinitionName->y());
        const int narrow = dialog->edDefinitionText->width();
        dialog->resize(dialog->width() * 3, dialog->height());
        QTRY_VERIFY(dialog->edDefinitionText->width() > narrow);
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestEditDefinitionDialog)
#include "EditDefinitionDialog_test.moc"
