#include "ui/Main.h"

#include "core/CalcCore.h"
#include "core/Paths.h"
#include "ui/CoreText.h"
#include "ui/EvaluationPoll.h"
#include "ui/ExpressionView.h"
#include "ui/Layout.h"
#include "ui/ResultsView.h"
#include "ui/ToolsArea.h"
#include "widgets/AdvToolBar.h"
#include "widgets/LayoutTools.h"
#include "widgets/MessageBoxes.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace calc {

namespace {

/// The client area the window is designed for.
constexpr int kDesignWidth = 484;
constexpr int kDesignHeight = 231;
constexpr int kMinimumWidth = 240;
/// How far Alt+Up and Alt+Down move the border of the tools area.
constexpr int kSplitterStep = 8;

} // namespace

TfrmCalculator::TfrmCalculator(TCalcManager& manager, QWidget* parent)
    : QMainWindow(parent), FManager(manager)
{
    setObjectName(QLatin1String(kMainWindowName));
    setWindowTitle(tr("Zembrical Calculator"));
    FUpdateTimer = new QTimer(this);
    FUpdateTimer->setSingleShot(true);
    FUpdateTimer->setInterval(0);
    connect(FUpdateTimer, &QTimer::timeout, this, &TfrmCalculator::UpdateActions);
    FStatusBar = new TStatusBar(this);
    setStatusBar(FStatusBar);
    connect(FStatusBar, &TStatusBar::ErrorDoubleClicked, this,
            [this](int pos) { FManager.GotoError(pos); });
    resize(kDesignWidth, kDesignHeight);

    CreateActions();
    FManager.SetOnAngleModeChange([this](TCalcManager&) { UpdateAngleMode(); });
    FManager.OnStatus = [this](TCalcManager&, int code, int pos, const std::string& message) {
        ShowStatus(code, pos, message);
    };
    FManager.SetOnShowError([this](TCalcManager&, const std::string& message) {
        ShowErrorBox(isVisible() ? this : nullptr, FromCore(message));
    });
    LoadLayout();
    CreateViews();
    FManager.NotifyWindow = [this](int message) {
        if (message == WM_SETTINGSCHANGED)
            SettingsChanged();
    };
    // The window sees every key before the focused control does.
    qApp->installEventFilter(this);
    // Until the evaluation reports its outcome, the bar says why the window ignores typing.
    new TEvaluationPoll(
        FManager,
        [this] {
            const QString busy = tr("Calculating... Press Esc to stop");
            if (FStatusBar->currentMessage() != busy)
                FStatusBar->showMessage(busy);
        },
        this);
    UpdateActions();
}

TfrmCalculator::~TfrmCalculator()
{
    qApp->removeEventFilter(this);
    FManager.NotifyWindow = nullptr;
    FManager.OnStatus = nullptr;
    FManager.SetOnAngleModeChange(nullptr);
    FManager.SetOnShowError(nullptr);
    SaveLayout();
    // The views leave the manager while their window still exists.
    delete FToolsArea;
    FToolsArea = nullptr;
    FMainPanel = nullptr;
    FExpressionView = nullptr;
    FResultsView = nullptr;
}

