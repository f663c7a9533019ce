#include "gates/DecisionRig.h"

#include "database/DBase.h"
#include "gates/SeasonDecision.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

const QString kCard = QStringLiteral("0000001234");

QString Labels(DecisionRig& r, std::initializer_list<int> which)
{
    QStringList out;
    for (int i : which) out << r.label(i);
    return out.join(u'|');
}

} // namespace

TEST(SeasonDecision, VerdictsOpenOrRefuseByMode)
{
    enum class Kind { Unregistered, Expired, Normal, NormalFromNeither, Repeated };
    // opens: modes "0", "1", "2", "3", "7": 'O' open, 'R' refuse
    const struct { const char* name; bool in; Kind kind; const char *opens, *status; } cases[] = {
        {"inUnregistered", true, Kind::Unregistered, "ORRRR", "미등록"},
        {"inExpired", true, Kind::Expired, "OORRR", "기간초과"},
        {"inNormalFromOutside", true, Kind::Normal, "OOOOO", "정상입차"},
        {"inNormalFromNeither", true, Kind::NormalFromNeither, "OOOOO", "정상입차"},
        {"inRepeated", true, Kind::Repeated, "OOORO", "중복입차"},
        {"outUnregistered", false, Kind::Unregistered, "ORRRR", "미등록"},
        {"outExpired", false, Kind::Expired, "OORRR", "기간초과"},
        {"outNormalFromInside", false, Kind::Normal, "OOOOO", "정상출차"},
        {"outNormalFromNeither", false, Kind::NormalFromNeither, "OOOOO", "정상출차"},
        {"outRepeated", false, Kind::Repeated, "OOORO", "중복출차"},
    };
    const char* modes[] = {"0", "1", "2", "3", "7"};
    for (const auto& c : cases) {
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(std::string(c.name) + " mode " + modes[i]);
            DecisionRig r;
            r.st.settings.SeasonMode = QString::fromLatin1(modes[i]);
            r.st.settings.AntiPassBack = true; // a first read is never a repeat
            Card card{kCard};
            if (c.kind == Kind::Expired) card.end = QStringLiteral("2026-03-09");
            if (c.kind == Kind::Normal) card.state = c.in ? 2 : 1;
            if (c.kind == Kind::NormalFromNeither) card.state = 0;
            if (c.kind == Kind::Repeated) card.state = c.in ? 1 : 2;
            if (c.kind != Kind::Unregistered) r.add(card);
            const qint16 gate = c.in ? 3 : 5;
            c.in ? r.in(card.number, gate) : r.out(card.number, gate);
            const QString verdict = QLatin1String(c.opens[i] == 'O' ? "open" : "refuse") + QLatin1String(c.in ? "In" : "Out");
            EXPECT_EQ(r.barrier, QStringList{verdict + QStringLiteral(" %1").arg(gate)});
            EXPECT_EQ(r.ts.value(QStringLiteral("SELECT 입출상태 FROM 정기권입출차")).toString(), QString::fromUtf8(c.status));
            EXPECT_EQ(r.ts.screen.totalsRefreshed, 1);
        }
    }
}

// ---- passage rows, register, counts ----

TEST(SeasonDecision, NormalEntryWritesRowRegisterHourAndCounters)
{
    DecisionRig r;
    r.add(CardInState(kCard, 2));
    r.counters("41", "40", "17");
    r.in(kCard);
    EXPECT_EQ(r.passages(), QStringList{QStringLiteral("2026-03-10|09:05|2026-03-09|18:20|0000001234|정상입차|12가3456|홍길동|"
                                                       "2026-12-31|0310090507|0")});
    EXPECT_EQ(r.reg("입출차구분||' '||입차수||' '||출차수||' '||입차일자||' '||입차시간", kCard).toString(),
              QStringLiteral("1 6 7 2026-03-10 09:05"));
    EXPECT_EQ(r.hourCount("정기권입차수", 9), 1);
    EXPECT_EQ(r.hourCount("정기권입차수", 10), 0);
    EXPECT_EQ(r.ts.value(QStringLiteral("SELECT 데이터유무 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9")).toInt(), 1);
    EXPECT_EQ(r.closedHour(), QStringLiteral("40|50|0"));
    EXPECT_EQ(r.ini("정기권입차수"), QStringLiteral("42"));
    EXPECT_EQ(Labels(r, {3, 5, 6}), QStringLiteral("42|2|18"));
    EXPECT_EQ(r.ts.screen.text(QStringLiteral("PnlMsg")),
              QStringLiteral("(정상입차) 정기권번호 :  0000001234  차량번호 : 12가3456  이름 : 홍길동"));
    EXPECT_EQ(r.ts.screen.list1,
              QStringList{QStringLiteral("정상입차 차량입니다. 정기권번호 :  0000001234  차량번호 : 12가3456  이름 : 홍길동")});
    EXPECT_FALSE(r.ts.screen.isVisible(QStringLiteral("Shape1")));
    EXPECT_EQ(r.traceTexts(), QStringList{QStringLiteral("  정기권입차 : 정상입차 처리 정기권번호 ==> 0000001234")});
    EXPECT_EQ(r.barrier, QStringList{QStringLiteral("openIn 1")});
}

