// The real station on a program folder made by bench_year_data, its keys fed as
// Qt key events (as the kill test's scripted station does), a PLUS fee display
// and the ticket reader on pseudo-terminals. Modes:
//   startup <folder> <launch ns>   launch (CLOCK_REALTIME) to the login screen shown
//   latency <folder> <tickets>     Enter (typed) or the reader's reply written (read)
//                                  to the fee frame's last byte on the display's port
//   load <folder> <seconds>        exits typed while ports 0-3, 5, 7, 8 and 9 receive
//                                  their devices' frames at 9600 baud's full rate for
//                                  the seconds, then the backlog waited for (2 min cap);
//                                  exits 6 if frames were still unhandled at the cap
//   screens <folder> <out folder>  the main and tariff screens as PNG (scripts/screenshots.sh)
#include "core/Sql.h"
#include "core/Station.h"
#include "equipment/DispenserAttach.h"
#include "equipment/ExitReader.h"
#include "equipment/TicketReader.h"
#include "gates/GatesAttach.h"
#include "host/HostLink.h"
#include "platform/Clock.h"
#include "platform/Ini.h"
#include "platform/ScriptedMessages.h"
#include "serial/Comm.h"
#include "sim/DispenserPeer.h"
#include "sim/ExitReaderPeer.h"
#include "sim/PtyDevice.h"
#include "sim/SeasonReaderSim.h"
#include "sim/TicketReaderSim.h"
#include "station/CommDispatch.h"
#include "station/FrmInput.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"
#include "fee/FrmFee.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tolvo;
using Clk = std::chrono::steady_clock;

namespace {

// The display's far end: a thread stamps the moment each fee frame's last byte
// arrives (STX, six amount characters, ETX, block check).
class DisplayPort {
public:
    DisplayPort()
    {
        char name[128] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) m_path = QString::fromLocal8Bit(name);
        m_thread = std::thread([this] { readLoop(); });
    }
    ~DisplayPort()
    {
        m_stop = true;
        ::close(m_slave); // wakes the read with EIO
        m_thread.join();
        ::close(m_master);
    }
    QString path() const { return m_path; }
    size_t frames() const { std::lock_guard l(m_lock); return m_ends.size(); }
    Clk::time_point frameEnd(size_t i) const { std::lock_guard l(m_lock); return m_ends.at(i); }

private:
    void readLoop()
    {
        QByteArray buf;
        char chunk[256];
        while (!m_stop) {
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n <= 0) break;
            const auto now = Clk::now();
            buf.append(chunk, n);
            qsizetype stx;
            while ((stx = buf.indexOf('\x02')) >= 0) {
                const qsizetype etx = buf.indexOf('\x03', stx);
                    if (etx < 0 || (etx - stx - 1 == 6 && etx + 1 >= buf.size())) break;
                // Only the amount frame has six characters; the others may lack a block check.
                if (etx - stx - 1 == 6) {
                    std::lock_guard l(m_lock);
                    m_ends.push_back(now);
                    buf.remove(0, etx + 2);
                } else {
                    buf.remove(0, etx + 1);
                }
            }
        }
    }
    int m_master = -1, m_slave = -1;
    QString m_path;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::vector<Clk::time_point> m_ends;
    std::thread m_thread;
};

struct Program {
    SystemClock clock;
    ScriptedMessages msgs;
    MainWindow window;
    Station st{clock, msgs, window};
    std::unique_ptr<FrmSplash> splash;
    bool started = false;
    DispenserLinks dispenser;
    std::shared_ptr<TicketReaderLink> reader;
    std::shared_ptr<ExitReaderLink> exitReader;
    std::shared_ptr<HostLink> host;

    explicit Program(const QString& folder)
    {
        st.AppPath = folder;
        st.comm = std::make_unique<Comm>();
        AttachCommDispatch(st);
        dispenser = AttachDispenser(st);
        reader = AttachTicketReader(st);
        exitReader = AttachExitReader(st);
        AttachGates(st);
        host = AttachHost(st);
        window.attach(st);
        FrmInput_Install(st, &window);
    }
    ~Program() { st.comm.reset(); }

    bool start()
    {
        if (Startup_Load(st, [this] { window.load(); })) return false;
        splash = std::make_unique<FrmSplash>(st, [this] { started = true; window.show(); }, [](int) {});
        splash->show();
        return QTest::qWaitForWindowExposed(splash.get());
    }
    bool login()
    {
        auto* password = splash->findChild<QLineEdit*>(QStringLiteral("Text1"));
        auto* ok = splash->findChild<QPushButton*>(QStringLiteral("cmdOK"));
        if (!password || !ok) return false;
        QTest::keyClicks(password, QStringLiteral("582047"));
        QTest::mouseClick(ok, Qt::LeftButton);
        return started;
    }
};

