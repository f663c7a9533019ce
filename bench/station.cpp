// The real station on a program folder made by bench_year_data, its keys posted
// to the event queue as a keyboard's are (handled when the main thread gets to
// them), a PLUS fee display and the ticket reader on pseudo-terminals. Modes:
//   startup <folder> <launch ns>   launch (CLOCK_REALTIME) to the login screen shown
//   latency <folder> <tickets>     Enter (typed) or the reader's reply written (read)
//                                  to the fee frame's last byte on the display's port
//   load <folder> <seconds>        exits typed while ports 0-3, 5, 7, 8 and 9 receive
//                                  their devices' frames at 9600 baud's full rate for
//                                  the seconds (the host's next ENQ once the last is
//                                  answered, the exit reader's next ticket once the
//                                  last is taken in or given back), then the backlog
//                                  waited for (2 min cap);
//                                  exits 6 if frames were still unhandled at the cap
//   peak <folder> <scale> [seconds] a busy car park's peak, its pace times the scale:
//                                  4 lanes (entrances 1 and 2, exits 1 and 2), a car
//                                  every 6-10 s per lane, 30 % of them season cards at
//                                  the lane's gate, the others a dispenser ticket at an
//                                  entrance or a paid ticket into the exit reader at an
//                                  exit; the host's ENQ each second; exits typed at the
//                                  booth every half second; 60 s unless given; exits 6
//                                  like load
//   card <folder> <scale> [seconds] the peak while one card lies in the first entrance
//                                  reader's field, read again and again at the line's
//                                  full rate; 120 s unless given
//   syncs <folder> <items>         syncs per dispenser ticket, passage, typed exit and
//                                  exit-reader ticket, each fed alone (needs the sync
//                                  counter preloaded: LD_PRELOAD=libsync_delay.so)
//   screens <folder> <out folder> [long]  the main and tariff screens as PNG (scripts/screenshots.sh);
//                                  "long": the main screen with its widest texts
// Every pseudo-terminal stands for a 9600-baud line both ways: 960 bytes a second,
// a device's frames and its answers sharing its line, the station's bytes reaching
// the device at that rate too. The fed modes print per port the frames sent and
// handled, the typed exits' latency (an exit with no fee frame within 3 s counts as
// a failure among them), and the deepest nesting of device waits (Delay and
// WaitUntil inside one another) while fed and in all. Run under the preloaded shim
// with TOLVO_SYNC_DELAY_US set, every sync is that much slower (a booth's disk).
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
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <cmath>
#include <dlfcn.h>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <ctime>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tolvo;
using Clk = std::chrono::steady_clock;

namespace {

double Ms(Clk::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Writes bytes to a pseudo-terminal's far end, waiting while the station does not
// read (its side full), but never past the end.
void WriteAll(int fd, std::mutex& lock, const QByteArray& bytes, const std::atomic<bool>& end)
{
    std::lock_guard l(lock);
    for (qsizetype done = 0; done < bytes.size() && !end;) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) done += n;
    }
}

constexpr double kLineBytesPerSecond = 960; // 9600 baud, 10 bits a byte
// The time a station is allowed for answering a device that waits for its answer
// (the host's ENQ, the exit reader's ticket), beyond the answer's time on the line.
constexpr double kAnswerWithin = 0.020;

// One direction of a 9600-baud line: 960 bytes a second, one byte after another,
// whoever sends them (a device's own frames and its answers share one line).
class LinePacer {
public:
    // Books the line for the bytes from when it is free; returns when their last byte has crossed.
    Clk::time_point book(qsizetype bytes)
    {
        std::lock_guard l(m_lock);
        m_free = std::max(m_free, Clk::now()) + std::chrono::microseconds(bytes * 1000000 / qint64(kLineBytesPerSecond));
        return m_free;
    }

private:
    std::mutex m_lock;
    Clk::time_point m_free{};
};

// Sends bytes to the station as the line delivers them: written when their last byte has crossed.
void SendPaced(int fd, std::mutex& lock, LinePacer& line, const QByteArray& bytes, const std::atomic<bool>& end)
{
    if (bytes.isEmpty()) return;
    std::this_thread::sleep_until(line.book(bytes.size()));
    WriteAll(fd, lock, bytes, end);
}

// The display's far end: a thread stamps the moment each fee frame's last byte
// arrives (STX, six amount characters, ETX, block check). Under load it also
// sends the display's own frames to the station at 9600 baud's full rate.
class DisplayPort {
public:
    DisplayPort()
    {
        const sim::PtyPair pty = sim::OpenPty(false);
        m_master = pty.master;
        m_slave = pty.slave;
        m_path = pty.slavePath;
        m_thread = std::thread([this] { readLoop(); });
    }
    ~DisplayPort()
    {
        stop();
        m_stopReading = true;
        ::close(m_slave); // wakes the read with EIO
        m_thread.join();
        ::close(m_master);
    }
    QString path() const { return m_path; }
    size_t frames() const { std::lock_guard l(m_lock); return m_ends.size(); }
    Clk::time_point frameEnd(size_t i) const { std::lock_guard l(m_lock); return m_ends.at(i); }
    // Blocks until more than `count` fee frames have arrived or the deadline; true when they have.
    bool waitBeyond(size_t count, Clk::time_point deadline) const
    {
        std::unique_lock l(m_lock);
        return m_arrived.wait_until(l, deadline, [&] { return m_ends.size() > count; });
    }

    void start()
    {
        m_feeder = std::thread([this] {
            const QByteArray frame = QByteArrayLiteral("\x02OK\x03");
            for (; !m_stopFeeding; ++m_sent) SendPaced(m_master, m_writeLock, m_toStation, frame, m_stopFeeding);
        });
    }
    void stop()
    {
        m_stopFeeding = true;
        if (m_feeder.joinable()) m_feeder.join();
    }
    int sent() const { return m_sent; }

private:
    void readLoop()
    {
        QByteArray buf;
        char chunk[256];
        while (!m_stopReading) {
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n <= 0) break;
            // The station's bytes reach the display at the line's rate.
            const auto now = m_fromStation.book(n);
            std::this_thread::sleep_until(now);
            buf.append(chunk, n);
            qsizetype stx;
            while ((stx = buf.indexOf('\x02')) >= 0) {
                const qsizetype etx = buf.indexOf('\x03', stx);
                if (etx < 0 || (etx - stx - 1 == 6 && etx + 1 >= buf.size())) break;
                // Only the amount frame has six characters; the others may lack a block check.
                if (etx - stx - 1 == 6) {
                    {
                        std::lock_guard l(m_lock);
                        m_ends.push_back(now);
                    }
                    m_arrived.notify_all();
                    buf.remove(0, etx + 2);
                } else {
                    buf.remove(0, etx + 1);
                }
            }
        }
    }
    int m_master = -1, m_slave = -1;
    QString m_path;
    std::atomic<bool> m_stopReading{false}, m_stopFeeding{false};
    std::atomic<int> m_sent{0};
    mutable std::mutex m_lock;
    mutable std::condition_variable m_arrived;
    std::mutex m_writeLock;
    LinePacer m_toStation, m_fromStation;
    std::vector<Clk::time_point> m_ends;
    std::thread m_thread, m_feeder;
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

