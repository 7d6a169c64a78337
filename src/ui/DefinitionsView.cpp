#include "ui/DefinitionsView.h"

#include "core/CalcCore.h"
#include "core/Paths.h"
#include "definitions/ExprParserDefinitions.h"
#include "definitions/FileEnum.h"
#include "definitions/FileStore.h"
#include "ui/CoreText.h"
#include "ui/DefinitionsSelectDlg.h"
#include "ui/DefinitionsWatcher.h"
#include "ui/EditDefinitionDialog.h"
#include "ui/EditDefsFileDialog.h"
#include "widgets/ActionTools.h"
#include "widgets/AdvToolBar.h"
#include "widgets/ListCtrl.h"
#include "widgets/MessageBoxes.h"

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace calc {

namespace {

enum TDefinitionColumn { dcName = 0, dcExpression = 1, dcValue = 2 };

QString PathText(const std::string& path)
{
    return QString::fromLocal8Bit(path);
}

TfrmDefinitions::TOpenFileEvent& ErrorListOpener()
{
    static TfrmDefinitions::TOpenFileEvent opener;
    return opener;
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

TfrmDefinitions::TfrmDefinitions(TCalcManager& manager, TDefinitionsWatcher* watcher,
                                 QWidget* parent)
    : QWidget(parent), FManager(manager), FWatcher(watcher),
      FToolBar(new TAdvToolBar(tr("Definitions"), this)), FSelectorMenu(new QMenu(this)),
      FList(new TListCtrl(this))
{
    setObjectName(QStringLiteral("DefinitionsView"));
    RunEditDefinition = [this](TDefinitionsGroup& group, std::string& comment, int index) {
        return TfrmEditDefinition::Execute(group, comment, index, FManager.Font(), this);
    };
    RunEditFile = [this](TDefinitionsRawStream& stream, const std::string& name) {
        return TfrmEditDefsFile::Execute(stream, name, FManager.Font(), this);
    };
    RunSelectFile = [this](std::string& fileName) {
        return TDefinitionsSelectDialog::Execute(fileName, this);
    };
    OpenErrorList = ErrorListOpener();
    if (!OpenErrorList)
        OpenErrorList = [](const QString& fileName) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
        };

    FList->AddColumn({tr("Name"), 100, 100, 200});
    FList->AddColumn({tr("Expression"), 250, 250, 0});
    FList->AddColumn({tr("Value"), 100, 80, 150});
    FList->SetOnGetText([this](int row, int column) { return CellText(row, column); });
    FList->SetOnGetHint([this](int row) { return HintText(row); });
    FList->SetOnHeaderClick([this](int column) { InsertFromHeader(column); });

    FToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    FToolBar->setFocusPolicy(Qt::TabFocus);
    FToolBar->SetGradient(FManager.GradientTheme());
    // Shown only inside the toolbar: loose in the view it would cover the file selector.
    lbReadOnly = new QLabel(FToolBar);
    lbReadOnly->setContentsMargins(6, 0, 6, 0);
    lbReadOnly->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FToolBar);
    layout->addWidget(FList, 1);

    CreateActions();
    BuildActions();
    setTabOrder(FToolBar, FList);
    ApplyFont(*FList, FManager.Font());
    FFile.SetWantComments(true);
    FFile.SetAllowReadOnly(true);
    if (FWatcher != nullptr) {
        connect(FWatcher, &TDefinitionsWatcher::GroupChanged, this, &TfrmDefinitions::GroupChanged);
        connect(FWatcher, &TDefinitionsWatcher::GroupRemoving, this,
                &TfrmDefinitions::GroupRemoving);
        connect(FWatcher, &TDefinitionsWatcher::GroupsChanged, this,
                &TfrmDefinitions::FillFileSelector);
    }

    const std::string defaultFile = DefinitionsDir() + "/Default.udf";
    for (int i = 0; i < EntryCount(); ++i)
        if (SameFile(FEntries[static_cast<std::size_t>(i)].Group->FileName(), defaultFile)) {
            SelectEntry(i);
            return;
        }
    ReloadDefinitions();
}

TfrmDefinitions::~TfrmDefinitions() = default;

void TfrmDefinitions::SetErrorListOpener(TOpenFileEvent opener)
{
    ErrorListOpener() = std::move(opener);
}

QWidget* TfrmDefinitions::GetFocusControl() const
{
    return FList;
}

void TfrmDefinitions::SettingsChanged()
{
    FToolBar->SetGradient(FManager.GradientTheme());
    ApplyFont(*FList, FManager.Font());
    FList->RefreshItems();
}

void TfrmDefinitions::CreateActions()
{
    actnFileSelector = NewAction(this, tr("Select..."), {}, tr("Select definitions file"));
    connect(actnFileSelector, &QAction::triggered, this, &TfrmDefinitions::ClickFileSelector);
    actnUse = FList->CreateDefaultAction(tr("Use"), [this](int row) { UseDefinition(row, true); });
    actnAdd = NewAction(this, tr("Add..."), {}, tr("Add..."));
    actnAdd->setShortcuts(EnterShortcuts(Qt::AltModifier));
    actnAdd->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    FList->addAction(actnAdd);
    connect(actnAdd, &QAction::triggered, this, &TfrmDefinitions::NewDefinition);
    actnEdit = FList->CreateEditAction([this](int row) { EditDefinition(row); });
    actnDelete = FList->CreateDeleteAction([this](int row) { RemoveDefinition(row); });
    const auto move = [this](int item, int neighbour) { MoveDefinition(item, neighbour); };
    actnMoveUp = FList->CreateMoveUpAction(move);
    actnMoveDown = FList->CreateMoveDownAction(move);
    actnEditFile = NewAction(this, tr("Edit File..."), {}, tr("Edit File..."));
    connect(actnEditFile, &QAction::triggered, this, &TfrmDefinitions::EditFile);
}

void TfrmDefinitions::BuildActions()
{
    for (QAction* action : FToolBar->actions())
        if (action != actnFileSelector)
            FToolBar->removeAction(action);
    FReadOnlyNote = nullptr;
    lbReadOnly->hide();
    delete FPopupMenu;
    FPopupMenu = nullptr;
    FList->SetPopupMenu(nullptr);
    if (FFileSelector == nullptr) {
        FFileSelector = FToolBar->AddSplitButton(actnFileSelector, FSelectorMenu);
        FillFileSelector();
    }

    const bool items = FMode == TViewMode::vmItems;
    const bool text = FMode == TViewMode::vmText;
    actnUse->setVisible(FMode != TViewMode::vmNone);
    for (QAction* action : {actnAdd, actnEdit, actnDelete, actnMoveUp, actnMoveDown})
        action->setVisible(items);
    actnEditFile->setVisible(text);
    FActions.clear();
    if (FMode != TViewMode::vmNone) {
        FActions << actnUse;
        FToolBar->addSeparator();
        FPopupMenu = new QMenu(this);
        FPopupMenu->addAction(actnUse);
        FPopupMenu->setDefaultAction(actnUse);
        FPopupMenu->addSeparator();
        if (items) {
            FActions << actnAdd << actnEdit << actnDelete << actnMoveUp << actnMoveDown;
            for (QAction* action : {actnAdd, actnEdit, actnDelete, actnMoveUp, actnMoveDown})
                FToolBar->AddButton(action);
            FPopupMenu->addActions({actnAdd, actnEdit, actnDelete});
            FPopupMenu->addSeparator();
            FPopupMenu->addActions({actnMoveUp, actnMoveDown});
        }
        else if (text) {
            FActions << actnEditFile;
            FToolBar->AddButton(actnEditFile);
            FPopupMenu->addAction(actnEditFile);
        }
        else {
            lbReadOnly->setText(FMode == TViewMode::vmReadOnly ? tr("Read-only")
                                                               : tr("Cannot read the file"));
            lbReadOnly->setToolTip(FMode == TViewMode::vmReadOnly ? PathText(FFile.ReadOnlyReason())
                                                                  : PathText(FGroup->FileName()));
            lbReadOnly->show();
            FReadOnlyNote = FToolBar->addWidget(lbReadOnly);
            FPopupMenu->removeAction(FPopupMenu->actions().constLast());
        }
        FList->SetPopupMenu(FPopupMenu);
    }
    FActionsBuilt = true;
    FToolBar->adjustSize();
    FList->UpdateActions();
}

const std::string& TfrmDefinitions::Comment(int index) const
{
    static const std::string none;
    return index >= 0 && index < static_cast<int>(FComments.size())
               ? FComments[static_cast<std::size_t>(index)]
               : none;
}

bool TfrmDefinitions::ValidIndex(int index) const noexcept
{
    return FGroup != nullptr && index >= 0 && index < FGroup->Count();
}

QString TfrmDefinitions::CellText(int index, int column) const
{
    if (!ValidIndex(index))
        return {};
    switch (column) {
    case dcName:
        return FromCore(FGroup->GetDisplayName(index));
    case dcExpression:
        return FromCore(FGroup->GetText(index));
    case dcValue:
        return FromCore(FGroup->GetValueText(index));
    default:
        return {};
    }
}

QString TfrmDefinitions::HintText(int index) const
{
    if (!ValidIndex(index))
        return {};
    QString hint = FromCore(FGroup->GetDisplayName(index)) + QStringLiteral(" = ") +
                   FromCore(FGroup->GetText(index));
    if (const std::string& comment = Comment(index); !comment.empty())
        hint += QStringLiteral("\r\n") + FromCore(UnescapeComment(comment));
    return hint;
}

QString TfrmDefinitions::EntryText(int index) const
{
    return index >= 0 && index < EntryCount() ? FEntries[static_cast<std::size_t>(index)].Text
                                              : QString();
}

void TfrmDefinitions::ClickFileSelector()
{
    if (FSelected >= 0 && EntryCount() > 0)
        SelectEntry((FSelected + 1) % EntryCount());
    else
        BrowseFile();
}

void TfrmDefinitions::SelectEntry(int index)
{
    if (index >= EntryCount())
        return;
    if (index >= 0) {
        const std::string& fileName = FEntries[static_cast<std::size_t>(index)].Group->FileName();
        if (!FileExists(fileName)) {
            ShowErrorBox(this, tr("File not exists:\r%1").arg(PathText(fileName)));
            return;
        }
    }
    SetSelected(index);
    SetGroup(index >= 0 ? FEntries[static_cast<std::size_t>(index)].Group : nullptr);
}

void TfrmDefinitions::SetSelected(int index)
{
    FSelected = index;
    actnFileSelector->setText(index >= 0 ? EntryText(index) : tr("Select..."));
    const QList<QAction*> items = FSelectorMenu->actions();
    for (int i = 0; i < items.size() && i < EntryCount(); ++i)
        items[i]->setChecked(i == index);
}

void TfrmDefinitions::FillFileSelector()
{
    FEntries.clear();
    const TParserDefinitions& definitions = ParserDefinitions();
    for (int i = 0; i < definitions.GroupCount(); ++i)
        if (FileExists(definitions.Groups(i).FileName()))
            FEntries.push_back({PathText(definitions.GroupNames(i)), &definitions.Groups(i)});
    FSelectorMenu->clear();
    QStringList captions{tr("Select...")};
    for (int i = 0; i < EntryCount(); ++i) {
        QAction* item = FSelectorMenu->addAction(EntryText(i));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i] { SelectEntry(i); });
        captions << EntryText(i);
    }
    FSelectorMenu->addSeparator();
    connect(FSelectorMenu->addAction(tr("Select...")), &QAction::triggered, this,
            &TfrmDefinitions::BrowseFile);
    FToolBar->FitCaptions(FFileSelector, captions);

    int selected = -1;
    for (int i = 0; i < EntryCount() && FGroup != nullptr; ++i)
        if (FEntries[static_cast<std::size_t>(i)].Group == FGroup)
            selected = i;
    SetSelected(selected);
    if (selected < 0 && FGroup != nullptr)
        SetGroup(nullptr);
}