TEST(SeasonDecision, NormalExitFromInsideCountsTheHour)
{
    DecisionRig r;
    r.add(CardInState(kCard, 1));
    r.counters("42", "40", "18");
    r.out(kCard);
    EXPECT_EQ(r.passages(), QStringList{QStringLiteral("2026-03-08|08:10|2026-03-10|09:05|0000001234|정상출차|12가3456|홍길동|"
                                                       "2026-12-31|0310090507|1")});
    EXPECT_EQ(r.reg("입출차구분||' '||출차수||' '||출차일자||' '||출차시간", kCard).toString(),
              QStringLiteral("2 8 2026-03-10 09:05"));
    EXPECT_EQ(r.hourCount("정기권출차수", 9), 1);
    EXPECT_EQ(r.ini("정기권출차수"), QStringLiteral("41"));
    EXPECT_EQ(Labels(r, {4, 5, 6}), QStringLiteral("41|1|17"));
    EXPECT_EQ(r.traceTexts(), QStringList{QStringLiteral("  정기권출차 : 정상출차 처리 정기권번호 ==> 0000001234")});
}

TEST(SeasonDecision, ExitFromNeitherStateCountsCarsButNotTheHour)
{
    DecisionRig r;
    r.add(CardInState(kCard, 0));
    r.counters("3", "1", "9");
    r.out(kCard);
    EXPECT_EQ(r.reg("입출차구분||' '||출차수", kCard).toString(), QStringLiteral("2 8"));
    EXPECT_EQ(r.hourCount("정기권출차수", 9), 0);
    EXPECT_EQ(Labels(r, {4, 6}), QStringLiteral("2|8"));
    EXPECT_EQ(r.barrier, QStringList{QStringLiteral("openOut 2")});
}

TEST(SeasonDecision, UnregisteredRowsAndTexts)
{
    DecisionRig r;
    r.st.settings.SeasonMode = QStringLiteral("1");
    r.in(QStringLiteral("0000009999"), 3);
    r.out(QStringLiteral("0000009998"), 5);
    EXPECT_EQ(r.passages(), (QStringList{QStringLiteral("2026-03-10|09:05|----------|-----|0000009999|미등록|미등록 차량|"
                                                        "------------|----------|0310090507|0"),
                                         QStringLiteral("----------|-----|2026-03-10|09:05|0000009998|미등록|미등록 차량|"
                                                        "------------|----------|0310090507|1")}));
    EXPECT_EQ(r.ts.screen.text(QStringLiteral("PnlMsg")), QStringLiteral("(미등록) 정기권번호 :  0000009998"));
    EXPECT_EQ(r.ts.screen.list1, (QStringList{QStringLiteral("미등록 차량입니다. 정기권번호 :  0000009999"),
                                              QStringLiteral("미등록 차량입니다. 정기권번호 :  0000009998")}));
    EXPECT_TRUE(r.ts.screen.isVisible(QStringLiteral("Shape1")));
    EXPECT_EQ(r.traceTexts(), (QStringList{QStringLiteral("  정기권입차 : 미등록입차 처리 정기권번호 ==> 0000009999"),
                                           QStringLiteral("  정기권출차 : 미등록출차 처리 정기권번호 ==> 0000009998")}));
    EXPECT_EQ(r.barrier, (QStringList{QStringLiteral("refuseIn 3"), QStringLiteral("refuseOut 5")}));
}

