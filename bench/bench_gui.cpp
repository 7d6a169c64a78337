// The desktop front end's speed: from a keystroke to the repainted results, and from the start
// of the program to its first painted window.
#include "BenchFail.h"
#include "ViewBench.h"
#include "core/CalcCore.h"
#include "core/Paths.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"
#include "ui/CoreText.h"
#include "ui/ExpressionView.h"
#include "ui/Main.h"
#include "ui/ResultsView.h"
#include "widgets/RightAlignEdit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

namespace {

using namespace calc;

using bench::TPaintCounter;

void SendKey(QWidget* target, Qt::Key key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

/// A user definitions file of the given number of constants u0, u1, ... in the registry.
void AddUserConstants(int count)
{
    TDefinitionsGroup& group = ParserDefinitions().AddGroup("Bench");
    for (int i = 0; i < count; ++i)
        group.AddDefinitionText("u" + std::to_string(i) + " = " + std::to_string(i));
}

/// An expression of about the given length that mixes names, calls, brackets and numbers.
QString MixedExpression(int length)
{
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += QStringLiteral("u%1*sin(%2)+max(1, 0x1F, (2+3))-").arg(i % 10000).arg(i);
    return text.left(length - 1) + QLatin1Char('1');
}

/// A manager whose settings live in the folder, starting from the given "Options.ini".
std::unique_ptr<TCalcManager> NewManager(const QTemporaryDir& folder, const QByteArray& options)
{
    SetSettingsDirOverride(ToCore(folder.path()) + "/");
    if (!options.isEmpty()) {
        QFile file(folder.filePath(QStringLiteral("Options.ini")));
        if (file.open(QIODevice::WriteOnly))
            file.write(options);
    }
    TCalcManagerSetup setup;
    setup.LoadDefinitions = false;
    setup.OptionsFileName = ToCore(folder.filePath(QStringLiteral("Options.ini")));
    setup.HistoryFileName = ToCore(folder.filePath(QStringLiteral("History.txt")));
    setup.DefaultFont = FontDataFromQFont(QApplication::font());
    return std::make_unique<TCalcManager>(std::move(setup));
}

/// Types a digit and takes it back in turns, each time until the last result box repainted.
void KeystrokeToRepaintedResults(benchmark::State& state, const QByteArray& options,
                                 const QString& expression, int definitions = 0)
{
    ParserDefinitions().ClearGroups();
    AddUserConstants(definitions);
    QTemporaryDir folder;
    auto manager = NewManager(folder, options);
    {
        TfrmCalculator window(*manager);
        window.show();
        QCoreApplication::processEvents();
        QWidget* editor = window.ExpressionView()->GetFocusControl();
        const QList<TResultBox*> boxes = window.ResultsView()->Boxes();
        if (boxes.isEmpty()) {
            bench::Fail(state, "no result box");
            return;
        }
        for (const QChar c : expression)
            SendKey(editor, Qt::Key_unknown, QString(c));
        QCoreApplication::processEvents();
        TPaintCounter painted;
        boxes.last()->Field()->installEventFilter(&painted);
        bool typeDigit = true;
        for (auto _ : state) {
            const int before = painted.Count;
            if (typeDigit)
                SendKey(editor, Qt::Key_7, QStringLiteral("7"));
            else
                SendKey(editor, Qt::Key_Backspace, QString());
            typeDigit = !typeDigit;
            while (painted.Count == before)
                QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        boxes.last()->Field()->removeEventFilter(&painted);
        state.counters["boxes"] = static_cast<double>(boxes.size());
    }
    manager.reset();
    SetSettingsDirOverride({});
    ParserDefinitions().ClearGroups();
}

void BM_KeystrokeToRepaintedResults(benchmark::State& state)
{
    KeystrokeToRepaintedResults(state, {}, QStringLiteral("sin(30)*2+sqrt(16)/3-1234.5*12"));
}

void BM_KeystrokeToRepaintedResultsAllFormats(benchmark::State& state)
{
    QByteArray options = "[Results]\r\n";
    for (int i = 0; i < 11; ++i)
        options += QByteArray::number(i) + "=6,1,1," + QByteArray::number(i) + "\r\n";
    KeystrokeToRepaintedResults(state, options, QStringLiteral("sin(30)*2+sqrt(16)/3-1234.5*12"));
}

/// A long line, coloured and marked, with a large definitions folder loaded.
void BM_KeystrokeLongExpressionManyDefinitions(benchmark::State& state)
{
    // The last character stays a digit whether the 7 is there or not: the text evaluates.
    KeystrokeToRepaintedResults(state, {}, MixedExpression(1000), 10000);
}

/// The same with every help of the line switched off: the plain editor's share.
void BM_KeystrokeLongExpressionManyDefinitionsPlain(benchmark::State& state)
{
    KeystrokeToRepaintedResults(state,
                                "[Editor]\r\nHighlighting=0\r\nErrorMarks=0\r\nSuggestions=0\r\n"
                                "Completion=0\r\nSignatureHints=0\r\n",
                                MixedExpression(1000), 10000);
}

/// A keystroke that filters the open completion list of 10,000 user names and more.
void BM_CompletionListFilter(benchmark::State& state)
{
    ParserDefinitions().ClearGroups();
    AddUserConstants(10000);
    QTemporaryDir folder;
    auto manager = NewManager(folder, {});
    {
        TfrmCalculator window(*manager);
        window.show();
        QCoreApplication::processEvents();
        TfrmExpressionView& view = *window.ExpressionView();
        QWidget* editor = view.GetFocusControl();
        SendKey(editor, Qt::Key_U, QStringLiteral("u"));
        SendKey(editor, Qt::Key_1, QStringLiteral("1"));
        QCoreApplication::processEvents();
        if (view.Completer() == nullptr || !view.Completer()->popup()->isVisible()) {
            bench::Fail(state, "the completion list did not open");
            return;
        }
        bool typeDigit = true;
        for (auto _ : state) {
            if (typeDigit)
                SendKey(editor, Qt::Key_2, QStringLiteral("2"));
            else
                SendKey(editor, Qt::Key_Backspace, QString());
            typeDigit = !typeDigit;
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        state.counters["matches"] = view.Completer()->completionCount();
    }
    manager.reset();
    SetSettingsDirOverride({});
    ParserDefinitions().ClearGroups();
}

/// The real program with an empty settings folder, until its first window has been painted.
void BM_StartupToFirstWindow(benchmark::State& state)
{
    for (auto _ : state) {
        QTemporaryDir config;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ZEMBRICAL_QUIT_AFTER_SHOW"), QStringLiteral("1"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        process.setProcessEnvironment(env);
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(ZEMBRICAL_APP_PATH), QStringList());
        if (!process.waitForFinished(10000) || process.exitCode() != 0) {
            bench::Fail(state, "the program did not start and quit");
            return;
        }
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}

BENCHMARK(BM_KeystrokeToRepaintedResults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeToRepaintedResultsAllFormats)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeLongExpressionManyDefinitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeLongExpressionManyDefinitionsPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompletionListFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupToFirstWindow)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char* argv[])
{
    return calc::bench::RunViewBenchmarks(argc, argv);
}
