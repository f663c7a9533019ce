#include "common/TestStation.h"
#include "core/Sql.h"
#include "host/HostLink.h"
#include "host/HostSeason.h"
#include "serial/FakeComm.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

QString Pad(const QString& s, int width) { return s.leftJustified(width, QLatin1Char(' '), true); }

// An 85-character verdict: entry 2026-01-05 08:10, no exit unless given, card
// 0000012345, car "12가3456", holder "홍길동", expiry 2026-12-31.
QString Verdict(const QString& status, const QString& direction, const QString& exitDate = {}, const QString& exitTime = {})
{
    return Pad("2026-01-05", 10) + Pad("08:10", 5) + Pad(exitDate, 10) + Pad(exitTime, 5) + Pad(status, 8)
        + Pad("0000012345", 10) + Pad("12가3456", 13) + Pad("홍길동", 12) + Pad("2026-12-31", 10) + direction + "X";
}

const QString kCar = QStringLiteral("12가3456      ");  // 13 characters as received
const QString kName = QStringLiteral("홍길동         "); // 12
const QString kCard = QStringLiteral("0000012345");

class HostSeason : public ::testing::Test {
protected:
    HostSeason()
    {
        fake = InstallFakeComm(st);
        link = AttachHost(st);
        EXPECT_TRUE(st.comm->openPort(PortHost, QStringLiteral("/dev/host"), SerialSettings{}));
        EXPECT_TRUE(st.comm->openPort(PortFeeDisp, QStringLiteral("/dev/fee"), SerialSettings{}));
        st.models.FeeDispType = 0; // VELDAMOR: relays 0 and 1
        st.comm->DebugOn = true;
        st.comm->DebugDevice = PortHost;
        // The closed period's row of the hour the verdicts come in, never counted into.
        Exec(st.Db, QStringLiteral("INSERT INTO 시간대별 (포스코드, 시간대, 정기권입차수, 정기권출차수, 데이터유무, 정산여부, "
                                   "전송여부, 시작일시, 종료일시) VALUES (1, 9, 40, 50, 0, 1, 0, '2026-01-04 18:00', "
                                   "'2026-01-05 09:00')"));
    }

    FakeDevice& host() { return fake.ports->device(QStringLiteral("/dev/host")); }
    FakeDevice& fee() { return fake.ports->device(QStringLiteral("/dev/fee")); }

    void receive(const QString& verdict)
    {
        host().inject(TD_Frame(verdict));
        Host_Receive(st, *link);
    }
    // The barrier relay the fee display was told to work, -1 for none.
    int gate() const
    {
        const QByteArray w = const_cast<HostSeason*>(this)->fee().written();
        if (w.contains("$?LR12")) return 0;
        if (w.contains("$?LR22")) return 1;
        return -1;
    }
    qint64 hourCount(const char* column) const
    {
        return ts.value(QStringLiteral("SELECT SUM(%1) FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9").arg(column))
            .toLongLong();
    }

    TestStation ts;
    Station& st = ts.st;
    FakeComm fake;
    std::shared_ptr<HostLink> link;
};

