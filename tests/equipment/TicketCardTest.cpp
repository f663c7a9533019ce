// The ticket's data block as the reader returns it, the reply codes, and the
// exit records written back onto tickets.

#include "core/TicketStamp.h"
#include "equipment/TicketCard.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <span>

using namespace tolvo;

namespace {

using Kind = TicketCardData::Kind;

const char* const kUnreadable = "주차권을 인식할 수 없습니다.....";
const char* const kRecycledHint = "재활용 주차권으로 추정됩니다 포트설정의 발행기설정 상태를 확인하세요";
const char* const kPaperHint = "종이식 주차권으로 추정됩니다 포트설정의 발행기설정 상태를 확인하세요";

struct CardRow {
    const char* name;
    const char* reply;
    Kind kind;
    const char* ticketNo;
    const char* inStamp;
    const char* outStamp;
    const char* refusal;
};

// Replies written out by field: code, two characters, then the card.
const CardRow kPaperRows[] = {
    {"unpaid", "P61" "00" "0001" "0123" "1" "2601050730", Kind::Unpaid, "0123", "2601050730", "", ""},
    {"unpaid leap day", "P61" "00" "0001" "0123" "1" "2402292359", Kind::Unpaid, "0123", "2402292359", "", ""},
    {"23 characters", "P61" "00" "0001" "0123" "1" "260105073", Kind::Unreadable, "", "", "", kUnreadable},
    {"number not numeric", "P61" "00" "0001" "0A23" "1" "2601050730", Kind::Unreadable, "", "", "", kUnreadable},
    {"number with a blank", "P61" "00" "0001" "01 3" "1" "2601050730", Kind::Unreadable, "", "", "", kUnreadable},
    {"month 13", "P61" "00" "0001" "0123" "1" "2613050730", Kind::Unreadable, "", "", "", kUnreadable},
    {"25:61", "P61" "00" "0001" "0123" "1" "2601052561", Kind::Unreadable, "", "", "", kUnreadable},
    {"no 29 February", "P61" "00" "0001" "0123" "1" "2302290730", Kind::Unreadable, "", "", "", kUnreadable},
    {"paid", "P61" "00" "0008" "0123" "0" "2601050930" "2601050930", Kind::Paid, "0123", "2601050930",
     "2601050930", ""},
    {"paid stamps shown as they are", "P61" "00" "0008" "ab12" "0" "99999999xx" "99999999yy", Kind::Paid, "ab12",
     "99999999xx", "99999999yy", ""},
    {"33 characters", "P61" "00" "0008" "0123" "0" "2601050930" "260105093", Kind::Unreadable, "", "", "",
     kUnreadable},
    {"recycled unpaid", "P60" "00" "05" "0001" "0123" "1" "2601050730", Kind::Unreadable, "", "", "",
     kRecycledHint},
    {"recycled paid", "P60" "00" "55" "0008" "0123" "0" "2601050730" "2601050930", Kind::Unreadable, "", "", "",
     kRecycledHint},
    {"empty card", "P61", Kind::Unreadable, "", "", "", kUnreadable},
};

void CheckReplies(TicketCardData (*read)(const QString&), const CardRow* rows, size_t n)
{
    for (const CardRow& r : std::span(rows, n)) {
        SCOPED_TRACE(r.name);
        const TicketCardData c = read(QString::fromUtf8(r.reply));
        EXPECT_EQ(int(c.kind), int(r.kind));
        EXPECT_EQ(c.refusal, QString::fromUtf8(r.refusal));
        if (r.kind == Kind::Unreadable) continue;
        EXPECT_EQ(c.ticketNo + u'|' + c.inStamp + u'|' + c.outStamp,
                  QString::fromUtf8(r.ticketNo) + u'|' + QString::fromUtf8(r.inStamp) + u'|' + QString::fromUtf8(r.outStamp));
    }
}

const CardRow kRecycledRows[] = {
    {"unpaid", "P60" "00" "05" "0001" "0123" "1" "2601050730", Kind::Unpaid, "0123", "2601050730", "", ""},
    {"unpaid, month 00", "P60" "00" "05" "0001" "0123" "1" "2600050730", Kind::Unreadable, "", "", "",
     kUnreadable},
    {"unpaid, 24:00", "P60" "00" "05" "0001" "0123" "1" "2601052400", Kind::Unreadable, "", "", "", kUnreadable},
    {"number not numeric", "P60" "00" "05" "0001" "01-3" "1" "2601050730", Kind::Unreadable, "", "", "",
     kUnreadable},
    {"paid", "P60" "00" "55" "0008" "0123" "0" "2601050730" "2601050930", Kind::Paid, "0123", "2601050730",
     "2601050930", ""},
    // A season card is only a paid ticket here.
    {"season card seen as paid", "P61" "00" "0004" "1234" "1" "2601010800" "260101" "261231", Kind::Paid, "3412",
     "0101080026", "0101261231", ""},
    {"paper unpaid", "P61" "00" "0001" "0123" "1" "2601050730", Kind::Unreadable, "", "", "", kPaperHint},
    {"paper paid", "P61" "00" "0008" "0123" "0" "2601050930" "2601050930", Kind::Unreadable, "", "", "",
     kPaperHint},
    {"25 characters", "P60" "00" "05" "0001" "0123" "1" "260105073", Kind::Unreadable, "", "", "", kUnreadable},
};

TEST(TicketCard, PaperAndRecycledReplies)
{
    CheckReplies(ReadPaperReply, kPaperRows, std::size(kPaperRows));
    CheckReplies(ReadRecycledReply, kRecycledRows, std::size(kRecycledRows));
}

TEST(TicketCard, SeasonCardOnAPaperInstallation)
{
    const struct { const char* name; const char* reply; QChar flag; const char* rewrite; } rows[] = {
        {"as issued", "P61" "00" "0004" "1234" "1" "2601010800" "260101" "261231", u'1',
         "0004" "1234" "0" "2601010800" "260101" "261231"},
        {"after an exit", "P61" "00" "0004" "1234" "0" "2601010800" "260101" "261231", u'0',
         "0004" "1234" "0" "2601010800" "260101" "261231"},
        {"any other flag", "P61" "00" "0004" "1234" "7" "2601010800" "260101" "261231", u'7',
         "0004" "1234" "0" "2601010800" "260101" "261231"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const TicketCardData c = ReadPaperReply(QString::fromUtf8(r.reply));
        ASSERT_EQ(int(c.kind), int(Kind::Season));
        EXPECT_EQ(c.ticketNo, QStringLiteral("1234"));
        EXPECT_EQ(c.seasonNo, QStringLiteral("0000001234"));
        EXPECT_EQ(c.passFlag, r.flag);
        EXPECT_EQ(c.rewrite, QString::fromUtf8(r.rewrite));
        EXPECT_EQ(c.rewrite.size(), 31);
    }
}

TEST(TicketCard, RecycledPrintRow)
{
    const struct { const char* reply; qint16 row; } rows[] = {
        {"P60" "00" "05" "0001", 5}, {"P60" "00" "55" "0008", 55}, {"P60" "00" "00" "0001", 0},
        {"P60" "00" "ab", 0}, {"P6000", 0},
    };
    for (const auto& r : rows) EXPECT_EQ(RecycledPrintRow(QString::fromUtf8(r.reply)), r.row) << r.reply;
}

TEST(TicketCard, ReplyCodes)
{
    // codes: replies judged alike; N96 is known to the recycled parser only.
    const struct { const char* codes; quint8 result; bool ticketData; const char* message; } rows[] = {
        {"P00 P01", 1, false, "리더기(ZP-2000)가 초기화 되었습니다."},
        {"N00 N01", 2, false, "리더기(ZP-2000) 초기화 명령 실패"},
        {"N10 N11", 2, false, "리더기(ZP-2000) 상태 명령 실패"},
        {"N20 N21", 2, false, "리더기(ZP-2000) ENTRY 명령 실패"},
        {"N30", 2, false, "리더기(ZP-2000) EJECT 명령 실패"},
        {"N60 N61", 2, false, "리더기(ZP-2000) READ 명령 실패"},
        {"N70", 2, false, "리더기(ZP-2000) WRITE 명령 실패"},
        {"N90 N91", 2, false, "리더기(ZP-2000) PRINT 명령 실패"},
        {"NH0 NH1", 2, false, "리더기(ZP-2000) HEATING 명령 실패"},
        {"N96", 2, false, "리더기(ZP-2000) PRINT 명령 실패"},
        {"P60 P61", 1, true, ""},
        {"P10 P30 P42 P70 P96 PH1", 1, false, ""},
        {"N44 N31 X99 ", 2, false, ""}, // the last one is an empty reply
    };
    for (const auto& r : rows) {
        for (const QString& code : QString::fromUtf8(r.codes).split(u' ')) {
            SCOPED_TRACE(code.toStdString());
            const ReaderReply p = JudgeReaderReply(code + QStringLiteral("00"), false);
            EXPECT_EQ(p.result, r.result);
            EXPECT_EQ(p.ticketData, r.ticketData);
            EXPECT_EQ(p.message, code == u"N96" ? QString() : QString::fromUtf8(r.message));
            EXPECT_EQ(JudgeReaderReply(code + QStringLiteral("00"), true).message, QString::fromUtf8(r.message));
        }
    }
}

TEST(TicketStamp, ExitRecords)
{
    const struct { const char* name; qint16 row; const char* data; } recycled[] = {
        {"first exit", 0, "050008012302601050730" "2601050930"},
        {"row 5", 5, "100008012302601050730" "2601050930"},
        {"row 50", 50, "550008012302601050730" "2601050930"},
        {"row 54", 54, "590008012302601050730" "2601050930"},
        {"wraps at 55", 55, "000008012302601050730" "2601050930"},
        {"beyond 55", 60, "000008012302601050730" "2601050930"},
    };
    for (const auto& r : recycled) {
        SCOPED_TRACE(r.name);
        const QString d = RecycleStampData(r.row, QStringLiteral("0123202601050730"), QStringLiteral("2026-01-05"),
                                           QStringLiteral("09:30"));
        EXPECT_EQ(d, QString::fromUtf8(r.data));
        EXPECT_EQ(d.size(), 31);
    }
    const QString paper = PaperStampData(QStringLiteral("0123202601050730"), QStringLiteral("2601050931"),
                                         QStringLiteral("2026-01-05"), QStringLiteral("09:30"));
    EXPECT_EQ(paper, QStringLiteral("000801230" "2601050931" "2601050930"));
    EXPECT_EQ(paper.size(), 29);
    // The paid ticket reads back as paid with its exit time.
    const TicketCardData back = ReadPaperReply(QStringLiteral("P6100") + paper);
    EXPECT_EQ(int(back.kind), int(Kind::Paid));
    EXPECT_EQ(back.outStamp, QStringLiteral("2601050930"));
}

} // namespace
