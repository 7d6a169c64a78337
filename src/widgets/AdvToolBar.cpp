#include "widgets/AdvToolBar.h"

#include <QAction>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

namespace calc {

TAdvToolBar::TAdvToolBar(const QString& title, QWidget* parent) : QToolBar(title, parent)
{
    setObjectName(QStringLiteral("ToolBar"));
    setMovable(false);
    setFloatable(false);
    // Captions stay beside the icons; commands without an icon show their caption alone.
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const int small = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    setIconSize(QSize(small, small));
    setContextMenuPolicy(Qt::PreventContextMenu);
    // The toolbar's layout already hides the buttons that do not fit and shows its extension
    // button exactly then; but that button unfolds the hidden buttons in further rows over
    // the window. It is kept as the chevron, and every press on it opens the menu instead.
    FChevronMenu = new QMenu(this);
    connect(FChevronMenu, &QMenu::aboutToShow, this, &TAdvToolBar::FillChevronMenu);
    FChevron = findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"),
                                       Qt::FindDirectChildrenOnly);
    if (FChevron != nullptr) {
        FChevron->setFocusPolicy(Qt::NoFocus);
        FChevron->setCheckable(false);
        FChevron->installEventFilter(this);
    }
}

bool TAdvToolBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != FChevron)
        return QToolBar::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            FChevron->setDown(true);
            FChevronMenu->exec(FChevron->mapToGlobal(QPoint(0, FChevron->height())));
            FChevron->setDown(false);
        }
        return true;
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return true;
    default:
        return false;
    }
}

void TAdvToolBar::FillChevronMenu()
{
    FChevronMenu->clear();
    for (QAction* action : actions()) {
        const QWidget* widget = widgetForAction(action);
        if (!action->isVisible() || widget == nullptr || widget->isVisibleTo(this))
            continue;
        if (action->isSeparator()) {
            FChevronMenu->addSeparator();
            continue;
        }
        const auto* button = qobject_cast<const QToolButton*>(widget);
        QMenu* list = button != nullptr ? button->menu() : nullptr;
        if (list == nullptr) {
            FChevronMenu->addAction(action);
            continue;
        }
        // The list itself, so that it is prepared for showing as it is under its button.
        list->setTitle(action->text());
        list->menuAction()->setEnabled(action->isEnabled());
        FChevronMenu->addMenu(list);
    }
}

void TAdvToolBar::SetGradient(bool value)
{
    if (value == FGradient)
        return;
    FGradient = value;
    update();
}

void TAdvToolBar::SetTopEdge(bool value)
{
    if (value == FTopEdge)
        return;
    FTopEdge = value;
    update();
}

QToolButton* TAdvToolBar::AddButton(QAction* action)
{
    addAction(action);
    return qobject_cast<QToolButton*>(widgetForAction(action));
}

void TAdvToolBar::FitCaptions(QToolButton* button, const QStringList& captions)
{
    if (button == nullptr)
        return;
    FFitted.append({button, captions});
    RefitCaptions();
}

void TAdvToolBar::RefitCaptions()
{
    for (const auto& [button, captions] : FFitted) {
        if (button == nullptr)
            continue;
        // The button measures itself with each caption; its action keeps the real one.
        const QString shown = button->text();
        int width = 0;
        for (const QString& caption : captions) {
            button->setText(caption);
            width = std::max(width, button->sizeHint().width());
        }
        button->setText(shown);
        button->setMinimumWidth(width);
    }
}

void TAdvToolBar::changeEvent(QEvent* event)
{
    QToolBar::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        RefitCaptions();
}

QToolButton* TAdvToolBar::AddSplitButton(QAction* action, QMenu* menu)
{
    QToolButton* button = AddButton(action);
    if (button != nullptr) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    return button;
}

QToolButton* TAdvToolBar::AddDropDownButton(QAction* action, QMenu* menu)
{
    QToolButton* button = AddButton(action);
    if (button != nullptr) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
    }
    return button;
}

void TAdvToolBar::paintEvent(QPaintEvent* event)
{
    if (!FGradient) {
        QToolBar::paintEvent(event);
        if (FTopEdge) {
            QPainter painter(this);
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawLine(0, 0, width() - 1, 0);
        }
        return;
    }
    // Palette roles keep the gradient right in light and dark color schemes.
    QPainter painter(this);
    const QColor base = palette().color(QPalette::Button);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, base.lighter(125));
    gradient.setColorAt(0.5, base);
    gradient.setColorAt(1, base.darker(118));
    painter.fillRect(rect(), gradient);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    if (FTopEdge)
        painter.drawLine(0, 0, width() - 1, 0);
}

namespace {

void SyncProxy(QAction* proxy, const QAction* source)
{
    QString text = source->text();
    if (!source->shortcut().isEmpty())
        text += QLatin1Char('\t') + source->shortcut().toString(QKeySequence::NativeText);
    proxy->setText(text);
    proxy->setEnabled(source->isEnabled());
    proxy->setCheckable(source->isCheckable());
    proxy->setChecked(source->isChecked());
    proxy->setVisible(source->isVisible());
    proxy->setStatusTip(source->statusTip());
    proxy->setToolTip(source->toolTip());
}

} // namespace

QAction* AddProxyItem(QMenu* menu, QAction* source, bool isDefault)
{
    auto* proxy = new QAction(menu);
    SyncProxy(proxy, source);
    SetDefaultItem(proxy, isDefault);
    QObject::connect(source, &QAction::changed, proxy,
                     [proxy, source] { SyncProxy(proxy, source); });
    // The source decides its own checked state, so a checkable item only forwards the command.
    QObject::connect(proxy, &QAction::triggered, source, [proxy, source] {
        SyncProxy(proxy, source);
        source->trigger();
    });
    menu->addAction(proxy);
    return proxy;
}

void SetDefaultItem(QAction* item, bool isDefault)
{
    QFont font = item->font();
    if (font.bold() == isDefault && font.resolveMask() != 0)
        return;
    font.setBold(isDefault);
    item->setFont(font);
}

bool IsDefaultItem(const QAction* item)
{
    return item->font().bold();
}

} // namespace calc