TEST_F(HostSeason, StatusByModeTable)
{
    const QByteArray ji = QByteArray::fromHex("024A495F41434B0316");
    const QByteArray jo = QByteArray::fromHex("024A4F5F41434B0310");
    const auto car = [](const char* status) { return QString::fromUtf8(status) + " 차량입니다. 차량번호 : " + kCar; };
    const auto expiry = [&](const char* status) { return car(status) + "   만료일 : 2026-12-31"; };
    const auto line = [](const char* status) {
        return QStringLiteral("(%1) 정기권번호 :  ").arg(QString::fromUtf8(status)) + kCard + "  차량번호 : " + kCar + "  이름 : " + kName;
    };
    const QString unregistered = "(미등록차량) 정기권번호 :  " + kCard + "  차량번호 : -------------  이름 : ------";
    const QString tag = "미등록 차량입니다. 태그번호 : " + kCard;
    const struct { const char* name; QString status; const char *direction, *mode; int gate; QString panel, list; } rows[] = {
        {"normal entry, mode 3", "정상입차", "1", "3", 0, car("정상입차"), line("정상입차")},
        {"normal exit with an entry direction", "정상출차", "1", "0", 1, car("정상출차"), line("정상출차")},
        {"repeated entry, mode 3", "중복입차", "1", "3", -1, car("중복입차"), line("중복입차")},
        {"repeated entry, mode 2", "중복입차", "1", "2", 0, car("중복입차"), line("중복입차")},
        {"repeated entry, unknown mode", "중복입차", "1", "7", 0, car("중복입차"), line("중복입차")},
        {"repeated exit, mode 3", "중복출차", "2", "3", -1, car("중복출차"), line("중복출차")},
        {"unregistered exit, mode 0", "미등록", "2", "0", 1, tag, unregistered},
        {"unregistered exit, mode 1", "미등록", "2", "1", -1, tag, unregistered},
        {"expired entry, mode 1", "기간초과", "1", "1", 0, expiry("기간초과"), line("기간초과")},
        {"expired exit, mode 2", "기간초과", "2", "2", -1, expiry("기간초과"), line("기간초과")},
        {"free pass exit, mode 3", "프리패스", "2", "3", 1, expiry("프리패스"), line("프리패스")},
        {"barred entry, mode 0", "출입금지", "1", "0", -1, expiry("출입금지"), line("출입금지")},
        {"status with blanks before it", "  정상입차", "1", "3", 0, car("정상입차"), line("정상입차")},
        {"unknown status", "정상 입차", "1", "0", -1, "", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const bool entry = QLatin1String(r.direction) == QLatin1String("1");
        st.settings.SeasonMode = QString::fromLatin1(r.mode);
        host().clearWrites();
        fee().clearWrites();
        ts.screen.list1.clear();
        ts.screen.setText(QStringLiteral("PnlMsg"), QStringLiteral("old"));
        ts.screen.setVisible(QStringLiteral("Shape1"), !r.list.isEmpty() ? false : true);
        const qint64 ins = hourCount("정기권입차수");
        const qint64 outs = hourCount("정기권출차수");
        const qint64 rows = ts.count(QStringLiteral("정기권입출차"));
        const int refreshes = ts.screen.totalsRefreshed;
        st.HostWait = true;

        receive(Verdict(r.status, QString::fromLatin1(r.direction)));

        EXPECT_EQ(host().written(), entry ? ji : jo);
        EXPECT_EQ(hourCount("정기권입차수"), ins + (entry ? 1 : 0));
        EXPECT_EQ(hourCount("정기권출차수"), outs + (entry ? 0 : 1));
        EXPECT_EQ(ts.count(QStringLiteral("정기권입출차")), rows + 1);
        EXPECT_EQ(gate(), r.gate);
        EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), r.panel);
        EXPECT_EQ(ts.screen.isVisible(QStringLiteral("Shape1")), !r.list.isEmpty());
        EXPECT_EQ(ts.screen.list1.filter(QStringLiteral("정기권번호")), r.list.isEmpty() ? QStringList() : QStringList{r.list});
        EXPECT_EQ(ts.screen.totalsRefreshed, refreshes + 1);
        EXPECT_FALSE(st.HostWait);
        EXPECT_FALSE(st.Connect1.Status()); // a verdict leaves the lamp alone
    }
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 정기권입차수 || '|' || 정기권출차수 || '|' || 데이터유무 FROM 시간대별 "
                                      "WHERE 정산여부 = 1"))
                  .toString()
                  .toStdString(),
              "40|50|0");
}

TEST_F(HostSeason, TheRowHoldsTheTrimmedFieldsAndTheTimeOfHandling)
{
    ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 41, 7)));
    receive(Verdict(QStringLiteral("중복출차"), QStringLiteral("2"), QStringLiteral("2026-01-04"), QStringLiteral("18:25")));
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT 출차일자, 출차시간, 입차일자, 입차시간, 정기권번호, 입출상태, "
                                              "차량번호, 이름, 종료일, 처리일시, 입출구분 FROM 정기권입출차"));
    ASSERT_TRUE(q.next());
    QStringList got;
    for (int i = 0; i < 11; ++i) got << q.value(i).toString();
    EXPECT_EQ(got.join(u'|'), QStringLiteral("2026-01-04|18:25|2026-01-05|08:10|0000012345|중복출차|12가3456|홍길동|2026-12-31|0105094107|1"));
    EXPECT_TRUE(ts.value(QStringLiteral("SELECT 데이터유무 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9")).toBool());
}

TEST_F(HostSeason, ADatabaseFailureIsTracedAndTheHostsVerdictStillActs)
{
    Exec(st.Db, QStringLiteral("DROP TABLE 정기권입출차"));
    const qint64 ins = hourCount("정기권입차수");
    receive(Verdict(QStringLiteral("정상입차"), QStringLiteral("1")));
    EXPECT_EQ(host().written(), QByteArray::fromHex("024A495F41434B0316"));
    EXPECT_EQ(hourCount("정기권입차수"), ins); // the count went with the row
    EXPECT_EQ(gate(), 0);
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), "정상입차 차량입니다. 차량번호 : " + kCar);
    EXPECT_TRUE(st.comm->trace.text().contains(QStringLiteral("  호스트 정기권 처리결과 저장 실패 : ")));
    EXPECT_TRUE(st.comm->trace.text().contains(QStringLiteral("  < 호스트 정기권 처리결과   : ")));
}

TEST_F(HostSeason, WithoutAnOpenPeriodTheVerdictIsLoggedAndActedOn)
{
    Exec(st.Db, QStringLiteral("DELETE FROM 시간대별"));
    receive(Verdict(QStringLiteral("프리패스"), QStringLiteral("1")));
    EXPECT_EQ(ts.count(QStringLiteral("정기권입출차")), 1);
    EXPECT_EQ(gate(), 0);
}

} // namespace
