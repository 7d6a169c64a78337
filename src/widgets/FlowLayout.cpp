#include "widgets/FlowLayout.h"

#include <QWidget>
#include <algorithm>

namespace calc {

TFlowLayout::TFlowLayout(QWidget* parent, int spacing) : QLayout(parent)
{
    setSpacing(spacing);
    setContentsMargins(0, 0, 0, 0);
}

TFlowLayout::~TFlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void TFlowLayout::addItem(QLayoutItem* item)
{
    FItems.append(item);
}

QLayoutItem* TFlowLayout::itemAt(int index) const
{
    return index >= 0 && index < FItems.size() ? FItems.at(index) : nullptr;
}

QLayoutItem* TFlowLayout::takeAt(int index)
{
    return index >= 0 && index < FItems.size() ? FItems.takeAt(index) : nullptr;
}

int TFlowLayout::heightForWidth(int width) const
{
    return DoLayout(QRect(0, 0, width, 0), false);
}

QSize TFlowLayout::sizeHint() const
{
    // One line with everything side by side.
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem* item : FItems) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        width += hint.width() + (shown++ > 0 ? spacing() : 0);
        height = std::max(height, hint.height());
    }
    const QMargins margins = contentsMargins();
    return QSize(width, height).grownBy(margins);
}

QSize TFlowLayout::minimumSize() const
{
    // The widest item alone on its line.
    QSize size;
    for (const QLayoutItem* item : FItems)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    return size.grownBy(contentsMargins());
}

void TFlowLayout::PlaceLine(qsizetype first, qsizetype last, int x, int y, int width,
                            int lineHeight) const
{
    for (qsizetype i = first; i < last; ++i) {
        QLayoutItem* item = FItems.at(i);
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        const int itemWidth = std::min(hint.width(), width);
        item->setGeometry(QRect(x, y + (lineHeight - hint.height()) / 2, itemWidth, hint.height()));
        x += itemWidth + spacing();
    }
}

void TFlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    DoLayout(rect, true);
}

int TFlowLayout::DoLayout(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int y = area.y();
    bool lineBefore = false;
    qsizetype first = 0;
    while (first < FItems.size()) {
        // Take the items of one line: at least one, then as many as fit.
        int width = 0;
        int lineHeight = 0;
        qsizetype last = first;
        for (; last < FItems.size(); ++last) {
            const QLayoutItem* item = FItems.at(last);
            if (item->isEmpty())
                continue;
            const int itemWidth = item->sizeHint().width();
            const int needed = width > 0 ? width + spacing() + itemWidth : itemWidth;
            if (width > 0 && needed > area.width())
                break;
            width = needed;
            lineHeight = std::max(lineHeight, item->sizeHint().height());
        }
        if (width > 0) {
            if (lineBefore)
                y += spacing();
            if (apply)
                PlaceLine(first, last, area.x(), y, area.width(), lineHeight);
            y += lineHeight;
            lineBefore = true;
        }
        first = last;
    }
    return y - rect.y() + contentsMargins().bottom();
}

} // namespace calc
