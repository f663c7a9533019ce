#pragma once

#include "common/TestStation.h"
#include "core/Sql.h"
#include "core/StatsPeriod.h"
#include "equipment/DispenserAttach.h"
#include "equipment/DispenserFamily1.h"
#include "equipment/DispenserFamily2.h"
#include "serial/FakeComm.h"
#include "sim/DispenserPeer.h"
#include "station/CommDispatch.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace tolvo::test {

// A station with a first-family dispenser on a fake port 0, the dispatch and the
// link attached, an open statistics period, at 2026-01-05 09:00.
class DispenserFixture : public ::testing::Test {
protected:
    TestStation ts;
    Station& st = ts.st;
    FakeComm fake = InstallFakeComm(ts.st);
    std::shared_ptr<DispenserFamily1> link;
    std::shared_ptr<DispenserFamily2> link2;

    void SetUp() override
    {
        st.models.DispenserType = 1;
        ASSERT_TRUE(st.comm->openPort(PortDispenser, kPath, SerialSettings{}));
        AttachCommDispatch(st);
        const DispenserLinks links = AttachDispenser(st);
        link = links.family1;
        link2 = links.family2;
        if (ts.count(QStringLiteral("시간대별")) == 0) Stats_NewPeriod(st);
        // The closed period's row of the same hour: no entry counts into it.
        Exec(st.Db, QStringLiteral("INSERT INTO 시간대별 (포스코드, 시간대, 일반권입차수, 데이터유무, 정산여부, 전송여부, "
                                   "시작일시, 종료일시) VALUES (1, 9, 40, 0, 1, 0, '2026-01-04 18:00', '2026-01-05 09:00')"));
    }

    FakeDevice& device() { return fake.ports->device(kPath); }

    // Bytes from the dispenser, delivered as one read.
    void receive(const QByteArray& bytes)
    {
        device().inject(bytes);
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    void receiveFrame(const QByteArray& text) { receive(sim::dispenser::Frame(text)); }

    // Texts of the frames the station wrote (between STX and ETX).
    QStringList sentTexts() const
    {
        QStringList out;
        const QByteArray all = fake.ports->device(kPath).written();
        for (qsizetype i = all.indexOf('\x02'); i >= 0; i = all.indexOf('\x02', i + 1)) {
            const qsizetype end = all.indexOf('\x03', i);
            if (end < 0) break;
            out << QString::fromLatin1(all.mid(i + 1, end - i - 1));
        }
        return out;
    }

    int hourEntries(int hour) const
    {
        return ts.value(QStringLiteral("SELECT 일반권입차수 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = ?"), {hour})
            .toInt();
    }

    static inline const QString kPath = QStringLiteral("/dev/fake-td");
};

} // namespace tolvo::test
