// The history view with 100,000 entries, driven offscreen as the user drives it: opening it,
// scrolling a page, opening the search field and a keystroke in it, deleting 1,000 selected
// entries, and copying every entry. Figures that change the list end when it has been painted
// again.
#include "BenchFail.h"
#include "core/CalcCore.h"
#include "core/Paths.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"
#include "ui/CoreText.h"
#include "ui/HistoryView.h"
#include "widgets/ListCtrl.h"
#include "widgets/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

using namespace calc;

constexpr int kEntries = 100000;
constexpr int kDeleted = 1000;

/// Confirms every question at once.
class TConfirmingBoxes final : public IMessageBoxes {
public:
    void ShowError(QWidget*, const QString&) override {}
    bool RetryError(QWidget*, const QString&) override { return false; }
    bool Confirm(QWidget*, const QString&) override { return true; }
    void ShowInformation(QWidget*, const QString&, const QString&) override {}
};

/// Counts the paint events of a widget.
class TPaintCounter final : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        Count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

/// A manager in a folder of its own with a history of kEntries entries in three formats.
class TBenchCalculator {
public:
    TBenchCalculator()
    {
        SetSettingsDirOverride(ToCore(FFolder.path()) + "/");
        SetMessageBoxes(&FBoxes);
        TCalcManagerSetup setup;
        setup.LoadDefinitions = false;
        setup.OptionsFileName = ToCore(FFolder.filePath(QStringLiteral("Options.ini")));
        setup.HistoryFileName = ToCore(FFolder.filePath(QStringLiteral("History.txt")));
        setup.DefaultFont = FontDataFromQFont(QApplication::font());
        Manager = std::make_unique<TCalcManager>(std::move(setup));
        Fill();
    }
    ~TBenchCalculator()
    {
        Manager.reset();
        SetMessageBoxes(nullptr);
        SetSettingsDirOverride({});
    }
    TBenchCalculator(const TBenchCalculator&) = delete;
    TBenchCalculator& operator=(const TBenchCalculator&) = delete;

    void Fill()
    {
        THistoryManager& history = Manager->History();
        std::mt19937 random(1);
        constexpr int kFormats[] = {0, 5, 1}; // decimal, hex, exponent
        for (int i = 0; i < kEntries; ++i) {
            const auto a = static_cast<int>(random() % 1000);
            const auto b = static_cast<int>(random() % 97) + 1;
            std::string expression =
                "sin(" + std::to_string(i) + ")*" + std::to_string(a) + "/" + std::to_string(b);
            history.Add(std::move(expression), kFormats[i % 3],
                        static_cast<Extended>(a) / static_cast<Extended>(b) + i);
        }
    }

    std::unique_ptr<TCalcManager> Manager;

private:
    QTemporaryDir FFolder;
    TConfirmingBoxes FBoxes;
};

/// A shown history view with a watch on its list's painting.
class TShownView {
public:
    explicit TShownView(TCalcManager& manager) : View(manager)
    {
        View.resize(600, 400);
        View.List()->viewport()->installEventFilter(&Painted);
        View.show();
        WaitForPaint(0);
    }
    ~TShownView() { View.List()->viewport()->removeEventFilter(&Painted); }
    TShownView(const TShownView&) = delete;
    TShownView& operator=(const TShownView&) = delete;

    /// Runs events until the list was painted after the given count.
    void WaitForPaint(int before)
    {
        while (Painted.Count == before)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    TPaintCounter Painted;
    TfrmHistory View;
};

void SendKey(QWidget* target, Qt::Key key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void BM_OpenHistoryView(benchmark::State& state)
{
    TBenchCalculator calculator;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto shown = std::make_unique<TShownView>(*calculator.Manager);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (shown->View.List()->Count() != kEntries)
            bench::Fail(state, "the list does not show every entry");
        shown.reset();
        QCoreApplication::processEvents();
    }
}

void BM_ScrollHistoryPage(benchmark::State& state)
{
    TBenchCalculator calculator;
    TShownView shown(*calculator.Manager);
    QScrollBar* bar = shown.View.List()->verticalScrollBar();
    for (auto _ : state) {
        const int before = shown.Painted.Count;
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        shown.WaitForPaint(before);
    }
}

/// Ctrl+F: the search field opens and reads every entry's texts ahead of the first key.
void BM_OpenSearchField(benchmark::State& state)
{
    TBenchCalculator calculator;
    TShownView shown(*calculator.Manager);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        shown.View.ShowSearch();
        QCoreApplication::processEvents();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        shown.View.CloseSearch();
        QCoreApplication::processEvents();
    }
}