void TfrmCalculator::CreateViews()
{
    FMainPanel = new QWidget(this);
    FMainPanel->setObjectName(QStringLiteral("MainPanel"));
    FMainPanel->setMinimumWidth(kMinimumWidth);
    auto* layout = new QVBoxLayout(FMainPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FExpressionView = new TfrmExpressionView(FManager, FMainPanel);
    FResultsView = new TfrmResultsView(FManager, actnCopyResult, actnResultFormats, FMainPanel);
    layout->addWidget(FExpressionView, 1);
    layout->addWidget(FResultsView, 0);
    FToolsArea = new TToolsArea(FMainPanel, this);
    FToolsArea->SetFrameActions(FrameActions());
    FToolsArea->SetToolsHeight(FToolsHeight);
    setCentralWidget(FToolsArea);
    connect(FExpressionView, &TfrmExpressionView::TextChanged, this,
            &TfrmCalculator::ScheduleUpdateActions);
    connect(FResultsView, &TfrmResultsView::DefaultChanged, this,
            &TfrmCalculator::ScheduleUpdateActions);
    connect(FResultsView, &TfrmResultsView::HeightChanged, FToolsArea, &TToolsArea::MainPanelGrown);
    connect(FToolsArea, &TToolsArea::ToolChanged, this, [this] {
        FToolIndex = -1;
        ScheduleUpdateActions();
    });
    connect(FToolsArea, &TToolsArea::ToolsClosed, this, [this] { FocusView(*FExpressionView); });
    FitClientHeight();
    // Icons beside their captions make the toolbar wider than the design width: a window still
    // at that width (no saved placement) widens so that a first start shows every button.
    if (FToolBar != nullptr && width() == kDesignWidth && !IsMaximized(*this))
        resize(std::max(width(), FToolBar->sizeHint().width()), height());
    if (TFrameActn* tool = FrameActions().value(FToolIndex))
        FToolsArea->ShowTool(tool);
    else
        FToolIndex = -1;
}

QList<TFrameActn*> TfrmCalculator::FrameActions() const
{
    return {actnHistory, actnDefinitions};
}

int TfrmCalculator::ToolsHeight() const
{
    return FToolsArea != nullptr ? FToolsArea->ToolsHeight() : FToolsHeight;
}

int TfrmCalculator::ToolIndex() const
{
    // A stored tool this window cannot show is remembered until another tool opens.
    if (FToolsArea != nullptr && FToolsArea->CurrentTool() != nullptr)
        return FToolsArea->CurrentToolIndex();
    return FToolIndex;
}

QList<QWidget*> TfrmCalculator::Views() const
{
    QList<QWidget*> views{FExpressionView, FResultsView};
    if (FToolsArea != nullptr && FToolsArea->ToolView() != nullptr)
        views << FToolsArea->ToolView();
    return views;
}

void TfrmCalculator::FocusNextView(bool forward)
{
    const QList<QWidget*> views = Views();
    const auto count = static_cast<int>(views.size());
    QWidget* focused = QApplication::focusWidget();
    int start = forward ? -1 : count;
    for (int i = 0; i < count; ++i)
        if (focused != nullptr && (views[i] == focused || views[i]->isAncestorOf(focused)))
            start = i;
    for (int step = 1; step <= count; ++step) {
        const int i = ((start + (forward ? step : -step)) % count + count) % count;
        const auto* view = dynamic_cast<const IFrameFocus*>(views[i]);
        // A view with nothing to focus is passed over, so that the next one stays reachable.
        if (views[i]->isVisible() && view != nullptr && view->GetFocusControl() != nullptr) {
            FocusView(*view);
            return;
        }
    }
}

void TfrmCalculator::FitClientHeight()
{
    // Menu bar, toolbar, the expression line at its least, every result box and the status bar.
    const int needed = minimumSizeHint().height();
    if (height() < needed && !IsMaximized(*this))
        resize(width(), needed);
}

void TfrmCalculator::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShownOnce)
        return;
    FShownOnce = true;
    if (QWidget* editor = FExpressionView->GetFocusControl())
        editor->setFocus(Qt::ActiveWindowFocusReason);
}