// A key as the keyboard gives it: queued, handled when the main thread next runs events.
void PostKey(QObject* to, Qt::Key key, const QString& text = {})
{
    QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

void PostDigits(QObject* to, const QString& digits)
{
    for (const QChar c : digits) PostKey(to, Qt::Key(Qt::Key_0 + c.digitValue()), QString(c));
}

// Runs the station's event loop, blocked between events as the program is, until
// done or the cap; done is looked at each millisecond (the figures come from the
// devices' own time stamps, not from this look).
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds cap)
{
    if (done()) return true;
    const auto end = Clk::now() + cap;
    QEventLoop loop;
    QTimer look;
    look.setTimerType(Qt::PreciseTimer);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || Clk::now() >= end) loop.quit();
    });
    look.start(1);
    loop.exec();
    return done();
}

bool WaitFrames(const DisplayPort& d, size_t n)
{
    return RunEventsUntil([&] { return d.frames() >= n; }, std::chrono::seconds(3));
}

// Enter on the main screen completes the shown exit; Esc clears what is left.
void CompleteExit(Program& prog)
{
    PostKey(&prog.window, Qt::Key_Return);
    if (!RunEventsUntil([&] { return !prog.st.trx.TicketInProgress; }, std::chrono::seconds(3))) {
        PostKey(&prog.window, Qt::Key_Escape);
        RunEventsUntil([&] { return !prog.st.trx.TicketInProgress; }, std::chrono::seconds(3));
    }
}

// Percentiles and the longest; `failures` (no answer within the wait) count among
// them as longer than any answer, so a percentile that falls on one says so.
struct Spread {
    std::string p50, p95, p99, max;
};

Spread Percentiles(std::vector<double> ms, int failures = 0)
{
    if (ms.empty() && failures == 0) return {"-", "-", "-", "-"};
    std::sort(ms.begin(), ms.end());
    ms.insert(ms.end(), size_t(failures), std::numeric_limits<double>::infinity());
    const auto p = [&ms](double q) {
        const double v = ms.at(std::min(ms.size() - 1, size_t(q * double(ms.size()))));
        return std::isinf(v) ? std::string("none") : QString::number(v, 'f', 1).toStdString();
    };
    return {p(0.50), p(0.95), p(0.99), p(1.0)};
}

void Report(const char* what, const std::vector<double>& ms, const char* note = "", int failures = 0)
{
    if (ms.empty() && failures == 0) { std::printf("%s: no samples\n", what); return; }
    const Spread s = Percentiles(ms, failures);
    const auto u = [](const std::string& v) { return v == "none" ? v : v + " ms"; };
    std::printf("%-8s n=%zu  p50 %s  p95 %s  p99 %s  max %s%s%s\n", what, ms.size() + size_t(failures), u(s.p50).c_str(),
                u(s.p95).c_str(), u(s.p99).c_str(), u(s.max).c_str(), note,
                failures ? "  (none: no answer within the wait)" : "");
}

constexpr const char* kWireNote = "  (the 9-byte fee frame's 9.4 ms on the line at 9600 baud included)";

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

// The latest entry minute, from `entered` back, whose entry code for the number
// no earlier run on this folder has made.
QDateTime FreeEntry(const QSqlDatabase& db, const QString& no, QDateTime in)
{
    while (Scalar(db, QStringLiteral("SELECT 1 FROM 일반권 WHERE 입차코드 = ?"),
                  {no + in.toString(QStringLiteral("yyyyMMddHHmm"))}).isValid())
        in = in.addSecs(-60);
    return in;
}

// The next ticket to type from number i on (5000-8999): one open entry of its
// number, under a new entry code. Returns the number; the entry row is stored.
// Empty when every number already has an open entry.
QString OpenTypedTicket(const QSqlDatabase& db, int& i, const QDateTime& entered)
{
    for (const int last = i + 4000; i < last; ++i) {
        const QString no = TicketNo(i);
        QString after = no;
        after.back() = QChar(after.back().unicode() + 1);
        if (Scalar(db, QStringLiteral("SELECT 1 FROM 일반권 WHERE 입차코드 >= ? AND 입차코드 < ? AND 티켓번호 = ? "
                                         "AND 출차일 IS NULL LIMIT 1"), {no, after, no}).isValid())
            continue; // a second open entry of that number would ask for the entry time
        const QDateTime in = FreeEntry(db, no, entered);
        Exec(db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                                   "VALUES (0, ?, ?, ?, ?, 0, 1)"),
             {no, in.date().toString(Qt::ISODate), in.toString(QStringLiteral("HH:mm")),
              no + in.toString(QStringLiteral("yyyyMMddHHmm"))});
        return no;
    }
    return {};
}

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
    int next = 0;
    for (int i = 0; i < tickets; ++i) {
        const bool byReader = i % 2 == 1;
        const size_t before = display.frames();
        Clk::time_point t0;
        QString no;
        if (byReader) {
            // Read tickets are numbered from 9000; the card carries its own entry, one never settled.
            no = QString::number(9000 + i % 1000);
            const QDateTime in = FreeEntry(st.Db, no, entered);
            reader.insert(sim::TicketReaderSim::PaperCard(no, in.toString(QStringLiteral("yyMMddHHmm"))));
            const QByteArray reply = reader.readReplyFrame();
            readerPort.send(reply);
            t0 = Clk::now(); // the reply's last byte written
        } else {
            no = OpenTypedTicket(st.Db, next, entered);
            if (no.isEmpty()) return 4;
            ++next;
            tnum->setFocus();
            PostDigits(tnum, no);
            PostKey(tnum, Qt::Key_Return);
            t0 = Clk::now();
        }
        if (!WaitFrames(display, before + 1)) {
            std::fprintf(stderr, "ticket %s (%s): no fee frame\n", qPrintable(no), byReader ? "read" : "typed");
            for (const auto& m : prog.msgs.shown) std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
            return 5;
        }
        (byReader ? read : typed).push_back(Ms(display.frameEnd(before) - t0));
        CompleteExit(prog);
        QTest::qWait(5);
    }
    Report("typed", typed, kWireNote);
    Report("read", read, kWireNote);
    return 0;
}

// A device on a pseudo-terminal under load: one thread writes frames until
// stopped, at 9600 baud's pace (960 bytes a second) or at the moments of a
// schedule; another reads what the station sends and, for a device that answers,
// writes its answer. Each frame is made when its moment has come.
class LoadPort {
public:
    using Maker = std::function<QByteArray(int k)>;
    using Answerer = std::function<QByteArray(const QByteArray& chunk)>;

