#include "ui/ResultsView.h"

#include "core/CalcCore.h"
#include "ui/CoreText.h"
#include "widgets/RightAlignEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace calc {

namespace {

constexpr int kSideMargin = 7;
constexpr int kBoxGap = 7;
constexpr int kFieldLeft = 8;
constexpr int kFieldTop = 20;
constexpr int kFieldBottom = 10;

QFont CaptionFont(const QFont& base, bool bold)
{
    QFont font = base;
    font.setBold(bold);
    return font;
}

/// Whether the focus arriving in a field is the user choosing that box. The focus also comes
/// back when a pop-up menu closes or the window is activated again, and a right or middle click
/// is after the menu or a paste: none of these may move the default format.
bool SelectsResult(Qt::FocusReason reason)
{
    switch (reason) {
    case Qt::MouseFocusReason:
        return QGuiApplication::mouseButtons() == Qt::LeftButton;
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
        return true;
    default:
        return false;
    }
}

} // namespace

TResultBox::TResultBox(TResultProvider& format, const QFont& textFont, QWidget* parent)
    : QGroupBox(parent), FFormat(format), FField(new TRightAlignEdit(this))
{
    setTitle(QLatin1Char(' ') + FromCore(format.GetName()) + QLatin1Char(' '));
    SetDefaultMark(format.IsDefault());
    FField->setFixedHeight(TextLineHeight(textFont));
    FField->setContextMenuPolicy(Qt::NoContextMenu);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    FitToFrame();
}

void TResultBox::FitToFrame()
{
    // The field starts below the caption, also when the interface font is large, and keeps
    // clear of the frame the style draws around the contents.
    const QMargins frame = contentsMargins();
    FFieldTop =
        std::max({kFieldTop, QFontMetrics(CaptionFont(font(), true)).height() + 4, frame.top()});
    setFixedHeight(FField->height() + FFieldTop + std::max(kFieldBottom, frame.bottom()));
    PlaceField();
}

void TResultBox::PlaceField()
{
    const QMargins frame = contentsMargins();
    const int left = std::max(kFieldLeft, frame.left());
    const int right = std::max(kFieldLeft, frame.right());
    FField->setGeometry(left, FFieldTop, width() - left - right, FField->height());
}

void TResultBox::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    PlaceField();
}

void TResultBox::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    // A style sheet sets its font only when the box is first shown.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        FitToFrame();
}

void TResultBox::SetDefaultMark(bool value)
{
    setFont(CaptionFont(parentWidget() != nullptr ? parentWidget()->font() : font(), value));
}

void TResultBox::mousePressEvent(QMouseEvent* event)
{
    QGroupBox::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit Clicked();
}

TfrmResultsView::TfrmResultsView(TCalcManager& manager, QAction* copyResult, QAction* resultFormats,
                                 QWidget* parent)
    : QWidget(parent), FManager(manager), FCopyResult(copyResult), FResultFormats(resultFormats),
      FLayout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("ResultsView"));
    FLayout->setContentsMargins(kSideMargin, 0, kSideMargin, kBoxGap);
    FLayout->setSpacing(kBoxGap);
    FLayout->setSizeConstraint(QLayout::SetNoConstraint);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    FManager.OnResultsChange = [this](TCalcManager&, TResultChange kind) { ResultsChanged(kind); };
    RebuildBoxes();
    ApplyAlignment();
    FConstructing = false;
}

TfrmResultsView::~TfrmResultsView()
{
    FManager.OnResultsChange = nullptr;
}

QWidget* TfrmResultsView::GetFocusControl() const
{
    for (TResultBox* box : FBoxes)
        if (box->Format().IsDefault())
            return box->Field();
    return nullptr;
}

QList<TResultBox*> TfrmResultsView::Boxes() const
{
    return {FBoxes.begin(), FBoxes.end()};
}

void TfrmResultsView::SettingsChanged()
{
    RebuildBoxes();
    ApplyAlignment();
    RefreshTexts();
}

void TfrmResultsView::ResultsChanged(TResultChange kind)
{
    switch (kind) {
    case TResultChange::rcList:
        RebuildBoxes();
        ApplyAlignment();
        RefreshTexts();
        emit DefaultChanged(); // a batch update may have moved the default as well
        break;
    case TResultChange::rcFormat:
    case TResultChange::rcValue:
        RefreshTexts();
        break;
    case TResultChange::rcDefault:
        UpdateDefaultMarks();
        emit DefaultChanged();
        break;
    case TResultChange::rcRightAlign:
        ApplyAlignment();
        break;
    }
}

