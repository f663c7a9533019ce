#pragma once

// A station set up for the exit road: a fresh database with a simple tariff
// (first 30 minutes 1,000 won, then 500 won per started 10 minutes), an open
// statistics period, a logged-in worker and recorders on every device link.

#include "common/TestStation.h"
#include "core/Sql.h"
#include "fee/DiscountKeys.h"
#include "fee/SlotTable.h"
#include "platform/Ini.h"
#include "station/ExitKeys.h"
#include "core/StatsPeriod.h"
#include "station/TicketEntry.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace tolvo::test {

// Fee of the test tariff for m billable minutes within a day.
inline qint32 TariffFee(int m)
{
    if (m <= 0) return 0;
    if (m <= 30) return 1000;
    return 1000 + 500 * ((m - 30 + 9) / 10);
}

// "title|text" of the one message shown; empty unless exactly one was shown.
inline QString OnlyShown(const ScriptedMessages& m)
{
    return m.shown.size() == 1 ? m.shown[0].title + QLatin1Char('|') + m.shown[0].text : QString();
}

struct DiscKeyDef {
    QString name;
    int code1 = 0, code2 = 0;
    int kind1 = 0, rate1 = 0, kind2 = 0, rate2 = 0;
    bool combinable = false;
    bool active = true;
};

class ExitRig {
public:
    explicit ExitRig(const QDateTime& start = QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)))
        : ts(TestStation::Db::Fresh, start), st(ts.st)
    {
        st.worker.WorkerCode = 3;
        st.worker.WorkerName = QStringLiteral("근무자3");
        st.models.ReaderCanPrint = true;
        st.settings.CardEncoding = QStringLiteral("1");
        installTariff();
        reopenPeriod();
        recordDevices();
        setCounters(QStringList(7, QStringLiteral("0")));
    }

    // The statistics period opened afresh (after the discount keys changed).
    void reopenPeriod()
    {
        for (const char* t : {"시간대별", "주차시간대별", "금액대별", "할인현황"})
            Exec(st.Db, QStringLiteral("DELETE FROM ") + Id(QString::fromUtf8(t)));
        Load_DiscountKeys(st);
        Stats_NewPeriod(st);
    }

    // Settles the open period as the one before, with counts of its own (7 of
    // everything, 7,000 won), and opens a fresh one: exits count in the fresh one.
    void settlePeriodBefore()
    {
        for (const auto& [table, counts] : SettledCounts())
            Exec(st.Db, QStringLiteral("UPDATE ") + Id(table) + QStringLiteral(" SET ") + counts.join(QStringLiteral(", ")) +
                            QStringLiteral(", 정산여부 = 1, 전송여부 = 1, 종료일시 = '2026-01-04 20:00' WHERE 정산여부 = 0"));
        Stats_NewPeriod(st);
    }
    // Settled rows whose counts are no longer those settlePeriodBefore gave them.
    qint64 settledTouched() const
    {
        qint64 n = 0;
        for (const auto& [table, counts] : SettledCounts())
            n += value(QStringLiteral("SELECT COUNT(*) FROM ") + Id(table) + QStringLiteral(" WHERE 정산여부 = 1 AND NOT (") +
                       counts.join(QStringLiteral(" AND ")) + QStringLiteral(")")).toLongLong();
        return n;
    }

    void addDiscountKey(const DiscKeyDef& k)
    {
        Exec(st.Db,
             QStringLiteral("INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 할인종류1, 적용요율1, 할인종류2, 적용요율2, "
                            "중복사용, 사용여부) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {k.name, k.code1, k.code2, k.kind1, k.rate1, k.kind2, k.rate2, int(k.combinable), int(k.active)});
    }

    // An open entry row of the dispenser.
    void addEntry(const QString& no, const QString& date, const QString& time, int pos = 4)
    {
        Exec(st.Db,
             QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                            "VALUES (?, ?, ?, ?, ?, 0, 1)"),
             {pos, no, date, time, EntryCode(no, date, time)});
    }
    // An exit already recorded for an entry.
    void addSettled(const QString& no, const QString& date, const QString& time, const QString& outDate,
                    const QString& outTime, int minutes, int fee)
    {
        Exec(st.Db,
             QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, "
                            "총주차요금, 할인시간, 실수령금액, 정산구분, 전송여부, 할인구분) "
                            "VALUES (0, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?, 0, 1, '현금출차')"),
             {no, date, time, outDate, outTime, EntryCode(no, date, time), QString::number(minutes), fee, fee});
    }
    static QString EntryCode(const QString& no, const QString& date, const QString& time)
    {
        return no + QString(date).remove(QLatin1Char('-')) + QString(time).remove(QLatin1Char(':'));
    }

    // Types a text into TNum and presses Enter; the Enter's release follows.
    void type(const QString& text, bool release = true)
    {
        ts.screen.setText(QStringLiteral("TNum"), text);
        TNum_KeyPress(st, 13);
        if (release) keyUp(13);
    }
    bool keyUp(int code, int shift = 0) { return ExitKeys_KeyUp(st, code, shift); }
    void enter() { keyUp(13); }
    void esc() { keyUp(27); }

    QVariant value(const QString& sql, const QVariantList& v = {}) const { return ts.value(sql, v); }
    qint64 count(const QString& table) const { return ts.count(table); }
    qint64 hourly(const QString& field, int hour) const
    {
        return value(QStringLiteral("SELECT SUM(") + Id(field) + QStringLiteral(") FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = ?"),
                     {hour}).toLongLong();
    }
    QString ini(const QString& key) const
    {
        return Read_Ini(st.IniPath, QStringLiteral("시스템"), key, QStringLiteral("-"));
    }

    void answerFrmInput(const QString& data) { frmInputAnswers.push_back(data); }

    // The seven car counters CarCnt_0 .. CarCnt_6 on the main screen.
    QStringList counters() const
    {
        QStringList out;
        for (int i = 0; i <= 6; ++i) out << ts.screen.text(QStringLiteral("CarCnt_%1").arg(i));
        return out;
    }
    void setCounters(const QStringList& texts)
    {
        for (int i = 0; i <= 6; ++i) ts.screen.setText(QStringLiteral("CarCnt_%1").arg(i), texts.value(i));
    }

    TestStation ts;
    Station& st;
    QStringList calls;                  // device calls in order
    std::deque<QString> frmInputAnswers; // FrmInput results in order ("" cancels)
    QStringList frmInputAsked;          // ticket numbers FrmInput was shown for
    std::deque<bool> writeResults;      // reader write results (default true)
    std::function<void(const QString& call)> during; // runs inside a device call