    LoadPort(Maker make, Answerer answer, std::optional<std::vector<Clk::duration>> schedule = std::nullopt)
        : m_make(std::move(make)), m_answer(std::move(answer)), m_schedule(std::move(schedule))
    {
        const sim::PtyPair pty = sim::OpenPty(false);
        m_master = pty.master;
        m_slave = pty.slave;
        m_path = pty.slavePath;
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
    // A peer that waits for the station's answer to each frame before it sends the
    // next (up to a second): `answers` counts the answers in what it has received.
    void awaitAnswers(std::function<int(const QByteArray& received)> answers) { m_answers = std::move(answers); }
    void start() { m_feeder = std::thread([this] { feedLoop(); }); }
    void stop()
    {
        {
            std::lock_guard l(m_lock);
            m_stopFeeding = true;
        }
        m_answered.notify_all();
        if (m_feeder.joinable()) m_feeder.join();
    }
    int sent() const { std::lock_guard l(m_lock); return m_sent; }
    QByteArray received() const { std::lock_guard l(m_lock); return m_received; }
    // When each frame's last byte was written.
    std::vector<Clk::time_point> written() const { std::lock_guard l(m_lock); return m_written; }
    // What the line carried so far: the frames sent, the bytes sent to the station
    // (frames and answers) and those received from it.
    struct Use {
        int sent = 0;
        qint64 out = 0, in = 0;
    };
    Use use() const { std::lock_guard l(m_lock); return {m_sent, m_out, m_received.size()}; }
    // How many frames the line could have carried in the seconds: a scheduled port
    // its moments up to then; a port at the line's full rate the bytes of its frames
    // (and its answers) that fit; a port that waits for each answer whole exchanges,
    // the bytes both ways taking turns on it, each answered within kAnswerWithin.
    double couldCarry(const Use& u, double seconds) const
    {
        if (m_schedule) {
            // A moment whose frame could not have crossed before the stop (50 ms kept for
            // the feeder's own start) is not asked of it.
            const double wire = u.sent > 0 ? double(u.out) / u.sent / kLineBytesPerSecond : 0;
            return double(std::count_if(m_schedule->begin(), m_schedule->end(), [&](Clk::duration d) {
                return std::chrono::duration<double>(d).count() + wire <= seconds - 0.05;
            }));
        }
        if (u.sent == 0) return std::numeric_limits<double>::infinity();
        if (!m_answers) return seconds * kLineBytesPerSecond * u.sent / double(u.out);
        const double exchange = double(u.out + u.in) / u.sent / kLineBytesPerSecond + kAnswerWithin;
        return seconds / exchange;
    }

private:
    void feedLoop()
    {
        const auto start = Clk::now();
        for (int k = 0; !m_stopFeeding; ++k) {
            if (m_schedule && size_t(k) >= m_schedule->size()) break;
            if (m_schedule) std::this_thread::sleep_until(start + m_schedule->at(size_t(k)));
            if (m_answers) {
                std::unique_lock l(m_lock);
                m_answered.wait_until(l, Clk::now() + std::chrono::seconds(1),
                                      [&] { return m_stopFeeding || m_answers(m_received) >= k; });
            }
            if (m_stopFeeding) break;
            const QByteArray frame = m_make(k);
            SendPaced(m_master, m_writeLock, m_toStation, frame, m_stopFeeding);
            if (m_stopFeeding) break;
            {
                std::lock_guard l(m_lock);
                m_written.push_back(Clk::now());
                m_out += frame.size();
                ++m_sent;
            }
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
            // The station's bytes reach the device at the line's rate; its answer shares
            // the line back with the frames it sends of its own.
            std::this_thread::sleep_until(m_fromStation.book(n));
            const QByteArray in(chunk, n);
            {
                std::lock_guard l(m_lock);
                m_received += in;
            }
            if (m_answer) {
                const QByteArray answer = m_answer(in);
                SendPaced(m_master, m_writeLock, m_toStation, answer, m_stopReading);
                std::lock_guard l(m_lock);
                m_out += answer.size();
            }
            // Told once the answer is on the line, so the next frame follows it there.
            m_answered.notify_all();
        }
    }

    Maker m_make;
    Answerer m_answer;
    std::function<int(const QByteArray&)> m_answers;
    std::optional<std::vector<Clk::duration>> m_schedule; // none: full rate
    int m_master = -1, m_slave = -1;
    QString m_path;
    std::atomic<bool> m_stopFeeding{false}, m_stopReading{false};
    mutable std::mutex m_lock;
    std::condition_variable m_answered;
    int m_sent = 0;
    qint64 m_out = 0;
    std::mutex m_writeLock;
    LinePacer m_toStation, m_fromStation;
    QByteArray m_received;
    std::vector<Clk::time_point> m_written;
    std::thread m_feeder, m_reader;
};

// The devices of the fed runs: their tables in use on their ports.
void UseLoadDevices(const QString& folder, bool host = true)
{
    QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("load"));
    c.setDatabaseName(folder + QStringLiteral("/Data/Park.MDB"));
    if (c.open()) {
        QSqlQuery q(c);
        q.exec(QStringLiteral("UPDATE 발권기 SET 기종 = '바코드', 사용여부 = 1"));
        for (const char* gate : {"정기권입구1", "정기권출구1", "정기권입구2", "정기권출구2"})
            q.exec(QStringLiteral("UPDATE %1 SET 기종 = 'ID Tech', 사용여부 = 1").arg(QString::fromUtf8(gate)));
        q.exec(QStringLiteral("UPDATE 호스트 SET 사용여부 = %1").arg(host ? 1 : 0));
        // A read reply starts an exit on the booth's one screen: the reader is left out.
        q.exec(QStringLiteral("UPDATE 리더기 SET 사용여부 = 0"));
        q.exec(QStringLiteral("UPDATE 요금계산기 SET 사용여부 = 1"));
        q.exec(QStringLiteral("UPDATE 시스템 SET 출구판독기 = 1"));
    }
    c.close();
    c = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("load"));
}

// Issue minutes of today under which no dispenser ticket (numbers up to 4000)
// is stored yet, so every ticket of this run makes a new entry code.
std::vector<QTime> FreeIssueMinutes(const QString& folder, int count)
{
    QSet<QString> used;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("minutes"));
        c.setDatabaseName(folder + QStringLiteral("/Data/Park.MDB"));
        if (c.open()) {
            QSqlQuery q(c);
            q.prepare(QStringLiteral("SELECT DISTINCT 입차시간 FROM 일반권 WHERE 입차일 = ? AND 티켓번호 <= '4000'"));
            q.addBindValue(QDate::currentDate().toString(Qt::ISODate));
            if (q.exec())
                while (q.next()) used.insert(q.value(0).toString());
        }
        c.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("minutes"));
    std::vector<QTime> out;
    for (QTime t(0, 0); int(out.size()) < count; t = t.addSecs(60))
        if (!used.contains(t.toString(QStringLiteral("HH:mm")))) out.push_back(t);
    return out;
}

QByteArray DispenserTicket(const std::vector<QTime>& minutes, int k)
{
    const QByteArray no = QByteArray::number(k % 4000 + 1).rightJustified(4, '0');
    return sim::dispenser::Frame(sim::dispenser::Ticket14(no, minutes.at(std::min(size_t(k / 4000), minutes.size() - 1))));
}

// The station's whole answers to the host's ENQ (DLE STX) in what the host received.
int HostAnswers(const QByteArray& received) { return int(received.count(QByteArrayLiteral("\x10\x02"))); }

// Each gate reads its own 500 of the season tickets, so its passages can be counted apart.
LoadPort::Maker GateCards(int gate)
{
    return [gate](int k) { return sim::SeasonReaderSim::CardFrame(0, QByteArray::number(100000 + gate * 500 + k % 500)); };
}

// The exit reader's side: the peer's answers, and when each ticket's command
// (take in, C31, or give back, C30) arrived.
struct ExitReaderSide {
    std::mutex lock;
    sim::ExitReaderPeer peer;
    int commands = 0;
    std::vector<Clk::time_point> ticketCommands;

