#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>

class QActionGroup;
class QMenuBar;
class QTimer;

namespace calc {

class TAdvToolBar;
class TCalcManager;
class TFrameActn;
class TToolsArea;
class TStatusBar;
class TfrmExpressionView;
class TfrmResultsView;

/// The address the "Visit Zembrix's Website" command opens, set when building; empty hides
/// the command.
inline constexpr const char* kWebSiteAddress = ZEMBRICAL_WEBSITE;

/// The program's main window: hosts the views, owns every command and talks to the calculator
/// manager on the user's behalf.
class TfrmCalculator : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmCalculator(TCalcManager& manager, QWidget* parent = nullptr);
    /// Stops listening to the manager and saves the layout unless closing already did.
    ~TfrmCalculator() override;

    // Every command, shared by menus, toolbar and pop-up menus.
    QAction* actnEvaluate = nullptr;
    QAction* actnEvaluateRefresh = nullptr;
    QAction* actnAutoEvaluate = nullptr;
    QAction* actnResultFormats = nullptr;
    QAction* actnOptions = nullptr;
    QAction* actnCopyResult = nullptr;
    QAction* actnCopyExpression = nullptr;
    /// The toolbar's "Copy" button: runs the first enabled copy command.
    QAction* actnCopy = nullptr;
    /// The toolbar's "View" drop-down.
    QAction* actnView = nullptr;
    QAction* actnSwitchAngleMode = nullptr;
    QAction* actnAngleModeDeg = nullptr;
    QAction* actnAngleModeRad = nullptr;
    QAction* actnAngleModeGrad = nullptr;
    QAction* actnViewMenuBar = nullptr;
    QAction* actnViewToolBar = nullptr;
    QAction* actnStayOnTop = nullptr;
    QAction* actnViewHighlighting = nullptr;
    QAction* actnViewErrorMarks = nullptr;
    QAction* actnViewSuggestions = nullptr;
    QAction* actnViewCompletion = nullptr;
    QAction* actnViewSignatureHints = nullptr;
    QAction* actnHelpContents = nullptr;
    QAction* actnHelpWebSite = nullptr;
    QAction* actnHelpAbout = nullptr;
    QAction* actnFileExit = nullptr;
    QAction* actnEditSelectAll = nullptr;
    /// The tool commands, in the order of their tabs.
    TFrameActn* actnHistory = nullptr;
    TFrameActn* actnDefinitions = nullptr;

    [[nodiscard]] TfrmExpressionView* ExpressionView() const noexcept { return FExpressionView; }
    [[nodiscard]] TfrmResultsView* ResultsView() const noexcept { return FResultsView; }
    [[nodiscard]] TStatusBar* StatusBar() const noexcept { return FStatusBar; }
    [[nodiscard]] QWidget* MainPanel() const noexcept { return FMainPanel; }
    [[nodiscard]] TToolsArea* ToolsArea() const noexcept { return FToolsArea; }
    /// The tool commands; a command's tag is its index here.
    [[nodiscard]] QList<TFrameActn*> FrameActions() const;
    /// None while the toolbar is hidden.
    [[nodiscard]] TAdvToolBar* ToolBar() const noexcept { return FToolBar; }
    /// The menu bar; none until it is first shown.
    [[nodiscard]] QMenuBar* MainMenu() const noexcept { return FMainMenu; }

    /// The user's setting: menu bar shown permanently.
    [[nodiscard]] bool MenuBarSetting() const noexcept { return FMenuBar; }
    void SetMenuBar(bool value);
    /// Whether a menu bar is shown at this moment (also for a moment while the setting is off).
    [[nodiscard]] bool MenuBarShown() const;
    void SetToolbarVisible(bool value);
    [[nodiscard]] bool StayOnTop() const;
    void SetStayOnTop(bool value);
    [[nodiscard]] int ToolsHeight() const;
    /// The open tool's index in FrameActions(), or -1.
    [[nodiscard]] int ToolIndex() const;
    /// Focuses the next (or previous) view in the window's order that has something to focus.
    void FocusNextView(bool forward);

