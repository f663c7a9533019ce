#include "serial/Comm.h"

#include "platform/Cp949.h"
#include "core/Sql.h"
#include "core/Station.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <algorithm>
#include <cmath>

namespace tolvo {

const std::array<PortDevice, PortCount>& PortDevices()
{
    static const std::array<PortDevice, PortCount> devices{{
        {"발권기", "발권기포트를 사용할 수 없습니다."},
        {"정기권입구1", "정기권입구1 포트를 사용할 수 없습니다."},
        {"정기권출구1", "정기권출구1 포트를 사용할 수 없습니다."},
        {"정기권입구2", "정기권입구2 포트를 사용할 수 없습니다."},
        {"영수증프린터", "영수증프린터를 사용할 수 없습니다."},
        {"정기권출구2", "정기권출구2 포트를 사용할 수 없습니다."},
        {"리더기", "리더기포트를 사용할 수 없습니다."},
        {"요금표시기", "요금표시기포트를 사용할 수 없습니다."},
        {"호스트", "호스트포트를 사용할 수 없습니다."},
        {"요금계산기", "요금계산기포트를 사용할 수 없습니다."},
    }};
    return devices;
}

// ---- the port array ----

Comm::Comm()
    : Comm(std::make_unique<QtSerialPortFactory>(), std::make_unique<SteadyWaits>(),
           std::make_unique<LinuxParallelPortFactory>())
{
}

Comm::Comm(std::unique_ptr<SerialPortFactory> ports, std::unique_ptr<Waits> waits,
           std::unique_ptr<ParallelPortFactory> lpt)
    : m_factory(std::move(ports)), m_waits(std::move(waits)), m_lpt(std::move(lpt))
{
    if (!m_lpt) m_lpt = std::make_unique<LinuxParallelPortFactory>();
    m_linePoll.setInterval(20);
    QObject::connect(&m_linePoll, &QTimer::timeout, &m_ctx, [this] { pollLines(); });
}

Comm::~Comm()
{
    finishAllPulses();
    closeAllPorts();
    if (printJob.lpt) printJob.lpt->close();
}

bool Comm::PortOpen(int i) const
{
    return i >= 0 && i < PortCount && m_slots[i].port && m_slots[i].port->isOpen();
}

void Comm::Output(int i, const QByteArray& bytes)
{
    if (PortOpen(i)) m_slots[i].port->write(bytes);
}

QByteArray Comm::Input(int i) { return PortOpen(i) ? m_slots[i].port->readAll() : QByteArray(); }

void Comm::SetDTR(int i, bool on)
{
    if (PortOpen(i)) m_slots[i].port->setDtr(on);
}

void Comm::SetRTS(int i, bool on)
{
    if (PortOpen(i)) m_slots[i].port->setRts(on);
}

bool Comm::DSRHolding(int i) const { return PortOpen(i) && m_slots[i].port->dsr(); }
bool Comm::CTSHolding(int i) const { return PortOpen(i) && m_slots[i].port->cts(); }
QString Comm::PortPath(int i) const { return PortOpen(i) ? m_slots[i].port->path() : QString(); }
QString Comm::OpenError(int i) const { return i >= 0 && i < PortCount ? m_openErrors[i] : QString(); }

namespace {
// Two names of one device (a link and its target) are the same port.
bool samePort(const QString& a, const QString& b)
{
    if (a == b) return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}
} // namespace

bool Comm::openPort(int i, const QString& path, const SerialSettings& settings)
{
    if (i < 0 || i >= PortCount || path.isEmpty()) return false;
    if (PortOpen(i)) return m_slots[i].port->path() == path;
    m_openErrors[i].clear();
    for (int k = 0; k < PortCount; ++k)
        if (k != i && PortOpen(k) && samePort(m_slots[k].port->path(), path)) {
            m_openErrors[i] = path + QStringLiteral(" : already open for ") + QString::fromUtf8(PortDevices()[k].table);
            return false;
        }

    Slot& s = m_slots[i];
    s.port = m_factory->create();
    if (!s.port) return false;
    s.port->onReadyRead = [this, i] { postReceive(i); };
    s.port->onLost = [this, i, path] {
        if (m_onLost) m_onLost(i, path);
    };
    if (!s.port->open(path, settings)) {
        m_openErrors[i] = path + QStringLiteral(" : ") + s.port->errorString();
        s.port.reset();
        return false;
    }
    // A barrier wired to DTR or RTS must not open by itself.
    s.port->setDtr(false);
    s.port->setRts(false);
    s.rxPosted = false;
    s.lastDsr = s.port->dsr();
    s.lastCts = s.port->cts();
    if (!m_linePoll.isActive()) m_linePoll.start();
    return true;
}

void Comm::closePort(int i)
{
    if (i < 0 || i >= PortCount || !m_slots[i].port) return;
    for (auto it = m_pulses.begin(); it != m_pulses.end();) {
        if (it->port == i) {
            m_slots[i].port->write(it->off);
            it = m_pulses.erase(it);
        } else {
            ++it;
        }
    }
    m_slots[i].port->onReadyRead = nullptr;
    m_slots[i].port->close();
    m_slots[i].port.reset();
    m_slots[i].rxPosted = false;
    m_ready.erase(std::remove(m_ready.begin(), m_ready.end(), i), m_ready.end());
    bool any = false;
    for (int k = 0; k < PortCount; ++k) any = any || PortOpen(k);
    if (!any) m_linePoll.stop();
}

void Comm::closeAllPorts()
{
    for (int i = 0; i < PortCount; ++i) closePort(i);
}

int Comm::beginPulse(int i, const QByteArray& offFrame)
{
    const int id = m_nextPulse++;
    m_pulses.push_back({id, i, offFrame});
    return id;
}

void Comm::finishPulse(int id)
{
    for (auto it = m_pulses.begin(); it != m_pulses.end(); ++it) {
        if (it->id == id) {
            const Pulse p = *it;
            m_pulses.erase(it);
            Output(p.port, p.off);
            return;
        }
    }
}

bool Comm::pulsePending(int id) const
{
    for (const Pulse& p : m_pulses)
        if (p.id == id) return true;
    return false;
}

void Comm::finishAllPulses()
{
    while (!m_pulses.empty()) finishPulse(m_pulses.front().id);
}

void Comm::postReceive(int i)
{
    Slot& s = m_slots[i];
    if (s.rxPosted) return;
    s.rxPosted = true;
    m_ready.push_back(i);
    postDelivery();
}

// One port's read per event: a wait looks at its condition after each, and
// keys and timers that come meanwhile run between two ports, not after all.
void Comm::postDelivery()
{
    if (m_deliveryPosted || m_ready.empty()) return;
    m_deliveryPosted = true;
    QMetaObject::invokeMethod(
        &m_ctx,
        [this] {
            m_deliveryPosted = false;
            deliverNext();
        },
        Qt::QueuedConnection);
}

void Comm::deliverNext()
{
    if (m_ready.empty()) return;
    const int i = m_ready.front();
    m_ready.pop_front();
    postDelivery(); // the next port's turn, also inside a wait of this one's handler
    deliverReceive(i);
}

void Comm::deliverNow(int i)
{
    if (!receivePending(i)) return;
    const auto it = std::find(m_ready.begin(), m_ready.end(), i);
    if (it != m_ready.end()) m_ready.erase(it);
    deliverReceive(i);
}

namespace {
void callHandler(const Comm::EventHandler& h, int i, CommEvent ev)
{
    if (!h) return;
    // An error inside a device routine ends that event only.
    try {
        h(i, ev);
    } catch (...) {
    }
}
} // namespace

void Comm::deliverReceive(int i)
{
    m_slots[i].rxPosted = false;
    if (!PortOpen(i)) return;
    const EventHandler h = m_onComm;
    callHandler(h, i, comEvReceive);
}

void Comm::pollLines()
{
    const EventHandler h = m_onComm;
    for (int i = 0; i < PortCount; ++i) {
        if (!PortOpen(i)) continue;
        Slot& s = m_slots[i];
        const bool cts = s.port->cts();
        if (cts != s.lastCts) {
            s.lastCts = cts;
            callHandler(h, i, comEvCTS);
        }
        if (!PortOpen(i)) continue;
        const bool dsr = s.port->dsr();
        if (dsr != s.lastDsr) {
            s.lastDsr = dsr;
            callHandler(h, i, comEvDSR);
        }
    }
}

void Comm::runRxResets()
{
    for (const auto& r : m_rxResets)
        if (r) r();
}

// ---- port names ----

int ComPortNumber(const QString& name)
{
    // \z, not $: $ also matches before a final line break.
    static const QRegularExpression re(QStringLiteral("\\ACom([1-9]|1[0-6])\\z"));
    const auto m = re.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

namespace {

// The [ports] section, read by this layer only. ASCII keys, paths as local text.
QString portsSectionValue(const QString& iniPath, const QString& key)
{
    QFile f(iniPath);
    if (iniPath.isEmpty() || !f.open(QIODevice::ReadOnly)) return {};
    bool inPorts = false;
    QString found;
    for (QByteArray raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            inPorts = line.endsWith(']') && line.mid(1, line.size() - 2).trimmed().toLower() == "ports";
            continue;
        }
        if (!inPorts) continue;
        const int eq = line.indexOf('=');
        if (eq <= 0) continue;
        if (QString::fromLatin1(line.left(eq).trimmed()).compare(key, Qt::CaseInsensitive) == 0) {
            found = QString::fromLocal8Bit(line.mid(eq + 1).trimmed());
            break;
        }
    }
    return found;
}

} // namespace

QString PortDevicePath(const QString& iniPath, const QString& name)
{
    QString fallback;
    if (const int n = ComPortNumber(name); n > 0)
        fallback = QStringLiteral("/dev/ttyS%1").arg(n - 1);
    else if (name == QLatin1String("LPT1"))
        fallback = QStringLiteral("/dev/lp0");
    else if (name == QLatin1String("LPT2"))
        fallback = QStringLiteral("/dev/lp1");
    else
        return {};
    const QString mapped = portsSectionValue(iniPath, name);
    return mapped.isEmpty() ? fallback : mapped;
}

// ---- port set-up from the device tables ----

namespace {

bool readBool(const QVariant& v)
{
    if (v.isNull() || !v.isValid()) return false;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok) return d != 0;
    return v.toString().trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

bool readWhole(const QVariant& v, qint32& out)
{
    if (v.isNull() || !v.isValid()) return false;
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    if (!ok || d != std::floor(d)) return false;
    out = static_cast<qint32>(d);
    return true;
}

struct DeviceRow {
    QVariant use, portNo, baud, parity, dataBits, stopBits, printerPort;
    bool hasUse = false;
};

// The first row of a device table; false when there is none or the table is missing.
bool readDeviceRow(Station& st, const QString& table, DeviceRow& row)
{
    QSqlQuery q(st.Db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT * FROM ") + Id(table)) || !q.next()) return false;
    const QSqlRecord rec = q.record();
    auto field = [&](const char* name) {
        const int k = rec.indexOf(QString::fromUtf8(name));
        return k < 0 ? QVariant() : q.value(k);
    };
    row.hasUse = rec.indexOf(QStringLiteral("사용여부")) >= 0;
    row.use = field("사용여부");
    row.portNo = field("포트번호");
    row.baud = field("Baud");
    row.parity = field("ParityBit");
    row.dataBits = field("DataBit");
    row.stopBits = field("StopBit");
    row.printerPort = field("PORT");
    return true;
}

} // namespace

bool Comm::InitPort(Station& st, const QString& table, int index)
{
    if (!st.comm) return false;
    Comm& comm = *st.comm;
    try {
        DeviceRow row;
        if (!readDeviceRow(st, table, row) || !row.hasUse) return false;
        qint32 baud = 0;
        const bool baudOk = readWhole(row.baud, baud);
        if (table == QStringLiteral("요금표시기"))
            comm.feeDisp.FeeDispBaud = baudOk ? QString::number(baud) : QString();
        if (comm.PortOpen(index) || !readBool(row.use)) return true;
        // A parallel or file printer must not take a COM port another device needs.
        if (index == PortPrinter && row.printerPort.toString() != QLatin1String("Rs232c")) return true;

        const QString portName = row.portNo.toString();
        qint32 dataBits = 0, stopBits = 0;
        if (ComPortNumber(portName) == 0 || !baudOk || !readWhole(row.dataBits, dataBits)
            || !readWhole(row.stopBits, stopBits))
            return false;
        const QString settingsText = QStringLiteral("%1,%2,%3,%4")
                                         .arg(baud)
                                         .arg(row.parity.toString())
                                         .arg(dataBits)
                                         .arg(stopBits);
        SerialSettings settings;
        if (!ParseSerialSettings(settingsText, settings)) return false;
        return comm.openPort(index, PortDevicePath(st.IniPath, portName), settings);
    } catch (...) {
        return false;
    }
}

bool Comm::PortsInit(Station& st)
{
    if (!st.comm) return false;
    bool all = true;
    for (const int index : PortOpenOrder) {
        const PortDevice& dev = PortDevices()[index];
        st.comm->m_openErrors[index].clear();
        if (!InitPort(st, QString::fromUtf8(dev.table), index)) {
            // The box names no reason: the trace and the terminal get the platform's. Any
            // device's trace, as one whose port is closed cannot be chosen for tracing.
            if (const QString why = st.comm->m_openErrors[index]; !why.isEmpty()) {
                DebugTraceLineAny(st, QStringLiteral("  ") + QString::fromUtf8(dev.table) + QLatin1Char(' ') + why);
                qWarning().noquote() << QString::fromUtf8(dev.table) + QLatin1Char(' ') + why;
            }
            st.msgs.Msg_Box(QString::fromUtf8(dev.failMessage), QStringLiteral("포트초기화 실패"));
            all = false;
        }
    }
    st.comm->runRxResets();
    // A ticket priced while the port settings were open keeps its data: its discount keys run the fee again from it.
    if (!st.trx.TicketInProgress) st.trx.TicketData.clear();
    st.comm->StatusText = all ? QStringLiteral("통신포트가 정상적으로 설정되었습니다.")
                              : QStringLiteral("통신포트 설정에 이상이 있습니다.");
    return all;
}

void Comm::ClosePorts(Station& st)
{
    if (!st.comm) return;
    st.comm->finishAllPulses();
    st.comm->closeAllPorts();
}

// ---- frames and block checks ----

quint8 Get_BCC_Bytes(const QByteArray& data)
{
    quint8 v = 0;
    for (const char c : data) v ^= static_cast<quint8>(c);
    return v ^ 0x03;
}

quint8 Get_BCC(const QString& data) { return Get_BCC_Bytes(cp949::encode(data)); }

quint8 Get_BCC_Stx(const QString& data) { return Get_BCC(data) ^ 0x02; }

QByteArray TD_Frame(const QString& data)
{
    QByteArray f;
    f.append('\x02');
    f.append(cp949::encode(data));
    f.append('\x03');
    f.append(static_cast<char>(Get_BCC(data)));
    return f;
}

QByteArray PortTestFrame() { return QByteArrayLiteral("\x02PORT_TEST\x03"); }

bool CheckPortTestEcho(Station& st, const QByteArray& frameText)
{
    if (frameText != QByteArrayLiteral("PORT_TEST")) return false;
    st.PortTestEcho = true;
    return true;
}

// ---- waits ----

namespace {
qint64 toMs(double seconds) { return seconds > 0 ? std::llround(seconds * 1000.0) : 0; }

class NestedWait {
public:
    explicit NestedWait(Station& st) : m_st(st)
    {
        m_st.DeepestWaitNesting = std::max(m_st.DeepestWaitNesting, ++m_st.WaitNesting);
    }
    ~NestedWait() { --m_st.WaitNesting; }
    NestedWait(const NestedWait&) = delete;
    NestedWait& operator=(const NestedWait&) = delete;

private:
    Station& m_st;
};
} // namespace

void Delay(Station& st, double seconds)
{
    if (!st.comm) return;
    const NestedWait nested(st);
    Waits& w = st.comm->waits();
    const qint64 deadline = w.nowMs() + toMs(seconds);
    for (qint64 left = deadline - w.nowMs(); left > 0; left = deadline - w.nowMs()) w.runEventsFor(left);
}

void Delay_NoEvents(Station& st, double seconds)
{
    if (!st.comm) return;
    Waits& w = st.comm->waits();
    const qint64 deadline = w.nowMs() + toMs(seconds);
    for (qint64 left = deadline - w.nowMs(); left > 0; left = deadline - w.nowMs()) w.sleepMs(left);
}

bool WaitUntil(Station& st, const std::function<bool()>& condition, double seconds, int port)
{
    if (condition()) return true;
    if (!st.comm) return false;
    const NestedWait nested(st);
    Waits& w = st.comm->waits();
    const qint64 deadline = w.nowMs() + toMs(seconds);
    for (qint64 left = deadline - w.nowMs(); left > 0; left = deadline - w.nowMs()) {
        // The reply's port goes first; other ports' data waits its turn after it.
        if (st.comm && st.comm->receivePending(port)) {
            st.comm->deliverNow(port);
            if (condition()) return true;
        }
        w.runEventsFor(std::min<qint64>(left, 10));
        if (condition()) return true;
    }
    return condition();
}

} // namespace tolvo