QMenu* TfrmCalculator::createPopupMenu()
{
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Menu bar and toolbar

void TfrmCalculator::SetMenuBar(bool value)
{
    FMenuBar = value;
    ShowMenuBar(value);
    ScheduleUpdateActions();
}

bool TfrmCalculator::MenuBarShown() const
{
    return FMainMenu != nullptr && !FMainMenu->isHidden();
}

int TfrmCalculator::MenuBarHeight() const
{
    if (FMainMenu == nullptr)
        return 0;
    const int height = FMainMenu->heightForWidth(width());
    return height > 0 ? height : FMainMenu->sizeHint().height();
}

void TfrmCalculator::ShowMenuBar(bool value, bool giveFocusBack)
{
    if (value == MenuBarShown())
        return;
    if (FMainMenu == nullptr)
        BuildMainMenu();
    // The window changes its height by the menu bar's, so the client area keeps its size.
    const int delta = MenuBarHeight();
    const bool adjust = !IsMaximized(*this);
    if (value) {
        QWidget* focused = QApplication::focusWidget();
        FFocusBeforeMenu = focused != nullptr && focused->window() == this ? focused : nullptr;
        if (adjust)
            resize(width(), height() + delta);
        FMainMenu->show();
    }
    else {
        FMenuKeys = false;
        // A menu bar hidden while it has the focus passes it on along the tab chain, into
        // whatever control comes next; a result box would take it as the new default.
        QWidget* focused = QApplication::focusWidget();
        const bool lost = focused == nullptr || focused->window() != this || focused == FMainMenu ||
                          FMainMenu->isAncestorOf(focused);
        if (FFocusBeforeMenu != nullptr && FFocusBeforeMenu->isVisible() && (giveFocusBack || lost))
            FFocusBeforeMenu->setFocus(Qt::OtherFocusReason);
        FFocusBeforeMenu = nullptr;
        FMainMenu->hide();
        if (adjust) {
            ActivateLayouts(this);
            resize(width(), height() - delta);
        }
    }
    UpdateToolBarStyle();
}

void TfrmCalculator::OpenMenu(int index)
{
    if (FMainMenu == nullptr)
        BuildMainMenu();
    const QList<QAction*> menus = FMainMenu->actions();
    if (index < 0 || index >= menus.size())
        return;
    ShowMenuBar(true);
    FMenuKeys = false;
    // The menu drops down below its title, which needs the bar in its place first.
    ActivateLayouts(this);
    FMainMenu->setActiveAction(menus[index]);
}

int TfrmCalculator::MenuOfMnemonic(int key)
{
    if (FMainMenu == nullptr)
        BuildMainMenu();
    const QList<QAction*> menus = FMainMenu->actions();
    for (qsizetype i = 0; i < menus.size(); ++i) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(menus[i]->text());
        if (!mnemonic.isEmpty() && mnemonic[0].key() == key)
            return static_cast<int>(i);
    }
    return -1;
}

void TfrmCalculator::SetToolbarVisible(bool value)
{
    if (value == (FToolBar != nullptr))
        return;
    if (value)
        BuildToolBar();
    else {
        removeToolBar(FToolBar);
        FToolBar->deleteLater();
        FToolBar = nullptr;
        FCopyResultItem = nullptr;
        FCopyExpressionItem = nullptr;
    }
    ActivateLayouts(this);
    ScheduleUpdateActions();
}

void TfrmCalculator::UpdateToolBarStyle()
{
    if (FToolBar == nullptr)
        return;
    FToolBar->SetGradient(FManager.GradientTheme());
    FToolBar->SetTopEdge(MenuBarShown());
}

// ---------------------------------------------------------------------------------------------
// Status and settings

void TfrmCalculator::ShowStatus(int code, int pos, const std::string& message)
{
    FStatusIsError = code != 0;
    FStatusPos = pos;
    FStatusText = FromCore(message);
    FStatusBar->SetStatus(FStatusIsError, FStatusPos, FStatusText);
    ScheduleUpdateActions();
}

void TfrmCalculator::SettingsChanged()
{
    UpdateToolBarStyle();
    for (QWidget* widget : Views())
        if (auto* view = dynamic_cast<IFrameFocus*>(widget))
            view->SettingsChanged();
    ActivateLayouts(this);
    ScheduleUpdateActions();
}

void TfrmCalculator::ScheduleUpdateActions()
{
    if (!FUpdateTimer->isActive())
        FUpdateTimer->start();
}

// ---------------------------------------------------------------------------------------------
// Layout file

std::string TfrmCalculator::LayoutFileName()
{
    return SettingsDir() + kLayoutFileName;
}