    LoadPort::Answerer answerer()
    {
        return [this](const QByteArray& chunk) {
            std::lock_guard l(lock);
            const QByteArray answer = peer.onBytes(chunk);
            for (qsizetype i = commands; i < peer.commands.size(); ++i)
                if (peer.commands.at(i) == QLatin1String("C30") || peer.commands.at(i) == QLatin1String("C31"))
                    ticketCommands.push_back(Clk::now());
            commands = int(peer.commands.size());
            return answer;
        };
    }
    int ticketCommandCount() { std::lock_guard l(lock); return int(ticketCommands.size()); }
};

// Exits typed one after another until the time is up, with a pause between them;
// the fee frame's latency of each, and how many had no frame within the wait.
// Read by the reporting thread while exits are still typed.
struct Typed {
    std::mutex lock;
    std::vector<double> ms;
    int missed = 0;
};

// Runs fn on the main thread when it next runs events, in a nested wait or not;
// false when that did not come within the cap.
bool OnMainThread(QObject* context, std::function<void()> fn, std::chrono::milliseconds cap)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(context, [fn = std::move(fn), done] { fn(); *done = true; }, Qt::QueuedConnection);
    const auto end = Clk::now() + cap;
    while (!*done && Clk::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return *done;
}

bool TicketInProgress(Program& prog)
{
    auto open = std::make_shared<std::atomic<bool>>(true);
    OnMainThread(&prog.window, [&prog, open] { *open = prog.st.trx.TicketInProgress; }, std::chrono::seconds(3));
    return *open;
}

// The entry rows of the tickets a cashier will type, stored before the run in one
// commit, so that a typed exit waits for the station only from its keys on.
std::vector<QString> OpenTypedTickets(const QSqlDatabase& db, int count)
{
    std::vector<QString> numbers;
    const QDateTime entered = QDateTime::currentDateTime().addSecs(-90 * 60);
    Transaction t(db);
    for (int i = 0; int(numbers.size()) < count; ++i) {
        const QString no = OpenTypedTicket(db, i, entered);
        if (no.isEmpty()) break;
        numbers.push_back(no);
    }
    t.commit();
    return numbers;
}

// The cashier: a thread of its own types while the main thread may sit in the
// station's waits, as a keyboard's keys reach it. Each exit's clock starts when its
// keys are posted; a busy main thread's wait is in the latency.
void TypeExits(Program& prog, QLineEdit* tnum, DisplayPort& display, const std::vector<QString>& tickets,
               Clk::time_point until, Typed& t, std::chrono::milliseconds pause)
{
    for (size_t i = 0; i < tickets.size() && Clk::now() < until; ++i) {
        const size_t before = display.frames();
        const auto t0 = Clk::now();
        PostDigits(tnum, tickets[i]);
        PostKey(tnum, Qt::Key_Return);
        const bool shown = display.waitBeyond(before, t0 + std::chrono::seconds(3));
        {
            std::lock_guard l(t.lock);
            if (shown) t.ms.push_back(Ms(display.frameEnd(before) - t0));
            else ++t.missed;
        }
        PostKey(&prog.window, Qt::Key_Return); // completes the exit
        const auto settled = Clk::now() + std::chrono::seconds(3);
        while (TicketInProgress(prog) && Clk::now() < settled) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (TicketInProgress(prog)) PostKey(&prog.window, Qt::Key_Escape);
        std::this_thread::sleep_for(pause);
    }
}

// A fed port: its name in the report and how many of its frames the station has
// handled so far (rows, passages, answers), counted on the reporter's connection.
struct FedPort {
    const char* name;
    LoadPort* port;
    std::function<int(const QSqlDatabase&)> handled;
};

// Rows of 일반권 and 정기권입출차 stored after the run began, found by their row numbers.
struct RowsSince {
    qint64 ilban = 0, passages = 0;

    static RowsSince Now(const QSqlDatabase& db)
    {
        return {Scalar(db, QStringLiteral("SELECT COALESCE(MAX(rowid), 0) FROM 일반권")).toLongLong(),
                Scalar(db, QStringLiteral("SELECT COALESCE(MAX(rowid), 0) FROM 정기권입출차")).toLongLong()};
    }
    // Dispenser rows (numbers up to 4000; typed exits use 5000 and up).
    int dispenser(const QSqlDatabase& db) const
    {
        return Scalar(db, QStringLiteral("SELECT COUNT(*) FROM 일반권 WHERE rowid > ? AND 티켓번호 <= '4000'"), {ilban}).toInt();
    }
    int gate(const QSqlDatabase& db, int g) const
    {
        return Scalar(db, QStringLiteral("SELECT COUNT(*) FROM 정기권입출차 WHERE rowid > ? AND "
                                         "CAST(정기권번호 AS INTEGER) BETWEEN ? AND ?"),
                      {passages, 100000 + g * 500, 100000 + g * 500 + 499})
            .toInt();
    }
};

// What a fed run reports besides the ports: the typed exits, and for the peak
// the exit reader's ticket-to-command latency.
struct FedRun {
    const char* tag;
    int seconds = 60;
    std::chrono::milliseconds typingPause{20};
    std::vector<FedPort> fed;
    std::vector<std::function<void()>> starts, stops; // feeders not counted (port 7)
    std::function<void()> extraReport;
    LoadPort* exitReader = nullptr; // its ticket-to-command latency
    ExitReaderSide* exitSide = nullptr;
};

// A lane that sends less than this share of what its line could carry fell behind.
constexpr double kLaneShareNeeded = 0.90;

// The fed ports a run counts, each with what shows a frame of it handled.
std::vector<FedPort> CountedPorts(RowsSince& since, LoadPort& dispenser, const std::array<LoadPort*, 4>& gates,
                                  LoadPort& host, LoadPort& exitReader, ExitReaderSide& exitSide)
{
    const auto gate = [&since](int g) { return [&since, g](const QSqlDatabase& db) { return since.gate(db, g); }; };
    return {
        {"port 0 dispenser tickets (rows)", &dispenser, [&since](const QSqlDatabase& db) { return since.dispenser(db); }},
        {"port 1 season gate in 1 (passages)", gates[0], gate(0)},
        {"port 2 season gate out 1 (passages)", gates[1], gate(1)},
        {"port 3 season gate in 2 (passages)", gates[2], gate(2)},
        {"port 5 season gate out 2 (passages)", gates[3], gate(3)},
        {"port 8 host ENQ (DLE STX answers)", &host,
         [&host](const QSqlDatabase&) { return HostAnswers(host.received()); }},
        {"port 9 exit reader tickets (commands)", &exitReader,
         [&exitSide](const QSqlDatabase&) { return exitSide.ticketCommandCount(); }},
    };
}

