#include "ui/ExpressionView.h"

#include "core/CalcCore.h"
#include "definitions/ExprParserDefinitions.h"
#include "ui/CoreText.h"
#include "ui/ExpressionCompletion.h"
#include "ui/ExpressionHighlight.h"
#include "widgets/ActionTools.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <limits>

namespace calc {

namespace {

constexpr int kMargin = 7;
/// How many matches the completion list's width is measured on.
constexpr int kCompletionRowsMeasured = 64;
constexpr int kMinEditorExtra = 6;

/// A key the open completion list takes: left unaccepted, so that the list acts on it.
bool IsListKey(QEvent& event, const std::function<bool()>& listOpen)
{
    if (event.type() != QEvent::KeyPress || !listOpen())
        return false;
    switch (static_cast<QKeyEvent&>(event).key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        event.ignore();
        return true;
    default:
        return false;
    }
}

/// The one-line editor: Enter evaluates, Up and Down step through the history, and the focus
/// never selects the text by itself.
class TSingleLineEditor final : public QLineEdit {
public:
    TSingleLineEditor(QWidget* parent, std::function<void()> onEnter,
                      std::function<void(int)> onRecall, std::function<bool()> listOpen)
        : QLineEdit(parent), FOnEnter(std::move(onEnter)), FOnRecall(std::move(onRecall)),
          FListOpen(std::move(listOpen))
    {
        setMaxLength(std::numeric_limits<int>::max());
    }

protected:
    bool event(QEvent* event) override
    {
        if (IsListKey(*event, FListOpen))
            return true;
        return QLineEdit::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (IsEnterKey(*event)) {
            event->accept();
            FOnEnter();
            return;
        }
        const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
        if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) &&
            mods == Qt::NoModifier) {
            event->accept();
            FOnRecall(event->key() == Qt::Key_Up ? 1 : -1);
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
    void focusInEvent(QFocusEvent*) override
    {
        // A tab focus would select everything; the caret stays where it was instead.
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&plain);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        // The selection outlives the focus: a command from elsewhere (a definition to insert)
        // still wraps it.
        const int start = selectionStart();
        const int length = selectionLength();
        const bool caretAtStart = cursorPosition() == start;
        QLineEdit::focusOutEvent(event);
        if (length > 0 && !hasSelectedText()) {
            if (caretAtStart)
                setSelection(start + length, -length);
            else
                setSelection(start, length);
        }
    }

private:
    std::function<void()> FOnEnter;
    std::function<void(int)> FOnRecall;
    std::function<bool()> FListOpen;
};

/// The multi-line editor: Enter evaluates instead of breaking the line; Tab does nothing.
class TMultiLineEditor final : public QPlainTextEdit {
public:
    TMultiLineEditor(QWidget* parent, std::function<void()> onEnter, std::function<bool()> listOpen)
        : QPlainTextEdit(parent), FOnEnter(std::move(onEnter)), FListOpen(std::move(listOpen))
    {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setTabChangesFocus(false);
    }

protected:
    bool event(QEvent* event) override
    {
        if (IsListKey(*event, FListOpen))
            return true;
        return QPlainTextEdit::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
            event->accept();
            return;
        }
        if (IsEnterKey(*event)) {
            event->accept();
            FOnEnter();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
    bool focusNextPrevChild(bool) override { return false; }

private:
    std::function<void()> FOnEnter;
    std::function<bool()> FListOpen;
};

/// The first "|" marks the caret; -1 when there is none.
int CaretMark(const QString& text)
{
    return static_cast<int>(text.indexOf(QLatin1Char('|')));
}

} // namespace

TfrmExpressionView::TfrmExpressionView(TCalcManager& manager, QWidget* parent)
    : QWidget(parent), FManager(manager), FLayout(new QVBoxLayout(this)),
      FResizeTimer(new QTimer(this)), FNames(ParserDefinitions())
{
    FResizeTimer->setSingleShot(true);
    FResizeTimer->setInterval(0);
    connect(FResizeTimer, &QTimer::timeout, this, [this] { SetMultiLine(IsTall()); });
    setObjectName(QStringLiteral("ExpressionView"));
    FLayout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    FLayout->setSpacing(0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    UpdateFont();
    FManager.OnInsertText = [this](TCalcManager&, const std::string& text, bool replace,
                                   bool literal) { InsertText(text, replace, literal); };
    FManager.OnGotoError = [this](TCalcManager&, int pos) { GotoError(pos); };
    FManager.OnEvaluated = [this](TCalcManager&, int code, int pos, const std::string&) {
        Evaluated(code, pos);
    };
    auto* suggest = new QAction(this);
    suggest->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
    suggest->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(suggest, &QAction::triggered, this, &TfrmExpressionView::ApplySuggestion);
    addAction(suggest);
    auto* complete = new QAction(this);
    complete->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
    complete->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(complete, &QAction::triggered, this, [this] { UpdateCompletion(true); });
    addAction(complete);
    FSignatureHint = new QLabel(this, Qt::ToolTip);
    FSignatureHint->setObjectName(QStringLiteral("SignatureHint"));
    FSignatureHint->setTextFormat(Qt::RichText);
    FSignatureHint->setForegroundRole(QPalette::ToolTipText);
    FSignatureHint->setBackgroundRole(QPalette::ToolTipBase);
    FSignatureHint->setAutoFillBackground(true);
    FSignatureHint->setMargin(3);
    FSignatureHint->setFrameStyle(QFrame::Box | QFrame::Plain);
    FSignatureHint->hide();
    // The hint belongs to the line while the user types in it.
    connect(qApp, &QApplication::focusChanged, this, &TfrmExpressionView::UpdateSignatureHint);
    CreateEditor();
}

TfrmExpressionView::~TfrmExpressionView()
{
    // The editor's going moves the focus; the hint goes before it.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    FManager.OnInsertText = nullptr;
    FManager.OnGotoError = nullptr;
    FManager.OnEvaluated = nullptr;
}

bool TfrmExpressionView::Highlighting() const noexcept
{
    return FManager.EditorAids().Highlighting;
}

void TfrmExpressionView::SetHighlighting(bool value)
{
    TEditorAids aids = FManager.EditorAids();
    aids.Highlighting = value;
    FManager.SetEditorAids(aids);
    UpdateFormats();
}

bool TfrmExpressionView::ErrorMarking() const noexcept
{
    return FManager.EditorAids().ErrorMarks;
}

void TfrmExpressionView::SetErrorMarking(bool value)
{
    TEditorAids aids = FManager.EditorAids();
    aids.ErrorMarks = value;
    FManager.SetEditorAids(aids);
    UpdateFormats();
}

bool TfrmExpressionView::Suggesting() const noexcept
{
    return FManager.EditorAids().Suggestions;
}

void TfrmExpressionView::SetSuggesting(bool value)
{
    TEditorAids aids = FManager.EditorAids();
    aids.Suggestions = value;
    FManager.SetEditorAids(aids);
    UpdateHint();
}

void TfrmExpressionView::Evaluated(int code, int pos)
{
    // A stopped evaluation says nothing about the text.
    FErrorPos = code == ceNone || code == ceInterrupted ? -1 : pos;
    FindUnknownName(code, pos);
    UpdateFormats();
    UpdateHint();
}

void TfrmExpressionView::FindUnknownName(int code, int pos)
{
    FNameStart = -1;
    FNameLength = 0;
    if (code != ceUnknownConstant && code != ceUnknownFunction)
        return;
    // The error stands after the name and the blanks that follow it.
    const std::string text = ToCore(GetText());
    const std::string& name = FManager.Parser().ErrorArg();
    auto end = static_cast<std::size_t>(std::clamp(pos, 0, static_cast<int>(text.size())));
    while (end > 0 && IsSpaceChar(text[end - 1]))
        --end;
    if (name.empty() || end < name.size() ||
        text.compare(end - name.size(), name.size(), name) != 0)
        return;
    FNameStart = static_cast<int>(end - name.size());
    FNameLength = static_cast<int>(name.size());
    FNameCalled = code == ceUnknownFunction;
}

void TfrmExpressionView::UpdateHint()
{
    FSuggestion.clear();
    if (Suggesting() && FNameStart >= 0) {
        const std::string name = ToCore(GetText().mid(FNameStart, FNameLength));
        FSuggestion = FromCore(SuggestName(ParserDefinitions(), name, FNameCalled));
    }
    if (FEditor != nullptr)
        FEditor->setToolTip(FSuggestion.isEmpty() ? QString()
                                                  : tr("did you mean \"%1\"?").arg(FSuggestion));
}

void TfrmExpressionView::CaretMoved()
{
    UpdateFormats();
    UpdateSignatureHint();
}

void TfrmExpressionView::UpdateCompletion(bool forced)
{
    if (FEditor == nullptr)
        return;
    const QString text = GetText();
    const int caret = CaretPosition();
    int start = caret;
    while (start > 0 && text[start - 1].unicode() <= 0xFF &&
           (IsNameChar(static_cast<char>(text[start - 1].unicode())) ||
            IsDigit(static_cast<char>(text[start - 1].unicode()))))
        --start;
    // A name starts with a letter: digits alone are a number.
    while (start < caret && IsDigit(static_cast<char>(text[start].unicode())))
        ++start;
    const QString word = text.mid(start, caret - start);
    bool wanted = FManager.EditorAids().Completion && (forced || word.size() >= 2);
    if (wanted && !word.isEmpty()) {
        // Only where the reading sees a name: "5 or" ends in an operator.
        const std::string core = ToCore(text.left(caret));
        TScanSettings settings;
        settings.DecimalSeparators = FManager.DecimalSeparators();
        settings.ListSeparator = FManager.ListSeparator();
        settings.Names = &FNames;
        const std::vector<TTokenSpan> spans = ScanExpression(core, settings);
        const TTokenKind kind = spans.empty() ? TTokenKind::tkBlank : spans.back().Kind;
        wanted = kind == TTokenKind::tkUnknownName || kind == TTokenKind::tkBuiltInFunction ||
                 kind == TTokenKind::tkBuiltInConstant || kind == TTokenKind::tkUserFunction ||
                 kind == TTokenKind::tkUserConstant;
    }
    if (!wanted) {
        if (FCompleter != nullptr)
            FCompleter->popup()->hide();
        return;
    }
    if (FCompleter == nullptr) {
        FCompletionModel = new QStandardItemModel(this);
        FCompleter = new QCompleter(FCompletionModel, this);
        FCompleter->setCaseSensitivity(Qt::CaseInsensitive);
        FCompleter->setCompletionRole(Qt::UserRole);
        FCompleter->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
        FCompleter->setCompletionMode(QCompleter::PopupCompletion);
        FCompleter->setMaxVisibleItems(10);
        // Rows of one height: the list then lays out thousands of matches without measuring
        // each of them.
        if (auto* list = qobject_cast<QListView*>(FCompleter->popup()))
            list->setUniformItemSizes(true);
        connect(FCompleter, qOverload<const QModelIndex&>(&QCompleter::activated), this,
                &TfrmExpressionView::Complete);
    }
    const std::uint64_t names = ParserDefinitions().ChangeCount();
    if (!FCompleter->popup()->isVisible() && (!FCompletionFilled || names != FCompletionNames)) {
        // The names as they are now: definitions may have changed since the list last opened.
        FCompletionFilled = true;
        FCompletionNames = names;
        std::vector<TCompletionEntry> entries = CompletionEntries(ParserDefinitions());
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
        });
        FCompletionModel->clear();
        for (const TCompletionEntry& entry : entries) {
            auto* item = new QStandardItem(entry.Shown + QStringLiteral("  — ") + entry.Kind);
            item->setData(entry.Name, Qt::UserRole);
            item->setData(entry.Function, Qt::UserRole + 1);
            item->setToolTip(entry.Description);
            FCompletionModel->appendRow(item);
        }
    }
    FCompleter->setWidget(FEditor);
    FCompletionStart = start;
    FCompleter->setCompletionPrefix(word);
    const bool exact = FCompleter->completionCount() == 1 &&
                       FCompleter->currentCompletion().compare(word, Qt::CaseInsensitive) == 0;
    if (FCompleter->completionCount() == 0 || (exact && !forced)) {
        FCompleter->popup()->hide();
        return;
    }
    // Measured over the first rows only: the list's own measure lays out every match, which
    // with thousands of names costs more than the rest of the keystroke.
    QAbstractItemView* popup = FCompleter->popup();
    const QAbstractItemModel* matches = FCompleter->completionModel();
    const int measured = std::min(matches->rowCount(), kCompletionRowsMeasured);
    int width = 0;
    for (int row = 0; row < measured; ++row)
        width = std::max(width, popup->sizeHintForIndex(matches->index(row, 0)).width());
    QRect rect = FEditor->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    rect.setWidth(width + popup->verticalScrollBar()->sizeHint().width());
    FCompleter->complete(rect);
    FCompleter->popup()->setCurrentIndex(FCompleter->completionModel()->index(0, 0));
}

