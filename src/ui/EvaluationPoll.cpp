#include "ui/EvaluationPoll.h"

#include "core/CalcCore.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <utility>

namespace calc {

TEvaluationPoll::TEvaluationPoll(TCalcManager& manager, std::function<void()> onBusy,
                                 QObject* parent)
    : QObject(parent), FManager(manager), FOnBusy(std::move(onBusy))
{
    FManager.OnEvaluationPoll = [this](TCalcManager&) { Poll(); };
}

TEvaluationPoll::~TEvaluationPoll()
{
    FManager.OnEvaluationPoll = nullptr;
}

void TEvaluationPoll::Poll()
{
    if (FOnBusy)
        FOnBusy();
    // Installed only meanwhile, and last, so it sees every event before the windows do.
    QCoreApplication::instance()->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TEvaluationPoll::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            FManager.CancelEvaluation();
        return true;
    case QEvent::Close:
        // The window stays until the evaluation has ended; the user may close it then.
        FManager.CancelEvaluation();
        event->ignore();
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace calc