// The station's CPU time: its main thread's, where the program runs.
class StationCpu {
public:
    StationCpu() { pthread_getcpuclockid(pthread_self(), &m_clock); }
    double seconds() const
    {
        timespec ts{};
        clock_gettime(m_clock, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }

private:
    clockid_t m_clock{};
};

// The whole bench process's CPU time (the devices' threads and the counting included).
double ProcessCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// With TOLVO_STATION_CPU=<n>, the station (the calling main thread) runs on CPU n
// alone and every other thread of the bench (the devices, the cashier, the
// counting) on the rest it may use: a busy process pinned to CPU n then shares
// that core with the station only. Threads made later by the main thread stay on n.
void PinStation(const char* tag)
{
    const char* v = std::getenv("TOLVO_STATION_CPU");
    if (!v || !*v) return;
    const int cpu = std::atoi(v);
    cpu_set_t all, one, rest;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    if (sched_getaffinity(0, sizeof all, &all) != 0 || !CPU_ISSET(cpu, &all)) {
        std::printf("%-8s CPU %d is not among this process's CPUs: the station is not pinned\n", tag, cpu);
        return;
    }
    rest = all;
    CPU_CLR(cpu, &rest);
    if (CPU_COUNT(&rest) == 0) rest = all;
    const pid_t self = pid_t(::syscall(SYS_gettid));
    QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& t : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const pid_t tid = pid_t(t.toInt());
        sched_setaffinity(tid, sizeof(cpu_set_t), tid == self ? &one : &rest);
    }
    std::printf("%-8s the station runs on CPU %d, the devices and the counting on the other %d\n", tag, cpu,
                CPU_COUNT(&rest));
}

// Latency from a ticket's last byte to the reader's command (take in or give back):
// the k-th command the reader got answers the k-th ticket, as it puts in the next
// only after that answer (or after a second); a ticket left without one counts
// among the percentiles as a failure.
Spread ReportExitReader(LoadPort& exitReader, ExitReaderSide& exitSide)
{
    const std::vector<Clk::time_point> tickets = exitReader.written();
    std::vector<double> ms;
    {
        std::lock_guard l(exitSide.lock);
        for (size_t k = 0; k < std::min(tickets.size(), exitSide.ticketCommands.size()); ++k)
            ms.push_back(Ms(exitSide.ticketCommands[k] - tickets[k]));
    }
    const int unanswered = int(tickets.size()) - int(ms.size());
    Report("exit rd", ms, " (ticket's last byte written to the reader's command)", std::max(0, unanswered));
    return Percentiles(ms, std::max(0, unanswered));
}

// Each fed port's frames against what its line could carry in the time it was fed;
// false when one fell below the share a run must reach.
bool ReportShares(const FedRun& run, const std::vector<LoadPort::Use>& use, double fedFor, std::string& shares)
{
    bool ok = true;
    std::printf("%-8s %-38s %7s %12s %7s %17s\n", run.tag, "lane", "sent", "line carries", "share", "bytes out/in each");
    for (size_t i = 0; i < run.fed.size(); ++i) {
        const double carries = run.fed[i].port->couldCarry(use[i], fedFor);
        const double share = carries > 0 ? use[i].sent / carries : 1.0;
        const bool short_ = share < kLaneShareNeeded;
        ok = ok && !short_;
        const double each = std::max(1, use[i].sent);
        std::printf("%-8s %-38s %7d %12.0f %6.1f%% %8.1f/%-8.1f%s\n", run.tag, run.fed[i].name, use[i].sent, carries,
                    100 * share, double(use[i].out) / each, double(use[i].in) / each,
                    short_ ? "  BELOW 90 %: the lane fell behind" : "");
        if (!shares.empty()) shares += ' ';
        shares += std::to_string(int(std::floor(100 * share)));
    }
    return ok;
}

// _Exit closes no port: each one's lock (LCK..<device> naming this process) would
// stay in the lock folder, where only its owner may remove it, and the port would
// be refused to every other user.
void RemoveOwnPortLocks()
{
    const QByteArray self = QByteArray::number(::getpid());
    for (const QString& dir : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")}) {
        const QDir folder(dir);
        for (const QString& name : folder.entryList({QStringLiteral("LCK..*")}, QDir::Files | QDir::System)) {
            QFile lock(folder.filePath(name));
            if (lock.open(QIODevice::ReadOnly) && lock.readLine().trimmed() == self) lock.remove();
        }
    }
}