/// One key in the search field: the first character searches every entry, the next ones only
/// those already found.
void SearchKeystroke(benchmark::State& state, const QString& typedBefore, const QString& key)
{
    TBenchCalculator calculator;
    TShownView shown(*calculator.Manager);
    shown.View.ShowSearch();
    QLineEdit* field = shown.View.edSearch;
    int found = -1;
    for (auto _ : state) {
        field->setText(typedBefore);
        QCoreApplication::processEvents();
        const int before = shown.Painted.Count;
        QElapsedTimer timer;
        timer.start();
        SendKey(field, Qt::Key_unknown, key);
        shown.WaitForPaint(before);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        found = shown.View.List()->Count();
    }
    if (found <= 0 || found >= kEntries)
        bench::Fail(state, "the search found nothing or everything");
    state.counters["found"] = found;
}

void BM_SearchFirstKeystroke(benchmark::State& state)
{
    SearchKeystroke(state, {}, QStringLiteral("7"));
}

void BM_SearchNextKeystroke(benchmark::State& state)
{
    SearchKeystroke(state, QStringLiteral("7"), QStringLiteral("3"));
}

/// Deletes every 100th row, 1,000 in all, through the list's delete command.
void DeleteSelected(benchmark::State& state, const QString& search)
{
    TBenchCalculator calculator;
    TShownView shown(*calculator.Manager);
    TListCtrl* list = shown.View.List();
    if (!search.isEmpty()) {
        shown.View.ShowSearch();
        shown.View.edSearch->setText(search);
    }
    for (auto _ : state) {
        const int count = list->Count();
        const int step = count / kDeleted;
        if (step < 1) {
            bench::Fail(state, "too few entries shown");
            return;
        }
        list->selectionModel()->clear();
        for (int i = 0; i < kDeleted; ++i)
            list->selectionModel()->select(list->model()->index(i * step, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->setFocus();
        QCoreApplication::processEvents();
        const int before = shown.Painted.Count;
        QElapsedTimer timer;
        timer.start();
        shown.View.actnDelete->trigger();
        shown.WaitForPaint(before);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (list->Count() != count - kDeleted)
            bench::Fail(state, "the selected entries were not deleted");
    }
}

void BM_DeleteThousandSelected(benchmark::State& state)
{
    DeleteSelected(state, {});
}

void BM_DeleteThousandSelectedWhileSearching(benchmark::State& state)
{
    DeleteSelected(state, QStringLiteral("1"));
}

void BM_CopyAllEntries(benchmark::State& state)
{
    TBenchCalculator calculator;
    TShownView shown(*calculator.Manager);
    shown.View.List()->selectAll();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        shown.View.actnCopy->trigger();
        benchmark::DoNotOptimize(QGuiApplication::clipboard()->text().size());
    }
    if (QGuiApplication::clipboard()->text().count(QLatin1Char('\n')) != kEntries - 1)
        bench::Fail(state, "not every entry was copied");
}

BENCHMARK(BM_OpenHistoryView)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollHistoryPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSearchField)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchFirstKeystroke)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchNextKeystroke)->UseManualTime()->Unit(benchmark::kMillisecond);
// Twenty rounds leave at least 80,000 entries.
BENCHMARK(BM_DeleteThousandSelected)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteThousandSelectedWhileSearching)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyAllEntries)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    calc::RegisterBuiltIns(calc::ParserDefinitions());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return calc::bench::AnyFailed() ? 1 : 0;
}