void TfrmExpressionView::Complete(const QModelIndex& index)
{
    const QString name = index.data(Qt::UserRole).toString();
    const bool function = index.data(Qt::UserRole + 1).toBool();
    const QScopedValueRollback completing(FCompleting, true);
    SetCaret({FCompletionStart, CaretPosition()});
    // A function comes with its brackets and the caret between them.
    ReplaceSelection(function ? name + QStringLiteral("()") : name);
    const int caret = FCompletionStart + static_cast<int>(name.size()) + (function ? 1 : 0);
    SetCaret({caret, caret});
}

void TfrmExpressionView::UpdateSignatureHint()
{
    if (FEditor == nullptr)
        return;
    TCallAtCaret call;
    TSignature signature;
    if (FManager.EditorAids().SignatureHints && FEditor->hasFocus()) {
        TScanSettings settings;
        settings.DecimalSeparators = FManager.DecimalSeparators();
        settings.ListSeparator = FManager.ListSeparator();
        settings.Names = &FNames;
        call =
            FindCallAtCaret(ToCore(GetText()), settings, static_cast<std::size_t>(CaretPosition()));
    }
    if (call.Name.empty() || !FindSignature(ParserDefinitions(), call.Name, signature)) {
        FSignatureHint->hide();
        return;
    }
    FSignatureHint->setFont(FEditor->font());
    FSignatureHint->setText(SignatureHintText(signature, call.Argument));
    FSignatureHint->adjustSize();
    QRect rect = FEditor->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    FSignatureHint->move(FEditor->mapToGlobal(QPoint(rect.left(), FEditor->height())));
    FSignatureHint->show();
}

