#include "widgets/LayoutTools.h"

#include <QLayout>
#include <QWidget>

namespace calc {

void ActivateLayouts(QWidget* widget)
{
    for (QWidget* w = widget; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget())
        if (QLayout* layout = w->layout())
            layout->activate();
}

bool IsMaximized(const QWidget& window)
{
    return (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
}

} // namespace calc
