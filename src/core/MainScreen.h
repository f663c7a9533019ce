#pragma once

#include <QColor>
#include <QString>

namespace tolvo {

// How logic reaches the main screen. Controls are named by their objectName
// ("CarCnt_3", "LOut_0", "PnlMsg", "Fnd", "LblBusy", ...). The window
// implements it; tests use RecordingMainScreen.
class MainScreen {
public:
    virtual ~MainScreen() = default;
    virtual void setText(const QString& control, const QString& text) = 0;
    virtual QString text(const QString& control) const = 0;
    virtual void setForeColor(const QString& control, const QColor& c) = 0;
    virtual void setBackColor(const QString& control, const QColor& c) = 0;
    virtual QColor backColor(const QString& control) const = 0;
    virtual void setVisible(const QString& control, bool visible) = 0;
    virtual void setEnabled(const QString& control, bool enabled) = 0;
    // Whether the control itself is set visible (also while the window is hidden).
    // The window must override it; the timer's lamp and warning steps read it.
    virtual bool isVisible(const QString& control) const { (void)control; return false; }
    // The system beep.
    virtual void beep() {}
    virtual bool isEnabled(const QString& control) const = 0;
    // Maximum length of a text box (TNum).
    virtual void setMaxLength(const QString& control, int length) = 0;
    // Moves the keyboard focus to a control (TNum after an exit).
    virtual void setFocus(const QString& control) { (void)control; }
    // List1: append a line, then select the last line.
    virtual void appendList1(const QString& line) = 0;
    // Refresh of the data control DataTime (the period totals).
    virtual void refreshTotals() = 0;
    virtual void setTimerEnabled(bool on) = 0;
    // The window's mouse pointer: Qt::BusyCursor (arrow with hourglass) or Qt::ArrowCursor.
    virtual void setMousePointer(Qt::CursorShape shape) = 0;
    // Unload the main screen (its closing asks the shut-down question).
    virtual void unload() = 0;
};

} // namespace tolvo