void TfrmExpressionView::ApplySuggestion()
{
    if (FSuggestion.isEmpty() || FNameStart < 0)
        return;
    const int start = FNameStart;
    const QString name = FSuggestion;
    SetCaret({start, start + FNameLength});
    ReplaceSelection(name);
    const int end = start + static_cast<int>(name.size());
    SetCaret({end, end});
}

void TfrmExpressionView::UpdateFormats()
{
    if (FEditor == nullptr || FFormatting)
        return;
    const QScopedValueRollback formatting(FFormatting, true);
    TScanSettings settings;
    settings.DecimalSeparators = FManager.DecimalSeparators();
    settings.ListSeparator = FManager.ListSeparator();
    settings.Names = &FNames;
    // An unknown name is marked whole rather than the place after it.
    const bool name = FNameStart >= 0;
    const int errorStart = !ErrorMarking() ? -1 : name ? FNameStart : FErrorPos;
    const int errorLength = name ? FNameLength : 1;
    // A keystroke asks several times (the text, the caret, the evaluation): once is enough.
    const QString text = GetText();
    const int caretPos = CaretPosition();
    const TFormatsInput input{FEditor,
                              text,
                              caretPos,
                              errorStart,
                              errorLength,
                              Highlighting(),
                              settings.DecimalSeparators.Text(),
                              settings.ListSeparator,
                              FEditor->palette().cacheKey()};
    if (input == FFormatsInput)
        return;
    FFormatsInput = input;
    const TExpressionStyle style(FEditor->palette());
    FFormats =
        ExpressionFormats(text, settings, style, caretPos, errorStart, errorLength, Highlighting());
    if (auto* line = qobject_cast<QLineEdit*>(FEditor)) {
        // The line edit takes formats only as input-method attributes, placed from the caret.
        const int caret = line->cursorPosition();
        // The line always shows the caret, so nothing farther from it than the line is wide
        // can be seen: formats there would only make a long line slower to lay out.
        const int reach =
            line->width() / std::max(1, line->fontMetrics().horizontalAdvance(QLatin1Char('i'))) +
            1;
        const int first = caret - reach;
        const int last = caret + reach;
        QList<QInputMethodEvent::Attribute> attributes;
        for (const QTextLayout::FormatRange& range : std::as_const(FFormats)) {
            const int start = std::max(range.start, first);
            const int end = std::min(range.start + range.length, last);
            if (start < end)
                attributes.append(
                    {QInputMethodEvent::TextFormat, start - caret, end - start, range.format});
        }
        QInputMethodEvent event(QString(), attributes);
        QCoreApplication::sendEvent(line, &event);
    }
    else if (auto* highlighter = FEditor->findChild<TExpressionHighlighter*>()) {
        highlighter->SetFormats(FFormats);
    }
}

