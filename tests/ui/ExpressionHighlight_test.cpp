#include "UiTestSupport.h"
#include "ui/ExpressionHighlight.h"
#include "widgets/StatusBar.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>

using namespace calc;
using namespace calc::test;

namespace {

using TFormats = QList<QTextLayout::FormatRange>;

/// The format at pos with every range over it merged, later ones over earlier ones.
QTextCharFormat FormatAt(const TFormats& formats, int pos)
{
    QTextCharFormat format;
    for (const QTextLayout::FormatRange& range : formats)
        if (pos >= range.start && pos < range.start + range.length)
            format.merge(range.format);
    return format;
}

/// The formats the editor itself lays over its text, at document positions.
TFormats EditorFormats(QWidget* editor, const TfrmExpressionView& view)
{
    auto* multi = qobject_cast<QPlainTextEdit*>(editor);
    if (multi == nullptr)
        return view.TextFormats(); // a line edit keeps them out of reach
    TFormats formats;
    for (QTextBlock block = multi->document()->begin(); block.isValid(); block = block.next())
        for (QTextLayout::FormatRange range : block.layout()->formats()) {
            range.start += block.position();
            formats.append(range);
        }
    return formats;
}

QList<int> WavyPositions(const TFormats& formats, int length)
{
    QList<int> positions;
    for (int pos = 0; pos < length; ++pos)
        if (FormatAt(formats, pos).underlineStyle() == QTextCharFormat::WaveUnderline)
            positions.append(pos);
    return positions;
}

} // namespace

class TestExpressionHighlight : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TfrmCalculator> FWindow;

    TfrmExpressionView& View() { return *FWindow->ExpressionView(); }
    QWidget* Editor() { return ::Editor(View()); }
    TFormats Formats() { return EditorFormats(Editor(), View()); }
    void UseMultiLine(bool multi)
    {
        if (!multi)
            return;
        FWindow->resize(FWindow->width(), FWindow->height() + 200);
        QTRY_VERIFY(View().IsMultiLine());
    }
    /// Opens and closes the menus that hold the action, which brings its check mark up to date.
    void ShowMenusOf(QAction* action)
    {
        for (QMenu* menu : FWindow->findChildren<QMenu*>())
            if (menu->actions().contains(action))
                emit menu->aboutToShow();
    }
    void AddEditorData()
    {
        QTest::addColumn<bool>("multi");
        QTest::newRow("line") << false;
        QTest::newRow("several lines") << true;
    }