// Feeding stops after the run's seconds; what has arrived by then is waited for,
// but never past the cap. A thread of its own stops, counts (on its own read-only
// connection) and reports, then ends the program: the station's main thread can
// sit for minutes in nested waits, so the run must not depend on it returning.
// A cashier thread types exits while fed; the main thread runs the station's event
// loop, blocked between events as the program's is. The run fails (exit status 6)
// when a frame is left unhandled, a lane falls below 90 % of its line, or a typed
// exit has no fee frame within 3 s.
int Feed(const QString& folder, Program& prog, DisplayPort& display, FedRun& run)
{
    constexpr auto drainCap = std::chrono::minutes(2);
    const size_t n = run.fed.size();
    std::vector<int> base(n);
    for (size_t i = 0; i < n; ++i) base[i] = run.fed[i].handled(prog.st.Db);
    // Enough tickets for an exit every typing pause (and 10 ms) while fed; 4,000 numbers at most.
    const int typedNeeded = std::min(4000, int(run.seconds * 1000 / (run.typingPause.count() + 10)) + 20);
    const std::vector<QString> tickets = OpenTypedTickets(prog.st.Db, typedNeeded);
    Typed typed;
    const StationCpu cpu;
    const double cpu0 = cpu.seconds(), proc0 = ProcessCpuSeconds();
    const auto feedStart = Clk::now();
    const auto feedEnd = feedStart + std::chrono::seconds(run.seconds);
    for (const FedPort& f : run.fed) f.port->start();
    for (const auto& s : run.starts) s();
    std::thread reporter([&] {
        std::this_thread::sleep_until(feedEnd);
        for (const FedPort& f : run.fed) f.port->stop();
        for (const auto& s : run.stops) s();
        const double fedFor = Ms(Clk::now() - feedStart) / 1000;
        const double cpuFed = cpu.seconds() - cpu0;
        const int deepestFed = prog.st.DeepestWaitNesting; // read across threads: a figure, not a decision
        std::vector<LoadPort::Use> use(n);
        std::vector<int> want(n);
        for (size_t i = 0; i < n; ++i) {
            use[i] = run.fed[i].port->use();
            want[i] = use[i].sent;
        }
        double drained = 0;
        long long handledAll = 0;
        const bool drainedAll = [&] {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("loadcount"));
            c.setDatabaseName(folder + QStringLiteral("/Data/Park.MDB"));
            c.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000;QSQLITE_OPEN_READONLY"));
            if (!c.open()) return false;
            // A count the engine refuses ("database is locked") keeps the last one and is reported.
            int refused = 0;
            QString refusal;
            std::vector<int> last(n, 0);
            const auto handled = [&] {
                std::vector<int> h(n);
                for (size_t i = 0; i < n; ++i) {
                    try {
                        h[i] = last[i] = run.fed[i].handled(c) - base[i];
                    } catch (const DbError& e) {
                        ++refused;
                        refusal = e.message();
                        h[i] = last[i];
                    }
                }
                return h;
            };
            const auto done = [&](const std::vector<int>& h) {
                for (size_t i = 0; i < n; ++i)
                    if (h[i] < want[i]) return false;
                return true;
            };
            const std::vector<int> atStop = handled();
            const auto drainStart = Clk::now();
            std::vector<int> got = atStop;
            while (!done(got) && Clk::now() < drainStart + drainCap) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                got = handled();
            }
            drained = Ms(Clk::now() - drainStart) / 1000;
            for (const int h : got) handledAll += h;
            std::printf("%-8s frames fed for %.1f s (asked %d s)\n", run.tag, fedFor, run.seconds);
            if (done(got)) std::printf("%-8s every frame handled %.1f s after the feeding stopped\n", run.tag, drained);
            else std::printf("%-8s NOT drained: frames unhandled at the cap, %.0f s after the feeding stopped\n", run.tag, drained);
            std::printf("%-8s %-38s %7s %16s %14s %10s\n", run.tag, "", "sent", "handled at stop", "handled at end",
                        "unhandled");
            for (size_t i = 0; i < n; ++i)
                std::printf("%-8s %-38s %7d %16d %14d %10d\n", run.tag, run.fed[i].name, want[i], atStop[i], got[i],
                            std::max(0, want[i] - got[i]));
            if (refused > 0)
                std::printf("%-8s counting was refused %d times (the last count kept): %s\n", run.tag, refused,
                            qPrintable(refusal));
            return done(got);
        }();
        const double wall = Ms(Clk::now() - feedStart) / 1000;
        const double cpuAll = cpu.seconds() - cpu0, procAll = ProcessCpuSeconds() - proc0;
        std::string shares;
        const bool sharesMet = ReportShares(run, use, fedFor, shares);
        std::printf("%-8s station CPU (its main thread): %.1f %% of a core while fed (%.1f s in %.1f s), "
                    "%.1f %% over the run with its drain (%.1f s in %.1f s); the whole bench process %.1f %%\n",
                    run.tag, 100 * cpuFed / fedFor, cpuFed, fedFor, 100 * cpuAll / wall, cpuAll, wall, 100 * procAll / wall);
        std::printf("%-8s station CPU per frame handled (typed exits and the display's frames aside): %.2f ms\n", run.tag,
                    handledAll > 0 ? 1000 * cpuAll / double(handledAll) : 0.0);
        std::printf("%-8s deepest nesting of device waits: %d while fed, %d in all\n", run.tag, deepestFed,
                    int(prog.st.DeepestWaitNesting));
        int missed = 0;
        size_t typedCount = 0;
        Spread typedSpread;
        {
            std::lock_guard l(typed.lock);
            missed = typed.missed;
            typedCount = typed.ms.size() + size_t(missed);
            std::printf("%-8s typed exits: %zu with a fee frame, %d without one within 3 s\n", run.tag, typed.ms.size(),
                        typed.missed);
            Report("typed", typed.ms, " (keys posted to the fee frame's last byte)", typed.missed);
            typedSpread = Percentiles(typed.ms, typed.missed);
        }
        const Spread exitSpread = run.exitReader ? ReportExitReader(*run.exitReader, *run.exitSide) : Spread{};
        if (run.extraReport) run.extraReport();
        // What the station said meanwhile (read on its own thread, if it gets there).
        auto said = std::make_shared<std::vector<QString>>();
        OnMainThread(&prog.window, [&prog, said] { for (const auto& m : prog.msgs.shown) said->push_back(m.text); },
                     std::chrono::seconds(2));
        std::printf("%-8s messages shown by the station: %zu\n", run.tag, said->size());
        for (size_t k = 0; k < std::min<size_t>(said->size(), 5); ++k)
            std::printf("%-8s   %s\n", run.tag, qPrintable(said->at(k).simplified()));
        const bool ok = drainedAll && sharesMet && missed == 0;
        // One line of the figures, for scripts/measure.sh's table.
        long long sentAll = 0;
        for (const int w : want) sentAll += w;
        std::printf("figures  cpu %.0f%% | sent %lld | last handled %s | typed %zu (%d missed) %s / %s / %s ms"
                    " | exit rd %s / %s / %s ms | lanes %s %% | %s\n",
                    100 * cpuFed / fedFor, sentAll, drainedAll ? (QString::number(drained, 'f', 1) + QStringLiteral(" s")).toUtf8().constData()
                                                      : "NOT (cap)",
                    typedCount, missed, typedSpread.p50.c_str(), typedSpread.p95.c_str(), typedSpread.p99.c_str(),
                    exitSpread.p50.c_str(), exitSpread.p95.c_str(), exitSpread.max.c_str(), shares.c_str(),
                    ok ? "ok" : "FAILED");
        if (!ok)
            std::printf("%-8s RUN FAILED:%s%s%s\n", run.tag, drainedAll ? "" : " frames left unhandled;",
                        sharesMet ? "" : " a lane below 90 % of its line;", missed == 0 ? "" : " typed exits without a fee frame;");
        std::fflush(stdout);
        RemoveOwnPortLocks();
        std::_Exit(ok ? 0 : 6); // the main thread may still be deep in the station's nested waits
    });
    auto* tnum = prog.window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    std::thread cashier([&, tnum] {
        if (tnum) TypeExits(prog, tnum, display, tickets, feedEnd, typed, run.typingPause);
    });
    cashier.detach(); // it ends with the feeding; the reporter ends the program
    PinStation(run.tag);
    // The station runs on the main thread, the backlog included; the reporter ends the program.
    QCoreApplication::exec();
    return 0;
}

void MapPorts(const QString& folder, const std::vector<std::pair<const char*, QString>>& map)
{
    const QString ini = folder + QStringLiteral("/Tolvo.ini");
    for (const auto& [com, path] : map) Write_Ini(ini, QStringLiteral("ports"), QString::fromLatin1(com), path);
}

// Each fed port on the Com its device takes, the fee display on Com7.
void MapFedPorts(const QString& folder, LoadPort& dispenser, const std::array<LoadPort*, 4>& gates, LoadPort& host,
                 LoadPort& exitReader, DisplayPort& display)
{
    MapPorts(folder, {{"Com1", dispenser.path()}, {"Com2", gates[0]->path()}, {"Com3", gates[1]->path()},
                      {"Com4", gates[2]->path()}, {"Com8", gates[3]->path()}, {"Com9", host.path()},
                      {"Com10", exitReader.path()}, {"Com7", display.path()}});
}

int Load(const QString& folder, int seconds)
{
    UseLoadDevices(folder);
    const std::vector<QTime> minutes = FreeIssueMinutes(folder, 10);
    LoadPort dispenser([&minutes](int k) { return DispenserTicket(minutes, k); }, {});
    LoadPort in1(GateCards(0), {}), out1(GateCards(1), {}), in2(GateCards(2), {}), out2(GateCards(3), {});
    LoadPort host([](int) { return QByteArrayLiteral("\x05"); }, {});
    // A host sends its next ENQ once the last one is answered (the answer, DLE STX, is
    // twice its size: ENQs at the line's full rate could never all be answered on it).
    host.awaitAnswers(HostAnswers);
    ExitReaderSide exitSide;
    LoadPort exitReader([](int k) {
        const QString no = QString::number(k % 4000 + 1).rightJustified(4, QLatin1Char('0'));
        return sim::ExitReaderPeer::Inserted(sim::ExitReaderPeer::UnpaidCard(no, QStringLiteral("2601050800")));
    }, exitSide.answerer());
    // A reader holds one ticket: the next goes in once the station has taken in or
    // given back the last (up to a second), as with a queue of cars at the lane.
    exitReader.awaitAnswers([&exitSide](const QByteArray&) { return exitSide.ticketCommandCount(); });
    DisplayPort display;
    MapFedPorts(folder, dispenser, {&in1, &out1, &in2, &out2}, host, exitReader, display);
    Program prog(folder);
    if (!prog.start() || !prog.login()) return 3;
    RowsSince since;
    FedRun run{"load", seconds, std::chrono::milliseconds(20), {}, {}, {}, {}};
    run.fed = CountedPorts(since, dispenser, {&in1, &out1, &in2, &out2}, host, exitReader, exitSide);
    since = RowsSince::Now(prog.st.Db);
    run.starts = {[&display] { display.start(); }};
    run.stops = {[&display] { display.stop(); }};
    run.extraReport = [&display] { std::printf("load     port 7 fee display frames (traced only) %7d\n", display.sent()); };
    run.exitReader = &exitReader;
    run.exitSide = &exitSide;
    return Feed(folder, prog, display, run);
}