QString TfrmExpressionView::GetText() const
{
    if (const auto* line = qobject_cast<const QLineEdit*>(FEditor))
        return line->text();
    if (const auto* multi = qobject_cast<const QPlainTextEdit*>(FEditor))
        return multi->toPlainText();
    return {};
}

int TfrmExpressionView::CaretPosition() const
{
    return GetCaret().Position;
}

QString TfrmExpressionView::SelectedText() const
{
    if (const auto* line = qobject_cast<const QLineEdit*>(FEditor))
        return line->selectedText();
    if (const auto* multi = qobject_cast<const QPlainTextEdit*>(FEditor)) {
        QString text = multi->textCursor().selectedText();
        text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        return text;
    }
    return {};
}

void TfrmExpressionView::SettingsChanged()
{
    UpdateFont();
    SetMultiLine(IsTall());
    // The separators or the switches may have changed.
    UpdateFormats();
    UpdateHint();
}

void TfrmExpressionView::UpdateFont()
{
    const QFont font = ToQFont(FManager.Font());
    setFont(font);
    if (FEditor != nullptr)
        ApplyFont(*FEditor, FManager.Font());
    FLineHeight = TextLineHeight(font);
    FitLineHeight();
}

void TfrmExpressionView::FitLineHeight()
{
    // The style's own line-edit height, so that descenders and brackets clear the frame.
    if (auto* line = qobject_cast<QLineEdit*>(FEditor)) {
        FEditorExtra = std::max(kMinEditorExtra, line->sizeHint().height() - FLineHeight);
        line->setFixedHeight(FLineHeight + FEditorExtra);
    }
    setMinimumHeight(FLineHeight + FEditorExtra + 2 * kMargin);
}

