#include "UiTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>

using namespace calc;
using namespace calc::test;

class TestExpressionView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TfrmCalculator> FWindow;

    TfrmExpressionView& View() { return *FWindow->ExpressionView(); }
    TCalcManager& Manager() { return *FEnv->Manager; }
    QWidget* Line() { return Editor(View()); }
    /// Types the text, then selects start..start+length (caret at its end).
    void Prepare(const QString& text, int start, int length)
    {
        QTest::keyClicks(Line(), text);
        if (auto* line = qobject_cast<QLineEdit*>(Line()))
            line->setSelection(start, length);
    }
    /// Moves the focus away from the line, to see the manager's requests bring it back.
    void FocusAResult() { FWindow->ResultsView()->Boxes().first()->Field()->setFocus(); }

private slots:
    void init()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        FWindow = ShowWindow(*FEnv->Manager);
        QVERIFY(FWindow != nullptr);
    }
    void cleanup()
    {
        FWindow.reset();
        FEnv.reset();
    }

    void insertTextFollowsTheCaretMark_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caret");
        QTest::newRow("result replaces the line") << "1+2" << 3 << 0 << "12|" << true << "12" << 2;
        QTest::newRow("replace without a mark") << "abc" << 1 << 0 << "xyz" << true << "xyz" << 3;
        QTest::newRow("replace with the mark inside")
            << "" << 0 << 0 << "sin(|)" << true << "sin()" << 4;
        QTest::newRow("selection goes inside")
            << "abc" << 0 << 3 << "sqrt(|)" << false << "sqrt(abc)" << 5;
        QTest::newRow("part of the line goes inside")
            << "1+abc*2" << 2 << 3 << "sqrt(|)" << false << "1+sqrt(abc)*2" << 7;
        QTest::newRow("insert at the caret") << "1+2" << 2 << 0 << "pi" << false << "1+pi2" << 4;
        QTest::newRow("mark without a selection")
            << "1+" << 2 << 0 << "sin(|)" << false << "1+sin()" << 6;
        QTest::newRow("only the first bar is the mark")
            << "" << 0 << 0 << "a|b|c" << true << "ab|c" << 1;
        QTest::newRow("a second bar stays when inserting")
            << "x" << 0 << 1 << "(|)|1" << false << "(x)|1" << 1;
        QTest::newRow("selection made backwards")
            << "abc" << 3 << -3 << "(|)" << false << "(abc)" << 1;
    }
    void insertTextFollowsTheCaretMark()
    {
        QFETCH(QString, initial);
        QFETCH(QString, expected);
        Prepare(initial, Fetch<int>("selStart"), Fetch<int>("selLength"));
        FocusAResult();
        Manager().InsertText(ToCore(Fetch<QString>("text")), Fetch<bool>("replace"));
        QCOMPARE(View().GetText(), expected);
        QCOMPARE(View().CaretPosition(), Fetch<int>("caret"));
        // Every change reaches the manager, and the line takes the focus once events run.
        QCOMPARE(FromCore(Manager().Expression()), expected);
        QTRY_VERIFY(Line()->hasFocus());
    }

    void literalTextKeepsItsBars_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caret");
        QTest::newRow("replace") << "1+2" << 1 << 0 << "5|3" << true << "5|3" << 3;
        QTest::newRow("at the caret") << "1+" << 2 << 0 << "a|b" << false << "1+a|b" << 5;
        QTest::newRow("over a selection")
            << "1+x*2" << 2 << 1 << "(5|3)" << false << "1+(5|3)*2" << 7;
    }
    void literalTextKeepsItsBars()
    {
        QFETCH(QString, expected);
        Prepare(Fetch<QString>("initial"), Fetch<int>("selStart"), Fetch<int>("selLength"));
        FocusAResult();
        Manager().InsertLiteralText(ToCore(Fetch<QString>("text")), Fetch<bool>("replace"));
        QCOMPARE(View().GetText(), expected);
        QCOMPARE(View().CaretPosition(), Fetch<int>("caret"));
        QCOMPARE(FromCore(Manager().Expression()), expected);
        QTRY_VERIFY(Line()->hasFocus());
    }

    void anEmptyTextInsertsNothing()
    {
        Prepare(QStringLiteral("1+2"), 1, 1);
        Manager().InsertText({}, false);
        Manager().InsertText({}, true);
        QCOMPARE(View().GetText(), QStringLiteral("1+2"));
        QCOMPARE(View().SelectedText(), QStringLiteral("+"));
    }

    void gotoErrorPutsTheCaretThere_data()
    {
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("caret");
        QTest::newRow("inside") << 2 << 2;
        QTest::newRow("start") << 0 << 0;
        QTest::newRow("end") << 5 << 5;
        QTest::newRow("beyond the end") << 40 << 5;
        QTest::newRow("negative") << -3 << 0;
    }
    void gotoErrorPutsTheCaretThere()
    {
        QTest::keyClicks(Line(), QStringLiteral("12+*3"));
        FocusAResult();
        Manager().GotoError(Fetch<int>("pos"));
        QCOMPARE(View().CaretPosition(), Fetch<int>("caret"));
        QTRY_VERIFY(Line()->hasFocus());
    }

    void aTallViewEditsInSeveralLines()
    {
        QVERIFY(!View().IsMultiLine());
        QTest::keyClicks(Line(), QStringLiteral("1+2+3"));
        qobject_cast<QLineEdit*>(Line())->setSelection(1, 3);
        const int threshold = 2 * View().LineHeight() + 6 + 14;
        FWindow->resize(FWindow->width(), FWindow->height() + threshold);
        QTRY_VERIFY(View().IsMultiLine());
        QVERIFY(View().height() > threshold);
        auto* multi = qobject_cast<QPlainTextEdit*>(Line());
        QVERIFY(multi != nullptr);
        QCOMPARE(multi->toPlainText(), QStringLiteral("1+2+3"));
        QCOMPARE(View().SelectedText(), QStringLiteral("+2+"));
        QCOMPARE(View().CaretPosition(), 4);
        QVERIFY(multi->hasFocus());

        FWindow->resize(FWindow->width(), FWindow->height() - threshold);
        QTRY_VERIFY(!View().IsMultiLine());
        auto* line = qobject_cast<QLineEdit*>(Line());
        QVERIFY(line != nullptr);
        QCOMPARE(line->text(), QStringLiteral("1+2+3"));
        QCOMPARE(line->selectedText(), QStringLiteral("+2+"));
        QCOMPARE(line->cursorPosition(), 4);
        QVERIFY(line->hasFocus());
    }

    void enterInSeveralLinesEvaluatesAndTabDoesNothing()
    {
        FWindow->resize(FWindow->width(), FWindow->height() + 200);
        QTRY_VERIFY(View().IsMultiLine());
        QTest::keyClicks(Line(), QStringLiteral("2+2"));
        QTest::keyClick(Line(), Qt::Key_Tab);
        QVERIFY(Line()->hasFocus());
        QCOMPARE(View().GetText(), QStringLiteral("2+2"));
        QTest::keyClick(Line(), Qt::Key_Return);
        QCOMPARE(Manager().History().Count(), 1);
        QCOMPARE(View().GetText(), QStringLiteral("4"));
        QVERIFY(!View().GetText().contains(QLatin1Char('\n')));
    }

    void enterInTheLineInsertsNothing()
    {
        QTest::keyClicks(Line(), QStringLiteral("7"));
        QTest::keyClick(Line(), Qt::Key_Return);
        QTest::keyClick(Line(), Qt::Key_Return);
        QCOMPARE(View().GetText(), QStringLiteral("7"));
        QCOMPARE(Manager().History().Count(), 1);
    }

    void theFontComesFromTheManager()
    {
        TFontData font = Manager().Font();
        font.Size = 24;
        font.Style = {TFontStyle::fsBold};
        Manager().SetFont(font);
        QCOMPARE(Line()->font().pointSize(), 24);
        QVERIFY(Line()->font().bold());
        QCOMPARE(View().minimumHeight(), Line()->height() + 14);
        QCOMPARE(View().LineHeight(), QFontMetrics(Line()->font()).height());
    }

    void latin1TextCrossesUnchanged()
    {
        QTest::keyClicks(Line(), QStringLiteral("12\u00B0"));
        QCOMPARE(Manager().Expression(), std::string("12\xB0"));
        Manager().InsertText("\xE9|", true);
        QCOMPARE(View().GetText(), QStringLiteral("\u00E9"));
    }

    void theLineIsAsTallAsTheStyleAsks_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("small") << 8;
        QTest::newRow("usual") << 10;
        QTest::newRow("large") << 16;
        QTest::newRow("huge") << 30;
    }
    void theLineIsAsTallAsTheStyleAsks()
    {
        QFETCH(int, points);
        TFontData font = Manager().Font();
        font.Size = points;
        Manager().SetFont(font);
        QCoreApplication::processEvents();
        auto* line = qobject_cast<QLineEdit*>(Line());
        QVERIFY(line != nullptr);
        QLineEdit plain;
        plain.setFont(line->font());
        QVERIFY2(line->height() >= plain.sizeHint().height(),
                 qPrintable(
                     QStringLiteral("%1 < %2").arg(line->height()).arg(plain.sizeHint().height())));
        QVERIFY(View().minimumHeight() >= line->height());
    }

    void upAndDownStepThroughTheHistory_data()
    {
        // History, newest first: "3*3", "2|2" (a bar that is no caret mark), "1+1".
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("up shows the newest") << "7"
                                             << "U"
                                             << "3*3";
        QTest::newRow("up twice, literal text") << "7"
                                                << "UU"
                                                << "2|2";
        QTest::newRow("up stops at the oldest") << "7"
                                                << "UUUUU"
                                                << "1+1";
        QTest::newRow("down comes back") << "7"
                                         << "UUD"
                                         << "3*3";
        QTest::newRow("down past the newest restores the typed text") << "7"
                                                                      << "UUDD"
                                                                      << "7";
        QTest::newRow("down without recalling does nothing") << "7"
                                                             << "D"
                                                             << "7";
        QTest::newRow("restores an empty line") << ""
                                                << "UD"
                                                << "";
        QTest::newRow("typing ends the recall: up starts again") << "7"
                                                                 << "UUx"
                                                                 << "2|2x";
        QTest::newRow("after typing, down does nothing") << "7"
                                                         << "UxD"
                                                         << "3*3x";
        QTest::newRow("after typing, up starts from the newest") << "7"
                                                                 << "UUxU"
                                                                 << "3*3";
        QTest::newRow("after typing, the edited text comes back") << "7"
                                                                  << "UxUD"
                                                                  << "3*3x";
    }
    void upAndDownStepThroughTheHistory()
    {
        QFETCH(QString, keys);
        for (const char* expression : {"1+1", "2|2", "3*3"})
            Manager().History().Add(expression, 0, 0);
        QTest::keyClicks(Line(), Fetch<QString>("typed"));
        for (const QChar key : keys) {
            if (key == QLatin1Char('U'))
                QTest::keyClick(Line(), Qt::Key_Up);
            else if (key == QLatin1Char('D'))
                QTest::keyClick(Line(), Qt::Key_Down);
            else
                QTest::keyClicks(Line(), key);
        }
        QCOMPARE(View().GetText(), Fetch<QString>("expected"));
        QCOMPARE(FromCore(Manager().Expression()), Fetch<QString>("expected"));
        QCOMPARE(View().CaretPosition(), static_cast<int>(View().GetText().size()));
    }

    void theMultiLineEditorKeepsUpAndDown()
    {
        Manager().History().Add("1+1", 0, 0);
        FWindow->resize(FWindow->width(), FWindow->height() + 200);
        QTRY_VERIFY(View().IsMultiLine());
        auto* multi = qobject_cast<QPlainTextEdit*>(Line());
        QVERIFY(multi != nullptr);
        multi->setPlainText(QStringLiteral("1\n2"));
        QTest::keyClick(multi, Qt::Key_Up);
        QCOMPARE(View().GetText(), QStringLiteral("1\n2"));
        QCOMPARE(multi->textCursor().blockNumber(), 0);
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestExpressionView)
#include "ExpressionView_test.moc"
