#include "widgets/FocusOrder.h"

#include <QWidget>

namespace tolvo {

void SetFocusOrder(const QList<QWidget*>& order)
{
    for (qsizetype i = 0; i + 1 < order.size(); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
}

void FocusFirst(const QList<QWidget*>& order)
{
    for (QWidget* w : order) {
        if (w->isEnabled() && w->isVisibleTo(w->window()) && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

} // namespace tolvo