bool TfrmExpressionView::IsTall() const
{
    return height() > 2 * FLineHeight + FEditorExtra + 2 * kMargin;
}

void TfrmExpressionView::SetMultiLine(bool value)
{
    if (value == FMultiLine)
        return;
    FMultiLine = value;
    CreateEditor();
}

void TfrmExpressionView::CreateEditor()
{
    QWidget* old = FEditor;
    const auto onEnter = [this] { EnterPressed(); };
    const auto listOpen = [this] {
        return FCompleter != nullptr && FCompleter->popup()->isVisible();
    };
    QWidget* editor = nullptr;
    if (FMultiLine) {
        editor = new TMultiLineEditor(this, onEnter, listOpen);
        FLayout->addWidget(editor, 1);
    }
    else {
        editor = new TSingleLineEditor(
            this, onEnter, [this](int step) { Recall(step); }, listOpen);
        FLayout->insertWidget(0, editor, 0, Qt::AlignTop);
    }
    editor->setObjectName(QStringLiteral("ExpressionEditor"));
    ApplyFont(*editor, FManager.Font());
    FEditor = editor;
    FitLineHeight();
    editor->show();
    if (old != nullptr) {
        const bool wasActive = window()->focusWidget() == old;
        const QString text = qobject_cast<QLineEdit*>(old) != nullptr
                                 ? qobject_cast<QLineEdit*>(old)->text()
                                 : qobject_cast<QPlainTextEdit*>(old)->toPlainText();
        FEditor = old;
        const TCaret caret = GetCaret();
        FEditor = editor;
        SetEditorText(text);
        SetCaret(caret);
        if (wasActive)
            editor->setFocus(Qt::OtherFocusReason);
        delete old;
    }
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        connect(line, &QLineEdit::textChanged, this, &TfrmExpressionView::EditorChanged);
        connect(line, &QLineEdit::cursorPositionChanged, this, &TfrmExpressionView::CaretMoved);
    }
    else if (auto* multi = qobject_cast<QPlainTextEdit*>(editor)) {
        new TExpressionHighlighter(multi->document());
        connect(multi, &QPlainTextEdit::textChanged, this, &TfrmExpressionView::EditorChanged);
        connect(multi, &QPlainTextEdit::cursorPositionChanged, this,
                &TfrmExpressionView::CaretMoved);
    }
    UpdateFormats();
    UpdateHint();
}

void TfrmExpressionView::Recall(int step)
{
    const THistoryManager& history = FManager.History();
    const int index = FRecallIndex + step;
    if (index < -1 || index >= history.Count())
        return;
    if (FRecallIndex < 0)
        FRecallTyped = GetText();
    // History text is literal: no caret mark, the caret goes to the end.
    const QString text = index < 0 ? FRecallTyped : FromCore(history.Expressions(index));
    FRecalling = true;
    SetEditorText(text);
    FRecalling = false;
    FRecallIndex = index;
    const auto end = static_cast<int>(text.size());
    SetCaret({end, end});
}