void TfrmResultsView::RebuildBoxes()
{
    const QPointer<QWidget> focused = QApplication::focusWidget();
    bool hadFocus = false;
    for (TResultBox* box : FBoxes) {
        hadFocus = hadFocus || focused == box->Field();
        delete box;
    }
    FBoxes.clear();

    const TFontData& fontData = FManager.Font();
    const QFont textFont = ToQFont(fontData);
    int total = 0;
    for (TResultProvider& format : FManager.Results().VisibleResults()) {
        auto* box = new TResultBox(format, textFont, this);
        ApplyFont(*box->Field(), fontData);
        connect(box, &TResultBox::Clicked, this, [this, box] { SelectResult(box); });
        connect(box->Field(), &TRightAlignEdit::FocusReceived, this,
                [this, box](Qt::FocusReason reason) {
                    if (!SelectsResult(reason))
                        return;
                    SelectResult(box);
                    // A click places the caret after the focus arrived; select once it is done.
                    if (reason == Qt::MouseFocusReason)
                        QTimer::singleShot(0, box->Field(), &QLineEdit::selectAll);
                });
        FLayout->addWidget(box);
        box->show();
        FBoxes.push_back(box);
        total += box->height() + kBoxGap;
    }
    FitHeight(total);
    if (hadFocus)
        FocusView(*this);
}

void TfrmResultsView::FitHeight(int total)
{
    const int old = minimumHeight();
    setFixedHeight(total);
    // The window is made to fit the view when it is built.
    if (!FConstructing && total != old)
        emit HeightChanged(total - old);
}

void TfrmResultsView::RefreshTexts()
{
    const Extended value = FManager.Results().Value();
    for (TResultBox* box : FBoxes) {
        box->Field()->setText(FromCore(box->Format().FormatValue(value)));
        box->Field()->setCursorPosition(0);
    }
}

void TfrmResultsView::UpdateDefaultMarks()
{
    for (TResultBox* box : FBoxes)
        box->SetDefaultMark(box->Format().IsDefault());
}

void TfrmResultsView::ApplyAlignment()
{
    const bool right = FManager.Results().RightAlign();
    for (TResultBox* box : FBoxes)
        box->Field()->SetRightAlign(right);
}

void TfrmResultsView::SelectResult(TResultBox* box)
{
    if (box == nullptr)
        return;
    box->Field()->setFocus(Qt::OtherFocusReason);
    box->Field()->selectAll();
    if (!box->Format().IsDefault())
        box->Format().SetIsDefault(true);
}

TResultBox* TfrmResultsView::BoxAt(QWidget* widget) const
{
    for (; widget != nullptr && widget != this; widget = widget->parentWidget())
        if (auto* box = qobject_cast<TResultBox*>(widget))
            return box;
    return nullptr;
}

QMenu* TfrmResultsView::CreatePopup(TResultBox* box)
{
    if (FPopup != nullptr)
        FPopup->deleteLater();
    FPopup = new QMenu(this);
    FPopup->addAction(FCopyResult);
    if (box != nullptr) {
        const QString caption =
            tr("Copy Selected Result (%1)").arg(FromCore(box->Format().GetName()));
        connect(FPopup->addAction(caption), &QAction::triggered, this,
                [field = QPointer<TRightAlignEdit>(box->Field())] {
                    if (field != nullptr)
                        QGuiApplication::clipboard()->setText(field->text());
                });
    }
    connect(FPopup->addAction(tr("Copy All Results")), &QAction::triggered, this,
            &TfrmResultsView::CopyAllResults);
    FPopup->addSeparator();
    for (TResultProvider& format : FManager.Results().AllResults()) {
        QAction* item = FPopup->addAction(FromCore(format.GetName()));
        item->setCheckable(true);
        item->setChecked(format.Visible());
        connect(item, &QAction::triggered, this,
                [&format](bool checked) { format.SetVisible(checked); });
    }
    FPopup->addSeparator();
    FPopup->addAction(FResultFormats);
    return FPopup;
}

void TfrmResultsView::contextMenuEvent(QContextMenuEvent* event)
{
    TResultBox* box = BoxAt(childAt(event->pos()));
    CreatePopup(box)->popup(event->globalPos());
    event->accept();
}

void TfrmResultsView::CopyAllResults() const
{
    QString text;
    for (const TResultBox* box : FBoxes)
        text += box->Field()->text() + QLatin1String("\r\n");
    QGuiApplication::clipboard()->setText(text);
}

} // namespace calc
