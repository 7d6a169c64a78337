#include "ui/ToolsArea.h"

#include "ui/FrameFocus.h"
#include "widgets/LayoutTools.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSplitter>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

namespace calc {

TFrameActn::TFrameActn(const QString& caption, int key, TFrameFactory factory, QObject* owner)
    : QAction(caption, owner), FFrameFactory(std::move(factory))
{
    setCheckable(true);
    if (key != 0)
        setShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key(key))));
    setEnabled(HasView());
}

void TFrameActn::SetFrameFactory(TFrameFactory factory)
{
    FFrameFactory = std::move(factory);
    setEnabled(HasView());
}

namespace {

/// The tab row: a middle press on the open tool's tab closes the tools area, on another tab
/// opens that tool.
class TTabSet final : public QTabBar {
public:
    TTabSet(QWidget* parent, std::function<void(int)> onMiddlePress)
        : QTabBar(parent), FOnMiddlePress(std::move(onMiddlePress))
    {
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::MiddleButton) {
            const int index = tabAt(event->position().toPoint());
            if (index >= 0)
                FOnMiddlePress(index);
            event->accept();
            return;
        }
        QTabBar::mousePressEvent(event);
    }

private:
    std::function<void(int)> FOnMiddlePress;
};

/// A splitter that shares out a new size in proportion; the tools area then gives it all to the
/// tools panel.
class TToolsSplitter final : public QSplitter {
public:
    TToolsSplitter(QWidget* parent, std::function<void()> onResized)
        : QSplitter(Qt::Vertical, parent), FOnResized(std::move(onResized))
    {
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QSplitter::resizeEvent(event);
        FOnResized();
    }

private:
    std::function<void()> FOnResized;
};

} // namespace

TToolsArea::TToolsArea(QWidget* mainPanel, QWidget* parent)
    : QWidget(parent), FMainPanel(mainPanel), FLayout(new QVBoxLayout(this)),
      FSplitter(new TToolsSplitter(this, [this] { FitPanels(); }))
{
    setObjectName(QStringLiteral("ToolsArea"));
    FLayout->setContentsMargins(0, 0, 0, 0);
    FLayout->setSpacing(0);
    FLayout->addWidget(FSplitter);
    FSplitter->setObjectName(QStringLiteral("ToolsSplitter"));
    FSplitter->setOpaqueResize(true);
    FSplitter->setChildrenCollapsible(false);
    FSplitter->addWidget(FMainPanel);
    FSplitter->setStretchFactor(0, 1);
    connect(FSplitter, &QSplitter::splitterMoved, this, [this] {
        if (ToolsVisible() && !FFitting)
            FMainHeight = FSplitter->sizes().value(0);
    });
    if (parent != nullptr)
        parent->window()->installEventFilter(this);
}

void TToolsArea::SetFrameActions(const QList<TFrameActn*>& actions)
{
    FFrameActions = actions;
    for (qsizetype i = 0; i < FFrameActions.size(); ++i)
        FFrameActions[i]->SetTag(static_cast<int>(i));
    UpdateTabs();
}

int TToolsArea::CurrentToolIndex() const
{
    return FCurrentTool != nullptr ? FCurrentTool->Tag() : -1;
}

void TToolsArea::ToggleTool(TFrameActn* action)
{
    ShowTool(action == FCurrentTool ? nullptr : action);
}

void TToolsArea::ShowTool(TFrameActn* action)
{
    if (action == FCurrentTool) {
        // A command toggles its own check before it runs: set it back.
        for (TFrameActn* each : FFrameActions)
            each->setChecked(each == FCurrentTool && ToolsVisible());
        return;
    }
    if (action != nullptr && !action->HasView())
        return;
    QWidget* win = window();
    // One view replacing another is shown only once it is complete.
    const bool suspend = FCurrentTool != nullptr && action != nullptr && win->updatesEnabled();
    if (suspend)
        win->setUpdatesEnabled(false);
    if (FCurrentTool != nullptr) {
        FCurrentTool->setChecked(false);
        delete FToolView.data();
        FToolView = nullptr;
    }
    FCurrentTool = action;
    SetToolsVisible(action != nullptr);
    if (ToolsVisible()) {
        action->setChecked(true);
        FToolView = action->CreateView(FToolsPanel);
        FToolsLayout->insertWidget(0, FToolView, 1);
        FToolView->show();
        if (const auto* view = dynamic_cast<const IFrameFocus*>(FToolView.data()))
            FocusView(*view);
        const QSignalBlocker quiet(FTabSet);
        FTabSet->setCurrentIndex(action->Tag());
    }
    for (TFrameActn* each : FFrameActions)
        each->setChecked(each == FCurrentTool && ToolsVisible());
    if (suspend)
        win->setUpdatesEnabled(true);
    if (!ToolsVisible())
        emit ToolsClosed();
    emit ToolChanged();
}

void TToolsArea::SetToolsVisible(bool open)
{
    if (open == ToolsVisible())
        return;
    QWidget* win = window();
    const bool maximized = win != this && IsMaximized(*win);
    if (open) {
        const int mainHeight = FMainPanel->height();
        CreateToolsPanel();
        if (maximized) {
            FMainHeight = std::max(MainPanelMinimum(), mainHeight - FToolsHeight);
            FNormalExtra = 0;
            FitPanels();
        }
        else {
            FMainHeight = mainHeight;
            FNormalExtra = FToolsHeight;
            ResizeWindowBy(FToolsHeight);
            FitPanels();
        }
    }
    else {
        FToolsHeight = FToolsPanel->height() + HandleHeight();
        const int grown = FNormalExtra;
        DestroyToolsPanel();
        if (maximized)
            FNormalExtra = grown;
        else {
            FNormalExtra = 0;
            ResizeWindowBy(-FToolsHeight);
        }
    }
}

