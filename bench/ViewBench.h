#pragma once

#include "BenchFail.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"
#include "widgets/ListCtrl.h"

#include <QApplication>
#include <QEvent>
#include <benchmark/benchmark.h>

namespace calc::bench {

/// Counts the paint events of the widget it watches: a figure ends when the user would see it.
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

/// A shown tool view (one with a list) with a watch on its list's painting.
template <class TView> class TShownView {
public:
    template <class... TArgs> explicit TShownView(TArgs&&... args) : View(args...)
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
    TView View;
};

/// Runs the benchmarks of a program whose widgets need no display.
inline int RunViewBenchmarks(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RegisterBuiltIns(ParserDefinitions());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return AnyFailed() ? 1 : 0;
}

} // namespace calc::bench