TfrmDefinitions::TViewMode TfrmDefinitions::CurrentMode() const
{
    if (FGroup == nullptr)
        return TViewMode::vmNone;
    if (!FFile.IsOpen())
        return TViewMode::vmUnread;
    if (FFile.IsReadOnly())
        return TViewMode::vmReadOnly;
    return FFile.HasBanner() ? TViewMode::vmItems : TViewMode::vmText;
}

void TfrmDefinitions::SetGroup(TDefinitionsGroup* group)
{
    // The current item is kept only while the same file is read again.
    if (group != FGroup)
        FList->SetCount(0);
    FGroup = group;
    ReloadDefinitions();
}

void TfrmDefinitions::ReloadDefinitions()
{
    FWriteFailed = false;
    const int current = FList->CurrentItem();
    if (FGroup == nullptr) {
        FComments.clear();
        FLines.clear();
        FList->SetCount(0);
    }
    else {
        // The file is read before the group is emptied: a file that cannot be read leaves the
        // definitions evaluating as they were.
        bool loaded = true;
        try {
            FFile.Load(FGroup->FileName());
        }
        catch (const EException& e) {
            loaded = false;
            ShowErrorBox(this, PathText(e.what()));
        }
        if (loaded) {
            FGroup->Clear();
            FComments.clear();
            FLines.clear();
            std::vector<std::string> errors;
            for (TDefinitionsEnumerator it = FFile.GetEnumerator(); it.MoveNext();) {
                const TDefinitionRec rec = it.Current();
                try {
                    FGroup->AddDefinitionText(rec.Definition);
                    FComments.push_back(rec.Comment);
                    FLines.push_back(it.Position());
                }
                catch (const std::exception& e) {
                    errors.push_back(
                        Format("Error in expression \"%s\": %s", rec.Definition.c_str(), e.what()));
                    FFile.SetHasBanner(false);
                }
            }
            if (FWatcher != nullptr)
                FWatcher->Acknowledge(FFile.FileName(), FFile.Identity());
            if (!errors.empty())
                ReportErrors(errors);
        }
        else {
            FComments.resize(static_cast<std::size_t>(FGroup->Count()));
            FLines.clear();
        }
        FList->SetCount(FGroup->Count());
        if (current >= 0 && current < FList->Count())
            FList->SelectItem(current);
    }
    if (const TViewMode mode = CurrentMode(); mode != FMode || !FActionsBuilt) {
        FMode = mode;
        BuildActions();
    }
}

