#pragma once

// A station put together as the program does it, on a temporary program folder:
// the real main window, real serial ports mapped to pseudo-terminals through
// [ports], the start-up and the login by keyboard. Each test attaches the
// device subsystems it drives before starting.

#include "core/Sql.h"
#include "core/Station.h"
#include "fee/SlotTable.h"
#include "platform/Clock.h"
#include "common/ModalMessages.h"
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

// The tariff the program-level runs price with: the first 30 minutes 1,000 won,
// then 500 won for every started 10 minutes.
inline void GenerateTariff(Station& st)
{
    SlotInputs in;
    in.basicOn = true;
    in.basicTime = QStringLiteral("30");
    in.basicAmount = QStringLiteral("1000");
    in.finalUnit = QStringLiteral("10");
    in.finalAmount = QStringLiteral("500");
    const SlotGeneration g = GenerateSlotTable(in);
    ASSERT_EQ(g.kind, SlotGeneration::Ok);
    WriteSlotTable(st.Db, g.rows);
    Exec(st.Db, QStringLiteral("UPDATE 기타 SET 기본사용 = 1, 기본시간 = 30, 기본금액 = 1000, 구간시간4 = 10, "
                               "구간금액4 = 500, 일일최대사용 = 0"));
}

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
    ModalMessages msgs; // scripted unless made modal
    MainWindow window;
    Station st;
};

} // namespace tolvo::test
