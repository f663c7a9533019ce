#pragma once

// The gates attached with the barrier routines replaced by a recorder, and
// season tickets put into the register.

#include "gates/GateRig.h"

#include "platform/Ini.h"

#include <QSqlQuery>

namespace tolvo::test {

struct Card {
    QString number;
    QVariant start = QStringLiteral("2026-01-01");
    QVariant end = QStringLiteral("2026-12-31");
    QVariant state = 0;
    QString car = QStringLiteral("12가3456");
    QString name = QStringLiteral("홍길동");
    QVariant inDate = QStringLiteral("2026-03-08"), inTime = QStringLiteral("08:10");
    QVariant outDate = QStringLiteral("2026-03-09"), outTime = QStringLiteral("18:20");
};

inline Card CardInState(const QString& number, const QVariant& state)
{
    Card c{number};
    c.state = state;
    return c;
}

class DecisionRig : public GateRig {
public:
    explicit DecisionRig(const QDateTime& start = QDateTime(QDate(2026, 3, 10), QTime(9, 5, 7))) : GateRig(start)
    {
        auto& r = st.routines;
        r.Gate_OpenIn = [this](Station&, qint16 g) { barrier << QStringLiteral("openIn %1").arg(g); };
        r.Gate_OpenOut = [this](Station&, qint16 g) { barrier << QStringLiteral("openOut %1").arg(g); };
        r.Gate_RefuseIn = [this](Station&, qint16 g) { barrier << QStringLiteral("refuseIn %1").arg(g); };
        r.Gate_RefuseOut = [this](Station&, qint16 g) { barrier << QStringLiteral("refuseOut %1").arg(g); };
        st.settings.SeasonMode = QStringLiteral("3");
        st.settings.AntiPassBack = false;
        // The closed period's row of the same hour: no passage counts into it.
        Exec(st.Db, QStringLiteral("INSERT INTO 시간대별 (포스코드, 시간대, 정기권입차수, 정기권출차수, 데이터유무, 정산여부, "
                                   "전송여부, 시작일시, 종료일시) VALUES (1, ?, 40, 50, 0, 1, 0, '2026-03-09 18:00', ?)"),
             {start.time().hour(), start.toString(QStringLiteral("yyyy-MM-dd HH:mm"))});
    }

    void add(const Card& c)
    {
        Exec(st.Db,
             QStringLiteral("INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 시작일, 종료일, 입출차구분, 입차수, 출차수, "
                            "입차일자, 입차시간, 출차일자, 출차시간) VALUES (?, ?, ?, ?, ?, ?, 5, 7, ?, ?, ?, ?)"),
             {c.number, c.car, c.name, c.start, c.end, c.state, c.inDate, c.inTime, c.outDate, c.outTime});
    }
    void in(QString card, qint16 gate = 1) { st.routines.Season_In(st, card, gate); }
    void out(QString card, qint16 gate = 2) { st.routines.Season_Out(st, card, gate); }

    QVariant reg(const char* field, const QString& card)
    {
        return ts.value(QStringLiteral("SELECT ") + QString::fromUtf8(field) + QStringLiteral(" FROM 정기권 WHERE 정기권번호 = ?"),
                        {card});
    }
    qint64 rows() const { return ts.count(QStringLiteral("정기권입출차")); }
    // 정기권입차수|정기권출차수|데이터유무 of the closed period's row.
    QString closedHour() const
    {
        return ts.value(QStringLiteral("SELECT 정기권입차수 || '|' || 정기권출차수 || '|' || 데이터유무 FROM 시간대별 "
                                       "WHERE 정산여부 = 1"))
            .toString();
    }
    int hourCount(const char* column, int hour)
    {
        return ts.value(QStringLiteral("SELECT ") + QString::fromUtf8(column) +
                            QStringLiteral(" FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = ?"),
                        {hour})
            .toInt();
    }
    // The passage rows, each as its columns joined by "|", in insertion order.
    QStringList passages()
    {
        QStringList out;
        QSqlQuery q = Query(st.Db, QStringLiteral("SELECT 입차일자, 입차시간, 출차일자, 출차시간, 정기권번호, 입출상태, "
                                                  "차량번호, 이름, 종료일, 처리일시, 입출구분 FROM 정기권입출차 ORDER BY rowid"));
        while (q.next()) {
            QStringList cols;
            for (int i = 0; i < 11; ++i) cols << q.value(i).toString();
            out << cols.join(QLatin1Char('|'));
        }
        return out;
    }
    void counters(const char* c3, const char* c4, const char* c6)
    {
        ts.screen.setText(QStringLiteral("CarCnt_3"), QString::fromUtf8(c3));
        ts.screen.setText(QStringLiteral("CarCnt_4"), QString::fromUtf8(c4));
        ts.screen.setText(QStringLiteral("CarCnt_6"), QString::fromUtf8(c6));
    }
    QString label(int i) const { return ts.screen.text(QStringLiteral("CarCnt_%1").arg(i)); }
    QString ini(const char* key) const
    {
        return Read_Ini(st.IniPath, QStringLiteral("시스템"), QString::fromUtf8(key), QStringLiteral("none"));
    }

    QStringList barrier;
};

} // namespace tolvo::test