void TfrmDefinitions::ReportErrors(const std::vector<std::string>& errors)
{
    std::string text;
    for (const std::string& error : errors)
        text += error + "\n";
    std::string fileName;
    int failure = 0;
    try {
        fileName = SettingsDir() + "Errors.txt";
        failure = SaveFileContent(fileName, text).Error;
    }
    catch (const EException&) {
        failure = ENOENT;
    }
    if (failure == 0) {
        OpenErrorList(PathText(fileName));
        return;
    }
    // Without a file to open, the list goes into the box itself.
    ShowErrorBox(this, FromCore(text));
}

void TfrmDefinitions::UseDefinition(int index, bool replace)
{
    if (!ValidIndex(index))
        return;
    std::string text = FGroup->GetName(index);
    if (FGroup->GetKind(index) == TDefinitionKind::dkFunc)
        text += "(|)";
    FManager.InsertText(text, replace);
}

void TfrmDefinitions::InsertFromHeader(int column)
{
    const int index = FList->CurrentItem();
    if (!ValidIndex(index))
        return;
    if (column == dcName) {
        UseDefinition(index, false);
    }
    else if (column == dcExpression) {
        FManager.InsertLiteralText(FGroup->GetText(index), false);
    }
    else if (column == dcValue) {
        // The value as the expression line reads it back, whatever the desktop's separator.
        const auto* constant = dynamic_cast<const TConstData*>(&FGroup->Definitions(index));
        const std::string text = constant != nullptr
                                     ? FManager.ValueToExpressionText(constant->Value())
                                     : FGroup->GetValueText(index);
        if (!text.empty())
            FManager.InsertLiteralText(text, false);
    }
}

