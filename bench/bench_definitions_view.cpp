// The definitions view with a program-written file of 10,000 definitions, driven offscreen as
// the user drives it: opening the view, adding, changing, deleting and moving one definition
// (each written to the file), and reading the file again after another program changed it.
// Figures that change the list end when it has been painted again.
#include "BenchFail.h"
#include "ViewBench.h"
#include "core/CalcCore.h"
#include "core/Paths.h"
#include "definitions/CalcDefsFile.h"
#include "definitions/ExprParserDefinitions.h"
#include "definitions/FileEnum.h"
#include "engine/ExprParserFunc.h"
#include "ui/CoreText.h"
#include "ui/DefinitionsView.h"
#include "ui/DefinitionsWatcher.h"
#include "widgets/ListCtrl.h"
#include "widgets/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace calc;

constexpr int kDefinitions = 10000;

/// Confirms every question; counts the errors.
class TConfirmingBoxes final : public IMessageBoxes {
public:
    int Errors = 0;
    void ShowError(QWidget*, const QString&) override { ++Errors; }
    bool RetryError(QWidget*, const QString&) override { return false; }
    bool Confirm(QWidget*, const QString&) override { return true; }
    void ShowInformation(QWidget*, const QString&, const QString&) override {}
};

/// The text of Default.udf: constants that use one another, and functions, with comments.
std::string DefinitionsText(int variant)
{
    std::string text(kDefinitionsBanner);
    for (int i = 0; i < kDefinitions; ++i) {
        const std::string n = std::to_string(i);
        if (i % 4 == 3)
            text += "f" + n + "(x, y)=x*" + n + "+y ; function " + n + "\r\n";
        else if (i > 0 && i % 4 == 1)
            text += "c" + n + "=c" + std::to_string(i - 1) + "*2+" + std::to_string(variant) +
                    " ; derived\r\n";
        else
            text += "c" + n + "=" + n + ".5\r\n";
    }
    return text;
}

/// A manager and a definitions folder of their own with Default.udf of kDefinitions lines.
class TBenchCalculator {
public:
    TBenchCalculator()
    {
        SetSettingsDirOverride(ToCore(FFolder.path()) + "/");
        SetDefinitionsDir(ToCore(FFolder.path()));
        SetMessageBoxes(&Boxes);
        FileName = FFolder.filePath(QStringLiteral("Default.udf"));
        Replace(0);
        TCalcManagerSetup setup;
        setup.OptionsFileName = ToCore(FFolder.filePath(QStringLiteral("Options.ini")));
        setup.HistoryFileName = ToCore(FFolder.filePath(QStringLiteral("History.txt")));
        setup.DefaultFont = FontDataFromQFont(QApplication::font());
        Manager = std::make_unique<TCalcManager>(std::move(setup));
        TfrmDefinitions::SetErrorListOpener([this](const QString&) { ++Boxes.Errors; });
    }
    ~TBenchCalculator()
    {
        TfrmDefinitions::SetErrorListOpener(nullptr);
        Manager.reset();
        ParserDefinitions().ClearGroups();
        SetMessageBoxes(nullptr);
        SetDefinitionsDir({});
        SetSettingsDirOverride({});
    }
    TBenchCalculator(const TBenchCalculator&) = delete;
    TBenchCalculator& operator=(const TBenchCalculator&) = delete;

    /// Another program saves the file: a new file renamed over it.
    void Replace(int variant) const
    {
        const QString next = FileName + QStringLiteral(".next");
        QFile file(next);
        if (!file.open(QIODevice::WriteOnly))
            return;
        const std::string text = DefinitionsText(variant);
        file.write(text.data(), static_cast<qint64>(text.size()));
        file.close();
        std::rename(next.toLocal8Bit().constData(), FileName.toLocal8Bit().constData());
    }