// Moments of each port's frames in a peak: per lane a car every 6-10 s divided
// by the scale; 30 % show a season card at the lane's gate, the others take a
// dispenser ticket (entrances) or put a paid ticket into the exit reader (exits).
struct PeakSchedule {
    std::array<std::vector<Clk::duration>, 4> gates; // entrance 1, exit 1, entrance 2, exit 2
    std::vector<Clk::duration> dispenser, exitReader, host;
};

PeakSchedule MakePeakSchedule(double scale, int seconds)
{
    PeakSchedule s;
    std::mt19937 random(20260105); // the same peak every run
    std::uniform_real_distribution<double> gap(6.0, 10.0), share(0.0, 1.0);
    const auto at = [](double sec) { return std::chrono::duration_cast<Clk::duration>(std::chrono::duration<double>(sec)); };
    for (int lane = 0; lane < 4; ++lane) {
        const bool entrance = lane % 2 == 0;
        for (double t = share(random) * gap(random) / scale; t < seconds; t += gap(random) / scale) {
            if (share(random) < 0.3) s.gates[size_t(lane)].push_back(at(t));
            else (entrance ? s.dispenser : s.exitReader).push_back(at(t));
        }
    }
    std::sort(s.dispenser.begin(), s.dispenser.end());
    std::sort(s.exitReader.begin(), s.exitReader.end());
    for (int t = 1; t <= seconds; ++t) s.host.push_back(at(t));
    return s;
}

// A card left in the field of the first entrance's reader, read again and again at the line's rate.
QByteArray StuckCard(int) { return sim::SeasonReaderSim::CardFrame(0, QByteArrayLiteral("100000")); }

int Peak(const QString& folder, double scale, int seconds, bool stuckCard)
{
    UseLoadDevices(folder);
    if (stuckCard)
        Write_Ini(folder + QStringLiteral("/Tolvo.ini"), QStringLiteral("시스템"), QStringLiteral("중복카드무효처리"),
                  QStringLiteral("False"));
    const PeakSchedule plan = MakePeakSchedule(scale, seconds);
    const std::vector<QTime> minutes = FreeIssueMinutes(folder, 2);
    LoadPort dispenser([&minutes](int k) { return DispenserTicket(minutes, k); }, {}, plan.dispenser);
    LoadPort in1(stuckCard ? LoadPort::Maker(StuckCard) : GateCards(0), {},
                 stuckCard ? std::nullopt : std::optional(plan.gates[0]));
    LoadPort out1(GateCards(1), {}, plan.gates[1]);
    LoadPort in2(GateCards(2), {}, plan.gates[2]), out2(GateCards(3), {}, plan.gates[3]);
    LoadPort host([](int) { return QByteArrayLiteral("\x05"); }, {}, plan.host);
    ExitReaderSide exitSide;
    // A ticket paid at the booth this minute: the reader takes it in.
    LoadPort exitReader([](int k) {
        const QString no = QString::number(k % 4000 + 1).rightJustified(4, QLatin1Char('0'));
        const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmm"));
        return sim::ExitReaderPeer::Inserted(sim::ExitReaderPeer::PaidCard(no, now, now));
    }, exitSide.answerer(), plan.exitReader);
    DisplayPort display;
    MapFedPorts(folder, dispenser, {&in1, &out1, &in2, &out2}, host, exitReader, display);
    Program prog(folder);
    if (!prog.start() || !prog.login()) return 3;
    RowsSince since;
    FedRun run{stuckCard ? "card" : "peak", seconds, std::chrono::milliseconds(500), {}, {}, {}, {}};
    run.fed = CountedPorts(since, dispenser, {&in1, &out1, &in2, &out2}, host, exitReader, exitSide);
    since = RowsSince::Now(prog.st.Db);
    std::printf("%-8s scale %g: a car every %.1f-%.1f s per lane for %d s\n", run.tag, scale, 6 / scale, 10 / scale, seconds);
    if (stuckCard) {
        // Repeats are not refused here (the key 중복카드무효처리 is False): every read is a passage row.
        run.fed[1].name = "port 1 held card reads (passages)";
        std::printf("card     port 1: one card read at 9600 baud's full rate while the peak goes on\n");
    }
    run.exitReader = &exitReader;
    run.exitSide = &exitSide;
    return Feed(folder, prog, display, run);
}