bool WaitFrames(const DisplayPort& d, size_t n)
{
    const auto end = Clk::now() + std::chrono::seconds(3);
    while (d.frames() < n && Clk::now() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return d.frames() >= n;
}

double Ms(Clk::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* what, std::vector<double> ms)
{
    if (ms.empty()) { std::printf("%s: no samples\n", what); return; }
    std::sort(ms.begin(), ms.end());
    const auto p = [&ms](double q) { return ms.at(std::min(ms.size() - 1, size_t(q * ms.size()))); };
    std::printf("%-8s n=%zu  p50 %.1f ms  p95 %.1f ms  p99 %.1f ms  (wire time of the 9-byte frame at 9600 baud: 9.4 ms)\n",
                what, ms.size(), p(0.50), p(0.95), p(0.99));
}

int Startup(const QString& folder, long long launchNs)
{
    Program prog(folder);
    if (!prog.start()) return 3;
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const double ms = (ts.tv_sec * 1000000000LL + ts.tv_nsec - launchNs) / 1e6;
    std::printf("startup  launch to the login screen: %.0f ms\n", ms);
    return 0;
}

QString TicketNo(int i) { return QString::number(5000 + i % 4000).rightJustified(4, QLatin1Char('0')); }

int Latency(const QString& folder, int tickets)
{
    DisplayPort display;
    sim::PtyDevice readerPort;
    sim::TicketReaderSim reader;
    readerPort.replier = [&reader](const QByteArray& chunk) { return reader.onBytes(chunk); };
    const QString ini = folder + QStringLiteral("/Tolvo.ini");
    Write_Ini(ini, QStringLiteral("ports"), QStringLiteral("Com7"), display.path());
    Write_Ini(ini, QStringLiteral("ports"), QStringLiteral("Com6"), readerPort.slavePath());
    Program prog(folder);
    if (!prog.start() || !prog.login()) return 3;
    Station& st = prog.st;
    auto* tnum = prog.window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    if (!tnum) return 4;
    std::vector<double> typed, read;
    const QDateTime entered = prog.clock.now().addSecs(-90 * 60);
    for (int i = 0; i < tickets; ++i) {
        const QString no = TicketNo(i);
        const bool byReader = i % 2 == 1;
        const QDateTime in = entered.addSecs(-60 * (i / 60));
        const QString hhnn = in.toString(QStringLiteral("HH:mm"));
        if (!byReader)
            Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                                       "VALUES (0, ?, ?, ?, ?, 0, 1)"),
                 {no, in.date().toString(Qt::ISODate), hhnn, no + in.toString(QStringLiteral("yyyyMMddHHmm"))});
        const size_t before = display.frames();
        Clk::time_point t0;
        if (byReader) {
            reader.insert(sim::TicketReaderSim::PaperCard(no, in.toString(QStringLiteral("yyMMddHHmm"))));
            const QByteArray reply = reader.readReplyFrame();
            t0 = Clk::now();
            readerPort.send(reply);
            t0 = Clk::now(); // the reply's last byte written
        } else {
            tnum->setFocus();
            QTest::keyClicks(tnum, no);
            t0 = Clk::now();
            QTest::keyClick(tnum, Qt::Key_Return);
        }
        if (!WaitFrames(display, before + 1)) {
            std::fprintf(stderr, "ticket %s (%s): no fee frame\n", qPrintable(no), byReader ? "read" : "typed");
            for (const auto& m : prog.msgs.shown) std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
            return 5;
        }
        (byReader ? read : typed).push_back(Ms(display.frameEnd(before) - t0));
        QTest::keyClick(&prog.window, Qt::Key_Return); // completes the exit
        if (st.trx.TicketInProgress) QTest::keyClick(&prog.window, Qt::Key_Escape);
        QTest::qWait(5);
    }
    Report("typed", typed);
    Report("read", read);
    return 0;
}

// A device on a pseudo-terminal under load: one thread writes frames at 9600
// baud's pace (960 bytes a second) until stopped; another reads what the
// station sends and, for a device that answers, writes its answer.
class LoadPort {
public:
    using Maker = std::function<QByteArray(int k)>;
    using Answerer = std::function<QByteArray(const QByteArray& chunk)>;

