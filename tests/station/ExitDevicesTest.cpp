// The exit road with the real booth routines: no devices at all, and faked ports.

#include "station/ExitTestSupport.h"

#include "fee/FeeRun.h"
#include "serial/FakeComm.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

const QDateTime kNine30(QDate(2026, 1, 5), QTime(9, 30));

// Only the entry form stays a recorder; every device goes through src/serial.
void useRealDevices(ExitRig& rig)
{
    auto frm = rig.st.exitLinks.frmInput;
    rig.st.exitLinks = ExitLinks{};
    rig.st.exitLinks.frmInput = frm;
}

TEST(ExitDevices, TheMainRoadWorksWithoutAnyDevice)
{
    ExitRig rig(kNine30);
    useRealDevices(rig);
    Exec(rig.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
    rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
    rig.type(QStringLiteral("0123"));
    rig.enter();
    EXPECT_FALSE(rig.st.trx.TicketInProgress);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
    // A ticket from the reader, without a reader: written nowhere, still recorded.
    rig.st.trx.TicketData = QStringLiteral("0124202601050800");
    Calc_TicketFee(rig.st);
    rig.esc();
    rig.st.trx.TicketData = QStringLiteral("0124202601050800");
    Calc_TicketFee(rig.st);
    rig.enter();
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 일반권 WHERE 티켓번호 = '0124'")).toInt(), TariffFee(90));
}

TEST(ExitDevices, FeeDisplayAndDayFilePrinterOnFakes)
{
    ExitRig rig(kNine30);
    useRealDevices(rig);
    FakeComm fake = InstallFakeComm(rig.st);
    ASSERT_TRUE(rig.st.comm->openPort(PortFeeDisp, "/dev/ttyS6", SerialSettings{}));
    rig.st.models.FeeDispType = 3; // "PLUS TYPE"
    Exec(rig.st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE', 기종 = 'CBM-720'"));
    rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));

    rig.type(QStringLiteral("0123"));
    FakeDevice& disp = fake.ports->device("/dev/ttyS6");
    const QByteArray afterFee = disp.written();
    EXPECT_TRUE(afterFee.contains("5500")) << afterFee.toHex(' ').toStdString();
    rig.enter();
    const QByteArray gate = disp.written().mid(afterFee.size());
    EXPECT_EQ(gate.toHex(' '), QByteArray::fromHex("02474F4E0347").toHex(' '));

    QFile day(QDir(rig.st.DataPath).filePath(QStringLiteral("2026-01-05.txt")));
    ASSERT_TRUE(day.open(QIODevice::ReadOnly)) << day.fileName().toStdString();
    const QByteArray paper = day.readAll();
    EXPECT_TRUE(paper.contains("5,500")) << paper.toStdString();
    EXPECT_FALSE(rig.st.trx.TicketInProgress);
}

} // namespace
