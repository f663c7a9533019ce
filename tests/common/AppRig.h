#pragma once

// A station put together as the program does it, on a temporary program folder:
// the real main window, real serial ports mapped to pseudo-terminals through
// [ports], the start-up and the login by keyboard. Each test attaches the
// device subsystems it drives before starting.

#include "core/Station.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "serial/Comm.h"
#include "station/CommDispatch.h"
#include "station/FrmInput.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>

namespace tolvo::test {

struct AppRig {
    explicit AppRig(const QDateTime& now) : clock(now), st(clock, msgs, window)
    {
        st.AppPath = dir.path();
        st.comm = std::make_unique<Comm>();
        AttachCommDispatch(st);
        window.attach(st);
        FrmInput_Install(st, &window);
    }
    ~AppRig() { st.comm.reset(); }
    AppRig(const AppRig&) = delete;
    AppRig& operator=(const AppRig&) = delete;

    // Maps port names ("Com7") to device paths in the settings file.
    void mapPorts(std::initializer_list<std::pair<const char*, QString>> ports)
    {
        QByteArray text("[ports]\n");
        for (const auto& [name, path] : ports) text += QByteArray(name) + '=' + path.toLocal8Bit() + '\n';
        QFile ini(dir.filePath(QStringLiteral("Tolvo.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(text);
    }

    void startUp() { ASSERT_FALSE(Startup_Load(st, [this] { window.load(); }).has_value()); }

    // The start-up screen with a password typed and OK clicked: the ports open.
    void logIn(const QString& password = QStringLiteral("582047"))
    {
        FrmSplash splash(st, [this] { window.show(); }, [](int) {});
        splash.show();
        QTest::keyClicks(splash.findChild<QLineEdit*>(QStringLiteral("Text1")), password);
        QTest::mouseClick(splash.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    }

    QString shown() const { return msgs.texts().join(QLatin1Char('|')); }

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedMessages msgs;
    MainWindow window;
    Station st;
};

} // namespace tolvo::test