private slots:
    void init()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        TDefinitionsGroup& group = ParserDefinitions().AddGroup("Test");
        group.AddDefinitionText("k = 2");
        group.AddDefinitionText("hyp(a, b) = sqrt(a*a + b*b)");
        FWindow = ShowWindow(*FEnv->Manager);
        QVERIFY(FWindow != nullptr);
    }
    void cleanup()
    {
        FWindow.reset();
        FEnv.reset();
    }

    void partsTakeTheColoursOfTheirKinds_data() { AddEditorData(); }
    void partsTakeTheColoursOfTheirKinds()
    {
        UseMultiLine(Fetch<bool>("multi"));
        QTest::keyClicks(Editor(), QStringLiteral("sin(k) + 0x1F * zz ' note"));
        const TFormats formats = Formats();
        const TExpressionStyle style(Editor()->palette());
        const auto colour = [&](int pos) { return FormatAt(formats, pos).foreground().color(); };
        const auto kindColour = [&](TTokenKind kind) {
            return style.Format(kind).foreground().color();
        };
        QCOMPARE(colour(0), kindColour(TTokenKind::tkBuiltInFunction));
        QCOMPARE(colour(2), kindColour(TTokenKind::tkBuiltInFunction));
        QCOMPARE(colour(4), kindColour(TTokenKind::tkUserConstant));
        QCOMPARE(colour(7), kindColour(TTokenKind::tkOperator));
        QCOMPARE(colour(9), kindColour(TTokenKind::tkNumber));
        QCOMPARE(colour(12), kindColour(TTokenKind::tkNumber));
        QVERIFY(FormatAt(formats, 16).fontItalic());                       // the unknown zz
        QVERIFY(FormatAt(formats, 22).fontItalic());                       // the comment
        QVERIFY(FormatAt(formats, 3).foreground().style() == Qt::NoBrush); // a bracket
        // Each kind stands apart from the others and from the plain text.
        const QList<QColor> colours{colour(0), colour(4), colour(7), colour(9),
                                    Editor()->palette().color(QPalette::Text)};
        for (qsizetype i = 0; i < colours.size(); ++i)
            for (qsizetype j = i + 1; j < colours.size(); ++j)
                QVERIFY(colours[i] != colours[j]);
    }

    void coloursReadOnDarkBackgrounds()
    {
        QPalette light;
        light.setColor(QPalette::Base, Qt::white);
        light.setColor(QPalette::Text, Qt::black);
        QPalette dark;
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        for (const TTokenKind kind : {TTokenKind::tkNumber, TTokenKind::tkOperator,
                                      TTokenKind::tkBuiltInFunction, TTokenKind::tkUserFunction}) {
            const QColor onLight = TExpressionStyle(light).Format(kind).foreground().color();
            const QColor onDark = TExpressionStyle(dark).Format(kind).foreground().color();
            QVERIFY(onLight.lightness() < 128);
            QVERIFY(onDark.lightness() > 128);
        }
    }

    void theErrorMarkFollowsEachEvaluation_data() { AddEditorData(); }
    void theErrorMarkFollowsEachEvaluation()
    {
        UseMultiLine(Fetch<bool>("multi"));
        QTest::keyClicks(Editor(), QStringLiteral("1+*2"));
        TStatusBar& bar = *FWindow->StatusBar();
        QVERIFY(bar.IsError());
        QCOMPARE(WavyPositions(Formats(), 4), QList<int>{2});
        // Mending the text takes the mark away; a failure at the end marks the last character.
        QTest::keyClick(Editor(), Qt::Key_Left);
        QTest::keyClick(Editor(), Qt::Key_Backspace);
        QVERIFY(!bar.IsError());
        QCOMPARE(WavyPositions(Formats(), 3), QList<int>{});
        QTest::keyClick(Editor(), Qt::Key_End);
        QTest::keyClicks(Editor(), QStringLiteral("-"));
        QCOMPARE(WavyPositions(Formats(), 4), QList<int>{3});
    }

    void theErrorMarkWaitsForEnterWithoutAutoEvaluation()
    {
        FEnv->Manager->SetAutoEvaluate(false);
        QTest::keyClicks(Editor(), QStringLiteral("2**"));
        QCOMPARE(WavyPositions(Formats(), 3), QList<int>{});
        QTest::keyClick(Editor(), Qt::Key_Return);
        QCOMPARE(WavyPositions(Formats(), 3), QList<int>{2});
    }

    void bracketsBesideTheCaretPair_data()
    {
        QTest::addColumn<bool>("multi");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QList<int>>("marked");
        const QList<int> none;
        for (const bool multi : {false, true}) {
            const char* kind = multi ? "several lines" : "line";
            QTest::addRow("%s: after the outer closer", kind) << multi << 7 << QList<int>{0, 6};
            QTest::addRow("%s: after an opener", kind) << multi << 4 << QList<int>{3, 5};
            QTest::addRow("%s: before an opener", kind) << multi << 0 << QList<int>{0, 6};
            QTest::addRow("%s: between no brackets", kind) << multi << 2 << none;
        }
    }
    void bracketsBesideTheCaretPair()
    {
        UseMultiLine(Fetch<bool>("multi"));
        QTest::keyClicks(Editor(), QStringLiteral("(1+(2))"));
        QTest::keyClick(Editor(), Qt::Key_Home);
        for (int i = 0; i < Fetch<int>("caret"); ++i)
            QTest::keyClick(Editor(), Qt::Key_Right);
        const TFormats formats = Formats();
        QList<int> marked;
        for (int pos = 0; pos < 7; ++pos)
            if (FormatAt(formats, pos).hasProperty(QTextFormat::BackgroundBrush))
                marked.append(pos);
        QCOMPARE(marked, Fetch<QList<int>>("marked"));
    }

    void ctrlPeriodPutsInTheSuggestedName_data()
    {
        QTest::addColumn<bool>("multi");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("mended");
        QTest::addColumn<QList<int>>("wavy");
        for (const bool multi : {false, true}) {
            const char* kind = multi ? "several lines" : "line";
            QTest::addRow("%s: a function", kind) << multi << "2*SINE (0)+1"
                                                  << "did you mean \"sin\"?"
                                                  << "2*sin (0)+1" << QList<int>{2, 3, 4, 5};
            QTest::addRow("%s: a constant", kind) << multi << "kk + 1"
                                                  << "did you mean \"k\"?"
                                                  << "k + 1" << QList<int>{0, 1};
        }
    }
    void ctrlPeriodPutsInTheSuggestedName()
    {
        UseMultiLine(Fetch<bool>("multi"));
        const QString typed = Fetch<QString>("typed");
        QTest::keyClicks(Editor(), typed);
        QCOMPARE(Editor()->toolTip(), Fetch<QString>("hint"));
        QCOMPARE(WavyPositions(Formats(), static_cast<int>(typed.size())),
                 Fetch<QList<int>>("wavy"));
        // The status text is the engine's own message, hint or not.
        QCOMPARE(FWindow->StatusBar()->StatusText(),
                 QString::fromLatin1(FEnv->Manager->Parser().GetErrorMessage()));
        QTest::keyClick(Editor(), Qt::Key_Period, Qt::ControlModifier);
        QCOMPARE(View().GetText(), Fetch<QString>("mended"));
        QVERIFY(!FWindow->StatusBar()->IsError());
        QCOMPARE(Editor()->toolTip(), QString());
    }

    void farNamesGetNoSuggestion()
    {
        QTest::keyClicks(Editor(), QStringLiteral("zzzzzz(1)"));
        QVERIFY(FWindow->StatusBar()->IsError());
        QCOMPARE(Editor()->toolTip(), QString());
        QTest::keyClick(Editor(), Qt::Key_Period, Qt::ControlModifier);
        QCOMPARE(View().GetText(), QStringLiteral("zzzzzz(1)"));
    }

    void switchedOffTheEditorIsPlain_data() { AddEditorData(); }
    void switchedOffTheEditorIsPlain()
    {
        UseMultiLine(Fetch<bool>("multi"));
        View().SetHighlighting(false);
        View().SetErrorMarking(false);
        View().SetSuggesting(false);
        QTest::keyClicks(Editor(), QStringLiteral("(sin(1)+*"));
        QVERIFY(FWindow->StatusBar()->IsError());
        QVERIFY(Formats().isEmpty());
        QTest::keyClicks(Editor(), QStringLiteral("sine(1)"));
        QCOMPARE(Editor()->toolTip(), QString());
        QTest::keyClick(Editor(), Qt::Key_Period, Qt::ControlModifier);
        QCOMPARE(View().GetText(), QStringLiteral("(sin(1)+*sine(1)"));
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(Editor(), Qt::Key_Backspace);
        // On again, the text is coloured at once.
        View().SetHighlighting(true);
        View().SetErrorMarking(true);
        QVERIFY(!Formats().isEmpty());
        QCOMPARE(WavyPositions(Formats(), 9), QList<int>{8});
    }

    void completionInsertsTheNameWithItsBrackets_data() { AddEditorData(); }
    void completionInsertsTheNameWithItsBrackets()
    {
        UseMultiLine(Fetch<bool>("multi"));
        QTest::keyClicks(Editor(), QStringLiteral("2*ab"));
        QCompleter* completer = View().Completer();
        QVERIFY(completer != nullptr);
        QTRY_VERIFY(completer->popup()->isVisible());
        QVERIFY(completer->popup()->currentIndex().data().toString().startsWith("Abs(x)"));
        QTest::keyClick(completer->popup(), Qt::Key_Tab);
        QVERIFY(!completer->popup()->isVisible());
        QCOMPARE(View().GetText(), QStringLiteral("2*Abs()"));
        QCOMPARE(View().CaretPosition(), 6);
        // With the list closed, Enter evaluates.
        QTest::keyClicks(Editor(), QStringLiteral("-4"));
        QTest::keyClick(Editor(), Qt::Key_Return);
        QCOMPARE(FEnv->Manager->History().Count(), 1);
        QCOMPARE(View().GetText(), QStringLiteral("8"));
    }

    void theListOffersADefinitionAddedSinceItLastOpened()
    {
        QTest::keyClicks(Editor(), QStringLiteral("zq"));
        QCompleter* completer = View().Completer();
        QVERIFY(completer != nullptr);
        QVERIFY(!completer->popup()->isVisible()); // no name starts so
        QTest::keyClick(Editor(), Qt::Key_Backspace);
        QTest::keyClick(Editor(), Qt::Key_Backspace);
        ParserDefinitions().AddGroup("late").AddDefinitionText("zqLate=1");
        QTest::keyClicks(Editor(), QStringLiteral("zq"));
        QTRY_VERIFY(completer->popup()->isVisible());
        QVERIFY(completer->popup()->currentIndex().data().toString().startsWith("zqLate"));
    }

    void upDownMoveInTheOpenListAndEscCloses()
    {
        FEnv->Manager->History().Add("1+1", 0, 2);
        QTest::keyClicks(Editor(), QStringLiteral("si"));
        QCompleter* completer = View().Completer();
        QTRY_VERIFY(completer != nullptr && completer->popup()->isVisible());
        QVERIFY(completer->completionCount() >= 2);
        QTest::keyClick(completer->popup(), Qt::Key_Down);
        const QString second = completer->popup()->currentIndex().data(Qt::UserRole).toString();
        QCOMPARE(second, completer->completionModel()->index(1, 0).data(Qt::UserRole).toString());
        QTest::keyClick(completer->popup(), Qt::Key_Return);
        QCOMPARE(View().GetText(), second + QStringLiteral("()"));
        QCOMPARE(FEnv->Manager->History().Count(), 1); // Enter went to the list
        // Esc closes the list and leaves the text; Up then recalls the history again.
        QTest::keyClick(Editor(), Qt::Key_End);
        QTest::keyClicks(Editor(), QStringLiteral("+co"));
        QTRY_VERIFY(completer->popup()->isVisible());
        QTest::keyClick(completer->popup(), Qt::Key_Escape);
        QVERIFY(!completer->popup()->isVisible());
        QCOMPARE(View().GetText(), second + QStringLiteral("()+co"));
        QTest::keyClick(Editor(), Qt::Key_Up);
        QCOMPARE(View().GetText(), QStringLiteral("1+1"));
    }

    void wordOperatorsOpenNoList()
    {
        QTest::keyClicks(Editor(), QStringLiteral("5 xor 3 mod 2 shl 1"));
        QVERIFY(View().Completer() == nullptr || !View().Completer()->popup()->isVisible());
    }

    void theSignatureHintFollowsTheArgument_data() { AddEditorData(); }
    void theSignatureHintFollowsTheArgument()
    {
        UseMultiLine(Fetch<bool>("multi"));
        Editor()->setFocus();
        QTRY_VERIFY(Editor()->hasFocus());
        QLabel* hint = View().SignatureHint();
        QTest::keyClicks(Editor(), QStringLiteral("max(1"));
        if (View().Completer() != nullptr)
            View().Completer()->popup()->hide();
        QVERIFY(hint->isVisible());
        QVERIFY(hint->text().contains(QStringLiteral("<b>x1</b>")));
        QTest::keyClicks(Editor(), QStringLiteral(", 2"));
        QVERIFY(hint->text().contains(QStringLiteral("<b>x2</b>")));
        QTest::keyClicks(Editor(), QStringLiteral(", 3"));
        QVERIFY(hint->text().contains(QStringLiteral("<b>x2</b>"))); // the list goes on
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(Editor(), Qt::Key_Left);
        QVERIFY(hint->text().contains(QStringLiteral("<b>x1</b>")));
        QTest::keyClick(Editor(), Qt::Key_End);
        QTest::keyClicks(Editor(), QStringLiteral(")"));
        QVERIFY(!hint->isVisible());
        // A user function shows its own argument names.
        QTest::keyClick(Editor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Editor(), QStringLiteral("hyp(3; 4"));
        QCOMPARE(hint->text(), QStringLiteral("hyp(<b>a</b>, b)")); // ";" separates nothing here
        QTest::keyClick(Editor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Editor(), QStringLiteral("hyp(3, 4"));
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("hyp(a, <b>b</b>)"));
    }

    void theViewMenuSwitchesAreSavedWithTheOptions()
    {
        QTest::keyClicks(Editor(), QStringLiteral("sine(1)"));
        QVERIFY(!Formats().isEmpty());
        struct TSwitch {
            QAction* Action;
            const char* Key;
        };
        for (const TSwitch& item : {TSwitch{FWindow->actnViewHighlighting, "Highlighting=0"},
                                    TSwitch{FWindow->actnViewErrorMarks, "ErrorMarks=0"},
                                    TSwitch{FWindow->actnViewSuggestions, "Suggestions=0"},
                                    TSwitch{FWindow->actnViewCompletion, "Completion=0"},
                                    TSwitch{FWindow->actnViewSignatureHints, "SignatureHints=0"}}) {
            ShowMenusOf(item.Action);
            QVERIFY(item.Action->isChecked());
            item.Action->trigger();
            QVERIFY(FEnv->Manager->SaveOptionsToText().find(item.Key) != std::string::npos);
        }
        QVERIFY(Formats().isEmpty());
        QCOMPARE(Editor()->toolTip(), QString());
        // A window that starts from the saved options starts plain.
        const std::string saved = FEnv->Manager->SaveOptionsToText();
        FWindow.reset();
        FEnv = std::make_unique<TUiEnvironment>(QByteArray::fromStdString(saved));
        FWindow = ShowWindow(*FEnv->Manager);
        QVERIFY(FWindow != nullptr);
        Editor()->setFocus();
        QTest::keyClicks(Editor(), QStringLiteral("sine(1)+max(ab"));
        QVERIFY(Formats().isEmpty());
        QCOMPARE(Editor()->toolTip(), QString());
        QVERIFY(View().Completer() == nullptr || !View().Completer()->popup()->isVisible());
        QVERIFY(!View().SignatureHint()->isVisible());
        ShowMenusOf(FWindow->actnViewSuggestions);
        QVERIFY(!FWindow->actnViewSuggestions->isChecked());
    }

    void formatsLeaveTheTextAndTheSelectionAlone()
    {
        auto* line = qobject_cast<QLineEdit*>(Editor());
        QVERIFY(line != nullptr);
        QTest::keyClicks(line, QStringLiteral("12+(3)"));
        line->setSelection(1, 3);
        View().SetHighlighting(false);
        View().SetHighlighting(true);
        QCOMPARE(line->selectedText(), QStringLiteral("2+("));
        // Formats are no edits: undo and redo still step over the typing alone.
        line->undo();
        QCOMPARE(line->text(), QString());
        line->redo();
        QCOMPARE(line->text(), QStringLiteral("12+(3)"));
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestExpressionHighlight)
#include "ExpressionHighlight_test.moc"