void TfrmExpressionView::EditorChanged()
{
    if (FFormatting)
        return;
    // Any other change of the text ends stepping through the history.
    if (!FRecalling)
        FRecallIndex = -1;
    // The mark belongs to the text it was found in; an evaluation of the new one sets it again.
    FErrorPos = -1;
    FNameStart = -1;
    FManager.SetExpression(ToCore(GetText()));
    UpdateFormats();
    UpdateHint();
    if (!FRecalling && !FCompleting)
        UpdateCompletion(false);
    emit TextChanged();
}

void TfrmExpressionView::EnterPressed()
{
    FManager.Evaluate(false);
}

void TfrmExpressionView::InsertText(const std::string& coreText, bool replace, bool literal)
{
    const QString text = FromCore(coreText);
    const int mark = literal ? -1 : CaretMark(text);
    if (replace) {
        QString shown = text;
        if (mark >= 0)
            shown.remove(mark, 1);
        SetEditorText(shown);
        const int caret = mark >= 0 ? mark : static_cast<int>(shown.size());
        SetCaret({caret, caret});
    }
    else {
        const TCaret before = GetCaret();
        const int start = std::min(before.Anchor, before.Position);
        if (mark >= 0) {
            QString inserted = text;
            inserted.replace(mark, 1, SelectedText());
            ReplaceSelection(inserted);
            SetCaret({start + mark, start + mark});
        }
        else
            ReplaceSelection(text);
    }
    PostFocus();
}

void TfrmExpressionView::GotoError(int pos)
{
    const int length = static_cast<int>(GetText().size());
    const int caret = std::clamp(pos, 0, length);
    SetCaret({caret, caret});
    PostFocus();
}

void TfrmExpressionView::PostFocus()
{
    // Posted, so that the click that led here (in a list, on the status bar) ends first.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (FEditor != nullptr)
                FEditor->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

void TfrmExpressionView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        FResizeTimer->start();
}

void TfrmExpressionView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    SetMultiLine(IsTall());
}

TfrmExpressionView::TCaret TfrmExpressionView::GetCaret() const
{
    if (const auto* line = qobject_cast<const QLineEdit*>(FEditor)) {
        const int position = line->cursorPosition();
        if (!line->hasSelectedText())
            return {position, position};
        const int start = line->selectionStart();
        const int end = start + line->selectionLength();
        return {position == start ? end : start, position};
    }
    if (const auto* multi = qobject_cast<const QPlainTextEdit*>(FEditor)) {
        const QTextCursor cursor = multi->textCursor();
        return {cursor.anchor(), cursor.position()};
    }
    return {};
}

void TfrmExpressionView::SetCaret(TCaret caret)
{
    const int length = static_cast<int>(GetText().size());
    caret.Anchor = std::clamp(caret.Anchor, 0, length);
    caret.Position = std::clamp(caret.Position, 0, length);
    if (auto* line = qobject_cast<QLineEdit*>(FEditor)) {
        if (caret.Anchor == caret.Position)
            line->setCursorPosition(caret.Position);
        else
            line->setSelection(caret.Anchor, caret.Position - caret.Anchor);
    }
    else if (auto* multi = qobject_cast<QPlainTextEdit*>(FEditor)) {
        QTextCursor cursor = multi->textCursor();
        cursor.setPosition(caret.Anchor);
        cursor.setPosition(caret.Position, QTextCursor::KeepAnchor);
        multi->setTextCursor(cursor);
    }
}

void TfrmExpressionView::SetEditorText(const QString& text)
{
    // Replaced through the selection, so that Undo brings the old text back.
    if (auto* line = qobject_cast<QLineEdit*>(FEditor)) {
        if (line->text() == text)
            return;
        line->selectAll();
        line->insert(text);
    }
    else if (auto* multi = qobject_cast<QPlainTextEdit*>(FEditor)) {
        if (multi->toPlainText() == text)
            return;
        QTextCursor cursor = multi->textCursor();
        cursor.select(QTextCursor::Document);
        cursor.insertText(text);
        multi->setTextCursor(cursor);
    }
}

void TfrmExpressionView::ReplaceSelection(const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(FEditor))
        line->insert(text);
    else if (auto* multi = qobject_cast<QPlainTextEdit*>(FEditor))
        multi->textCursor().insertText(text);
}

} // namespace calc