    LoadPort(Maker make, Answerer answer) : m_make(std::move(make)), m_answer(std::move(answer))
    {
        char name[128] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) m_path = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_reader = std::thread([this] { readLoop(); });
    }
    ~LoadPort()
    {
        stop();
        m_stopReading = true;
        m_reader.join();
        ::close(m_slave);
        ::close(m_master);
    }
    QString path() const { return m_path; }
    void start() { m_feeder = std::thread([this] { feedLoop(); }); }
    void stop()
    {
        m_stopFeeding = true;
        if (m_feeder.joinable()) m_feeder.join();
    }
    int sent() const { return m_sent; }
    QByteArray received() const { std::lock_guard l(m_lock); return m_received; }

private:
    // Waits while the station does not read (its side full), but never past the end.
    void write(const QByteArray& bytes, const std::atomic<bool>& end)
    {
        std::lock_guard l(m_writeLock);
        for (qsizetype done = 0; done < bytes.size() && !end;) {
            pollfd p{m_master, POLLOUT, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) done += n;
        }
    }
    void feedLoop()
    {
        const auto start = Clk::now();
        long long bytes = 0;
        while (!m_stopFeeding) {
            const QByteArray frame = m_make(m_sent);
            std::this_thread::sleep_until(start + std::chrono::microseconds(bytes * 1000000 / 960));
            write(frame, m_stopFeeding);
            if (m_stopFeeding) break;
            bytes += frame.size();
            ++m_sent;
        }
    }
    void readLoop()
    {
        char chunk[512];
        while (!m_stopReading) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n <= 0) continue;
            const QByteArray in(chunk, n);
            {
                std::lock_guard l(m_lock);
                m_received += in;
            }
            if (m_answer) write(m_answer(in), m_stopReading);
        }
    }

    Maker m_make;
    Answerer m_answer;
    int m_master = -1, m_slave = -1;
    QString m_path;
    std::atomic<bool> m_stopFeeding{false}, m_stopReading{false};
    std::atomic<int> m_sent{0};
    mutable std::mutex m_lock;
    std::mutex m_writeLock;
    QByteArray m_received;
    std::thread m_feeder, m_reader;
};

// The devices of the load run: their tables in use on their ports, each port mapped.
void UseLoadDevices(const QString& folder)
{
    QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("load"));
    c.setDatabaseName(folder + QStringLiteral("/Data/Park.MDB"));
    if (c.open()) {
        QSqlQuery q(c);
        q.exec(QStringLiteral("UPDATE 발권기 SET 기종 = '바코드', 사용여부 = 1"));
        for (const char* gate : {"정기권입구1", "정기권출구1", "정기권입구2", "정기권출구2"})
            q.exec(QStringLiteral("UPDATE %1 SET 기종 = 'ID Tech', 사용여부 = 1").arg(QString::fromUtf8(gate)));
        q.exec(QStringLiteral("UPDATE 호스트 SET 사용여부 = 1"));
        // A read reply starts an exit on the booth's one screen: the reader is left out.
        q.exec(QStringLiteral("UPDATE 리더기 SET 사용여부 = 0"));
        q.exec(QStringLiteral("UPDATE 요금계산기 SET 사용여부 = 1"));
        q.exec(QStringLiteral("UPDATE 시스템 SET 출구판독기 = 1"));
    }
    c.close();
    c = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("load"));
}

// Exits typed one after another until the time is up; the fee frame's latency of
// each, and how many had no frame within the wait.
// Read by the reporting thread while the main thread may still be typing.
struct Typed {
    std::mutex lock;
    std::vector<double> ms;
    int missed = 0;
};

void TypeExits(Program& prog, DisplayPort& display, Clk::time_point until, Typed& t)
{
    auto* tnum = prog.window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    const QDateTime entered = prog.clock.now().addSecs(-90 * 60);
    for (int i = 0; tnum && Clk::now() < until; ++i) {
        const QString no = TicketNo(i);
        Exec(prog.st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                                        "VALUES (0, ?, ?, ?, ?, 0, 1)"),
             {no, entered.date().toString(Qt::ISODate), entered.toString(QStringLiteral("HH:mm")),
              no + entered.toString(QStringLiteral("yyyyMMddHHmm"))});
        const size_t before = display.frames();
        tnum->setFocus();
        QTest::keyClicks(tnum, no);
        const auto t0 = Clk::now();
        QTest::keyClick(tnum, Qt::Key_Return);
        const bool shown = WaitFrames(display, before + 1);
        {
            std::lock_guard l(t.lock);
            if (shown) t.ms.push_back(Ms(display.frameEnd(before) - t0));
            else ++t.missed;
        }
        QTest::keyClick(&prog.window, Qt::Key_Return);
        if (prog.st.trx.TicketInProgress) QTest::keyClick(&prog.window, Qt::Key_Escape);
        QTest::qWait(20);
    }
}

