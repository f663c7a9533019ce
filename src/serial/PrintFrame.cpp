#include "serial/PrintFrame.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "platform/Cp949.h"
#include "platform/Vb.h"

#include <QSqlRecord>
#include <cmath>

namespace tolvo {

namespace {

QString blanks(int n) { return QString(n > 0 ? n : 0, QLatin1Char(' ')); }

} // namespace

int CentreBlanks(const QString& text)
{
    const double half = (kLargeLineWidth - cp949::byteLength(text)) / 2.0;
    const double b = std::nearbyint(half); // the default rounding mode ties to even
    return b > 0 ? static_cast<int>(b) : 0;
}

QString Centred(const QString& text) { return blanks(CentreBlanks(text)) + text; }

QString LeftIn(const QString& text, int width) { return text + blanks(width - cp949::byteLength(text)); }

QString RightIn(const QString& text, int width) { return blanks(width - cp949::byteLength(text)) + text; }

QString MoneyText(qint64 won) { return FormatMoney(won); }

QString PrintStamp(const QDateTime& t) { return t.toString(QStringLiteral("yyyy년MM월dd일HH시mm분")); }

std::optional<ShopText> LoadShopText(Station& st)
{
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT 상호, 주소, 사업자번호 FROM 인쇄옵션"));
    if (!q.next()) return std::nullopt;
    return ShopText{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

PrintOps ReceiptHead(const ShopText& shop, const QString& workerName)
{
    return {
        PrintLine(QString()),
        PrintLine(Centred(QStringLiteral("[영 수 증]")), 1),
        PrintLine(QString()),
        PrintLine(QStringLiteral("상      호 : ") + shop.business),
        PrintLine(QStringLiteral("주      소 : ") + shop.address),
        PrintLine(QStringLiteral("사업자번호 : ") + shop.businessNo),
        PrintLine(QStringLiteral("근 무 자   : ") + workerName),
        PrintLine(QString(47, QLatin1Char('-'))),
    };
}

PrintOps LongFrameHead(const QString& title, const QString& header, const QDateTime& printedAt, bool leadingBlank)
{
    const QString rule(40, QLatin1Char('-'));
    PrintOps ops;
    if (leadingBlank) ops.push_back(PrintLine(QString()));
    ops.push_back(PrintLine(Centred(title), 1));
    ops.push_back(PrintLine(QString()));
    ops.push_back(PrintLine(QStringLiteral("       인쇄일시 : ") + PrintStamp(printedAt)));
    ops.push_back(PrintLine(rule));
    ops.push_back(PrintLine(header));
    ops.push_back(PrintLine(rule));
    return ops;
}

PrintOps ShortFrameHead(const QString& title, const QString& header1, const QString& header2)
{
    const QString rule(40, QLatin1Char('='));
    return {PrintLine(QString()), PrintLine(title, 1), PrintLine(QString()), PrintLine(rule),
            PrintLine(header1),   PrintLine(header2),  PrintLine(rule)};
}

QString ExitRowLine(const ExitRow& r)
{
    const QChar sp(QLatin1Char(' '));
    return r.ticketNo + sp + r.inDate.mid(5, 5) + sp + r.inTime + sp + r.outDate.mid(5, 5) + sp + r.outTime + sp +
           RightIn(MoneyText(r.amount), 10);
}

PrintOps LongFrameTotals(qint64 count, std::optional<qint64> amount)
{
    PrintOps ops{PrintLine(QString()), PrintLine(QStringLiteral("[합         계]"), 1),
                 PrintLine(QStringLiteral("건수:") + QString::number(count) + QStringLiteral(" 건"), 1)};
    if (amount) ops.push_back(PrintLine(QStringLiteral("금액:") + MoneyText(*amount) + QStringLiteral(" 원"), 1));
    return ops;
}

QString CountLabel(CountStyle style, qint64 n)
{
    const QString digits = QString::number(n);
    switch (style) {
    case CountStyle::Unit: return digits + QStringLiteral("건");
    case CountStyle::Prefixed: return QStringLiteral(" 자료건수 : ") + digits + QStringLiteral("건");
    case CountStyle::Bare: break;
    }
    return digits;
}

PrinterJob::PrinterJob(Station& st) : m_st(st) { m_ok = Printer_Open(st); }

PrinterJob::~PrinterJob() { Printer_Release(m_st); }

void PrinterJob::play(const PrintOps& ops)
{
    if (m_ok) Printer_Play(m_st, ops);
}

PrintOps ListPrintout_Ops(const PrintOps& body, const std::optional<ShopText>& shop, const QString& workerName)
{
    PrintOps ops{PrintCut(0)};
    ops.insert(ops.end(), body.begin(), body.end());
    ops.push_back(PrintCut(0));
    if (shop) {
        const PrintOps head = ReceiptHead(*shop, workerName);
        ops.insert(ops.end(), head.begin(), head.end());
    }
    return ops;
}

bool Print_List(Station& st, const ListPrintout& list)
{
    if (list.rows <= 0) {
        st.msgs.Msg_Box(list.emptyText, list.emptyCaption);
        return false;
    }
    PrinterJob job(st);
    if (!job.ok()) return false;
    job.play(ListPrintout_Ops(list.body, LoadShopText(st), st.worker.WorkerName));
    return true;
}

} // namespace tolvo