private:
    static std::vector<std::pair<QString, QStringList>> SettledCounts()
    {
        QStringList bands;
        for (int n = 1; n <= 10; ++n) bands << QStringLiteral("건수%1 = 7").arg(n) << QStringLiteral("금액%1 = 7000").arg(n);
        return {{QStringLiteral("시간대별"), {QStringLiteral("일반권입차수 = 7"), QStringLiteral("일반권출차수 = 7"),
                                              QStringLiteral("금액 = 7000"), QStringLiteral("대수 = 7")}},
                {QStringLiteral("주차시간대별"), bands},
                {QStringLiteral("금액대별"), bands},
                {QStringLiteral("할인현황"), {QStringLiteral("건수 = 7"), QStringLiteral("금액 = 7000")}}};
    }

    void installTariff()
    {
        SlotInputs in;
        in.basicOn = true;
        in.basicTime = QStringLiteral("30");
        in.basicAmount = QStringLiteral("1000");
        in.finalUnit = QStringLiteral("10");
        in.finalAmount = QStringLiteral("500");
        const SlotGeneration g = GenerateSlotTable(in);
        WriteSlotTable(st.Db, g.rows);
        Exec(st.Db, QStringLiteral("UPDATE 기타 SET 기본사용 = 1, 기본시간 = 30, 기본금액 = 1000, 구간시간4 = 10, "
                                   "구간금액4 = 500, 할인사용 = 0, 회차사용 = 0, 일일최대사용 = 0, 최대사용 = 0, "
                                   "기본요금포함여부 = 0, 평일개장시간 = '08:00', 주말개장시간 = '10:30'"));
    }

    void record(const QString& call)
    {
        calls << call;
        if (during) during(call);
    }

    void recordDevices()
    {
        ExitLinks& l = st.exitLinks;
        l.frmInput = [this](const QString& no) {
            frmInputAsked << no;
            if (frmInputAnswers.empty()) return QString();
            const QString a = frmInputAnswers.front();
            frmInputAnswers.pop_front();
            return a;
        };
        l.readerWrite = [this](const QString& d) {
            record(QStringLiteral("write:") + d);
            if (writeResults.empty()) return true;
            const bool r = writeResults.front();
            writeResults.pop_front();
            return r;
        };
        l.readerPrint90 = [this](const QString& d) { record(QStringLiteral("print90:") + d); };
        l.readerPrint96 = [this](const QString& d) { record(QStringLiteral("print96:") + d); };
        l.readerEject = [this] { record(QStringLiteral("eject")); };
        l.gateOpen = [this] { record(QStringLiteral("gate")); };
        l.feeDispAmount = [this](qint32 a) { record(QStringLiteral("amount:%1").arg(a)); };
        l.feeDispTime = [this](const QString& t) { record(QStringLiteral("time:") + t); };
        l.openDrawer = [this] { record(QStringLiteral("drawer")); };
        l.receiptPrint = [this] { record(QStringLiteral("receipt")); };
    }
};

} // namespace tolvo::test
