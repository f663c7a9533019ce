#include "equipment/TicketCard.h"

#include "platform/Vb.h"

#include <QDate>
#include <algorithm>

namespace tolvo {

namespace {

struct CodeMessage {
    const char* codes[2];
    const char* text;
};

// Negative replies and the initialisation, as the reader names the commands.
const CodeMessage kMessages[] = {
    {{"P00", "P01"}, "리더기(ZP-2000)가 초기화 되었습니다."},
    {{"N00", "N01"}, "리더기(ZP-2000) 초기화 명령 실패"},
    {{"N10", "N11"}, "리더기(ZP-2000) 상태 명령 실패"},
    {{"N20", "N21"}, "리더기(ZP-2000) ENTRY 명령 실패"},
    {{"N30", nullptr}, "리더기(ZP-2000) EJECT 명령 실패"},
    {{"N60", "N61"}, "리더기(ZP-2000) READ 명령 실패"},
    {{"N70", nullptr}, "리더기(ZP-2000) WRITE 명령 실패"},
    {{"N90", "N91"}, "리더기(ZP-2000) PRINT 명령 실패"},
    {{"NH0", "NH1"}, "리더기(ZP-2000) HEATING 명령 실패"},
};

const char* const kUnreadable = "주차권을 인식할 수 없습니다.....";

bool allDigits(const QString& s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Reply characters from position `from` (counted from 1).
QString at(const QString& reply, int from, int width) { return reply.mid(from - 1, width); }

// Unpaid card: a numeric number and a real entry stamp, else unreadable.
TicketCardData unpaid(const QString& no, const QString& stamp)
{
    TicketCardData c;
    if (!allDigits(no) || !IsRealStamp(stamp)) {
        c.refusal = QString::fromUtf8(kUnreadable);
        return c;
    }
    c.kind = TicketCardData::Kind::Unpaid;
    c.ticketNo = no;
    c.inStamp = stamp;
    return c;
}

// Paid card: shown as it stands.
TicketCardData paid(const QString& no, const QString& other, const QString& exit)
{
    TicketCardData c;
    c.kind = TicketCardData::Kind::Paid;
    c.ticketNo = no;
    c.inStamp = other;
    c.outStamp = exit;
    return c;
}

TicketCardData refused(const QString& reply, int otherLen1, int otherLen2, const char* otherFamily)
{
    TicketCardData c;
    const bool other = reply.size() == otherLen1 || reply.size() == otherLen2;
    c.refusal = QString::fromUtf8(other ? otherFamily : kUnreadable);
    return c;
}

} // namespace

ReaderReply JudgeReaderReply(const QString& reply, bool recycledParser)
{
    ReaderReply r;
    r.result = reply.startsWith(QLatin1Char('P')) ? 1 : 2;
    const QString code = reply.left(3);
    r.ticketData = code == QLatin1String("P60") || code == QLatin1String("P61");
    for (const CodeMessage& m : kMessages)
        for (const char* c : m.codes)
            if (c && code == QLatin1String(c)) r.message = QString::fromUtf8(m.text);
    if (recycledParser && code == QLatin1String("N96")) r.message = QStringLiteral("리더기(ZP-2000) PRINT 명령 실패");
    return r;
}

TicketCardData ReadPaperReply(const QString& reply)
{
    if (reply.size() == 36 && at(reply, 9, 1) == QLatin1String("4")) {
        TicketCardData c;
        c.kind = TicketCardData::Kind::Season;
        c.ticketNo = at(reply, 10, 4);
        c.seasonNo = QStringLiteral("000000") + c.ticketNo;
        c.passFlag = reply.at(13);
        c.rewrite = at(reply, 6, 8) + QStringLiteral("0") + at(reply, 15, 22);
        return c;
    }
    if (reply.size() == 24) return unpaid(at(reply, 10, 4), at(reply, 15, 10));
    if (reply.size() == 34) return paid(at(reply, 10, 4), at(reply, 15, 10), at(reply, 25, 10));
    return refused(reply, 26, 36, "재활용 주차권으로 추정됩니다 포트설정의 발행기설정 상태를 확인하세요");
}

TicketCardData ReadRecycledReply(const QString& reply)
{
    if (reply.size() == 26) return unpaid(at(reply, 12, 4), at(reply, 17, 10));
    if (reply.size() == 36) return paid(at(reply, 12, 4), at(reply, 17, 10), at(reply, 27, 10));
    return refused(reply, 24, 34, "종이식 주차권으로 추정됩니다 포트설정의 발행기설정 상태를 확인하세요");
}

qint16 RecycledPrintRow(const QString& reply)
{
    // Two characters: at most 99, never below -9.
    return qint16(Val(at(reply, 6, 2)));
}

bool IsRealStamp(const QString& s)
{
    if (s.size() != 10 || !allDigits(s)) return false;
    const int yy = s.mid(0, 2).toInt(), mm = s.mid(2, 2).toInt(), dd = s.mid(4, 2).toInt();
    const int hh = s.mid(6, 2).toInt(), nn = s.mid(8, 2).toInt();
    return QDate::isValid(2000 + yy, mm, dd) && hh < 24 && nn < 60;
}

QString StampShown(const QString& s)
{
    return QStringLiteral("20") + s.mid(0, 2) + QLatin1Char('-') + s.mid(2, 2) + QLatin1Char('-') + s.mid(4, 2) +
           QLatin1Char(' ') + s.mid(6, 2) + QLatin1Char(':') + s.mid(8, 2);
}

QString CardTicketData(const QString& ticketNo, const QString& yymmddhhnn)
{
    return ticketNo + QStringLiteral("20") + yymmddhhnn;
}

} // namespace tolvo
