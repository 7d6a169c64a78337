#include "ui/EditDefsFileDialog.h"

#include "definitions/CalcDefsFile.h"
#include "definitions/FileStore.h"
#include "ui/CoreText.h"
#include "widgets/ActionTools.h"
#include "widgets/DesignSize.h"
#include "widgets/MessageBoxes.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QVBoxLayout>

namespace calc {

namespace {

// Design sizes at 96 dpi.
constexpr QSize kDesignClientSize{592, 373};
constexpr int kDesignSearchWidth = 200;
constexpr int kDesignMargin = 8;

[[nodiscard]] bool IsBlank(QChar c) noexcept
{
    return c.unicode() <= ' ';
}

} // namespace

TfrmEditDefsFile::TfrmEditDefsFile(TDefinitionsRawStream& stream, std::string_view content,
                                   const QString& name, const TFontData& font, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      FStream(stream)
{
    setWindowTitle(tr("Edit Definitions File"));
    setSizeGripEnabled(true);
    CreateControls(font);
    SetText(content);
    edSearch->setText(name);
    resize(DesignPixels(*this, kDesignClientSize).expandedTo(minimumSizeHint()));
    UpdatePosition();
}

void TfrmEditDefsFile::CreateControls(const TFontData& font)
{
    lbTextPosition = new QLabel(this);
    auto* lbSearch = new QLabel(tr("Search definition:"), this);
    edSearch = new QLineEdit(this);
    edSearch->setFixedWidth(DesignPixels(*this, kDesignSearchWidth));
    edSearch->installEventFilter(this);
    lbSearch->setBuddy(edSearch);
    btnSearch = new QPushButton(tr("Go"), this);
    btnSearch->setAutoDefault(false);
    connect(btnSearch, &QPushButton::clicked, this, [this] { SearchDefinition(edSearch->text()); });

    Editor = new QPlainTextEdit(this);
    Editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    Editor->setWordWrapMode(QTextOption::NoWrap);
    Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ApplyFont(*Editor, font);
    Editor->installEventFilter(this);
    connect(Editor, &QPlainTextEdit::cursorPositionChanged, this,
            &TfrmEditDefsFile::UpdatePosition);
    connect(Editor, &QPlainTextEdit::selectionChanged, this, &TfrmEditDefsFile::UpdatePosition);

    ButtonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(ButtonBox, &QDialogButtonBox::accepted, this, &TfrmEditDefsFile::accept);
    connect(ButtonBox, &QDialogButtonBox::rejected, this, &TfrmEditDefsFile::reject);

    EditSelectAll = NewAction(this, tr("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A),
                              tr("Select All|Selects the entire document"));
    connect(EditSelectAll, &QAction::triggered, this, &TfrmEditDefsFile::SelectAll);
    addAction(EditSelectAll);

    const int margin = DesignPixels(*this, kDesignMargin);
    auto* top = new QHBoxLayout;
    top->addWidget(lbTextPosition);
    top->addStretch(1);
    top->addWidget(lbSearch);
    top->addWidget(edSearch);
    top->addWidget(btnSearch);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addLayout(top);
    layout->addWidget(Editor, 1);
    layout->addWidget(ButtonBox);

    setTabOrder(Editor, edSearch);
    setTabOrder(edSearch, btnSearch);
    setTabOrder(btnSearch, ButtonBox);
    Editor->setFocus(Qt::OtherFocusReason);
}

bool TfrmEditDefsFile::Execute(TDefinitionsRawStream& stream, const std::string& name,
                               const TFontData& font, QWidget* parent)
{
    std::string content;
    try {
        content = stream.ReadAll();
    }
    catch (const EException& e) {
        // Nothing is shown that could be written back over what was not read.
        ShowErrorBox(parent, FromCore(e.what()));
        return false;
    }
    TfrmEditDefsFile dialog(stream, content, FromCore(name), font, parent);
    const QScreen* screen = parent != nullptr ? parent->screen() : dialog.screen();
    if (screen != nullptr)
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    return dialog.exec() == QDialog::Accepted;
}

void TfrmEditDefsFile::SetText(std::string_view content)
{
    FByteOrderMark = content.starts_with(kUtf8ByteOrderMark);
    if (FByteOrderMark)
        content.remove_prefix(kUtf8ByteOrderMark.size());
    QString text = FromCore(content);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The line end of the last line ends it; it starts no further, empty line.
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    Editor->setPlainText(text);
    Editor->document()->setModified(false);
}

std::string TfrmEditDefsFile::FileText() const
{
    std::string result;
    if (FByteOrderMark)
        result = kUtf8ByteOrderMark;
    const QString text = DocumentText(*Editor->document());
    if (text.isEmpty())
        return result;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        result += ToCore(line);
        result += "\r\n";
    }
    return result;
}

void TfrmEditDefsFile::UpdatePosition()
{
    const QTextCursor cursor = Editor->textCursor();
    const int column = cursor.positionInBlock() + 1;
    const int line = cursor.blockNumber() + 1;
    const int selected = cursor.selectionEnd() - cursor.selectionStart();
    lbTextPosition->setText(selected == 0
                                ? QStringLiteral("%1:%2").arg(column).arg(line)
                                : tr("%1:%2 (%3 selected)").arg(column).arg(line).arg(selected));
}

void TfrmEditDefsFile::SearchDefinition(const QString& name)
{
    if (name.isEmpty())
        return;
    for (QTextBlock block = Editor->document()->begin(); block.isValid(); block = block.next()) {
        const QString line = block.text();
        qsizetype start = 0;
        while (start < line.size() && IsBlank(line[start]))
            ++start;
        if (start < line.size() && line[start] == QLatin1Char(';'))
            continue;
        if (!QStringView(line).mid(start).startsWith(name, Qt::CaseInsensitive))
            continue;
        const qsizetype found = line.indexOf(name, 0, Qt::CaseInsensitive);
        SelectInEditor(block.position() + static_cast<int>(found), static_cast<int>(name.size()));
        return;
    }
}

void TfrmEditDefsFile::SelectInEditor(int pos, int length)
{
    QTextCursor cursor = Editor->textCursor();
    cursor.setPosition(pos);
    cursor.setPosition(pos + length, QTextCursor::KeepAnchor);
    Editor->setTextCursor(cursor);
    Editor->ensureCursorVisible();
    UpdatePosition();
}

void TfrmEditDefsFile::SelectAll()
{
    if (auto* line = qobject_cast<QLineEdit*>(focusWidget()))
        line->selectAll();
    else if (auto* text = qobject_cast<QPlainTextEdit*>(focusWidget()))
        text->selectAll();
}

void TfrmEditDefsFile::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (FSearched)
        return;
    FSearched = true;
    SearchDefinition(edSearch->text());
}

bool TfrmEditDefsFile::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == Editor && enter && (key->modifiers() & Qt::ControlModifier) != 0) {
            ButtonBox->button(QDialogButtonBox::Ok)->click();
            return true;
        }
        // Enter in the search field searches rather than writing the file.
        if (watched == edSearch && IsEnterKey(*key)) {
            btnSearch->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmEditDefsFile::accept()
{
    const QString text = DocumentText(*Editor->document());
    if (const qsizetype pos = FindNonLatin1(text); pos >= 0) {
        SelectInEditor(static_cast<int>(pos), 1);
        const QTextCursor cursor = Editor->textCursor();
        ShowErrorBox(this, tr("Line %1, column %2: the character %3 cannot be stored in a "
                              "definitions file, which holds ISO-8859-1 text only.")
                               .arg(cursor.blockNumber() + 1)
                               .arg(cursor.selectionStart() - cursor.block().position() + 1)
                               .arg(DescribeCharacter(text, pos)));
        Editor->setFocus(Qt::OtherFocusReason);
        return;
    }
    try {
        FStream.Clear();
        FStream.Write(FileText());
        FStream.Commit();
    }
    catch (const EException& e) {
        // The file is as it was; the text stays here to be written again or copied away.
        ShowErrorBox(this, FromCore(e.what()));
        return;
    }
    QDialog::accept();
}

void TfrmEditDefsFile::reject()
{
    if (Editor->document()->isModified() &&
        !ConfirmBox(this, tr("You have modified definitions. Exit without saving?")))
        return;
    QDialog::reject();
}

} // namespace calc
