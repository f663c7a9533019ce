#pragma once

#include "serial/Printer.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The frames shared by the settlement report and the record-list printouts:
// byte-width columns, centred large titles, the list heads and totals, the
// receipt head block, and one printer job that is always closed.
namespace tolvo {

struct Station;

// Width of a large line in bytes; titles are centred in it.
inline constexpr int kLargeLineWidth = 24;

// Blanks before a centred title: (24 - bytes) / 2, halves to the even number,
// none for a title as wide as the line or wider.
int CentreBlanks(const QString& text);
QString Centred(const QString& text);
// text followed by blanks up to width bytes of CP949 (nothing cut when longer).
QString LeftIn(const QString& text, int width);
// text preceded by blanks up to width characters (nothing cut when longer).
QString RightIn(const QString& text, int width);
// Money as "##,###,##0": grouped by threes, zero as "0".
QString MoneyText(qint64 won);
// "YYYY년MM월DD일hh시nn분", the print-date stamp of the long frame.
QString PrintStamp(const QDateTime& t);

// The business lines of the receipt head block.
struct ShopText {
    QString business;   // 상호
    QString address;    // 주소
    QString businessNo; // 사업자번호
};
// The first row of 인쇄옵션, or nothing when the table has no row. Throws DbError.
std::optional<ShopText> LoadShopText(Station& st);
// Blank, "[영 수 증]" centred large, blank, the three business lines, the
// worker line and 47 "-". It heads the next printed piece.
PrintOps ReceiptHead(const ShopText& shop, const QString& workerName);

// Head of a long-frame list: [blank,] the centred title (large), blank, the
// print-date line, 40 "-", the header, 40 "-".
PrintOps LongFrameHead(const QString& title, const QString& header, const QDateTime& printedAt, bool leadingBlank);
// Head of a short-frame list: blank, the title as given (large), blank, 40 "=",
// the two header lines, 40 "=".
PrintOps ShortFrameHead(const QString& title, const QString& header1, const QString& header2);

// One exited or cancelled car of a long-frame list.
struct ExitRow {
    QString ticketNo;
    QString inDate, inTime;   // "yyyy-mm-dd", "hh:nn"
    QString outDate, outTime;
    qint64 amount = 0;        // 실수령금액; Null reads 0
};
inline const QString kExitRowHeader = QStringLiteral("번호 입 차 일 시 출 차 일 시   주차요금 ");
// Ticket, month-day and time in and out, the amount right-aligned in 10.
QString ExitRowLine(const ExitRow& r);
// Totals of a long-frame list: blank, "[합         계]", "건수:n 건" and, when
// an amount is given, "금액:total 원", all large.
PrintOps LongFrameTotals(qint64 count, std::optional<qint64> amount);

// The record count label of a list screen, n in plain digits: the bare number
// (issue ledger, expired list, exit cancellations), n + "건" (general tickets,
// season passages), or " 자료건수 : " + n + "건" (refused passages).
enum class CountStyle { Bare, Unit, Prefixed };
QString CountLabel(CountStyle style, qint64 n);

// One printer job: opened by the constructor, closed by the destructor on
// every path (also when opening fails or a line throws).
class PrinterJob {
public:
    explicit PrinterJob(Station& st);
    ~PrinterJob();
    PrinterJob(const PrinterJob&) = delete;
    PrinterJob& operator=(const PrinterJob&) = delete;

    bool ok() const { return m_ok; }
    void play(const PrintOps& ops);

private:
    Station& m_st;
    bool m_ok = false;
};

// A list printout: its body (head, rows, totals) and what an empty list shows.
struct ListPrintout {
    qint64 rows = 0;
    PrintOps body;
    QString emptyCaption = QStringLiteral("프린트 작업");
    QString emptyText = QStringLiteral("레코드가 존재하지 않습니다....");
};
// Everything a list sends: the opening cut, the body, the closing cut, then
// the receipt head block when there is a shop row.
PrintOps ListPrintout_Ops(const PrintOps& body, const std::optional<ShopText>& shop, const QString& workerName);
// Prints a list: the empty-set message and nothing else for an empty list;
// nothing when the printer does not open; the job is always closed.
// True when the list went to the printer.
bool Print_List(Station& st, const ListPrintout& list);

} // namespace tolvo