    TConfirmingBoxes Boxes;
    QString FileName;
    std::unique_ptr<TCalcManager> Manager;

private:
    QTemporaryDir FFolder;
};

using TShownView = bench::TShownView<TfrmDefinitions>;

void BM_OpenDefinitionsView(benchmark::State& state)
{
    TBenchCalculator calculator;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto shown = std::make_unique<TShownView>(*calculator.Manager, nullptr);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (shown->View.List()->Count() != kDefinitions || calculator.Boxes.Errors != 0)
            bench::Fail(state, "the view does not show every definition");
        shown.reset();
        QCoreApplication::processEvents();
    }
}

/// Runs one command on the shown view and times it until the list was painted again.
template <class Prepare, class Command>
void TimeCommand(benchmark::State& state, Prepare prepare, Command command)
{
    TBenchCalculator calculator;
    TShownView shown(*calculator.Manager, nullptr);
    int round = 0;
    for (auto _ : state) {
        prepare(shown.View, round);
        QCoreApplication::processEvents();
        const int before = shown.Painted.Count;
        QElapsedTimer timer;
        timer.start();
        command(shown.View, round);
        shown.WaitForPaint(before);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        ++round;
    }
    if (calculator.Boxes.Errors != 0)
        bench::Fail(state, "a change was refused");
}

void BM_AddDefinition(benchmark::State& state)
{
    TimeCommand(
        state,
        [](TfrmDefinitions& view, int round) {
            // What the dialog's OK does, without the dialog.
            view.RunEditDefinition = [round](TDefinitionsGroup& group, std::string& comment, int) {
                group.AddDefinition("added" + std::to_string(round), "", TDefinitionKind::dkConst,
                                    "c12*3");
                comment = "added";
                return true;
            };
        },
        [](TfrmDefinitions& view, int) { view.actnAdd->trigger(); });
}

void BM_EditDefinition(benchmark::State& state)
{
    TimeCommand(
        state,
        [](TfrmDefinitions& view, int round) {
            view.List()->SelectItem(5000);
            view.RunEditDefinition = [round](TDefinitionsGroup& group, std::string&, int index) {
                group.ChangeDefinition(index, "changed", std::to_string(round), "");
                return true;
            };
        },
        [](TfrmDefinitions& view, int) { view.actnEdit->trigger(); });
}

void BM_DeleteDefinition(benchmark::State& state)
{
    TimeCommand(
        state, [](TfrmDefinitions& view, int) { view.List()->SelectItem(5000); },
        [](TfrmDefinitions& view, int) { view.actnDelete->trigger(); });
}

void BM_MoveDefinition(benchmark::State& state)
{
    TimeCommand(
        state, [](TfrmDefinitions& view, int) { view.List()->SelectItem(5000); },
        [](TfrmDefinitions& view, int round) {
            (round % 2 == 0 ? view.actnMoveDown : view.actnMoveUp)->trigger();
        });
}

/// Another program saves the shown file; the watcher reads it again, the view follows.
void BM_LiveReload(benchmark::State& state)
{
    TBenchCalculator calculator;
    TDefinitionsWatcher watcher(*calculator.Manager);
    TShownView shown(*calculator.Manager, &watcher);
    calculator.Manager->SetExpression("c1+1");
    int variant = 0;
    for (auto _ : state) {
        calculator.Replace(++variant);
        QCoreApplication::processEvents();
        const int before = shown.Painted.Count;
        QElapsedTimer timer;
        timer.start();
        watcher.CheckNow();
        shown.WaitForPaint(before);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        Extended value = 0;
        if (!ParserDefinitions().FindConstant("c1", value) || value != 0.5L * 2 + variant)
            bench::Fail(state, "the change was not read");
    }
}

BENCHMARK(BM_OpenDefinitionsView)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddDefinition)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditDefinition)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteDefinition)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveDefinition)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveReload)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char* argv[])
{
    return calc::bench::RunViewBenchmarks(argc, argv);
}