void TfrmCalculator::LoadLayout()
{
    TLayoutSettings layout;
    try {
        layout = LoadLayoutFile(LayoutFileName(), PrimaryScreenSize(), PrimaryScreenPixelRatio());
    }
    catch (const EException&) {
        // Without a settings folder the window starts with its defaults.
    }
    SetMenuBar(layout.MenuBar);
    SetToolbarVisible(layout.ToolBar);
    // New window flags make the window forget where it was put, so they go first.
    SetStayOnTop(layout.StayOnTop);
    if (layout.Placement)
        ApplyPlacement(*this, *layout.Placement);
    FToolsHeight = layout.ToolsHeight;
    FToolIndex = layout.ToolIndex;
}

void TfrmCalculator::SaveLayout()
{
    if (FLayoutSaved)
        return;
    try {
        WriteLayout();
    }
    catch (const EException& e) {
        // The window is going away; there is nobody left to show a box to.
        std::fprintf(stderr, "Zembrical Calculator: %s\n", e.what());
    }
}

void TfrmCalculator::WriteLayout()
{
    // A menu bar shown only for a moment is not part of the stored size.
    ShowMenuBar(FMenuBar);
    TLayoutSettings layout;
    layout.MenuBar = FMenuBar;
    layout.ToolBar = FToolBar != nullptr;
    // The stored size never includes the tools area; the open tool is still remembered.
    if (FToolsArea != nullptr)
        FToolsArea->SetToolsVisible(false);
    layout.ToolsHeight = ToolsHeight();
    layout.ToolIndex = ToolIndex();
    layout.StayOnTop = StayOnTop();
    layout.Placement = PlacementOfWindow(*this);
    if (FToolsArea != nullptr && FToolsArea->NormalHeightExtra() > 0 && IsMaximized(*this))
        layout.Placement->NormalPosition.Bottom -= static_cast<int>(
            std::lround(FToolsArea->NormalHeightExtra() * PrimaryScreenPixelRatio()));
    SaveLayoutFile(LayoutFileName(), layout, PrimaryScreenSize());
}

// ---------------------------------------------------------------------------------------------
// Closing

void TfrmCalculator::closeEvent(QCloseEvent* event)
{
    // Saved here, where a failure can still be put to the user; the destructors that would
    // otherwise write these files then have nothing left to do.
    SaveReporting(LayoutFileName(), [this] { WriteLayout(); });
    FLayoutSaved = true;
    SaveReporting(FManager.OptionsFileName(), [this] { FManager.SaveChangedOptions(); });
    SaveReporting(FManager.History().FileName(), [this] { FManager.SaveHistory(); });
    FManager.SkipExitSaves();
    QMainWindow::closeEvent(event);
}

void TfrmCalculator::SaveReporting(const std::string& fileName, const std::function<void()>& save)
{
    for (;;) {
        // The event handler is the boundary: nothing may escape into the toolkit.
        try {
            save();
            return;
        }
        catch (const std::exception& e) {
            if (FSessionEnding) {
                std::fprintf(stderr, "Zembrical Calculator: %s\n", e.what());
                return;
            }
            // File names and system messages are in the desktop's encoding.
            const QString name = QFileInfo(QFile::decodeName(fileName.c_str())).fileName();
            const QString reason = QString::fromLocal8Bit(e.what());
            const QString text =
                name.isEmpty() ? reason : tr("Couldn't save %1:\r\r%2").arg(name, reason);
            // A quit that arrives while the box is open closes it: then one last try.
            if (!RetryErrorBox(this, text) && !FSessionEnding)
                return;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Events

bool TfrmCalculator::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::StatusTip:
        FStatusBar->ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    case QEvent::WindowDeactivate:
        FAltAlone = false;
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

bool TfrmCalculator::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // Signals and the session manager's logout reach the application as a quit, before the
    // windows are closed.
    if (type == QEvent::Quit && watched == qApp) {
        FSessionEnding = true;
        return false;
    }
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress &&
        type != QEvent::KeyRelease && type != QEvent::MouseButtonRelease)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr || target->window() != this)
        return false;
    if (type == QEvent::MouseButtonRelease) {
        PreviewMouseRelease(target);
        return false;
    }
    const auto& key = *static_cast<QKeyEvent*>(event);
    const bool inMenuBar =
        FMainMenu != nullptr && (target == FMainMenu || FMainMenu->isAncestorOf(target));
    if (type == QEvent::KeyPress && !inMenuBar && PreviewMenuKey(key)) {
        FAltAlone = false;
        return true;
    }
    if (type == QEvent::KeyPress && FirstDelivery(watched) && PreviewViewKey(key)) {
        FAltAlone = false;
        return true;
    }
    PreviewKey(key, FirstDelivery(watched));
    return false;
}

