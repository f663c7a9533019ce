// The exit road with the real booth routines and no devices at all (devices on ports: app/ExitEndToEnd).

#include "station/ExitTestSupport.h"

#include "fee/FeeRun.h"

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

} // namespace
