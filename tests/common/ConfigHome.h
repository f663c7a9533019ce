#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

namespace tolvo::test {

// Points XDG_CONFIG_HOME at a temporary folder for one test, so the autostart
// entry never touches the real one.
class ConfigHome {
public:
    ConfigHome() : m_old(qgetenv("XDG_CONFIG_HOME")), m_had(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    }
    ~ConfigHome()
    {
        if (m_had) qputenv("XDG_CONFIG_HOME", m_old);
        else qunsetenv("XDG_CONFIG_HOME");
    }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    QTemporaryDir dir;

private:
    QByteArray m_old;
    bool m_had;
};

// The arguments a desktop session starts from an entry's command: quoted ones
// lose their quotes and backslashes, "%%" is a percent sign. Expectations built
// on it hold wherever the program lies (a blank, a quote or a % in its path).
inline QStringList ExecArguments(const QString& command)
{
    QStringList args;
    QString arg;
    bool quoted = false, started = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (quoted && c == u'\\' && i + 1 < command.size()) {
            arg += command[++i];
        } else if (c == u'"') {
            quoted = !quoted;
            started = true;
        } else if (c == u' ' && !quoted) {
            if (started) args << arg;
            arg.clear();
            started = false;
        } else {
            if (c == u'%' && command.mid(i, 2) == QStringLiteral("%%")) ++i;
            arg += c;
            started = true;
        }
    }
    if (started) args << arg;
    return args;
}

} // namespace tolvo::test