// Syncs of the database and the settings file per item, one kind after another (a
// dispenser ticket, a passage, a typed exit, an exit-reader ticket), each item fed
// alone and waited for; the host is off, so no record sending adds commits. Counts
// with the preloaded sync counter (libsync_delay.so).
int Syncs(const QString& folder, int items)
{
    using CountFn = long (*)();
    const auto syncs = reinterpret_cast<CountFn>(::dlsym(RTLD_DEFAULT, "tolvo_sync_count"));
    if (!syncs) {
        std::fprintf(stderr, "syncs: run with LD_PRELOAD=<build>/libsync_delay.so to count the syncs\n");
        return 2;
    }
    UseLoadDevices(folder, false);
    const std::vector<QTime> minutes = FreeIssueMinutes(folder, 1);
    const auto silent = [](const QByteArray&) { return QByteArray(); };
    sim::PtyDevice dispenser, in1, out1, in2, out2, exitReader;
    for (sim::PtyDevice* d : {&dispenser, &in1, &out1, &in2, &out2}) d->replier = silent;
    ExitReaderSide exitSide;
    exitReader.replier = exitSide.answerer();
    DisplayPort display;
    MapPorts(folder, {{"Com1", dispenser.slavePath()}, {"Com2", in1.slavePath()}, {"Com3", out1.slavePath()},
                      {"Com4", in2.slavePath()}, {"Com8", out2.slavePath()}, {"Com10", exitReader.slavePath()},
                      {"Com7", display.path()}});
    Program prog(folder);
    if (!prog.start() || !prog.login()) return 3;
    Station& st = prog.st;
    QTest::qWait(2000); // the login's own writes settle
    const auto rows = [&st](const char* table) { return RowCount(st.Db, QString::fromUtf8(table)); };
    const auto measure = [&](const char* what, const std::function<bool(int)>& item) {
        const long before = syncs();
        int done = 0;
        for (int k = 0; k < items; ++k) done += item(k);
        const long n = syncs() - before;
        std::printf("syncs    %-22s %ld syncs for %d items (%d handled): %.2f per item\n", what, n, items, done,
                    double(n) / std::max(1, items));
    };
    const long idle0 = syncs();
    QTest::qWait(3000);
    std::printf("syncs    idle for 3 s: %ld syncs\n", syncs() - idle0);
    measure("dispenser ticket", [&](int k) {
        const qint64 n = rows("일반권");
        dispenser.send(DispenserTicket(minutes, k));
        return RunEventsUntil([&] { return rows("일반권") > n; }, std::chrono::seconds(3));
    });
    measure("passage", [&](int k) {
        const qint64 n = rows("정기권입출차");
        in1.send(sim::SeasonReaderSim::CardFrame(0, QByteArray::number(100000 + k % 500)));
        return RunEventsUntil([&] { return rows("정기권입출차") > n; }, std::chrono::seconds(3));
    });
    auto* tnum = prog.window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    int next = 0;
    const QDateTime entered = prog.clock.now().addSecs(-90 * 60);
    const long beforeEntries = syncs();
    std::vector<QString> typed;
    for (int k = 0; k < items; ++k) typed.push_back(OpenTypedTicket(st.Db, next, entered)), ++next;
    if (std::find(typed.begin(), typed.end(), QString()) != typed.end()) return 4;
    const double entrySyncs = double(syncs() - beforeEntries) / std::max(1, items);
    measure("typed exit", [&](int k) {
        if (!tnum) return false;
        const size_t before = display.frames();
        tnum->setFocus();
        PostDigits(tnum, typed.at(size_t(k)));
        PostKey(tnum, Qt::Key_Return);
        const bool shown = WaitFrames(display, before + 1);
        CompleteExit(prog);
        return shown && !st.trx.TicketInProgress;
    });
    std::printf("syncs    (the typed tickets' entry rows, stored by the benchmark beforehand: %.2f per item, not counted)\n",
                entrySyncs);
    measure("exit-reader ticket", [&](int k) {
        const int n = exitSide.ticketCommandCount();
        const QString no = QString::number(k % 4000 + 1).rightJustified(4, QLatin1Char('0'));
        const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmm"));
        exitReader.send(sim::ExitReaderPeer::Inserted(sim::ExitReaderPeer::PaidCard(no, now, now)));
        const bool done = RunEventsUntil([&] { return exitSide.ticketCommandCount() > n; }, std::chrono::seconds(3));
        QTest::qWait(800); // the barrier's pulse, due 0.7 s after the verdict
        return done;
    });
    return 0;
}

// The widest texts the station puts on the main screen's labels and list: seven-digit
// counters, a full fee panel, the longest season message with a 12-character name.
void ShowLongTexts(MainWindow& w)
{
    const QString seven = QStringLiteral("1234567");
    for (int i = 0; i <= 6; ++i) w.setText(QStringLiteral("CarCnt_%1").arg(i), seven);
    for (const char* c : {"LCnt_0", "LCnt_1", "LCnt_2", "LCnt_4", "LCnt_7", "LblTDCnt"}) w.setText(QString::fromUtf8(c), seven);
    w.setText(QStringLiteral("WName"), QStringLiteral("가나다라마바사아자차카타"));
    w.setText(QStringLiteral("LOut_1"), QStringLiteral("0123456789"));
    w.setText(QStringLiteral("LOut_2"), QStringLiteral("2026-12-31 23:59"));
    w.setText(QStringLiteral("LOut_3"), QStringLiteral("2026-01-01 00:00"));
    w.setText(QStringLiteral("LOut_4"), QStringLiteral("9999시간59분"));
    w.setText(QStringLiteral("LOut_5"), QStringLiteral("8783시간59분"));
    w.setText(QStringLiteral("LOut_6"), QStringLiteral("9,999,999원"));
    w.setText(QStringLiteral("Fnd"), seven);
    w.setText(QStringLiteral("Label4"), QStringLiteral("Encoding Fail"));
    w.setText(QStringLiteral("Label5"), QStringLiteral("Printing Fail"));
    const QString season = QStringLiteral("(중복출차) 정기권번호 :  0123456789  차량번호 : 서울12가3456  이름 : 가나다라마바사아자차카타");
    w.setText(QStringLiteral("PnlMsg"), season);
    for (int i = 0; i < 30; ++i) w.appendList1(QStringLiteral("TD EVENT : 번호 = %1일시 = 2026-12-31 23:59:59내역 = 발행기 이상발생!").arg(i));
    w.appendList1(QStringLiteral("중복출차 차량입니다. 정기권번호 :  0123456789  차량번호 : 서울12가3456  이름 : 가나다라마바사아자차카타"));
}

// The main screen after login and the tariff screen, as PNG files for the README;
// with "long", the main screen with its widest texts, and the whole screen around it.
int Screens(const QString& folder, const QString& out, bool longTexts)
{
    Program prog(folder);
    if (!prog.start() || !prog.login()) return 3;
    QTest::qWait(1500); // a tick of the clock and the counters
    if (longTexts) {
        ShowLongTexts(prog.window);
        QTest::qWait(200);
        QScreen* screen = prog.window.screen();
        if (!screen || !screen->grabWindow(0).save(out + QStringLiteral("/whole-screen.png"))) return 4;
    }
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
    // Offscreen unless a platform is given (scripts/screenshots.sh gives a screen size).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Without the shim a run labelled with a slower disk would measure a plain one.
    if (qEnvironmentVariableIntValue("TOLVO_SYNC_DELAY_US") > 0 && !::dlsym(RTLD_DEFAULT, "tolvo_sync_count")) {
        std::fprintf(stderr, "TOLVO_SYNC_DELAY_US is set, but libsync_delay.so is not preloaded: no slower disk\n");
        return 2;
    }
    const QStringList a = app.arguments();
    if (a.size() == 4 && a.at(1) == QLatin1String("startup")) return Startup(a.at(2), a.at(3).toLongLong());
    if (a.size() == 4 && a.at(1) == QLatin1String("latency")) return Latency(a.at(2), a.at(3).toInt());
    if (a.size() == 4 && a.at(1) == QLatin1String("load")) return Load(a.at(2), a.at(3).toInt());
    if ((a.size() == 4 || a.size() == 5) && a.at(1) == QLatin1String("peak"))
        return Peak(a.at(2), a.at(3).toDouble(), a.size() == 5 ? a.at(4).toInt() : 60, false);
    if ((a.size() == 4 || a.size() == 5) && a.at(1) == QLatin1String("card"))
        return Peak(a.at(2), a.at(3).toDouble(), a.size() == 5 ? a.at(4).toInt() : 120, true);
    if (a.size() == 4 && a.at(1) == QLatin1String("syncs")) return Syncs(a.at(2), a.at(3).toInt());
    if ((a.size() == 4 || (a.size() == 5 && a.at(4) == QLatin1String("long"))) && a.at(1) == QLatin1String("screens"))
        return Screens(a.at(2), a.at(3), a.size() == 5);
    std::fprintf(stderr, "usage: bench_station startup <folder> <launch ns> | latency <folder> <tickets> | "
                         "load <folder> <seconds> | peak <folder> <scale> [seconds] | card <folder> <scale> [seconds] | "
                         "syncs <folder> <items> | screens <folder> <out folder> [long]\n");
    return 2;
}
