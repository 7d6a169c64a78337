#include "ui/HelpWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace calc {

namespace {

QString& HelpFileOverride()
{
    static QString fileName;
    return fileName;
}

QPointer<TfrmHelp>& OpenHelpWindow()
{
    static QPointer<TfrmHelp> window;
    return window;
}

} // namespace

QString HelpFileName()
{
    const QString file =
        HelpFileOverride().isEmpty()
            ? QDir::cleanPath(QCoreApplication::applicationDirPath() +
                              QStringLiteral("/../share/zembrical/help/index.html"))
            : HelpFileOverride();
    return QFileInfo(file).isFile() ? file : QString();
}

void SetHelpFileName(const QString& fileName)
{
    HelpFileOverride() = fileName;
}

TfrmHelp::TfrmHelp(const QString& fileName, QWidget* parent)
    : QWidget(parent, Qt::Window), FBrowser(new QTextBrowser(this)), FSearch(new QLineEdit(this)),
      FNotFound(new QLabel(tr("Not found"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Zembrical Calculator Help"));
    FBrowser->setOpenExternalLinks(true);
    FBrowser->setSource(QUrl::fromLocalFile(fileName));

    auto* back = new QToolButton(this);
    back->setText(tr("Back"));
    back->setIcon(QIcon::fromTheme(QStringLiteral("go-previous")));
    back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back->setEnabled(false);
    connect(back, &QToolButton::clicked, FBrowser, &QTextBrowser::backward);
    connect(FBrowser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    auto* home = new QToolButton(this);
    home->setText(tr("Contents"));
    home->setIcon(QIcon::fromTheme(QStringLiteral("go-home")));
    home->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(home, &QToolButton::clicked, FBrowser, &QTextBrowser::home);

    FSearch->setPlaceholderText(tr("Search"));
    FSearch->setClearButtonEnabled(true);
    FSearch->setAccessibleName(tr("Search"));
    FNotFound->setVisible(false);
    connect(FSearch, &QLineEdit::textEdited, this, &TfrmHelp::SearchChanged);
    connect(FSearch, &QLineEdit::returnPressed, this, [this] { FindNext(); });

    auto* findAction = new QAction(this);
    findAction->setShortcuts(QKeySequence::Find);
    connect(findAction, &QAction::triggered, this, [this] {
        FSearch->setFocus(Qt::ShortcutFocusReason);
        FSearch->selectAll();
    });
    auto* nextAction = new QAction(this);
    nextAction->setShortcuts(QKeySequence::FindNext);
    connect(nextAction, &QAction::triggered, this, [this] { FindNext(); });
    auto* previousAction = new QAction(this);
    previousAction->setShortcuts(QKeySequence::FindPrevious);
    connect(previousAction, &QAction::triggered, this, [this] { FindNext(true); });
    auto* closeAction = new QAction(this);
    closeAction->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    addActions({findAction, nextAction, previousAction, closeAction});

    auto* bar = new QHBoxLayout;
    bar->addWidget(back);
    bar->addWidget(home);
    bar->addStretch(1);
    bar->addWidget(FNotFound);
    bar->addWidget(FSearch, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(FBrowser, 1);

    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    resize(60 * em, 45 * fontMetrics().height());
}

void TfrmHelp::SearchChanged()
{
    // The search starts again from where the found text begins, so each typed letter extends
    // the match instead of jumping past it.
    QTextCursor cursor = FBrowser->textCursor();
    cursor.setPosition(cursor.selectionStart());
    FBrowser->setTextCursor(cursor);
    FindNext();
}

void TfrmHelp::FindNext(bool backward)
{
    const QString text = FSearch->text();
    if (text.isEmpty()) {
        ShowFound(true);
        return;
    }
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = FBrowser->find(text, flags);
    if (!found) {
        // Wrap around: once more from the other end.
        const QTextCursor saved = FBrowser->textCursor();
        QTextCursor cursor = saved;
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        FBrowser->setTextCursor(cursor);
        found = FBrowser->find(text, flags);
        if (!found)
            FBrowser->setTextCursor(saved);
    }
    ShowFound(found);
}

void TfrmHelp::ShowFound(bool found)
{
    FFound = found;
    FNotFound->setVisible(!found);
}

TfrmHelp* ShowHelpWindow(QWidget* owner)
{
    QPointer<TfrmHelp>& window = OpenHelpWindow();
    if (window == nullptr) {
        const QString file = HelpFileName();
        if (file.isEmpty())
            return nullptr;
        // Owned by the main window, so it closes with it, yet a window of its own.
        window = new TfrmHelp(file, owner);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace calc
