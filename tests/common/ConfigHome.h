#pragma once

#include <QByteArray>
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

} // namespace tolvo::test
