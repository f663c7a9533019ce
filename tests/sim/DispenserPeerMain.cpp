// A ticket dispenser on a pseudo-terminal, for running beside the station by
// hand. Each line typed issues a ticket: a number of up to four digits issues
// that ticket, an empty line the next one; "q" ends. By default it is of the
// first family (the station polls for the ticket); with -2 of the second
// (the ticket is reported at once in a 14-character frame). Either echoes the
// port settings' "Feed Back" frame, as a dispenser looped back does.

#include "sim/DispenserPeer.h"
#include "sim/PtyDevice.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTime>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    tolvo::sim::PtyDevice pty;
    if (!pty.ok()) {
        std::fprintf(stderr, "no pseudo-terminal available\n");
        return 1;
    }
    tolvo::sim::DispenserPeer peer;
    pty.replier = [&peer](const QByteArray& chunk) {
        const size_t before = peer.commands.size();
        const QByteArray out = peer.answer(chunk);
        for (size_t i = before; i < peer.commands.size(); ++i)
            std::printf("station: %s\n", peer.commands[i].constData());
        std::fflush(stdout);
        return out;
    };
    const bool second = argc > 1 && std::string_view(argv[1]) == "-2";
    const int firstArg = second ? 2 : 1;
    int next = argc > firstArg ? std::atoi(argv[firstArg]) : 1;
    std::printf("Dispenser on %s. Map it in Tolvo.ini:\n  [ports]\n  Com1=%s\n"
                "Enter issues the next ticket, a number issues that ticket, q quits.\n",
                qPrintable(pty.slavePath()), qPrintable(pty.slavePath()));
    std::fflush(stdout);

    const auto issue = [&](const QByteArray& line) {
        if (!line.isEmpty()) next = line.toInt();
        const QByteArray no = QByteArray::number(next % 10000).rightJustified(4, '0');
        if (second) {
            pty.send(tolvo::sim::dispenser::Frame(tolvo::sim::dispenser::Ticket14(no, QTime::currentTime())));
            std::printf("ticket %s issued and reported\n", no.constData());
        } else {
            peer.issue(no, QTime::currentTime());
            std::printf("ticket %s issued; it is reported at the next poll\n", no.constData());
        }
        std::fflush(stdout);
        ++next;
    };
    QByteArray typed;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        typed.append(buf, n);
        for (qsizetype end = typed.indexOf('\n'); end >= 0; end = typed.indexOf('\n')) {
            const QByteArray line = typed.left(end).trimmed();
            typed.remove(0, end + 1);
            if (line == "q") {
                QCoreApplication::quit();
                return;
            }
            issue(line);
        }
    });
    return app.exec();
}
