#pragma once

#include <QString>
#include <QStringList>

namespace tolvo {

struct Station;

// The logic of the trace monitor FrmDebug: device choice, trace switch,
// clearing, and the three link timings it edits in the settings file.
class DebugMonitor {
public:
    explicit DebugMonitor(Station& st) : m_st(st) {}

    // The entries of Combo2; the list index is the traced port index.
    static QStringList DeviceNames();
    // The timing frame "호스트" is shown for the host entry only.
    static bool HostFrameVisible(int index) { return index == 8; }

    struct Timings {
        QString pause, trans, poll; // Text2, Text3, Text4
    };
    Timings LoadTimings() const;

    // Switch ticked for the selected device: true when tracing is now on; false
    // when its port is not open (the operator is told, tracing stays off).
    bool SwitchOn(int index);
    void SwitchOff();
    bool TracingOn() const;

    // Stores the timings and writes them to the settings file. A transmission or
    // poll period outside 1..255 is refused with a message and keeps its old
    // value; false when anything was refused.
    bool Save(const Timings& t);
    // Closing the screen: save, tracing off, trace text dropped.
    void Unload(const Timings& t);
    void Clear();

private:
    Station& m_st;
};

} // namespace tolvo