TEST(SeasonDecision, ExpiredAndRepeatedRowsAndTexts)
{
    DecisionRig r;
    Card expired{QStringLiteral("0000000001")};
    expired.end = QStringLiteral("2026-03-09");
    r.add(expired);
    const Card inside = CardInState(QStringLiteral("0000000002"), 1);
    r.add(inside);
    r.in(expired.number);
    EXPECT_EQ(r.ts.screen.text(QStringLiteral("PnlMsg")),
              QStringLiteral("(기간초과)   차량번호 : 12가3456  이름 : 홍길동  만료일 : 2026-03-09"));
    EXPECT_EQ(r.ts.screen.list1.last(),
              QStringLiteral("기간초과 차량입니다. 정기권번호 : 0000000001  차량번호 : 12가3456  만료일 : 2026-03-09"));
    r.in(inside.number);
    EXPECT_EQ(r.ts.screen.text(QStringLiteral("PnlMsg")),
              QStringLiteral("(중복입차) 정기권번호 :  0000000002  차량번호 : 12가3456  이름 : 홍길동"));
    EXPECT_TRUE(r.ts.screen.isVisible(QStringLiteral("Shape1")));
    EXPECT_EQ(r.passages(), (QStringList{QStringLiteral("2026-03-10|09:05|2026-03-09|18:20|0000000001|기간초과|12가3456|홍길동|"
                                                        "2026-03-09|0310090507|0"),
                                         QStringLiteral("2026-03-10|09:05|2026-03-09|18:20|0000000002|중복입차|12가3456|홍길동|"
                                                        "2026-12-31|0310090507|0")}));
    // Neither changes the register or the counts.
    EXPECT_EQ(r.reg("입차수", inside.number).toInt(), 5);
    EXPECT_EQ(r.hourCount("정기권입차수", 9), 0);
    EXPECT_EQ(r.traceTexts(), (QStringList{QStringLiteral("  정기권입차 : 기간초과 처리 정기권번호 ==> 0000000001"),
                                           QStringLiteral("  정기권입차 : 중복입차 처리 정기권번호 ==> 0000000002")}));
}

TEST(SeasonDecision, PeriodBounds)
{
    const struct { const char* name; QVariant start, end; const char* status; } rows[] = {
        {"lastDayToday", QStringLiteral("2026-01-01"), QStringLiteral("2026-03-10"), "정상입차"},
        {"firstDayToday", QStringLiteral("2026-03-10"), QStringLiteral("2026-04-01"), "정상입차"},
        {"endedYesterday", QStringLiteral("2026-01-01"), QStringLiteral("2026-03-09"), "기간초과"},
        {"startsTomorrow", QStringLiteral("2026-03-11"), QStringLiteral("2026-04-01"), "기간초과"},
        {"noBounds", QVariant(), QVariant(), "정상입차"},
    };
    for (const auto& row : rows) {
        DecisionRig r;
        Card c{QStringLiteral("0000000001"), row.start, row.end};
        r.add(c);
        r.in(c.number);
        EXPECT_EQ(r.ts.value(QStringLiteral("SELECT 입출상태 FROM 정기권입출차")).toString(), QString::fromUtf8(row.status))
            << row.name;
    }
}

TEST(SeasonDecision, AStateOutsideZeroToTwoDoesNothingButRefresh)
{
    for (const QVariant& state : {QVariant(), QVariant(3)}) {
        DecisionRig r;
        r.add(CardInState(QStringLiteral("0000000001"), state));
        r.in(QStringLiteral("0000000001"));
        r.out(QStringLiteral("0000000001"));
        EXPECT_EQ(r.rows(), 0);
        EXPECT_TRUE(r.barrier.isEmpty());
        EXPECT_TRUE(r.ts.screen.list1.isEmpty());
        EXPECT_EQ(r.ts.screen.totalsRefreshed, 2);
    }
}

TEST(SeasonDecision, CardIsNormalisedAndHandedBackWithoutBlanks)
{
    DecisionRig r;
    QString card = QStringLiteral("12 34");
    qint16 gate = 1;
    r.st.routines.Season_In(r.st, card, gate);
    EXPECT_EQ(card, QStringLiteral("1234"));
    EXPECT_EQ(gate, 1);
    EXPECT_EQ(r.ts.value(QStringLiteral("SELECT 정기권번호 FROM 정기권입출차")).toString(), QStringLiteral("1234      "));
    EXPECT_EQ(r.ts.screen.list1.last(), QStringLiteral("미등록 차량입니다. 정기권번호 :  1234      "));

    r.add(Card{QStringLiteral("1234567890")});
    r.in(QStringLiteral("12345678901"));
    EXPECT_EQ(r.ts.value(QStringLiteral("SELECT COUNT(*) FROM 정기권입출차 WHERE 입출상태 = '정상입차'")).toInt(), 1);
}

