#pragma once

#include <QList>

class QWidget;

namespace tolvo {

// Tab goes through the controls in this order, Backtab back.
void SetFocusOrder(const QList<QWidget*>& order);

// A screen opens on the first control of its order that can take the focus
// (enabled, shown, reached by Tab).
void FocusFirst(const QList<QWidget*>& order);

} // namespace tolvo