    /// "Layout.ini" in the settings folder.
    [[nodiscard]] static std::string LayoutFileName();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    /// Saves the layout, the options and the history while failures can still be shown.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    /// No toolbar menu: the toolbar is switched by its own command.
    QMenu* createPopupMenu() override;

private:
    void CreateActions();
    void CreateEvaluateActions();
    void CreateCopyActions();
    void CreateAngleModeActions();
    void CreateViewActions();
    void CreateHelpActions();
    void BuildMainMenu();
    /// giveFocusBack: hiding returns the focus to the control that had it even when the user
    /// has moved it since.
    void ShowMenuBar(bool value, bool giveFocusBack = false);
    /// Opens the menu bar's menu of the given index, showing the bar for a moment if needed.
    void OpenMenu(int index);
    /// The index of the menu bar's menu whose mnemonic the key is, or -1.
    [[nodiscard]] int MenuOfMnemonic(int key);
    [[nodiscard]] int MenuBarHeight() const;
    void BuildToolBar();
    void UpdateToolBarStyle();
    void CreateViews();
    void FitClientHeight();

    void ScheduleUpdateActions();
    void UpdateActions();
    void UpdateAngleMode();
    void ShowStatus(int code, int pos, const std::string& message);
    void SettingsChanged();
    /// The views in the window's tab order: expression, results and the open tool's.
    [[nodiscard]] QList<QWidget*> Views() const;
    /// Whether this delivery of a key event is its first: keys the focused control leaves
    /// pass on to its parents and come by the window again.
    [[nodiscard]] bool FirstDelivery(const QObject* watched) const;
    void LoadLayout();
    void SaveLayout();
    void WriteLayout();
    /// Runs one save; a failure is shown with Retry and Cancel, or written to standard error
    /// once the session ends, when nobody may be there to answer.
    void SaveReporting(const std::string& fileName, const std::function<void()>& save);
    void PreviewKey(const QKeyEvent& event, bool first);
    /// Ctrl+Tab and Ctrl+Shift+Tab move between the views; true when the key was used up.
    bool PreviewViewKey(const QKeyEvent& event);
    /// Keys that reach the menus although the menu bar is hidden or has no focus; true when
    /// the key was used up.
    bool PreviewMenuKey(const QKeyEvent& event);
    void PreviewMouseRelease(QWidget* target);

    void CopyResult();
    void CopyExpression();
    void RunFirstCopy();
    void SwitchAngleMode();
    void SelectAll();
    void ShowHelp();
    void VisitWebSite();
    void ShowAbout();

    TCalcManager& FManager;
    bool FStatusIsError = false;
    int FStatusPos = 0;
    QString FStatusText;
    QMenuBar* FMainMenu = nullptr;
    bool FMenuBar = false;
    bool FAltAlone = false;
    /// Alt alone showed the menu bar for a moment: the arrow keys and the menus' letters open
    /// a menu until another key is pressed.
    bool FMenuKeys = false;
    /// The control that had the focus when the menu bar was shown for a moment.
    QPointer<QWidget> FFocusBeforeMenu;
    TAdvToolBar* FToolBar = nullptr;
    QAction* FCopyResultItem = nullptr;
    QAction* FCopyExpressionItem = nullptr;
    QWidget* FMainPanel = nullptr;
    TToolsArea* FToolsArea = nullptr;
    TfrmExpressionView* FExpressionView = nullptr;
    TfrmResultsView* FResultsView = nullptr;
    TStatusBar* FStatusBar = nullptr;
    QActionGroup* FAngleModes = nullptr;
    QTimer* FUpdateTimer = nullptr;
    bool FShownOnce = false;
    /// The application was asked to quit (a signal, the session manager), not the window.
    bool FSessionEnding = false;
    bool FLayoutSaved = false;
    /// The stored tools height and tool until the tools area exists.
    int FToolsHeight = 203;
    int FToolIndex = -1;
};

} // namespace calc
