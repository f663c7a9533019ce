#pragma once

#include "core/MainScreen.h"

#include <QHash>
#include <QStringList>
#include <functional>

namespace tolvo {

// A main screen without widgets: remembers the last state of every control.
class RecordingMainScreen : public MainScreen {
public:
    void setText(const QString& c, const QString& t) override { texts[c] = t; }
    QString text(const QString& c) const override { return texts.value(c); }
    void setForeColor(const QString& c, const QColor& col) override { foreColors[c] = col; }
    void setBackColor(const QString& c, const QColor& col) override { backColors[c] = col; }
    QColor backColor(const QString& c) const override { return backColors.value(c); }
    void setVisible(const QString& c, bool v) override { visible[c] = v; }
    void setEnabled(const QString& c, bool e) override { enabled[c] = e; }
    // A control never set counts as hidden.
    bool isVisible(const QString& c) const override { return visible.value(c, false); }
    void beep() override { ++beeps; }
    // A control never set counts as enabled, as on a freshly made screen.
    bool isEnabled(const QString& c) const override { return enabled.value(c, true); }
    void setMaxLength(const QString& c, int n) override { maxLengths[c] = n; }
    void setFocus(const QString& c) override { focused = c; }
    void appendList1(const QString& line) override { list1 << line; }
    void refreshTotals() override
    {
        ++totalsRefreshed;
        if (whenTotalsRefreshed) whenTotalsRefreshed();
    }
    void setTimerEnabled(bool on) override { timerOn = on; }
    void setMousePointer(Qt::CursorShape shape) override { pointer = shape; }
    void unload() override { ++unloaded; }

    QHash<QString, QString> texts;
    QHash<QString, QColor> foreColors;
    QHash<QString, QColor> backColors;
    QHash<QString, bool> visible;
    QHash<QString, bool> enabled;
    QHash<QString, int> maxLengths;
    QString focused;
    QStringList list1;
    int totalsRefreshed = 0;
    std::function<void()> whenTotalsRefreshed; // a test looks at the moment of the refresh
    bool timerOn = true;
    Qt::CursorShape pointer = Qt::ArrowCursor;
    int unloaded = 0;
    int beeps = 0;
};

} // namespace tolvo
