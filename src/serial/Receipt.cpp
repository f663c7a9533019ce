#include "serial/Receipt.h"

#include "platform/Cp949.h"
#include "platform/Vb.h"
#include "serial/PrintFrame.h"
#include "core/Station.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <optional>

namespace tolvo {

namespace {

constexpr int BodyWidth = 48;

// Blanks that centre a text of byteLen bytes in width, half to the even
// neighbour; never negative for a text longer than the line.
QString centred(const QString& text, int width)
{
    const double pad = std::nearbyint((width - cp949::byteLength(text)) / 2.0);
    return QString(pad > 0 ? static_cast<int>(pad) : 0, QLatin1Char(' ')) + text;
}

QString won(qint32 v) { return FormatMoney6(v) + QStringLiteral("원"); }

using Fields = QHash<QString, QVariant>;

// The first row of a one-row table, by field name.
std::optional<Fields> firstRow(Station& st, const QString& sql)
{
    QSqlQuery q(st.Db);
    q.setForwardOnly(true);
    if (!q.exec(sql) || !q.next()) return std::nullopt;
    Fields f;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i) f.insert(r.fieldName(i), q.value(i));
    return f;
}

void fillShop(ReceiptData& d, const Fields& opts, const Station& st)
{
    d.Greeting = opts.value(QStringLiteral("종인사문")).toString();
    d.Business = opts.value(QStringLiteral("상호")).toString();
    d.Address = opts.value(QStringLiteral("주소")).toString();
    d.BusinessNo = opts.value(QStringLiteral("사업자번호")).toString();
    d.WorkerName = st.worker.WorkerName;
}

// Releases the print job however the receipt ends.
struct JobRelease {
    Station& st;
    ~JobRelease() { Printer_Release(st); }
};

bool printSwitchOn(const QVariant& v)
{
    if (v.isNull() || !v.isValid()) return true; // a Null switch prints
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d != 0 : v.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

PrintOps Receipt_Layout(const ReceiptData& d)
{
    PrintOps ops{
        PrintLine(QStringLiteral("주차권번호 : ") + d.TicketNo + (d.Lost ? QStringLiteral("(분실권)") : QString())),
        PrintLine(QStringLiteral("입차  일시 : ") + d.InDate + QLatin1Char(' ') + d.InTime),
        PrintLine(QStringLiteral("출차  일시 : ") + d.OutDate + QLatin1Char(' ') + d.OutTime),
        PrintLine(QStringLiteral("주차  시간 : ") + QString::number(d.ParkMinutes) + QStringLiteral("분")),
        PrintLine(QStringLiteral("할인  시간 : ") + QString::number(d.DiscMinutes) + QStringLiteral("분")),
        PrintLine(QStringLiteral("출차  금액 : ") + won(d.TotalFee)),
        PrintLine(QStringLiteral("영수  금액 : ") + won(d.PayAmount)),
        PrintLine(QString()),
        PrintLine(QString()),
        PrintLine(centred(d.Greeting, BodyWidth)),
        PrintCut(0),
    };
    const PrintOps head = ReceiptHead({d.Business, d.Address, d.BusinessNo}, d.WorkerName);
    ops.insert(ops.end(), head.begin(), head.end());
    return ops;
}

void Receipt_Print(Station& st)
{
    const auto opts = firstRow(st, QStringLiteral("SELECT * FROM 인쇄옵션"));
    if (!opts || !printSwitchOn(opts->value(QStringLiteral("영수증인쇄여부")))) return;
    if (!Printer_Open(st)) return;
    JobRelease release{st};
    const ExitTransaction& t = st.trx;
    ReceiptData d;
    d.TicketNo = t.TicketNo;
    d.Lost = t.LostTicket;
    d.InDate = t.InDate;
    d.InTime = t.InTime;
    d.OutDate = t.OutDate;
    d.OutTime = t.OutTime;
    d.ParkMinutes = t.ParkMinutes;
    d.DiscMinutes = t.DiscMinutes;
    d.TotalFee = t.TotalFee;
    d.PayAmount = t.PayAmount;
    fillShop(d, *opts, st);
    Printer_Play(st, Receipt_Layout(d));
}

void Receipt_Reprint(Station& st)
{
    if (!Printer_Open(st)) return;
    JobRelease release{st};
    const auto opts = firstRow(st, QStringLiteral("SELECT * FROM 인쇄옵션"));
    const auto last = firstRow(st, QStringLiteral("SELECT * FROM 임시일반권"));
    if (!opts || !last) return;
    auto text = [&](const char* name) { return last->value(QString::fromUtf8(name)).toString(); };
    auto whole = [&](const char* name) { return last->value(QString::fromUtf8(name)).toInt(); };
    ReceiptData d;
    d.TicketNo = text("티켓번호");
    // Lost tickets are numbered "L" and three digits; the stored copy has no flag.
    d.Lost = d.TicketNo.startsWith(QLatin1Char('L'));
    d.InDate = text("입차일");
    d.InTime = text("입차시간");
    d.OutDate = text("출차일");
    d.OutTime = text("출차시간");
    d.ParkMinutes = whole("총주차시간");
    d.DiscMinutes = whole("할인시간");
    d.TotalFee = whole("총주차요금");
    d.PayAmount = whole("실수령금액");
    fillShop(d, *opts, st);
    Printer_Play(st, Receipt_Layout(d));
}

} // namespace tolvo