bool TfrmCalculator::FirstDelivery(const QObject* watched) const
{
    const QWidget* focused = QApplication::focusWidget();
    return watched == (focused != nullptr && focused->window() == this
                           ? static_cast<const QObject*>(focused)
                           : this);
}

bool TfrmCalculator::PreviewMenuKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const bool printable = !event.text().isEmpty() && event.text().at(0).isPrint();
    const Qt::KeyboardModifiers others = Qt::ControlModifier | Qt::MetaModifier;
    if ((modifiers & Qt::AltModifier) != 0 && (modifiers & others) == 0) {
        // Alt with a key that makes no text (Alt+Up, Alt+Down) is one of the window's own.
        if (!printable)
            return false;
        // A hidden menu bar has no mnemonics of its own; a letter with Alt is never text.
        OpenMenu(MenuOfMnemonic(event.key()));
        return true;
    }
    if (!FMenuKeys || !MenuBarShown() || modifiers != Qt::NoModifier) {
        FMenuKeys = false;
        return false;
    }
    // Right after Alt alone the keys go to the menus, as they would with the bar focused.
    switch (event.key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        OpenMenu(0);
        return true;
    case Qt::Key_Left:
        OpenMenu(static_cast<int>(FMainMenu->actions().size()) - 1);
        return true;
    default:
        break;
    }
    const int menu = printable ? MenuOfMnemonic(event.key()) : -1;
    if (menu >= 0) {
        OpenMenu(menu);
        return true;
    }
    FMenuKeys = false;
    return false;
}

bool TfrmCalculator::PreviewViewKey(const QKeyEvent& event)
{
    // On the press: by the release the user may have let go of Ctrl already.
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (event.key() == Qt::Key_Tab && modifiers == Qt::ControlModifier)
        FocusNextView(true);
    else if ((event.key() == Qt::Key_Backtab || event.key() == Qt::Key_Tab) &&
             modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        FocusNextView(false);
    else
        return false;
    return true;
}

void TfrmCalculator::PreviewKey(const QKeyEvent& event, bool first)
{
    // An event passed on to the parents comes by again; what is not first-only may repeat.
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (event.type() != QEvent::KeyRelease) {
        FAltAlone = event.key() == Qt::Key_Alt;
        // Alt+Up and Alt+Down resize the main panel and still reach the control.
        if (event.type() == QEvent::KeyPress && first && (modifiers & Qt::AltModifier) != 0 &&
            (event.key() == Qt::Key_Up || event.key() == Qt::Key_Down) && FToolsArea != nullptr)
            FToolsArea->MoveSplitter(event.key() == Qt::Key_Up ? -kSplitterStep : kSplitterStep);
        return;
    }
    if (event.isAutoRepeat())
        return;

    if (event.key() == Qt::Key_Alt && FAltAlone) {
        FAltAlone = false;
        if (!FMenuBar) {
            const bool show = !MenuBarShown();
            ShowMenuBar(show, true);
            FMenuKeys = show;
        }
    }
    else if (event.key() == Qt::Key_Escape && !FMenuBar && MenuBarShown())
        ShowMenuBar(false, true);
    ScheduleUpdateActions();
}

void TfrmCalculator::PreviewMouseRelease(QWidget* target)
{
    ScheduleUpdateActions();
    if (FMenuBar || !MenuBarShown() || FMainMenu->isAncestorOf(target) || target == FMainMenu)
        return;
    // Hidden once the click is done, so that the control clicked does not move under it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!FMenuBar)
                ShowMenuBar(false);
        },
        Qt::QueuedConnection);
}

} // namespace calc
