// A program folder as after a year of running, for bench_station and
// scripts/measure.sh: 365 daily archive pairs of 800 exits each, 200,000
// settled tickets never sent (no host link for months), one statistics period
// a day for a year, 2,000 season tickets, a tariff, and a PLUS fee display on
// Com7 and the ticket reader on Com6 in use (their ports are mapped by the
// benchmark).  bench_year_data <new program folder>
#include "core/Sql.h"
#include "core/Station.h"
#include "database/Archive.h"
#include "database/DBase.h"
#include "fee/SlotTable.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "core/RecordingMainScreen.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

using namespace tolvo;

namespace {

constexpr int kLive = 200000;
constexpr int kDays = 365;
constexpr int kPerDay = 800;
constexpr int kSeason = 2000;

QString Day(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }
QString Four(int n) { return QString::number(n % 9999 + 1).rightJustified(4, QLatin1Char('0')); }

void Run(QSqlQuery& q, const QVariantList& values)
{
    for (const QVariant& v : values) q.addBindValue(v);
    if (!q.exec()) throw DbError(q.lastError().text());
}

const QString kTicketInsert = QStringLiteral(
    "INSERT INTO %1 (포스코드, 티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, 총주차요금, "
    "할인시간, 실수령금액, 정산구분, 전송여부, 할인구분) VALUES (0, ?, ?, ?, ?, ?, ?, '90', 3000, 0, 3000, 1, ?, '현금출차')");

// A settled exit of day d, number i of the day.
QVariantList Ticket(const QDate& d, int i, bool sent)
{
    const QTime in = QTime(6, 0).addSecs((i % 1000) * 60);
    const QString no = Four(i);
    return {no, Day(d), in.toString(QStringLiteral("HH:mm")), Day(d), in.addSecs(5400).toString(QStringLiteral("HH:mm")),
            no + d.toString(QStringLiteral("yyyyMMdd")) + in.toString(QStringLiteral("HHmm")), sent ? 1 : 0};
}

void Tariff(Station& st)
{
    SlotInputs in;
    in.basicOn = true;
    in.basicTime = QStringLiteral("30");
    in.basicAmount = QStringLiteral("1000");
    in.finalUnit = QStringLiteral("10");
    in.finalAmount = QStringLiteral("500");
    WriteSlotTable(st.Db, GenerateSlotTable(in).rows);
    Exec(st.Db, QStringLiteral("UPDATE 기타 SET 기본사용 = 1, 기본시간 = 30, 기본금액 = 1000, 구간시간4 = 10, "
                               "구간금액4 = 500, 일일최대사용 = 0"));
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
    Exec(st.Db, QStringLiteral("UPDATE 요금표시기 SET 기종 = 'PLUS TYPE', 포트번호 = 'Com7', 사용여부 = 1"));
    Exec(st.Db, QStringLiteral("UPDATE 리더기 SET 포트번호 = 'Com6', 사용여부 = 1"));
}

// 200,000 settled, unsent exits over the last 250 days, in the live file.
void LiveTickets(Station& st, const QDate& today)
{
    Transaction tx(st.Db);
    QSqlQuery q(st.Db);
    q.prepare(kTicketInsert.arg(QStringLiteral("일반권")));
    for (int i = 0; i < kLive; ++i) Run(q, Ticket(today.addDays(-1 - i / 800), i % 800 + 1000 * (i / 800 % 9), false));
    tx.commit();
}

void Statistics(Station& st, const QDate& today)
{
    Transaction tx(st.Db);
    QSqlQuery q(st.Db);
    q.prepare(QStringLiteral("INSERT INTO 시간대별 (포스코드, 근무자명, 근무자코드, 시간대, 정기권입차수, 정기권출차수, "
                             "일반권입차수, 일반권출차수, 금액, 대수, 일련번호, 정산여부, 전송여부, 시작일시, 종료일시) "
                             "VALUES (0, '근무자1', 1, ?, 2, 2, 33, 33, 100000, 33, ?, 1, 0, ?, ?)"));
    for (int d = kDays; d >= 1; --d) {
        const QDate day = today.addDays(-d);
        for (int h = 0; h < 24; ++h) Run(q, {h, h, Day(day) + QStringLiteral(" 00:00"), Day(day) + QStringLiteral(" 23:59")});
    }
    tx.commit();
}

// The key a gate reader looks a card up by: "0000" and the card's six digits.
QString SeasonCardKey(int digits) { return QStringLiteral("0000") + QString::number(digits); }

void SeasonTickets(Station& st, const QDate& today)
{
    Transaction tx(st.Db);
    QSqlQuery q(st.Db);
    q.prepare(QStringLiteral("INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 발급일, 입차수, 출차수, 월정요금, 입출차구분, "
                             "시작일, 종료일) VALUES (?, ?, ?, ?, 0, 0, 100000, 0, ?, ?)"));
    for (int i = 0; i < kSeason; ++i)
        Run(q, {SeasonCardKey(100000 + i), QStringLiteral("12가%1").arg(1000 + i), QStringLiteral("이용자%1").arg(i),
                Day(today.addDays(-30)), Day(today.addDays(-30)), Day(today.addDays(335))});
    tx.commit();
}

// One archive pair a day, filled through an attached file in one transaction.
void Archives(Station& st, const QDate& today)
{
    for (int d = 1; d <= kDays; ++d) {
        const QDate day = today.addDays(-d);
        const QString ilban = IlbanArchivePath(st, day);
        DBase::Create_IlbanArchive(ilban);
        DBase::Create_JungArchive(JungArchivePath(st, day));
        Exec(st.Db, QStringLiteral("ATTACH DATABASE ? AS arc"), {ilban});
        {
            Transaction tx(st.Db);
            QSqlQuery q(st.Db);
            q.prepare(kTicketInsert.arg(QStringLiteral("arc.일반권")));
            for (int i = 0; i < kPerDay; ++i) Run(q, Ticket(day, i, true));
            tx.commit();
        }
        Exec(st.Db, QStringLiteral("DETACH DATABASE arc"));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2 || QDir(QString::fromLocal8Bit(argv[1])).exists()) {
        std::fprintf(stderr, "usage: bench_year_data <new program folder>\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    SystemClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st(clock, msgs, screen);
    st.AppPath = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(st.AppPath);
    st.IniPath = st.AppPath + QStringLiteral("/Tolvo.ini");
    try {
        DBase::SetFolders(st);
        DBase::DataBase_Check(st);
        DBase::DataBase_Open(st);
        const QDate today = clock.now().date();
        Tariff(st);
        LiveTickets(st, today);
        Statistics(st, today);
        SeasonTickets(st, today);
        Archives(st, today);
        DBase::DataBase_Close(st);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_year_data: %s\n", e.what());
        return 1;
    }
    std::printf("year of data in %s (%.1f s)\n", argv[1], timer.elapsed() / 1000.0);
    return 0;
}
