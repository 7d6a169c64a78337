#include "core/CalcCore.h"
#include "ui/CoreText.h"
#include "ui/DefinitionsView.h"
#include "ui/DefinitionsWatcher.h"
#include "ui/ExpressionView.h"
#include "ui/HelpWindow.h"
#include "ui/HistoryView.h"
#include "ui/Main.h"
#include "ui/MainIcons.h"
#include "ui/OptionsDlg.h"
#include "ui/ResultFormatsDlg.h"
#include "ui/ToolsArea.h"
#include "widgets/ActionTools.h"
#include "widgets/AdvToolBar.h"
#include "widgets/MessageBoxes.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>

namespace calc {

namespace {

/// Shows a settings dialog modally over the window without a nested event loop; it goes when
/// it closes.
void OpenDialog(QDialog* dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Without a window manager to do it, nothing would give the keyboard back to the window.
    if (QWidget* window = dialog->parentWidget())
        QObject::connect(dialog, &QDialog::finished, window,
                         [window] { window->activateWindow(); });
    dialog->open();
}

} // namespace

void TfrmCalculator::CreateActions()
{
    // The tool commands come first.
    actnHistory = new TFrameActn(
        tr("History"), Qt::Key_H,
        [this](QWidget* parent) { return new TfrmHistory(FManager, parent); }, this);
    auto* watcher = new TDefinitionsWatcher(FManager, this);
    actnDefinitions = new TFrameActn(
        tr("Definitions"), Qt::Key_D,
        [this, watcher](QWidget* parent) { return new TfrmDefinitions(FManager, watcher, parent); },
        this);
    for (TFrameActn* tool : FrameActions())
        connect(tool, &QAction::triggered, this, [this, tool] {
            if (FToolsArea != nullptr)
                FToolsArea->ToggleTool(tool);
        });
    CreateEvaluateActions();
    CreateCopyActions();
    CreateAngleModeActions();
    CreateViewActions();
    CreateHelpActions();
    AssignActionIcons(*this);
    // Shortcuts work whether or not a menu or the toolbar shows the command.
    for (QAction* action : findChildren<QAction*>(Qt::FindDirectChildrenOnly))
        addAction(action);
}

void TfrmCalculator::CreateEvaluateActions()
{
    actnEvaluate = NewAction(this, tr("Evaluate"));
    actnEvaluate->setShortcuts(EnterShortcuts(Qt::ControlModifier));
    connect(actnEvaluate, &QAction::triggered, this, [this] { FManager.Evaluate(false); });
    actnEvaluateRefresh = NewAction(this, tr("Refresh"));
    actnEvaluateRefresh->setShortcuts(EnterShortcuts(Qt::ControlModifier | Qt::ShiftModifier));
    connect(actnEvaluateRefresh, &QAction::triggered, this, [this] { FManager.Evaluate(true); });
    actnAutoEvaluate = NewAction(this, tr("Evaluate On Typing"));
    actnAutoEvaluate->setCheckable(true);
    connect(actnAutoEvaluate, &QAction::triggered, this, [this] {
        FManager.SetAutoEvaluate(!FManager.AutoEvaluate());
        if (FManager.AutoEvaluate())
            FManager.Evaluate(true);
        ScheduleUpdateActions();
    });
    // Enabled also while every format is hidden: with no result box left to click, this
    // command is the way back.
    actnResultFormats = NewAction(this, tr("Result Formats..."), QKeySequence(Qt::ALT | Qt::Key_R));
    connect(actnResultFormats, &QAction::triggered, this,
            [this] { OpenDialog(new TfrmResultFormats(FManager, this)); });
    actnOptions = NewAction(this, tr("Options"));
    connect(actnOptions, &QAction::triggered, this, [this] {
        auto* dialog = new TfrmOptions(FManager, this);
        // Once the options are applied, so that the expression is read with the new separators.
        connect(dialog, &QDialog::accepted, this, [this] { FManager.Evaluate(true); });
        OpenDialog(dialog);
    });
    actnFileExit = NewAction(this, tr("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X),
                             tr("Exit|Quits the application"));
    connect(actnFileExit, &QAction::triggered, this, &QWidget::close);
}

void TfrmCalculator::CreateCopyActions()
{
    actnCopyResult = NewAction(this, tr("Copy Default Result"), QKeySequence(Qt::CTRL | Qt::Key_R),
                               tr("Copy selected result"));
    connect(actnCopyResult, &QAction::triggered, this, &TfrmCalculator::CopyResult);
    actnCopyExpression = NewAction(this, tr("Copy Expression"), {}, tr("Copy expression"));
    connect(actnCopyExpression, &QAction::triggered, this, &TfrmCalculator::CopyExpression);
    actnCopy = NewAction(this, tr("Copy"));
    connect(actnCopy, &QAction::triggered, this, &TfrmCalculator::RunFirstCopy);
    actnEditSelectAll = NewAction(this, tr("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A),
                                  tr("Select All|Selects the whole text in entire edit field"));
    connect(actnEditSelectAll, &QAction::triggered, this, &TfrmCalculator::SelectAll);
}

void TfrmCalculator::CreateViewActions()
{
    actnView = NewAction(this, tr("View"));
    actnViewMenuBar = NewAction(this, tr("Menu Bar"));
    actnViewMenuBar->setCheckable(true);
    connect(actnViewMenuBar, &QAction::triggered, this, [this] { SetMenuBar(!FMenuBar); });
    actnViewToolBar = NewAction(this, tr("Toolbar"));
    actnViewToolBar->setCheckable(true);
    connect(actnViewToolBar, &QAction::triggered, this,
            [this] { SetToolbarVisible(FToolBar == nullptr); });
    actnStayOnTop = NewAction(this, tr("Stay On Top"));
    actnStayOnTop->setCheckable(true);
    connect(actnStayOnTop, &QAction::triggered, this, [this] { SetStayOnTop(!StayOnTop()); });
    // The expression line's helps, each a switch of the options.
    const auto aid = [this](const QString& caption, bool TEditorAids::*field) {
        QAction* action = NewAction(this, caption);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, field](bool checked) {
            TEditorAids aids = FManager.EditorAids();
            aids.*field = checked;
            FManager.SetEditorAids(aids);
        });
        return action;
    };
    actnViewHighlighting = aid(tr("Syntax Colours"), &TEditorAids::Highlighting);
    actnViewErrorMarks = aid(tr("Error Marks"), &TEditorAids::ErrorMarks);
    actnViewSuggestions = aid(tr("Name Suggestions"), &TEditorAids::Suggestions);
    actnViewCompletion = aid(tr("Completion List"), &TEditorAids::Completion);
    actnViewSignatureHints = aid(tr("Argument Hints"), &TEditorAids::SignatureHints);
}

void TfrmCalculator::CreateAngleModeActions()
{
    actnSwitchAngleMode = NewAction(this, FromCore(FManager.AngleModeName()));
    connect(actnSwitchAngleMode, &QAction::triggered, this, &TfrmCalculator::SwitchAngleMode);
    FAngleModes = new QActionGroup(this);
    FAngleModes->setExclusive(true);
    const auto add = [this](const QString& caption, TAngleMode mode) {
        QAction* action = NewAction(this, caption);
        action->setCheckable(true);
        action->setData(static_cast<int>(mode));
        FAngleModes->addAction(action);
        return action;
    };
    actnAngleModeDeg = add(tr("Deg"), TAngleMode::amDeg);
    actnAngleModeRad = add(tr("Rad"), TAngleMode::amRad);
    actnAngleModeGrad = add(tr("Grad"), TAngleMode::amGrad);
    connect(FAngleModes, &QActionGroup::triggered, this, [this](QAction* action) {
        FManager.SetAngleMode(static_cast<TAngleMode>(action->data().toInt()));
        UpdateAngleMode();
    });
}

void TfrmCalculator::CreateHelpActions()
{
    actnHelpContents = NewAction(this, tr("Help"), QKeySequence(Qt::Key_F1));
    connect(actnHelpContents, &QAction::triggered, this, &TfrmCalculator::ShowHelp);
    actnHelpWebSite = NewAction(this, tr("Visit Zembrix's Website"));
    connect(actnHelpWebSite, &QAction::triggered, this, &TfrmCalculator::VisitWebSite);
    actnHelpWebSite->setVisible(kWebSiteAddress[0] != '\0');
    actnHelpAbout = NewAction(this, tr("About..."));
    connect(actnHelpAbout, &QAction::triggered, this, &TfrmCalculator::ShowAbout);
}

void TfrmCalculator::BuildMainMenu()
{
    FMainMenu = new QMenuBar(this);
    FMainMenu->setNativeMenuBar(false); // a global menu would make the menu bar setting moot
    FMainMenu->hide();
    setMenuBar(FMainMenu);
    const auto addMenu = [this](const QString& title, std::initializer_list<QAction*> items) {
        QMenu* menu = FMainMenu->addMenu(title);
        for (QAction* item : items) {
            if (item == nullptr)
                menu->addSeparator();
            else
                menu->addAction(item);
        }
        connect(menu, &QMenu::aboutToShow, this, &TfrmCalculator::UpdateActions);
    };
    addMenu(tr("&Calculator"), {actnEvaluate, actnEvaluateRefresh, nullptr, actnAutoEvaluate,
                                nullptr, actnOptions, nullptr, actnFileExit});
    addMenu(tr("&Edit"), {actnCopyExpression, actnCopyResult});
    addMenu(tr("&View"), {actnViewMenuBar, actnViewToolBar, nullptr, actnResultFormats, nullptr,
                          actnHistory, actnDefinitions, nullptr, actnViewHighlighting,
                          actnViewErrorMarks, actnViewSuggestions, actnViewCompletion,
                          actnViewSignatureHints, nullptr, actnStayOnTop});
    addMenu(tr("&Angle Mode"), {actnAngleModeDeg, actnAngleModeRad, actnAngleModeGrad});
    addMenu(tr("&Help"), {actnHelpContents, actnHelpWebSite, nullptr, actnHelpAbout});
}

void TfrmCalculator::BuildToolBar()
{
    FToolBar = new TAdvToolBar(tr("Toolbar"), this);
    addToolBar(Qt::TopToolBarArea, FToolBar);
    const auto newMenu = [this] {
        auto* menu = new QMenu(FToolBar);
        connect(menu, &QMenu::aboutToShow, this, &TfrmCalculator::UpdateActions);
        return menu;
    };

    QMenu* evaluate = newMenu();
    AddProxyItem(evaluate, actnEvaluate, true);
    evaluate->addAction(actnEvaluateRefresh);
    evaluate->addSeparator();
    evaluate->addAction(actnAutoEvaluate);
    evaluate->addSeparator();
    evaluate->addAction(actnFileExit);
    FToolBar->AddSplitButton(actnEvaluate, evaluate);

    QMenu* copy = newMenu();
    FCopyResultItem = AddProxyItem(copy, actnCopyResult);
    FCopyExpressionItem = AddProxyItem(copy, actnCopyExpression);
    FToolBar->AddSplitButton(actnCopy, copy);

    QMenu* view = newMenu();
    view->addAction(actnViewMenuBar);
    view->addSeparator();
    view->addAction(actnHistory);
    view->addAction(actnDefinitions);
    view->addSeparator();
    view->addAction(actnResultFormats);
    view->addSeparator();
    view->addActions({actnViewHighlighting, actnViewErrorMarks, actnViewSuggestions,
                      actnViewCompletion, actnViewSignatureHints});
    FToolBar->AddDropDownButton(actnView, view);

    FToolBar->AddButton(actnStayOnTop);

    QMenu* angle = newMenu();
    angle->addActions(FAngleModes->actions());
    FToolBar->FitCaptions(
        FToolBar->AddSplitButton(actnSwitchAngleMode, angle),
        {actnAngleModeDeg->text(), actnAngleModeRad->text(), actnAngleModeGrad->text()});

    FToolBar->AddButton(actnOptions);
    FToolBar->AddButton(actnHelpContents);
    UpdateToolBarStyle();
}

void TfrmCalculator::UpdateActions()
{
    const bool hasExpression = !FManager.Expression().empty();
    actnAutoEvaluate->setChecked(FManager.AutoEvaluate());
    actnCopyResult->setEnabled(FManager.Results().Default() != nullptr && !FStatusIsError &&
                               hasExpression);
    actnCopyExpression->setEnabled(FExpressionView != nullptr &&
                                   !FExpressionView->GetText().isEmpty());
    actnCopy->setEnabled(actnCopyResult->isEnabled() || actnCopyExpression->isEnabled());
    if (FCopyResultItem != nullptr) {
        SetDefaultItem(FCopyResultItem, actnCopyResult->isEnabled());
        SetDefaultItem(FCopyExpressionItem,
                       !actnCopyResult->isEnabled() && actnCopyExpression->isEnabled());
    }
    actnViewMenuBar->setChecked(FMenuBar);
    actnViewToolBar->setChecked(FToolBar != nullptr);
    actnStayOnTop->setChecked(StayOnTop());
    const TEditorAids& aids = FManager.EditorAids();
    actnViewHighlighting->setChecked(aids.Highlighting);
    actnViewErrorMarks->setChecked(aids.ErrorMarks);
    actnViewSuggestions->setChecked(aids.Suggestions);
    actnViewCompletion->setChecked(aids.Completion);
    actnViewSignatureHints->setChecked(aids.SignatureHints);
    UpdateAngleMode();
}

void TfrmCalculator::UpdateAngleMode()
{
    const int mode = static_cast<int>(FManager.AngleMode());
    for (QAction* action : FAngleModes->actions())
        action->setChecked(action->data().toInt() == mode);
    actnSwitchAngleMode->setText(FromCore(FManager.AngleModeName()));
}

// ---------------------------------------------------------------------------------------------
// Commands

void TfrmCalculator::CopyResult()
{
    if (const TResultProvider* format = FManager.Results().Default())
        QGuiApplication::clipboard()->setText(FromCore(format->Text()));
}

void TfrmCalculator::CopyExpression()
{
    QGuiApplication::clipboard()->setText(FExpressionView->GetText());
}

void TfrmCalculator::RunFirstCopy()
{
    UpdateActions();
    for (QAction* action : {actnCopyResult, actnCopyExpression})
        if (action->isEnabled()) {
            action->trigger();
            return;
        }
}

void TfrmCalculator::SwitchAngleMode()
{
    switch (FManager.AngleMode()) {
    case TAngleMode::amDeg:
        FManager.SetAngleMode(TAngleMode::amRad);
        break;
    case TAngleMode::amRad:
        FManager.SetAngleMode(TAngleMode::amGrad);
        break;
    case TAngleMode::amGrad:
        FManager.SetAngleMode(TAngleMode::amDeg);
        break;
    }
}

void TfrmCalculator::SelectAll()
{
    QWidget* focused = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused))
        line->selectAll();
    else if (auto* multi = qobject_cast<QPlainTextEdit*>(focused))
        multi->selectAll();
    else if (auto* list = qobject_cast<QAbstractItemView*>(focused))
        list->selectAll();
}

