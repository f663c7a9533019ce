// The host PC as a small program beside the station: it opens a
// pseudo-terminal for the station's host port, prints every frame and
// handshake byte the station sends and the answer it gives, and sends the
// host's frames when told. See README, "The host link".

#include "sim/HostPeer.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

using tolvo::sim::HostPeer;

namespace {

void say(const QString& text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

const char* const Help =
    "  enq | dle | i (I_OPEN) | o (O_OPEN) | exit (HOST_EXIT) | test (PORT_TEST) | time (clock frame, now)\n"
    "  ack | late MS | never | wrong      how records are acknowledged from now on\n"
    "  card NUMBER STATUS                  the verdict for a season card (e.g. card 0000012345 출입금지)\n"
    "  q                                   quit";

// One typed line; false when it is not understood.
bool Obey(HostPeer& host, const QStringList& words)
{
    static const QMap<QString, QString> commands = {{"i", "I_OPEN"},     {"o", "O_OPEN"},
                                                    {"exit", "HOST_EXIT"}, {"test", "PORT_TEST"}};
    const QString w = words.value(0);
    if (commands.contains(w)) host.sendFrame(commands.value(w));
    else if (w == QLatin1String("enq")) host.sendEnq();
    else if (w == QLatin1String("dle")) host.sendDle();
    else if (w == QLatin1String("time")) host.sendClock(QDateTime::currentDateTime());
    else if (w == QLatin1String("ack")) host.ack = HostPeer::Ack::Prompt;
    else if (w == QLatin1String("never")) host.ack = HostPeer::Ack::Never;
    else if (w == QLatin1String("wrong")) host.ack = HostPeer::Ack::WrongKey;
    else if (w == QLatin1String("late") && words.size() == 2) {
        host.ack = HostPeer::Ack::Late;
        host.lateMs = words[1].toInt();
    } else if (w == QLatin1String("card") && words.size() == 3) host.seasonStatus[words[1]] = words[2];
    else return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    HostPeer host;
    if (!host.ok()) {
        say(QStringLiteral("no pseudo-terminal available"));
        return 1;
    }
    host.onFrame = [](const QString& text, const QString& answer) {
        say(QStringLiteral("station: ") + text + (answer.isEmpty() ? QString() : QStringLiteral("\n   host: ") + answer));
    };
    host.onControl = [](const QString& name) { say(QStringLiteral("station: ") + name); };
    say(QStringLiteral("Host on %1. Map it in Tolvo.ini:\n  [ports]\n  Com9=%1\nCommands:\n%2")
            .arg(host.slavePath(), QString::fromUtf8(Help)));

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
            const QStringList words = QString::fromLocal8Bit(typed.left(end)).simplified().split(u' ', Qt::SkipEmptyParts);
            typed.remove(0, end + 1);
            if (words.value(0) == QLatin1String("q")) {
                QCoreApplication::quit();
                return;
            }
            if (!words.isEmpty() && !Obey(host, words)) say(QString::fromUtf8(Help));
        }
    });
    return app.exec();
}
