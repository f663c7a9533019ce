#include "common/TestStation.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "season/SeasonRegister.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

// A register on a TAG Master entrance (8 digits) unless a model is given.
struct Register {
    explicit Register(int model = 1)
    {
        ts.st.models.SeasonIn1Type = static_cast<quint8>(model);
        reg.setTagLengthFromModel();
        reg.Clear_Field(b);
    }
    JungBoxes& fill(const QString& tag, const QString& car = "12가3456", const QString& driver = "홍길동")
    {
        b.Txt[1] = tag;
        b.Txt[2] = car;
        b.Txt[3] = driver;
        return b;
    }
    QVariant field(const QString& key, const QString& name) const
    {
        return ts.value("SELECT " + Id(name) + " FROM 정기권 WHERE 정기권번호 = ?", {key});
    }
    QString fields(const QString& key, const QString& joined) const // an expression of several columns
    {
        return ts.value("SELECT " + joined + " FROM 정기권 WHERE 정기권번호 = ?", {key}).toString();
    }
    TestStation ts;
    SeasonRegister reg{ts.st};
    JungBoxes b;
};

TEST(SeasonRegister, TagLengthKeyAndShownFormByModel)
{
    const struct { int model; int length; const char* typed; const char* key; } cases[] = {
        {0, 6, "123456", "0000123456"},   {1, 8, "12345678", "0012345678"}, {2, 4, "1234", "0000001234"},
        {3, 5, "12345", "0000012345"},    {4, 4, "1234", "0000001234"},     {5, 10, "1234567890", "1234567890"},
        {6, 4, "1234", "0000001234"},     {7, 8, "12345678", "0012345678"}, {8, 7, "1234567", "0001234567"},
        {9, 7, "1234567", "0001234567"},  {12, 10, "0000000001", "0000000001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        EXPECT_EQ(TagLength(c.model), c.length);
        EXPECT_EQ(TagKey(c.typed, c.length), c.key);
        EXPECT_EQ(ShownTag(c.key, c.length), c.typed);
    }
}

TEST(SeasonRegister, CheckFieldAcceptsOnlyRealDates)
{
    const struct { const char* name; int box; const char* text; bool ok; } cases[] = {
        {"plain day", 2, "2026-03-01", true},          {"leap day", 3, "2028-02-29", true},
        {"no such day", 3, "2026-02-30", false},       {"month 13", 2, "2026-13-01", false},
        {"blanks left in the mask", 1, "2026-03-  ", false}, {"digits only", 2, "20260301", false},
        {"short parts", 3, "2026-3-1", false},         {"empty", 1, "", false},
        {"trailing text", 3, "2026-03-01x", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Register r;
        r.fill("12345678");
        r.b.Mask[static_cast<size_t>(c.box)] = c.text;
        EXPECT_EQ(r.reg.Check_Field(r.b), c.ok);
    }
}

TEST(SeasonRegister, CheckFieldRefusesMissingItems)
{
    const struct { const char* name; std::function<void(JungBoxes&)> change; } cases[] = {
        {"tag one short", [](JungBoxes& b) { b.Txt[1] = "1234567"; }},
        {"no vehicle", [](JungBoxes& b) { b.Txt[2].clear(); }},
        {"no driver", [](JungBoxes& b) { b.Txt[3].clear(); }},
        {"no fee", [](JungBoxes& b) { b.Mask[0].clear(); }},
        {"a fee beyond the seven digits of its mask", [](JungBoxes& b) { b.Mask[0] = "123,456,789"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Register r;
        c.change(r.fill("12345678"));
        EXPECT_EQ(r.reg.Save(r.b), SeasonRegister::SaveResult::Refused);
        ASSERT_EQ(r.ts.msgs.shown.size(), 1u);
        EXPECT_EQ(r.ts.msgs.shown[0].title + "|" + r.ts.msgs.shown[0].text, "필드 입력 오류|중요한 항목을 입력하지 않았습니다.");
        EXPECT_EQ(r.ts.count("정기권"), 0);
    }
}

TEST(SeasonRegister, ClearFieldSetsTodayAndAMonthOnClamped)
{
    Register r;
    r.ts.clock.setNow(QDateTime(QDate(2006, 1, 31), QTime(10, 0)));
    r.b.Txt[4] = "x";
    r.b.Option2 = 2;
    r.reg.Clear_Field(r.b);
    EXPECT_EQ(r.b.Mask, (decltype(r.b.Mask){"0", "2006-01-31", "2006-01-31", "2006-02-28"}));
    EXPECT_EQ(r.b.Txt[4], "");
    EXPECT_EQ(r.b.Option2, 0);
}

TEST(SeasonRegister, NewTicketIsStoredCutToItsWidths)
{
    // Each box its own value, each longer than its field by a byte or more.
    const struct { size_t box; const char* field; const char* typed; const char* stored; } boxes[] = {
        {2, "차량번호", "가나다라마바사아", "가나다라마바 "}, // byte 13 splits the seventh syllable
        {3, "이름", "ABCDEFGHIJKLMN", "ABCDEFGHIJKL"},
        {4, "소유자", "김소유자입니다", "김소유자입니"},
        {5, "소속", "한빛주차관리주식회사 서울본부 1팀", "한빛주차관리주식회사 서울본부 1 "},
        {6, "차종", "SONATA-II-X", "SONATA-II-"},
        {7, "색상", "PEARLWHITE2", "PEARLWHITE"},
        {8, "전화번호", "010-1234-56789", "010-1234-5678"},
    };
    Register r;
    for (const auto& c : boxes) r.b.Txt[c.box] = c.typed;
    r.b.Txt[1] = "12345678";
    r.b.Mask = {"120,000", "2025-12-20", "2026-01-01", "2026-06-30"};
    r.b.Option2 = 1;
    EXPECT_EQ(r.reg.Save(r.b), SeasonRegister::SaveResult::Saved);
    const QString key = "0012345678";
    for (const auto& c : boxes) EXPECT_EQ(r.field(key, c.field).toString(), c.stored) << c.field;
    EXPECT_EQ(r.fields(key, "월정요금||' '||입출차구분||' '||입차수||' '||출차수||' '||발급일||' '||시작일||' '||종료일"),
              "120000 1 0 0 2025-12-20 2026-01-01 2026-06-30");
    EXPECT_EQ(r.fields(key, "입차일자||'|'||입차시간||'|'||출차일자||'|'||출차시간"), " | | | ");
    EXPECT_FALSE(r.reg.Record_Loaded);
    EXPECT_EQ(r.b.Txt[1], ""); // cleared after the save

    Register empty; // owner, affiliation, car type, colour and telephone left empty
    empty.fill("87654321");
    ASSERT_EQ(empty.reg.Save(empty.b), SeasonRegister::SaveResult::Saved);
    for (const char* f : {"소유자", "소속", "차종", "색상", "전화번호"})
        EXPECT_EQ(empty.field("0087654321", f).toString(), " ") << f;
}

class LoadedTicket : public ::testing::Test {
protected:
    void SetUp() override
    {
        Exec(r.ts.st.Db,
             "INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 소유자, 발급일, 시작일, 종료일, 월정요금, 입차수, 출차수,"
             " 입출차구분, 입차일자, 입차시간, 출차일자, 출차시간) VALUES ('0012345678', '11가1111', '김철수', '회사',"
             " '2025-11-20', '2025-12-01', '2026-12-31', 50000, 7, 6, 1, '2026-01-04', '08:30', '2026-01-03', '19:45')");
        r.b.Txt[1] = "12345678";
        ASSERT_TRUE(r.reg.Search_Record(r.b));
    }
    Register r;
};

TEST_F(LoadedTicket, LookupShowsTheTicket)
{
    EXPECT_EQ(r.reg.Loaded_Key, "0012345678");
    EXPECT_EQ(r.b.Txt[2] + "|" + r.b.Txt[4], "11가1111|회사");
    EXPECT_EQ(r.b.Mask, (decltype(r.b.Mask){"50,000", "2025-11-20", "2025-12-01", "2026-12-31"}));
    EXPECT_EQ(r.b.Lbl1 + "|" + r.b.Lbl2, "2026-01-04 08:30|2026-01-03 19:45");
    EXPECT_EQ(r.b.Option2, 1);
}

TEST_F(LoadedTicket, NullFieldsOfTheNextTicketShowEmpty)
{
    Exec(r.ts.st.Db, "INSERT INTO 정기권 (정기권번호, 차량번호, 이름) VALUES ('0087654321', '22나2222', '이영희')");
    r.b.Txt[1] = "87654321";
    ASSERT_TRUE(r.reg.Search_Record(r.b));
    EXPECT_EQ(r.b.Txt[4] + r.b.Mask[0] + r.b.Mask[3], ""); // not "회사" of the ticket shown before
    EXPECT_EQ(r.b.Option2, 0);
}

TEST_F(LoadedTicket, LookupOfAnUnknownNumberChangesNothing)
{
    r.b.Txt[1] = "99999999";
    EXPECT_FALSE(r.reg.Search_Record(r.b));
    EXPECT_TRUE(r.reg.Record_Loaded);
    EXPECT_EQ(r.reg.Loaded_Key, "0012345678");
    EXPECT_EQ(r.b.Txt[2], "11가1111");
}

TEST_F(LoadedTicket, EditKeepsCountersAndLastPassage)
{
    r.b.Txt[2] = "33다3333";
    r.b.Mask = {"60,000", "2026-01-02", "2026-01-10", "2027-01-09"};
    EXPECT_EQ(r.reg.Save(r.b), SeasonRegister::SaveResult::Saved);
    EXPECT_EQ(r.ts.count("정기권"), 1);
    EXPECT_EQ(r.fields("0012345678", "차량번호||' '||월정요금||' '||발급일||' '||시작일||' '||종료일"),
              "33다3333 60000 2026-01-02 2026-01-10 2027-01-09");
    EXPECT_EQ(r.fields("0012345678", "입차수||' '||출차수||' '||입차일자||' '||입차시간||' '||출차일자||' '||출차시간"),
              "7 6 2026-01-04 08:30 2026-01-03 19:45");
    r.b.Txt[1] = "12345678"; // loaded again, every date in its own box
    ASSERT_TRUE(r.reg.Search_Record(r.b));
    EXPECT_EQ(r.b.Mask, (decltype(r.b.Mask){"60,000", "2026-01-02", "2026-01-10", "2027-01-09"}));
    EXPECT_EQ(r.b.Lbl1 + "|" + r.b.Lbl2, "2026-01-04 08:30|2026-01-03 19:45");
}

TEST_F(LoadedTicket, NewNumberMovesTheTicketWithCountersReset)
{
    r.b.Txt[1] = "55555555";
    EXPECT_EQ(r.reg.Save(r.b), SeasonRegister::SaveResult::Saved);
    EXPECT_FALSE(r.field("0012345678", "차량번호").isValid());
    EXPECT_EQ(r.fields("0055555555", "차량번호||'|'||입차수||'|'||출차수||'|'||입차일자||'|'||입차시간||'|'||출차일자||'|'||출차시간"),
              "11가1111|0|0| | | | ");
    EXPECT_EQ(r.fields("0055555555", "발급일||'|'||시작일||'|'||종료일"), "2025-11-20|2025-12-01|2026-12-31");
}

TEST_F(LoadedTicket, ReKeyOntoAnotherTicketIsRefusedAndLosesNothing)
{
    Exec(r.ts.st.Db, "INSERT INTO 정기권 (정기권번호, 차량번호, 이름) VALUES ('0087654321', '22나2222', '이영희')");
    r.b.Txt[1] = "87654321";
    EXPECT_EQ(r.reg.Save(r.b), SeasonRegister::SaveResult::Duplicate);
    ASSERT_EQ(r.ts.msgs.shown.size(), 1u);
    EXPECT_EQ(r.ts.msgs.shown[0].title + "|" + r.ts.msgs.shown[0].text, "데이터 베이스 오류|중복된 태그 번호를 허용 하지않습니다.");
    EXPECT_EQ(r.field("0012345678", "차량번호").toString(), "11가1111");
    EXPECT_EQ(r.field("0087654321", "차량번호").toString(), "22나2222");
    EXPECT_FALSE(r.reg.Record_Loaded);
    EXPECT_EQ(r.b.Txt[2], ""); // cleared as after a save
}

TEST_F(LoadedTicket, FailureBetweenDeleteAndAddKeepsTheOldTicketAndTheBoxes)
{
    Exec(r.ts.st.Db, "CREATE TRIGGER refuse BEFORE INSERT ON 정기권 BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    r.b.Txt[1] = "55555555";
    const JungBoxes before = r.b;
    EXPECT_EQ(r.reg.Save(r.b), SeasonRegister::SaveResult::Failed);
    EXPECT_EQ(r.field("0012345678", "입차수").toInt(), 7);
    EXPECT_EQ(r.ts.count("정기권"), 1);
    ASSERT_EQ(r.ts.msgs.shown.size(), 1u);
    EXPECT_EQ(r.ts.msgs.shown[0].title, "데이터 베이스 오류");
    EXPECT_TRUE(r.ts.msgs.shown[0].text.contains("disk full"));
    EXPECT_EQ(r.b.Txt, before.Txt);
    EXPECT_EQ(r.b.Mask, before.Mask);
    EXPECT_TRUE(r.reg.Record_Loaded);
    EXPECT_EQ(r.reg.Loaded_Key, "0012345678");
}

TEST_F(LoadedTicket, DeleteRemovesTheLoadedTicketOnly)
{
    Exec(r.ts.st.Db, "INSERT INTO 정기권입출차 (정기권번호, 입출상태) VALUES ('0012345678', '정상입차')");
    EXPECT_TRUE(r.reg.Delete(r.b));
    EXPECT_EQ(r.ts.count("정기권"), 0);
    EXPECT_EQ(r.ts.count("정기권입출차"), 1);
    EXPECT_FALSE(r.reg.Record_Loaded);
    EXPECT_FALSE(r.reg.Delete(r.b)); // nothing loaded any more
}

TEST(SeasonRegister, SearchesBindAndEscapeTheirText)
{
    Register r;
    const char* rows[][3] = {{"0000000001", "서울12가3456", "김철수"},   {"0000000002", "12%가", "O'Neil"},
                             {"0000000003", "12가_99", "O'Brien"},     {"0000000004", "부산99", "김영희"}};
    for (const auto& row : rows)
        Exec(r.ts.st.Db, "INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 소속) VALUES (?, ?, ?, ?)",
             {row[0], row[1], row[2], QString(row[2]) + "팀"});
    const struct { const char* name; JungSearch kind; const char* text; int found; } cases[] = {
        {"vehicle middle part", JungSearch::Vehicle, "2가34", 1},
        {"vehicle with a percent sign", JungSearch::Vehicle, "12%", 1},
        {"vehicle with an underscore", JungSearch::Vehicle, "가_", 1},
        {"name with a quote", JungSearch::Driver, "O'", 2},
        {"name only from the beginning", JungSearch::Driver, "철수", 0},
        {"name beginning", JungSearch::Driver, "김", 2},
        {"affiliation beginning", JungSearch::Affiliation, "O'Neil", 1},
        {"percent alone matches nothing", JungSearch::Affiliation, "%", 0},
        {"empty shows all", JungSearch::Vehicle, "", 4},
    };
    for (const auto& c : cases) EXPECT_EQ(r.reg.Search(c.kind, c.text).count(), c.found) << c.name;
    // The grid keeps the last filter after a save.
    r.reg.Search(JungSearch::Driver, "김");
    EXPECT_EQ(r.reg.GridRows().count(), 2);
}

TEST(SeasonRegister, BulkEndDateBehindThePassword)
{
    const struct {
        const char* name;
        int dialog;
        bool yes;
        const char* endDate;
        std::vector<const char*> titles;
    } cases[] = {
        {"accepted and confirmed", 1, true, "2027-03-31", {"패스워드입력", "정기권 종료일 수정"}},
        {"accepted, answer no", 1, false, "2026-12-31", {"패스워드입력", "정기권 종료일 수정"}},
        {"wrong password", 2, true, "2026-12-31", {"패스워드입력", "비밀번호 오류"}},
        {"cancelled", 3, true, "2026-12-31", {"패스워드입력"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Register r;
        Exec(r.ts.st.Db, "INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 종료일) VALUES ('0000000001', 'a', 'b', '2026-12-31')");
        r.ts.msgs.dialogMAnswers.push_back(c.dialog);
        r.ts.msgs.mboxAnswers.push_back(c.yes);
        Jung_SetAllEndDates(r.ts.st, QDate(2027, 3, 31));
        EXPECT_EQ(r.field("0000000001", "종료일").toString(), c.endDate);
        ASSERT_EQ(r.ts.msgs.shown.size(), c.titles.size());
        for (size_t i = 0; i < c.titles.size(); ++i) EXPECT_EQ(r.ts.msgs.shown[i].title, c.titles[i]);
        if (c.dialog == 1) {
            EXPECT_EQ(r.ts.msgs.shown[1].text, "주의 : 모든 정기권의 종료일을 2027-03-31 로 수정합니다.\r\n계속 하시 겠습니까?");
        }
        if (c.dialog == 2) {
            EXPECT_EQ(r.ts.msgs.shown[1].text, "관리자 비밀번호가 정확하지 않습니다.");
        }
    }
}

TEST(SeasonRegister, ResetAndModes)
{
    Register r;
    Exec(r.ts.st.Db, "INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 입출차구분) VALUES ('0000000001', 'a', 'b', 2)");
    Jung_ResetStates(r.ts.st);
    EXPECT_EQ(r.field("0000000001", "입출차구분").toInt(), 0);

    Jung_SaveModes(r.ts.st, "2", false);
    EXPECT_EQ(r.ts.st.settings.SeasonMode, "2");
    EXPECT_FALSE(r.ts.st.settings.AntiPassBack);
    EXPECT_EQ(Read_Ini(r.ts.st.IniPath, "시스템", "정기권운영", ""), "2");
    EXPECT_EQ(Read_Ini(r.ts.st.IniPath, "시스템", "중복카드무효처리", ""), "FALSE");
    Jung_SaveModes(r.ts.st, "", true); // no mode selected keeps the mode
    EXPECT_EQ(r.ts.st.settings.SeasonMode, "2");
    EXPECT_EQ(Read_Ini(r.ts.st.IniPath, "시스템", "중복카드무효처리", ""), "TRUE");
}

// Season exit 1 of model PET_CARD: the card goes through the reader links.
struct CardReader {
    explicit CardReader(Register& r, bool writes = true)
    {
        r.ts.st.models.SeasonOut1Type = 4;
        auto& l = r.ts.st.exitLinks;
        l.readerWrite = [this, &r, writes](const QString& d) {
            log << "write " + d;
            busyDuringJob = r.ts.st.ReaderBusy;
            savedBeforeWrite = r.ts.count("정기권") > 0;
            return writes;
        };
        l.readerPrint90 = [this](const QString& d) { log << "print " + d; };
        l.readerEject = [this] { log << "eject"; };
    }
    QStringList log;
    bool busyDuringJob = false;
    bool savedBeforeWrite = true;
};

TEST(SeasonRegister, SeasonCardIsWrittenBeforeTheSave)
{
    Register r(4);
    CardReader reader(r);
    r.ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(14, 7, 30)));
    r.fill("1234");
    r.b.Mask[2] = "2026-01-05";
    r.b.Mask[3] = "2026-02-04";
    EXPECT_EQ(r.reg.Save(r.b), SeasonRegister::SaveResult::Saved);
    const QString us = QString(QChar(0x1F)) + "2      ";
    EXPECT_EQ(reader.log, QStringList({"write 0004123412601051407260105260204", "print 23" + us + "일련번호 : 1234",
                                       "print 24" + us + "시작일자 : 2026-01-05",
                                       "print 25" + us + "종료일자 : 2026-02-04", "eject"}));
    EXPECT_TRUE(reader.busyDuringJob);
    EXPECT_FALSE(reader.savedBeforeWrite);
    EXPECT_FALSE(r.ts.st.ReaderBusy);
    ASSERT_EQ(r.ts.msgs.shown.size(), 1u);
    EXPECT_EQ(r.ts.msgs.shown[0].title + "|" + r.ts.msgs.shown[0].text, "정기권 카드 발급|정기권 카드를 삽입하세요.");
}

TEST(SeasonRegister, FailedCardStillSavesAndSaysSo)
{
    const struct { const char* name; std::function<void(ExitLinks&)> breakIt; } cases[] = {
        {"write refused", [](ExitLinks& l) { l.readerWrite = [](const QString&) { return false; }; }},
        {"no reader", [](ExitLinks& l) { l = ExitLinks{}; }},
        {"print throws", [](ExitLinks& l) { l.readerPrint90 = [](const QString&) { throw std::runtime_error("x"); }; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Register r(4);
        CardReader reader(r);
        c.breakIt(r.ts.st.exitLinks);
        r.fill("1234");
        EXPECT_EQ(r.reg.Save(r.b), SeasonRegister::SaveResult::Saved);
        EXPECT_EQ(r.ts.count("정기권"), 1);
        EXPECT_FALSE(r.ts.st.ReaderBusy);
        ASSERT_EQ(r.ts.msgs.shown.size(), 2u);
        EXPECT_EQ(r.ts.msgs.shown[1].title + "|" + r.ts.msgs.shown[1].text, "정기권 카드 발급|정기권 카드 기록 실패");
    }
}

} // namespace