void TfrmDefinitions::Written()
{
    if (FWatcher != nullptr)
        FWatcher->Acknowledge(FFile.FileName(), FFile.Identity());
}

void TfrmDefinitions::WriteFailed(const EException& error, bool deferReload)
{
    ShowErrorBox(this, PathText(error.what()) +
                           tr("\r\rThe definitions were read again from the file; make the "
                              "change once more if it is still wanted."));
    if (!deferReload) {
        ReloadDefinitions();
        return;
    }
    // The list is still walking its run of deletes or moves; it learns the truth afterwards.
    FWriteFailed = true;
    QTimer::singleShot(0, this, [this] {
        if (FWriteFailed)
            ReloadDefinitions();
    });
}

void TfrmDefinitions::NewDefinition()
{
    if (!CanEditItems())
        return;
    std::string comment;
    {
        TWatcherHold hold(FWatcher);
        if (!RunEditDefinition(*FGroup, comment, -1))
            return;
    }
    const int index = FGroup->Count() - 1;
    const TDefinitionKind kind = FGroup->GetKind(index);
    try {
        const int line = FFile.AddDefinition(
            FGroup->GetName(index),
            kind == TDefinitionKind::dkFunc ? FGroup->GetArgumentsText(index) : std::string(), kind,
            comment, FGroup->GetText(index));
        Written();
        FComments.push_back(comment);
        FLines.push_back(line);
        FList->AddItem();
    }
    catch (const EException& e) {
        WriteFailed(e, false);
    }
}