void TToolsArea::CreateToolsPanel()
{
    FToolsPanel = new QWidget(FSplitter);
    FToolsPanel->setObjectName(QStringLiteral("ToolsPanel"));
    FToolsPanel->setMinimumHeight(kMinToolsPanel);
    FToolsLayout = new QVBoxLayout(FToolsPanel);
    FToolsLayout->setContentsMargins(0, 0, 0, 0);
    FToolsLayout->setSpacing(0);
    FTabSet = new TTabSet(FToolsPanel, [this](int index) {
        TFrameActn* action = FFrameActions.value(index);
        // Deferred: closing destroys the tab row that is handling this very press.
        QMetaObject::invokeMethod(
            this, [this, action] { ShowTool(action == FCurrentTool ? nullptr : action); },
            Qt::QueuedConnection);
    });
    FTabSet->setObjectName(QStringLiteral("ToolTabs"));
    FTabSet->setShape(QTabBar::RoundedSouth);
    FTabSet->setDrawBase(true);
    FTabSet->setExpanding(false);
    FTabSet->setFont(QApplication::font("QMessageBox"));
    FToolsLayout->addWidget(FTabSet, 0);
    UpdateTabs();
    connect(FTabSet, &QTabBar::currentChanged, this, [this](int index) {
        if (TFrameActn* action = FFrameActions.value(index); action != nullptr)
            QMetaObject::invokeMethod(
                this, [this, action] { ShowTool(action); }, Qt::QueuedConnection);
    });
    FSplitter->addWidget(FToolsPanel);
    FSplitter->setStretchFactor(0, 0);
    FSplitter->setStretchFactor(1, 1);
    FToolsPanel->show();
}

void TToolsArea::DestroyToolsPanel()
{
    QWidget* panel = FToolsPanel;
    FToolsPanel = nullptr;
    FToolsLayout = nullptr;
    FTabSet = nullptr;
    FToolView = nullptr;
    // A press on the tab row that closes the tools comes here only once it is over.
    delete panel;
    FSplitter->setStretchFactor(0, 1);
    ActivateLayouts(this);
}

void TToolsArea::UpdateTabs()
{
    if (FTabSet == nullptr)
        return;
    const QSignalBlocker quiet(FTabSet);
    while (FTabSet->count() > 0)
        FTabSet->removeTab(0);
    for (const TFrameActn* action : FFrameActions) {
        const int index = FTabSet->addTab(action->text());
        FTabSet->setTabEnabled(index, action->HasView());
    }
    FTabSet->setCurrentIndex(CurrentToolIndex());
}

void TToolsArea::SetToolsHeight(int height)
{
    int limit = MinToolsHeight();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        limit = std::max(limit, screen->availableGeometry().height() / 2);
    FToolsHeight = std::clamp(height, MinToolsHeight(), limit);
}

int TToolsArea::MinToolsHeight() const
{
    return kMinToolsPanel + HandleHeight();
}

int TToolsArea::HandleHeight() const
{
    return FSplitter->handleWidth();
}

int TToolsArea::MainPanelMinimum() const
{
    return std::max(FMainPanel->minimumSizeHint().height(), FMainPanel->minimumHeight());
}

void TToolsArea::MoveSplitter(int delta)
{
    if (!ToolsVisible())
        return;
    const int room = FSplitter->height() - HandleHeight() - kMinToolsPanel;
    const int height = std::clamp(FMainHeight + delta, MainPanelMinimum(), std::max(room, 0));
    if (height == FMainHeight || (delta > 0 && height < FMainHeight) ||
        (delta < 0 && height > FMainHeight))
        return;
    FMainHeight = height;
    FitPanels();
}

void TToolsArea::MainPanelGrown(int delta)
{
    QWidget* win = window();
    const bool maximized = win != this && IsMaximized(*win);
    if (ToolsVisible())
        FMainHeight = std::max(FMainHeight + delta, 0);
    ActivateLayouts(FMainPanel);
    if (!maximized)
        ResizeWindowBy(delta);
    FitPanels();
}

void TToolsArea::ResizeWindowBy(int delta)
{
    QWidget* win = window();
    if (win == this || delta == 0)
        return;
    // The window's minimum follows the panels first, so that it neither pushes nor holds them.
    // The splitter would only learn of its panels' new minimums in the next event round.
    const int target = win->height() + delta;
    ActivateLayouts(FMainPanel);
    if (FToolsPanel != nullptr)
        ActivateLayouts(FToolsPanel);
    FSplitter->refresh();
    ActivateLayouts(this);
    win->resize(win->width(), target);
}

void TToolsArea::FitPanels()
{
    if (!ToolsVisible())
        return;
    const int total = FSplitter->height() - HandleHeight();
    const int main = std::max(std::min(FMainHeight, total - kMinToolsPanel), MainPanelMinimum());
    FFitting = true;
    FSplitter->setSizes({main, std::max(total - main, 0)});
    FFitting = false;
}

bool TToolsArea::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && watched == window() &&
        !IsMaximized(*window())) {
        // The window is back at its normal size, tools area or not: that is its size now.
        FNormalExtra = ToolsVisible() ? FNormalExtra : 0;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace calc