TEST(SeasonDecision, QuotesAreData)
{
    DecisionRig r;
    Card c{QStringLiteral("00'0001234")};
    c.car = QStringLiteral("12'3");
    c.name = QStringLiteral("O'Neil");
    r.add(c);
    r.in(c.number);
    EXPECT_EQ(r.passages(), QStringList{QStringLiteral("2026-03-10|09:05|2026-03-09|18:20|00'0001234|정상입차|12'3|O'Neil|"
                                                       "2026-12-31|0310090507|0")});
    EXPECT_EQ(r.reg("입출차구분", c.number).toInt(), 1);
}

// ---- anti-passback ----

TEST(SeasonDecision, AntiPassBackRefusesARepeatAtTheSameSlotOnly)
{
    DecisionRig r;
    r.st.settings.AntiPassBack = true;
    r.add(CardInState(kCard, 2));
    r.in(kCard, 1);
    const QStringList list = r.ts.screen.list1;
    r.ts.screen.totalsRefreshed = 0;
    r.in(kCard, 1);
    EXPECT_EQ(r.rows(), 1);
    EXPECT_EQ(r.ts.screen.list1, list);
    EXPECT_EQ(r.ts.screen.totalsRefreshed, 0);
    EXPECT_EQ(r.barrier, (QStringList{QStringLiteral("openIn 1"), QStringLiteral("refuseIn 1")}));
    EXPECT_EQ(r.traceTexts().last(), QStringLiteral("  정기권입차  : Anti Pass Back 처리됨"));
    r.in(kCard, 3); // the other slot: decided (already inside)
    EXPECT_EQ(r.rows(), 2);
    EXPECT_EQ(r.barrier.last(), QStringLiteral("refuseIn 3"));
}

TEST(SeasonDecision, AntiPassBackOnlyInModesTwoAndThreeAndForUnregisteredCardsToo)
{
    const struct { const char* mode; bool on; int rows; } cases[] = {
        {"3", true, 1}, {"2", true, 1}, {"1", true, 2}, {"0", true, 2}, {"3", false, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (c.on ? " on" : " off"));
        DecisionRig r;
        r.st.settings.SeasonMode = QString::fromLatin1(c.mode);
        r.st.settings.AntiPassBack = c.on;
        r.in(QStringLiteral("0000009999"));
        r.in(QStringLiteral("0000009999"));
        EXPECT_EQ(r.rows(), c.rows);
        EXPECT_EQ(r.barrier, QStringList(2, QLatin1String(c.mode[0] == '0' ? "openIn 1" : "refuseIn 1")));
        if (c.mode[0] < '2') {
            EXPECT_TRUE(r.st.gates.LastCardIn[0].isEmpty());
        }
    }
}

TEST(SeasonDecision, ExitSlotsAreSharedByTheCombinedReadersAndExitOne)
{
    DecisionRig r;
    r.st.settings.SeasonMode = QStringLiteral("2");
    r.st.settings.AntiPassBack = true;
    r.out(QStringLiteral("0000009999"), 2);
    r.in(QStringLiteral("0000009999"), 1);  // an entry read leaves the exit memory alone
    r.out(QStringLiteral("0000009999"), 3); // combined reader of entrance 2: slot 0
    r.out(QStringLiteral("0000009999"), 1); // combined reader of entrance 1: slot 0
    r.out(QStringLiteral("0000009999"), 5); // exit 2: slot 1
    EXPECT_EQ(r.rows(), 3);
    EXPECT_EQ(r.barrier, (QStringList{QStringLiteral("refuseOut 2"), QStringLiteral("refuseIn 1"),
                                      QStringLiteral("refuseOut 3"), QStringLiteral("refuseOut 1"),
                                      QStringLiteral("refuseOut 5")}));
    EXPECT_EQ(r.traceTexts().filter(QStringLiteral("Anti Pass Back")),
              QStringList(2, QStringLiteral("  정기권출차  : Anti Pass Back 처리됨")));
}

