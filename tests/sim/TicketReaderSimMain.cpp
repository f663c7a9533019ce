// The simulated ticket reader as a small program beside ./run.sh: it opens a
// pseudo-terminal, points the station's reader port (Com6) at it, and inserts
// a ticket whenever Enter is pressed. See README, "Ticket reader".

#include "platform/Ini.h"
#include "sim/PtyDevice.h"
#include "sim/TicketReaderSim.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <unistd.h>

using tolvo::sim::PtyDevice;
using tolvo::sim::TicketReaderSim;

namespace {

void say(const QString& text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString programFolder(const QStringList& args)
{
    if (args.size() > 1) return QDir(args.at(1)).absolutePath();
    const QString home = qEnvironmentVariable("TOLVO_HOME");
    return QDir(home.isEmpty() ? QStringLiteral("station") : home).absolutePath();
}

// The reader in use on Com6 in the station's database (made by its first start).
bool enableReader(const QString& folder)
{
    const QString db = folder + QStringLiteral("/Data/Park.MDB");
    if (!QFileInfo::exists(db)) {
        say(QStringLiteral("No %1 yet: start the station once (./run.sh), quit it, then start this again.").arg(db));
        return false;
    }
    bool ok = false;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sim"));
        c.setDatabaseName(db);
        if (c.open()) {
            QSqlQuery q(c);
            ok = q.exec(QStringLiteral("UPDATE 리더기 SET 사용여부 = 1, 포트번호 = 'Com6'"));
            if (!ok) say(QStringLiteral("Could not set the reader in use: ") + q.lastError().text());
        }
        c.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("sim"));
    return ok;
}

QString describe(const QString& command)
{
    const QString code = command.left(3);
    if (code == QLatin1String("C70")) return QStringLiteral("write ") + command.mid(3);
    if (code == QLatin1String("C90") || code == QLatin1String("C96"))
        return QStringLiteral("print ") + QString(command.mid(3)).replace(QChar(0x1F), QLatin1Char('|'));
    if (code == QLatin1String("C30")) return QStringLiteral("eject");
    if (code == QLatin1String("C60") || code == QLatin1String("C61")) return QStringLiteral("read");
    return command;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    PtyDevice pty;
    if (!pty.ok()) {
        say(QStringLiteral("Cannot open a pseudo-terminal."));
        return 1;
    }
    const QString folder = programFolder(app.arguments());
    if (!enableReader(folder)) return 1;
    tolvo::Write_Ini(folder + QStringLiteral("/Tolvo.ini"), QStringLiteral("ports"), QStringLiteral("Com6"),
                     pty.slavePath());

    TicketReaderSim reader;
    pty.replier = [&reader](const QByteArray& chunk) {
        const qsizetype before = reader.commands.size();
        const QByteArray answer = reader.onBytes(chunk);
        for (qsizetype i = before; i < reader.commands.size(); ++i)
            say(QStringLiteral("  station -> reader: ") + describe(reader.commands.at(i)));
        return answer;
    };

    // Numbered on from the day's last ticket, kept beside the station, so a new session re-uses none.
    const QString numbers = folder + QStringLiteral("/ticket_reader_sim.txt");
    const auto insert = [&](bool recycled) {
        const int ticketNo = tolvo::sim::NextTicketNumber(numbers, QDate::currentDate());
        const QString no = QString::number(ticketNo % 10000).rightJustified(4, QLatin1Char('0'));
        // Entered an hour and a half ago.
        const QString stamp = QDateTime::currentDateTime().addSecs(-90 * 60).toString(QStringLiteral("yyMMddHHmm"));
        reader.insert(recycled ? TicketReaderSim::RecycledCard(QStringLiteral("05"), no, stamp)
                               : TicketReaderSim::PaperCard(no, stamp));
        pty.send(reader.readReplyFrame(recycled ? QStringLiteral("P60") : QStringLiteral("P61")));
        say(QStringLiteral("Ticket %1 inserted (%2 card, entered %3).")
                .arg(no, recycled ? QStringLiteral("recycled") : QStringLiteral("paper"), stamp));
    };

    QSocketNotifier keys(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray line;
    QObject::connect(&keys, &QSocketNotifier::activated, [&] {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] != '\n') {
                line += buf[i];
                continue;
            }
            const QByteArray cmd = line.trimmed().toLower();
            line.clear();
            if (cmd == "q") QCoreApplication::quit();
            else insert(cmd == "r");
        }
    });

    say(QStringLiteral("Simulated ticket reader on %1 (Com6 of %2).").arg(pty.slavePath(), folder));
    say(QStringLiteral("Now start the station (./run.sh) and log in."));
    say(QStringLiteral("Enter: insert a paper ticket   r Enter: a recycled ticket   q Enter: quit"));
    return app.exec();
}