void TfrmDefinitions::EditDefinition(int index)
{
    if (!CanEditItems() || !ValidIndex(index))
        return;
    std::string comment = Comment(index);
    {
        TWatcherHold hold(FWatcher);
        if (!RunEditDefinition(*FGroup, comment, index))
            return;
    }
    try {
        FFile.ModifyDefinition(FLines.at(static_cast<std::size_t>(index)),
                               FGroup->GetDisplayName(index), FGroup->GetText(index), comment);
        Written();
        FComments[static_cast<std::size_t>(index)] = comment;
        FList->RefreshItems();
    }
    catch (const EException& e) {
        WriteFailed(e, false);
    }
}

void TfrmDefinitions::RemoveDefinition(int index)
{
    if (FWriteFailed || !CanEditItems() || !ValidIndex(index))
        return;
    try {
        const int line = FLines.at(static_cast<std::size_t>(index));
        FFile.DeleteDefinition(line);
        Written();
        FGroup->DeleteDefinition(index);
        FComments.erase(FComments.begin() + index);
        FLines.erase(FLines.begin() + index);
        for (int& later : FLines)
            if (later > line)
                --later;
    }
    catch (const EException& e) {
        WriteFailed(e, true);
    }
}

void TfrmDefinitions::MoveDefinition(int index1, int index2)
{
    if (FWriteFailed || !CanEditItems() || !ValidIndex(index1) || !ValidIndex(index2))
        return;
    try {
        // The two definitions change lines; the lines themselves stay where they are.
        FFile.ExchangeDefinitions(FLines.at(static_cast<std::size_t>(index1)),
                                  FLines.at(static_cast<std::size_t>(index2)));
        Written();
        FGroup->ExchangeDefinitions(index1, index2);
        std::swap(FComments[static_cast<std::size_t>(index1)],
                  FComments[static_cast<std::size_t>(index2)]);
        FList->RefreshItems();
    }
    catch (const EException& e) {
        WriteFailed(e, true);
    }
}

void TfrmDefinitions::EditFile()
{
    if (FMode != TViewMode::vmText)
        return;
    std::optional<TDefinitionsRawStream> stream;
    try {
        stream = FFile.GetRawStream();
    }
    catch (const EException& e) {
        ShowErrorBox(this, PathText(e.what()));
        return;
    }
    if (!stream)
        return;
    const int current = FList->CurrentItem();
    const std::string name = ValidIndex(current) ? FGroup->GetName(current) : std::string();
    bool written = false;
    {
        TWatcherHold hold(FWatcher);
        written = RunEditFile(*stream, name);
    }
    if (written) {
        Written();
        ReloadDefinitions();
    }
    else if (FFile.Identity() != ReadFileIdentity(FFile.FileName())) {
        // The editor was refused because another program changed the file meanwhile.
        ReloadDefinitions();
    }
}

void TfrmDefinitions::BrowseFile()
{
    std::string fileName;
    bool chosen = false;
    {
        TWatcherHold hold(FWatcher);
        chosen = RunSelectFile(fileName);
    }
    FillFileSelector();
    if (!chosen)
        return;
    try {
        CheckInDefinitionsDir(fileName);
        if (!FileExists(fileName)) {
            TDefinitionsFile created;
            created.CreateNew(fileName);
            if (FWatcher != nullptr)
                FWatcher->Acknowledge(fileName, created.Identity());
        }
    }
    catch (const EException& e) {
        ShowErrorBox(this, PathText(e.what()));
        return;
    }
    SelectFile(fileName);
}

void TfrmDefinitions::SelectFile(const std::string& fileName)
{
    for (int i = 0; i < EntryCount(); ++i)
        if (SameFile(FEntries[static_cast<std::size_t>(i)].Group->FileName(), fileName)) {
            SelectEntry(i);
            return;
        }
    const std::string name = std::filesystem::path(fileName).filename().string() + " *";
    ParserDefinitions().AddGroup(name).SetFileName(fileName);
    FillFileSelector();
    SelectEntry(EntryCount() - 1);
}

void TfrmDefinitions::GroupChanged(TDefinitionsGroup* group)
{
    if (group == FGroup && group != nullptr)
        ReloadDefinitions();
}

void TfrmDefinitions::GroupRemoving(TDefinitionsGroup* group)
{
    std::erase_if(FEntries, [group](const TEntry& entry) { return entry.Group == group; });
    if (group == FGroup)
        SetGroup(nullptr);
    FillFileSelector();
}

} // namespace calc
