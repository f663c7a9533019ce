#pragma once

#include "platform/SerialPort.h"
#include "serial/ParallelPort.h"
#include "serial/Trace.h"
#include "core/Waits.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace tolvo {

struct Station;

// Events of the port array, numbered as the control numbers them.
enum CommEvent { comEvSend = 1, comEvReceive = 2, comEvCTS = 3, comEvDSR = 4 };

inline constexpr int PortCount = 10;

// Port index of each device.
enum PortIndex {
    PortDispenser = 0, PortSeasonIn1 = 1, PortSeasonOut1 = 2, PortSeasonIn2 = 3, PortPrinter = 4,
    PortSeasonOut2 = 5, PortReader = 6, PortFeeDisp = 7, PortHost = 8, PortCalc = 9,
};

struct PortDevice {
    const char* table;       // device table
    const char* failMessage; // shown when its port cannot be opened
};
// By port index.
const std::array<PortDevice, PortCount>& PortDevices();
// The order in which the ports are opened.
inline constexpr std::array<int, PortCount> PortOpenOrder{0, 1, 2, 3, 5, 4, 7, 6, 8, 9};

// State of the fee display driver shared with the one-second timer.
struct FeeDispState {
    QString FeeDispBaud;     // the fee display's Baud as text, set by InitPort
    bool GateFlagB = false;  // clock refresh pending after a gate-open text
    quint8 GateFlagA = 0;    // ticks counted since the refresh became pending
    QByteArray RxBuf;        // bytes since the last STX (capped)
    int RelayPulse = 0;      // the relay pulse whose "off" is owed (models that run events)
    int RelayRequests = 0;   // "on" requests so far: the last one's "off" goes
};

// The open parallel-printer job (the print-job handle). Invalid after release.
struct PrintJob {
    std::unique_ptr<ParallelPort> lpt; // set only while a parallel job is open
    bool failed = false;               // a write timed out: the rest is dropped
};

// The ten device ports (MSComm 0..9) and the serial subsystem's shared state.
// Received data and line changes reach one callback as "event on port i":
// arriving bytes only post a queued event, so a receive routine that sends and
// waits inside its own event still gets its reply.
class Comm {
public:
    using EventHandler = std::function<void(int index, CommEvent ev)>;

    Comm(); // real ports, steady waits, real parallel ports
    Comm(std::unique_ptr<SerialPortFactory> ports, std::unique_ptr<Waits> waits,
         std::unique_ptr<ParallelPortFactory> lpt = nullptr);
    ~Comm(); // finishes relay pulses under way, closes every port
    Comm(const Comm&) = delete;
    Comm& operator=(const Comm&) = delete;

    // The control's properties per index; an index outside 0..9 is a closed port.
    bool PortOpen(int i) const;
    void Output(int i, const QByteArray& bytes); // nothing when closed
    QByteArray Input(int i);                     // everything received; empty when closed
    void SetDTR(int i, bool on);
    void SetRTS(int i, bool on);
    bool DSRHolding(int i) const;
    bool CTSHolding(int i) const;
    QString PortPath(int i) const; // the device path of an open port
    // Why port i failed to open at its last attempt ("<path> : <reason>"); empty once it opened.
    QString OpenError(int i) const;

    // The one dispatch callback for "data arrived / line changed on port i".
    void setOnComm(EventHandler handler) { m_onComm = std::move(handler); }
    // Told once when a port's device went away (the port is closed until the set-up opens it again).
    void setOnPortLost(std::function<void(int index, const QString& path)> handler) { m_onLost = std::move(handler); }

    // Data that arrived on port i waits for its event.
    bool receivePending(int i) const { return i >= 0 && i < PortCount && m_slots[i].rxPosted; }
    // Runs port i's receive event now, ahead of the other ports' (a wait for i's
    // reply); nothing when none waits.
    void deliverNow(int i);

    // Device modules register the reset of their receive buffers; PortsInit runs them.
    void addRxReset(std::function<void()> reset) { m_rxResets.push_back(std::move(reset)); }

    Waits& waits() { return *m_waits; }
    ParallelPortFactory& lptFactory() { return *m_lpt; }

    // Opens index i on a device path. False when another index holds the path,
    // or the port cannot be opened. DTR and RTS are driven low after opening.
    bool openPort(int i, const QString& path, const SerialSettings& settings);
    void closePort(int i);

    // A relay switched on whose "off" frame must go out before its port closes.
    int beginPulse(int i, const QByteArray& offFrame);
    void finishPulse(int id);   // sends the off frame if still pending
    bool pulsePending(int id) const; // false once sent (also by closing the port)
    void finishAllPulses();

    // Procedures of the port set-up (Comm.InitPort, Comm.PortsInit, Comm.ClosePorts).
    static bool InitPort(Station& st, const QString& table, int index);
    static bool PortsInit(Station& st);
    static void ClosePorts(Station& st);

    // Result of the last PortsInit, for the port settings screen's LblStatus.
    QString StatusText;
    FeeDispState feeDisp;
    PrintJob printJob;
    bool DebugOn = false;
    quint8 DebugDevice = 0;
    TraceLog trace;

private:
    struct Slot {
        std::unique_ptr<SerialPort> port;
        bool rxPosted = false;
        bool lastDsr = false;
        bool lastCts = false;
    };
    struct Pulse {
        int id;
        int port;
        QByteArray off;
    };

    void postReceive(int i);
    void postDelivery();
    void deliverNext();
    void deliverReceive(int i);
    void pollLines();
    void runRxResets();
    void closeAllPorts();

    std::unique_ptr<SerialPortFactory> m_factory;
    std::unique_ptr<Waits> m_waits;
    std::unique_ptr<ParallelPortFactory> m_lpt;
    std::array<Slot, PortCount> m_slots;
    std::array<QString, PortCount> m_openErrors;
    std::vector<std::function<void()>> m_rxResets;
    std::vector<Pulse> m_pulses;
    std::deque<int> m_ready; // ports whose data waits for its event, in arrival order
    bool m_deliveryPosted = false;
    int m_nextPulse = 1;
    EventHandler m_onComm;
    std::function<void(int, const QString&)> m_onLost;
    QObject m_ctx;
    QTimer m_linePoll;
};

// "Com1".."Com16" (exactly) as 1..16; 0 for anything else.
int ComPortNumber(const QString& name);
// The device path of "Com1".."Com16", "LPT1", "LPT2": the [ports] section of
// the settings file when it maps the name, else /dev/ttyS0..15, /dev/lp0..1.
// Empty for any other name.
QString PortDevicePath(const QString& iniPath, const QString& name);

// Frames and block checks.
QByteArray TD_Frame(const QString& data);        // STX data ETX BCC
quint8 Get_BCC(const QString& data);             // XOR of the CP949 bytes, XOR ETX
quint8 Get_BCC_Stx(const QString& data);         // the same, also covering STX
quint8 Get_BCC_Bytes(const QByteArray& data);
QByteArray PortTestFrame();                      // STX "PORT_TEST" ETX
// A completed frame's text; sets Station::PortTestEcho and returns true when it is
// the port-test frame (then it is not device data).
bool CheckPortTestEcho(Station& st, const QByteArray& frameText);

// Waits. Delay runs events, Delay_NoEvents does not; both on a monotonic clock.
void Delay(Station& st, double seconds);
void Delay_NoEvents(Station& st, double seconds);
// Runs events until the condition holds (true) or the seconds are up (false).
// With a port, the reply comes on it: data arriving there is handled first.
bool WaitUntil(Station& st, const std::function<bool()>& condition, double seconds, int port = -1);

} // namespace tolvo
