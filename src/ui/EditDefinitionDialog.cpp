#include "ui/EditDefinitionDialog.h"

#include "definitions/CalcDefsFile.h"
#include "ui/CoreText.h"
#include "widgets/ActionTools.h"
#include "widgets/DesignSize.h"
#include "widgets/FlowLayout.h"
#include "widgets/LayoutTools.h"
#include "widgets/MessageBoxes.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace calc {

namespace {

// Design sizes at 96 dpi.
constexpr QSize kDesignClientSize{484, 219};
constexpr int kDesignTypeHeight = 49;
constexpr int kDesignMargin = 8;
constexpr int kDesignRowMargin = 6;
constexpr int kFitPadding = 15;
constexpr int kFitMinimum = 15;
constexpr int kFitTextMinimum = 80;

/// A field that keeps its caret where it was when it takes the focus, where a line edit would
/// select all its text: the arguments and body are edited in place.
class TKeepCaretEdit final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QFocusEvent plain(event->type(), Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&plain);
    }
};

/// Selects the character at pos of the field and gives it the focus.
void MarkCharacter(QLineEdit* field, qsizetype pos)
{
    field->setFocus(Qt::OtherFocusReason);
    field->setSelection(static_cast<int>(pos), 1);
}

} // namespace

TfrmEditDefinition::TfrmEditDefinition(TDefinitionsGroup& group, int index, const TFontData& font,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      FGroup(group)
{
    setWindowTitle(tr("Edit Definition"));
    setSizeGripEnabled(true);
    CreateControls(font);
    // Starts at its design size, or larger where the font needs it.
    resize(DesignPixels(*this, kDesignClientSize).expandedTo(minimumSizeHint()));
    ActivateLayouts(fpDefinition);
    Setup(index);
}

void TfrmEditDefinition::CreateControls(const TFontData& font)
{
    const int margin = DesignPixels(*this, kDesignMargin);

    rgDefinitionType = new QGroupBox(tr(" Definition Type: "), this);
    rbConstant = new QRadioButton(tr("Constant"), rgDefinitionType);
    rbFunction = new QRadioButton(tr("Function"), rgDefinitionType);
    auto* typeLayout = new QHBoxLayout(rgDefinitionType);
    typeLayout->addWidget(rbConstant, 1);
    typeLayout->addWidget(rbFunction, 1);
    // Never squeezed below what its buttons need, whatever the design height says.
    rgDefinitionType->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    rgDefinitionType->setFixedHeight(
        std::max(DesignPixels(*this, kDesignTypeHeight), rgDefinitionType->sizeHint().height()));
    FKindButtons = new QButtonGroup(this);
    FKindButtons->addButton(rbConstant, static_cast<int>(TDefinitionKind::dkConst));
    FKindButtons->addButton(rbFunction, static_cast<int>(TDefinitionKind::dkFunc));
    rbConstant->setChecked(true);
    connect(FKindButtons, &QButtonGroup::idClicked, this,
            [this](int id) { SetKind(static_cast<TDefinitionKind>(id)); });

    lbDefinition = new QLabel(tr("Definition:"), this);
    lbDefinition->setContentsMargins(0, margin, 0, 0);

    fpDefinition = new QWidget(this);
    auto* row = new TFlowLayout(fpDefinition);
    edDefinitionName = new QLineEdit(fpDefinition);
    lbBracketLeft = new QLabel(QStringLiteral("("), fpDefinition);
    edDefinitionArguments = new TKeepCaretEdit(fpDefinition);
    lbBracketRight = new QLabel(QStringLiteral(")"), fpDefinition);
    lbEqual = new QLabel(QStringLiteral("="), fpDefinition);
    edDefinitionText = new TKeepCaretEdit(fpDefinition);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{edDefinitionName, lbBracketLeft, edDefinitionArguments,
                                         lbBracketRight, lbEqual, edDefinitionText})
        row->addWidget(widget);
    edDefinitionName->setFixedWidth(DesignPixels(*this, 100));
    edDefinitionArguments->setFixedWidth(DesignPixels(*this, 100));
    edDefinitionText->setFixedWidth(DesignPixels(*this, 200));
    ApplyFont(*fpDefinition, font);
    lbDefinition->setBuddy(edDefinitionName);
    fpDefinition->installEventFilter(this);
    connect(edDefinitionName, &QLineEdit::textChanged, this, [this] {
        FNameFitted = true;
        FitWidth(edDefinitionName, kFitMinimum, fpDefinition->contentsRect().width());
    });
    connect(edDefinitionArguments, &QLineEdit::textChanged, this, [this] {
        FArgumentsFitted = true;
        FitWidth(edDefinitionArguments, kFitMinimum, fpDefinition->contentsRect().width());
    });
    connect(edDefinitionText, &QLineEdit::textChanged, this, [this] {
        FitWidth(edDefinitionText, kFitMinimum, fpDefinition->contentsRect().width());
    });

    auto* lbComment = new QLabel(tr("Comment:"), this);
    CommentEditor = new QPlainTextEdit(this);
    CommentEditor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    CommentEditor->setTabChangesFocus(true);
    ApplyFont(*CommentEditor, font);
    CommentEditor->installEventFilter(this);
    lbComment->setBuddy(CommentEditor);

    ButtonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(ButtonBox, &QDialogButtonBox::accepted, this, &TfrmEditDefinition::accept);
    connect(ButtonBox, &QDialogButtonBox::rejected, this, &TfrmEditDefinition::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(0);
    layout->addWidget(rgDefinitionType);
    layout->addWidget(lbDefinition);
    layout->addSpacing(DesignPixels(*this, kDesignRowMargin));
    layout->addWidget(fpDefinition);
    layout->addSpacing(DesignPixels(*this, kDesignRowMargin));
    layout->addWidget(lbComment);
    layout->addWidget(CommentEditor, 1);
    layout->addSpacing(margin);
    layout->addWidget(ButtonBox);

    QWidget* const order[] = {
        rbConstant,       rbFunction,    edDefinitionName, edDefinitionArguments,
        edDefinitionText, CommentEditor, ButtonBox};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    UpdateKindControls();
    edDefinitionName->setFocus(Qt::OtherFocusReason);
}

bool TfrmEditDefinition::Execute(TDefinitionsGroup& group, std::string& comment, int index,
                                 const TFontData& font, QWidget* parent)
{
    TfrmEditDefinition dialog(group, index, font, parent);
    dialog.SetComment(comment);
    const QScreen* screen = parent != nullptr ? parent->screen() : dialog.screen();
    if (screen != nullptr)
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    comment = dialog.Comment();
    return true;
}

void TfrmEditDefinition::Setup(int index)
{
    FIndex = index;
    SetIsNew(index < 0);
    if (!FIsNew) {
        SetKind(FGroup.GetKind(index));
        edDefinitionName->setText(FromCore(FGroup.GetName(index)));
        edDefinitionText->setText(FromCore(FGroup.GetText(index)));
        edDefinitionArguments->setText(FromCore(FGroup.GetArgumentsText(index)));
    }
    edDefinitionName->selectAll();
}

void TfrmEditDefinition::SetIsNew(bool value)
{
    if (value == FIsNew)
        return;
    FIsNew = value;
    const int height = rgDefinitionType->height();
    rgDefinitionType->setVisible(value);
    // The title stands at the margin's distance from whatever is above it.
    lbDefinition->setContentsMargins(0, value ? DesignPixels(*this, kDesignMargin) : 0, 0, 0);
    ActivateLayouts(fpDefinition);
    const int delta = value ? height : -height - DesignPixels(*this, kDesignMargin);
    resize(width(), std::max(minimumSizeHint().height(), this->height() + delta));
}

void TfrmEditDefinition::SetKind(TDefinitionKind value)
{
    if (value == FKind)
        return;
    FKind = value;
    UpdateKindControls();
}

void TfrmEditDefinition::UpdateKindControls()
{
    {
        const QSignalBlocker blocker(FKindButtons);
        (FKind == TDefinitionKind::dkFunc ? rbFunction : rbConstant)->setChecked(true);
    }
    const bool function = FKind == TDefinitionKind::dkFunc;
    lbBracketLeft->setVisible(function);
    lbBracketRight->setVisible(function);
    edDefinitionArguments->setVisible(function);
    UpdateRowHeight();
}

void TfrmEditDefinition::FitWidth(QLineEdit* field, int minimum, int maximum)
{
    const int text = field->fontMetrics().horizontalAdvance(field->text());
    const int wanted =
        std::max(DesignPixels(*this, minimum), text + DesignPixels(*this, kFitPadding));
    const int width = std::max(1, std::min(maximum, wanted));
    if (width == field->width() && field->minimumWidth() == width)
        return;
    field->setFixedWidth(width);
    UpdateRowHeight();
}

void TfrmEditDefinition::UpdateRowHeight()
{
    // The row may now wrap differently. Its lines are its least height, so that a dialog that
    // is too short for them grows rather than cutting fields off.
    const int height = fpDefinition->layout()->heightForWidth(fpDefinition->width());
    if (height != fpDefinition->minimumHeight())
        fpDefinition->setMinimumHeight(height);
}

void TfrmEditDefinition::RowResized()
{
    const int width = fpDefinition->contentsRect().width();
    FitWidth(edDefinitionText, kFitTextMinimum, width);
    // Fields sized by their text while the row was narrower take their full width again.
    if (FNameFitted)
        FitWidth(edDefinitionName, kFitMinimum, width);
    if (FArgumentsFitted)
        FitWidth(edDefinitionArguments, kFitMinimum, width);
    UpdateRowHeight();
}

bool TfrmEditDefinition::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == fpDefinition && event->type() == QEvent::Resize)
        RowResized();
    else if (watched == CommentEditor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter confirms as in every other field; Ctrl+Enter breaks the comment's line.
        if (enter && (key->modifiers() & Qt::ControlModifier) != 0) {
            CommentEditor->insertPlainText(QStringLiteral("\n"));
            return true;
        }
        if (IsEnterKey(*key)) {
            ButtonBox->button(QDialogButtonBox::Ok)->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmEditDefinition::SetComment(std::string_view stored)
{
    QString text = FromCore(UnescapeComment(stored));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    CommentEditor->setPlainText(text);
}

std::string TfrmEditDefinition::Comment() const
{
    // Stored with CR LF line ends, as every definitions file holds them.
    QString text = DocumentText(*CommentEditor->document());
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return EscapeComment(ToCore(text));
}

QString TfrmEditDefinition::StorableError() const
{
    const bool function = FKind == TDefinitionKind::dkFunc;
    for (QLineEdit* field : {edDefinitionName, edDefinitionArguments, edDefinitionText}) {
        if (field == edDefinitionArguments && !function)
            continue; // a constant has none
        const QString text = field->text();
        if (const qsizetype pos = FindNonLatin1(text); pos >= 0) {
            MarkCharacter(field, pos);
            return tr("The character %1 cannot be stored in a definitions file, which holds "
                      "ISO-8859-1 text only.")
                .arg(DescribeCharacter(text, pos));
        }
        try {
            CheckStorableText(ToCore(text));
        }
        catch (const EException& e) {
            field->setFocus(Qt::OtherFocusReason);
            return FromCore(e.what());
        }
    }
    const QString comment = DocumentText(*CommentEditor->document());
    if (const qsizetype pos = FindNonLatin1(comment); pos >= 0) {
        QTextCursor cursor = CommentEditor->textCursor();
        cursor.setPosition(static_cast<int>(pos));
        cursor.setPosition(static_cast<int>(pos) + 1, QTextCursor::KeepAnchor);
        CommentEditor->setTextCursor(cursor);
        CommentEditor->setFocus(Qt::OtherFocusReason);
        return tr("The comment holds the character %1, which a definitions file cannot store: "
                  "it holds ISO-8859-1 text only.")
            .arg(DescribeCharacter(comment, pos));
    }
    return {};
}

void TfrmEditDefinition::accept()
{
    const std::string name = ToCore(edDefinitionName->text());
    const std::string arguments = ToCore(edDefinitionArguments->text());
    const std::string text = ToCore(edDefinitionText->text());
    if (const QString error = StorableError(); !error.isEmpty()) {
        ShowErrorBox(this, error);
        return;
    }
    try {
        if (FIsNew)
            FGroup.AddDefinition(name, arguments, FKind, text);
        else
            FGroup.ChangeDefinition(FIndex, name, text, arguments);
    }
    catch (const EException& e) {
        ShowErrorBox(this, FromCore(e.what())); // refused: the input stays for correcting
        return;
    }
    QDialog::accept();
}

} // namespace calc