bool TfrmCalculator::StayOnTop() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void TfrmCalculator::SetStayOnTop(bool value)
{
    if (value == StayOnTop())
        return;
    const bool visible = isVisible();
    const bool placed = testAttribute(Qt::WA_Moved);
    const QRect where = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, value);
    // New flags may recreate the window: it is hidden and forgets where it was put.
    if (placed && geometry() != where)
        setGeometry(where);
    if (visible && !isVisible())
        show();
    ScheduleUpdateActions();
}

void TfrmCalculator::ShowHelp()
{
    ShowHelpWindow(this);
}

void TfrmCalculator::VisitWebSite()
{
    if (kWebSiteAddress[0] != '\0')
        QDesktopServices::openUrl(QUrl(QLatin1String(kWebSiteAddress)));
}

void TfrmCalculator::ShowAbout()
{
    const QString text = tr("Zembrical Calculator %1\n\n"
                            "An expression calculator by Zembrix.\n"
                            "Copyright (c) Zembrix. All rights reserved.\n"
                            "%2")
                             .arg(QLatin1String(ZEMBRICAL_VERSION), QLatin1String(kWebSiteAddress))
                             .trimmed();
    MessageBoxes().ShowInformation(this, tr("About Zembrical Calculator"), text);
}

} // namespace calc