// Feeding stops after the given seconds; what has arrived by then is waited for,
// but never past the cap. A thread of its own stops, counts (on its own database
// connection) and reports, then ends the program: under load the station's main
// thread can sit for minutes in nested event loops (a device's send waits for its
// answer while further frames are handled inside that wait), so the run must not
// depend on it returning.
int Load(const QString& folder, int seconds)
{
    constexpr auto drainCap = std::chrono::minutes(2);
    UseLoadDevices(folder);
    // Dispenser tickets numbered 1..4000 in each minute of the day, so every code is new.
    LoadPort dispenser([](int k) {
        const QByteArray no = QByteArray::number(k % 4000 + 1).rightJustified(4, '0');
        return sim::dispenser::Frame(sim::dispenser::Ticket14(no, QTime(0, 0).addSecs(60 * (k / 4000))));
    }, {});
    // Each gate reads its own 500 of the season tickets, so its passages can be counted apart.
    const auto card = [](int gate) {
        return [gate](int k) {
            return sim::SeasonReaderSim::CardFrame(0, QByteArray::number(100000 + gate * 500 + k % 500));
        };
    };
    LoadPort in1(card(0), {}), out1(card(1), {}), in2(card(2), {}), out2(card(3), {});
    LoadPort feeDispIn([](int) { return QByteArrayLiteral("\x02OK\x03"); }, {});
    LoadPort host([](int) { return QByteArrayLiteral("\x05"); }, {});
    auto exitPeer = std::make_shared<sim::ExitReaderPeer>();
    auto exitCommands = std::make_shared<std::atomic<int>>(0);
    LoadPort exitReader([](int k) {
        const QString no = QString::number(k % 4000 + 1).rightJustified(4, QLatin1Char('0'));
        return sim::ExitReaderPeer::Inserted(sim::ExitReaderPeer::UnpaidCard(no, QStringLiteral("2601050800")));
    }, [exitPeer, exitCommands](const QByteArray& chunk) {
        const QByteArray answer = exitPeer->onBytes(chunk);
        *exitCommands = int(exitPeer->commands.size());
        return answer;
    });
    DisplayPort display;
    const QString ini = folder + QStringLiteral("/Tolvo.ini");
    const std::pair<const char*, const LoadPort*> map[] = {{"Com1", &dispenser}, {"Com2", &in1}, {"Com3", &out1},
                                                           {"Com4", &in2}, {"Com8", &out2}, {"Com9", &host},
                                                           {"Com10", &exitReader}};
    for (const auto& [com, port] : map) Write_Ini(ini, QStringLiteral("ports"), QString::fromLatin1(com), port->path());
    Write_Ini(ini, QStringLiteral("ports"), QStringLiteral("Com7"), display.path());
    Program prog(folder);
    if (!prog.start() || !prog.login()) return 3;
    static constexpr int kPorts = 7;
    using Counts = std::array<int, kPorts>;
    const QString today = prog.clock.now().date().toString(Qt::ISODate);
    // Rows of the dispenser's day, passages of each gate's cards, DLEs to the host, exit reader commands.
    const auto counts = [&](const QSqlDatabase& db) {
        const auto count = [&db](const QString& sql) { return Scalar(db, sql).toInt(); };
        const auto passages = [&count](int gate) {
            return count(QStringLiteral("SELECT COUNT(*) FROM 정기권입출차 WHERE CAST(정기권번호 AS INTEGER) BETWEEN %1 AND %2")
                             .arg(100000 + gate * 500).arg(100000 + gate * 500 + 499));
        };
        // The station dates a dispenser ticket today; typed exits use numbers from 5000.
        return Counts{count(QStringLiteral("SELECT COUNT(*) FROM 일반권 WHERE 입차일 = '%1' AND "
                                           "CAST(티켓번호 AS INTEGER) <= 4000").arg(today)), passages(0),
                      passages(1), passages(2), passages(3), int(host.received().count('\x10')), exitCommands->load()};
    };
    const Counts base = counts(prog.st.Db);
    LoadPort* const fed[kPorts] = {&dispenser, &in1, &out1, &in2, &out2, &host, &exitReader};
    LoadPort* const feeders[] = {&dispenser, &in1, &out1, &in2, &out2, &feeDispIn, &host, &exitReader};
    Typed typed;
    const auto feedStart = Clk::now();
    const auto feedEnd = feedStart + std::chrono::seconds(seconds);
    for (LoadPort* f : feeders) f->start();
    std::thread reporter([&] {
        std::this_thread::sleep_until(feedEnd);
        for (LoadPort* f : feeders) f->stop();
        const double fedFor = Ms(Clk::now() - feedStart) / 1000;
        Counts want{};
        for (int i = 0; i < kPorts; ++i) want[i] = fed[i]->sent();
        const bool ok = [&] {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("loadcount"));
            c.setDatabaseName(folder + QStringLiteral("/Data/Park.MDB"));
            c.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000;QSQLITE_OPEN_READONLY"));
            if (!c.open()) return false;
            const auto handled = [&] {
                Counts h = counts(c);
                for (int i = 0; i < kPorts; ++i) h[i] -= base[i];
                return h;
            };
            const auto done = [&want](const Counts& h) {
                for (int i = 0; i < kPorts; ++i)
                    if (h[i] < want[i]) return false;
                return true;
            };
            const Counts atStop = handled();
            const auto drainStart = Clk::now();
            Counts got = atStop;
            while (!done(got) && Clk::now() < drainStart + drainCap) {
                std::this_thread::sleep_for(std::chrono::seconds(1));
                got = handled();
            }
            const double drained = Ms(Clk::now() - drainStart) / 1000;
            std::printf("load     frames fed for %.1f s (asked %d s)\n", fedFor, seconds);
            if (done(got)) std::printf("load     every frame handled %.1f s after the feeding stopped\n", drained);
            else std::printf("load     NOT drained: frames unhandled at the cap, %.0f s after the feeding stopped\n", drained);
            const char* names[kPorts] = {"port 0 dispenser tickets (rows)", "port 1 season gate in 1 (passages)",
                                         "port 2 season gate out 1 (passages)", "port 3 season gate in 2 (passages)",
                                         "port 5 season gate out 2 (passages)", "port 8 host ENQ (DLE answers)",
                                         "port 9 exit reader tickets (commands)"};
            std::printf("load     %-38s %7s %16s %14s %10s\n", "", "sent", "handled at stop", "handled at end",
                        "unhandled");
            for (int i = 0; i < kPorts; ++i)
                std::printf("load     %-38s %7d %16d %14d %10d\n", names[i], want[i], atStop[i], got[i],
                            std::max(0, want[i] - got[i]));
            std::printf("load     port 7 fee display frames (traced only) %7d\n", feeDispIn.sent());
            return done(got);
        }();
        {
            std::lock_guard l(typed.lock);
            std::printf("load     typed exits: %zu with a fee frame, %d without one within 3 s\n", typed.ms.size(),
                        typed.missed);
            Report("typed under load", typed.ms);
        }
        std::fflush(stdout);
        std::_Exit(ok ? 0 : 6); // the main thread may still be deep in the station's nested waits
    });
    TypeExits(prog, display, feedEnd, typed);
    reporter.join();
    return 0;
}

// The main screen after login and the tariff screen, as PNG files for the README.
int Screens(const QString& folder, const QString& out)
{
    Program prog(folder);
    if (!prog.start() || !prog.login()) return 3;
    QTest::qWait(1500); // a tick of the clock and the counters
    if (!prog.window.grab().save(out + QStringLiteral("/main-screen.png"))) return 4;
    FrmFee fee(prog.st);
    fee.show();
    fee.Form_Activate();
    QTest::qWait(100);
    return fee.grab().save(out + QStringLiteral("/tariff-screen.png")) ? 0 : 4;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() == 4 && a.at(1) == QLatin1String("startup")) return Startup(a.at(2), a.at(3).toLongLong());
    if (a.size() == 4 && a.at(1) == QLatin1String("latency")) return Latency(a.at(2), a.at(3).toInt());
    if (a.size() == 4 && a.at(1) == QLatin1String("load")) return Load(a.at(2), a.at(3).toInt());
    if (a.size() == 4 && a.at(1) == QLatin1String("screens")) return Screens(a.at(2), a.at(3));
    std::fprintf(stderr, "usage: bench_station startup <folder> <launch ns> | latency <folder> <tickets>\n");
    return 2;
}
