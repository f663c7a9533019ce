#include "settlement/SettlementFixture.h"

#include "sim/PtyDevice.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

// The report on a serial printer at the far end of a pseudo-terminal.
TEST(SettlementOnAPtyPrinter, ReportArrivesWithItsCutsAndTheNextPeriodStarts)
{
    sim::PtyDevice printer;
    ASSERT_TRUE(printer.ok());
    printer.replier = nullptr;
    SettleStation ts;
    ts.st.comm = std::make_unique<Comm>();
    QFile ini(ts.st.IniPath);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[ports]\nCom5=" + printer.slavePath().toLocal8Bit() + "\n");
    ini.close();
    Exec(ts.st.Db, "UPDATE 영수증프린터 SET PORT = 'Rs232c', 포트번호 = 'Com5', 기종 = 'TM-T88', 사용여부 = 1");
    ASSERT_TRUE(Comm::PortsInit(ts.st)) << ts.st.comm->OpenError(PortPrinter).toStdString();
    ts.msgs.mboxAnswers.push_back(true);

    ASSERT_EQ(Jungsan_Command1(ts.st, ts.view, 0), SettleResult::Settled);
    const QByteArray cut("\x1D\x56\x00", 3);
    const QByteArray footerEnd = QByteArray(47, '-') + '\n';
    ASSERT_TRUE(printer.waitForReceived(2000));
    printer.waitForReceived(printer.received.size() + 1, 300);
    EXPECT_TRUE(printer.received.startsWith(QByteArray(5, '\n') + cut));
    EXPECT_EQ(printer.received.count(cut), 5); // the opening cut and one per section printed
    EXPECT_TRUE(printer.received.contains(cp949::encode("  [할인항목별 출차현황]")));
    EXPECT_TRUE(printer.received.endsWith(footerEnd));
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 0 AND 근무자명 = '근무자4'"), 24);
}

} // namespace
