#pragma once

// A person's view of a screen: clicks and keys go through the window, so the
// control under the pointer gets them, and the checks that a screen fits the
// booth display with every control in reach.

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace tolvo::test {

inline constexpr QSize kBoothDisplay(1024, 768);
// What the main window's 1024x740 leaves of the display for a window's title bar.
inline constexpr int kTitleBar = 28;

// Shows a screen as a window of its own and makes it the active one.
inline void ShowActive(QWidget& screen)
{
    screen.show();
    screen.activateWindow();
    QApplication::setActiveWindow(&screen);
    QApplication::processEvents();
}

// Brings a control that sits in a scrolled area into view first.
inline void ScrollIntoView(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p)) area->ensureWidgetVisible(w, 0, 0);
}

// A click on a control as the window receives it: whatever lies
// on top at that point gets the press.
inline void ClickThroughWindow(QWidget* w)
{
    ScrollIntoView(w);
    QWidget* top = w->window();
    QWindow* handle = top->windowHandle();
    // A check box or option button takes clicks on its box and caption only.
    const bool boxed = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
    const QPoint local = boxed ? QPoint(w->height() / 2, w->height() / 2) : w->rect().center();
    const QPoint at = w->mapTo(top, local);
    QTest::mouseClick(handle, Qt::LeftButton, {}, handle->mapFromGlobal(top->mapToGlobal(at)));
    QApplication::processEvents();
}

// Typing on the keyboard: the window's focused control gets the keys. A
// character typed with Shift held gets its own Shift press and release around it.
inline void TypeThroughWindow(QWidget* top, const QString& text)
{
    for (const QChar ch : text) {
        const bool shifted = ch.isUpper() || QStringLiteral("~!@#$%^&*()_+{}|:\"<>?").contains(ch);
        QTest::keyClick(top->windowHandle(), ch.toLatin1(), shifted ? Qt::ShiftModifier : Qt::NoModifier);
    }
    QApplication::processEvents();
}

// Controls that a person works: skipped are the parts that belong to a
// composite control (a grid's cells, a list's editor, a spin box's text).
inline bool IsPartOfComposite(const QWidget* w, const QWidget* top)
{
    for (const QWidget* p = w->parentWidget(); p && p != top; p = p->parentWidget())
        if (qobject_cast<const QAbstractItemView*>(p) || qobject_cast<const QComboBox*>(p) ||
            qobject_cast<const QAbstractSpinBox*>(p))
            return true;
    return qobject_cast<const QScrollBar*>(w) != nullptr;
}

// True when the whole control can be brought onto the screen: every parent
// holds it, except that a scrolled area's content may run past its view.
inline bool Reachable(const QWidget* w, const QWidget* top)
{
    QRect r = w->rect();
    for (const QWidget* cur = w; cur != top; cur = cur->parentWidget()) {
        const QWidget* parent = cur->parentWidget();
        r.translate(cur->pos());
        const auto* area = parent->parentWidget() ? qobject_cast<const QScrollArea*>(parent->parentWidget()) : nullptr;
        if (area && parent == area->viewport() && cur == area->widget()) {
            r = parent->rect(); // scrolling brings any part of the content into view
            continue;
        }
        if (!parent->rect().contains(r)) return false;
    }
    return true;
}

// The names (or class names) of the shown controls of a screen that cannot be
// brought onto the screen.
inline QStringList UnreachableControls(const QWidget& top)
{
    QStringList out;
    for (const QWidget* w : top.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&top) || w->isWindow() || IsPartOfComposite(w, &top)) continue;
        if (!Reachable(w, &top))
            out << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName());
    }
    return out;
}

} // namespace tolvo::test
