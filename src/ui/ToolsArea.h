#pragma once

#include <QAction>
#include <QPointer>
#include <QWidget>
#include <functional>

class QSplitter;
class QTabBar;
class QVBoxLayout;

namespace calc {

/// A command that stands for one tool view: checkable, Ctrl plus its key, checked exactly while
/// its view is open. Without a way to make its view it stays disabled.
class TFrameActn : public QAction {
    Q_OBJECT
public:
    /// Makes the tool's view inside the given parent; the view implements IFrameFocus.
    using TFrameFactory = std::function<QWidget*(QWidget* parent)>;

    /// key: the letter of the Ctrl shortcut, or 0 for none.
    TFrameActn(const QString& caption, int key, TFrameFactory factory, QObject* owner);

    [[nodiscard]] bool HasView() const { return static_cast<bool>(FFrameFactory); }
    [[nodiscard]] QWidget* CreateView(QWidget* parent) const { return FFrameFactory(parent); }
    void SetFrameFactory(TFrameFactory factory);
    /// The index in the window's list of tool commands.
    [[nodiscard]] int Tag() const noexcept { return FTag; }
    void SetTag(int tag) noexcept { FTag = tag; }

private:
    TFrameFactory FFrameFactory;
    int FTag = -1;
};

/// The window's client area: the main panel at the top and, while a tool is open, a splitter
/// and the tools panel with the open tool's view and a row of tabs below it. Opening and
/// closing the tools changes the window's height by the tools area's, so that the main panel
/// keeps its size.
class TToolsArea : public QWidget {
    Q_OBJECT
public:
    /// The smallest height of the tools panel.
    static constexpr int kMinToolsPanel = 64;

    TToolsArea(QWidget* mainPanel, QWidget* parent = nullptr);

    /// The tool commands in their order; a command's tag becomes its index.
    void SetFrameActions(const QList<TFrameActn*>& actions);
    [[nodiscard]] const QList<TFrameActn*>& FrameActions() const noexcept { return FFrameActions; }

    /// Closes the tools when the command's view is open, otherwise opens it.
    void ToggleTool(TFrameActn* action);
    /// Opens the command's view in place of the open one; none closes the tools area.
    void ShowTool(TFrameActn* action);
    void SetToolsVisible(bool open);
    [[nodiscard]] bool ToolsVisible() const noexcept { return FToolsPanel != nullptr; }
    /// The tool whose view is open; kept when the tools area is closed at shut-down.
    [[nodiscard]] TFrameActn* CurrentTool() const noexcept { return FCurrentTool; }
    [[nodiscard]] int CurrentToolIndex() const;

    /// Height of the tools area (splitter and tools panel) in pixels.
    [[nodiscard]] int ToolsHeight() const noexcept { return FToolsHeight; }
    /// A stored height, limited to what the screen can hold.
    void SetToolsHeight(int height);
    [[nodiscard]] int MinToolsHeight() const;

    /// Moves the border between main panel and tools panel by delta pixels (down is positive),
    /// within the panels' minimum heights. Nothing happens while the tools area is closed.
    void MoveSplitter(int delta);
    /// The main panel wants delta pixels more (its results grew): it gets them, and unless the
    /// window is maximised the window grows with it.
    void MainPanelGrown(int delta);
    /// How much taller than the window's own content its normal (not maximised) height is: the
    /// tools area, when it was opened before the window was maximised and is closed now.
    [[nodiscard]] int NormalHeightExtra() const noexcept { return FNormalExtra; }

    [[nodiscard]] QWidget* MainPanel() const noexcept { return FMainPanel; }
    /// The open tool's view, or none.
    [[nodiscard]] QWidget* ToolView() const noexcept { return FToolView; }
    [[nodiscard]] QSplitter* Splitter() const noexcept { return FSplitter; }
    /// None while the tools area is closed.
    [[nodiscard]] QWidget* ToolsPanel() const noexcept { return FToolsPanel; }
    [[nodiscard]] QTabBar* TabRow() const noexcept { return FTabSet; }

signals:
    /// The open tool changed; the commands' checks and the focus are already updated.
    void ToolChanged();
    /// The tools area closed on request, and the expression line is to take the focus.
    void ToolsClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateToolsPanel();
    void DestroyToolsPanel();
    void UpdateTabs();
    void FitPanels();
    void ResizeWindowBy(int delta);
    [[nodiscard]] int HandleHeight() const;
    [[nodiscard]] int MainPanelMinimum() const;

    QWidget* FMainPanel;
    QVBoxLayout* FLayout;
    QSplitter* FSplitter;
    QWidget* FToolsPanel = nullptr;
    QVBoxLayout* FToolsLayout = nullptr;
    QTabBar* FTabSet = nullptr;
    QPointer<QWidget> FToolView;
    QList<TFrameActn*> FFrameActions;
    TFrameActn* FCurrentTool = nullptr;
    int FToolsHeight = 203;
    /// The main panel's height while the tools are open; the tools panel takes the rest.
    int FMainHeight = 0;
    int FNormalExtra = 0;
    bool FFitting = false;
};

} // namespace calc