TEST(SeasonDecision, EachGateKeepsTheCardInItsOwnSlot)
{
    // other: a gate of the same direction whose slot is another one.
    const struct { const char* name; bool in; qint16 gate, other; int slot; } rows[] = {
        {"entrance 1", true, 1, 3, 0},     {"entrance 2", true, 3, 1, 1},
        {"exit 1", false, 2, 5, 0},        {"exit 2", false, 5, 2, 1},
        {"exit read at entrance 1", false, 1, 5, 0}, {"exit read at entrance 2", false, 3, 5, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DecisionRig r;
        r.st.settings.AntiPassBack = true;
        const auto read = [&](qint16 gate) { row.in ? r.in(kCard, gate) : r.out(kCard, gate); };
        read(row.gate);
        read(row.gate); // right after itself: refused without a row
        EXPECT_EQ(r.rows(), 1);
        const auto& memory = row.in ? r.st.gates.LastCardIn : r.st.gates.LastCardOut;
        for (int s = 0; s < 3; ++s) EXPECT_EQ(memory[s], s == row.slot ? kCard : QString()) << "slot " << s;
        read(row.other); // not a repeat there
        EXPECT_EQ(r.rows(), 2);
    }
}

// ---- failures and time ----

TEST(SeasonDecision, AFailureRollsBackOpensNothingAndSaysSo)
{
    DecisionRig r;
    r.add(CardInState(kCard, 2));
    r.counters("41", "40", "17");
    Exec(r.st.Db, QStringLiteral("CREATE TRIGGER fail BEFORE UPDATE ON 시간대별 BEGIN SELECT RAISE(ABORT, 'disk is full'); END"));
    r.in(kCard);
    EXPECT_EQ(r.rows(), 0);
    EXPECT_EQ(r.reg("입출차구분||' '||입차수", kCard).toString(), QStringLiteral("2 5"));
    EXPECT_TRUE(r.barrier.isEmpty());
    EXPECT_EQ(r.label(3), QStringLiteral("41"));
    EXPECT_EQ(r.ini("정기권입차수"), QStringLiteral("none"));
    ASSERT_EQ(r.ts.screen.list1.size(), 1);
    EXPECT_TRUE(r.ts.screen.list1[0].startsWith(QStringLiteral("정기권 처리 오류 : 0000001234 ")));
    EXPECT_TRUE(r.ts.screen.list1[0].contains(QStringLiteral("disk is full")));
    EXPECT_EQ(r.traceTexts(), r.ts.screen.list1);
}

namespace {
// Moves one second on every reading: a decision that reads the clock twice would show it.
class TickingClock : public Clock {
public:
    explicit TickingClock(QDateTime t) : m_t(std::move(t)) {}
    QDateTime now() const override
    {
        const QDateTime t = m_t;
        m_t = m_t.addSecs(1);
        return t;
    }
    bool setNow(const QDateTime& t) override { m_t = t; return true; }
private:
    mutable QDateTime m_t;
};
} // namespace

TEST(SeasonDecision, OneTimestampForRowRegisterHourAndDay)
{
    QTemporaryDir dir;
    TickingClock clock(QDateTime(QDate(2026, 3, 31), QTime(23, 59, 59)));
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st(clock, msgs, screen);
    st.AppPath = dir.path();
    st.IniPath = dir.filePath(QStringLiteral("Tolvo.ini"));
    DBase::SetFolders(st);
    DBase::DataBase_Check(st);
    DBase::DataBase_Open(st);
    AttachGates(st);
    st.settings.SeasonMode = QStringLiteral("3");
    Exec(st.Db, QStringLiteral("INSERT INTO 정기권 (정기권번호, 시작일, 종료일, 입출차구분, 입차수) "
                               "VALUES ('0000001234', '2026-03-01', '2026-03-31', 0, 0)"));
    clock.setNow(QDateTime(QDate(2026, 3, 31), QTime(23, 59, 59)));
    QString card = kCard;
    qint16 gate = 1;
    st.routines.Season_In(st, card, gate);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 입출상태 || 입차일자 || 입차시간 || 처리일시 FROM 정기권입출차")).toString(),
              QStringLiteral("정상입차2026-03-3123:590331235959"));
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 입차일자 || 입차시간 FROM 정기권")).toString(),
              QStringLiteral("2026-03-3123:59"));
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 정기권입차수 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 23")).toInt(), 1);
    DBase::DataBase_Close(st);
}
