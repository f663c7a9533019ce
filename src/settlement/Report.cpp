#include "settlement/Report.h"

#include "core/Sql.h"

#include <QSqlRecord>

namespace tolvo {

namespace {

const QString kRule46Eq(46, QLatin1Char('='));
const QString kRule46Dash(46, QLatin1Char('-'));

qint64 whole(const QVariant& v) { return v.isNull() ? 0 : v.toLongLong(); }

QString num(qint64 v) { return QString::number(v); }

void append(PrintOps& to, const PrintOps& more) { to.insert(to.end(), more.begin(), more.end()); }

PrintOps totalsBlock(const QString& line)
{
    return {PrintLine(kRule46Dash), PrintLine(line), PrintLine(kRule46Dash)};
}

PrintOps blanks(int n) { return PrintOps(static_cast<size_t>(n), PrintLine(QString())); }

std::vector<DiscountLine> discountRows(const QSqlDatabase& db, int kind, Stamps* stamps)
{
    QSqlQuery q = Query(db, QStringLiteral("SELECT 명칭, 건수, 금액, 시작일시, 종료일시 FROM 할인현황 "
                                           "WHERE (정산여부 = 0) AND (할인종류 = ?) ORDER BY rowid"),
                        {kind});
    std::vector<DiscountLine> out;
    while (q.next()) {
        if (out.empty() && stamps) *stamps = {q.value(3).toString(), q.value(4).toString()};
        out.push_back({q.value(0).toString(), whole(q.value(1)), whole(q.value(2))});
    }
    return out;
}

void bandRow(const QSqlDatabase& db, const QString& table, BandLines& b, Stamps& s)
{
    QStringList cols{QStringLiteral("시작일시"), QStringLiteral("종료일시")};
    for (int k = 1; k <= 10; ++k) cols << QStringLiteral("건수%1").arg(k) << QStringLiteral("금액%1").arg(k);
    QSqlQuery q = Query(db, QStringLiteral("SELECT %1 FROM %2 WHERE 정산여부 = 0 ORDER BY rowid LIMIT 1")
                                .arg(IdList(cols), Id(table)));
    if (!q.next()) return;
    s = {q.value(0).toString(), q.value(1).toString()};
    for (int k = 0; k < 10; ++k) {
        b.count[static_cast<size_t>(k)] = whole(q.value(2 + 2 * k));
        b.money[static_cast<size_t>(k)] = whole(q.value(3 + 2 * k));
    }
}

SectionHead settlementHead(const QString& title, const Stamps& s, const QString& worker, PrintOps after,
                           const QString& columns)
{
    return {title, false, QStringLiteral("영업시작일시 : ") + s.start, QStringLiteral("영업종료일시 : ") + s.end,
            worker, std::move(after), columns};
}

PrintOps couponOps(const std::vector<DiscountLine>& coupons)
{
    PrintOps ops = blanks(2);
    ops.push_back(PrintLine(QStringLiteral("쿠폰 집계"), 1));
    ops.push_back(PrintLine(kRule46Eq));
    ops.push_back(PrintLine(QStringLiteral("쿠폰항목                 건수         ")));
    ops.push_back(PrintLine(kRule46Eq));
    qint64 count = 0;
    for (const DiscountLine& l : coupons) {
        ops.push_back(PrintLine(LeftIn(l.name, 20) + RightIn(num(l.count), 8)));
        count += l.count;
    }
    append(ops, totalsBlock(LeftIn(QStringLiteral("[합   계]"), 20) + RightIn(num(count), 8)));
    return ops;
}

} // namespace

std::optional<ReportOptions> LoadReportOptions(const QSqlDatabase& db)
{
    QSqlQuery q = Query(db, QStringLiteral(
        "SELECT 할인현황인쇄여부, 시간대별인쇄여부, 시간대별전체인쇄여부, 주차시간대별인쇄여부, 금액대별인쇄여부, "
        "출차취소인쇄여부, 시간대별전송, 주차시간대별전송, 금액대별전송, 상호, 주소, 사업자번호 FROM 인쇄옵션"));
    if (!q.next()) return std::nullopt;
    ReportOptions o;
    ReportSwitches& s = o.switches;
    s.discount = ToBool(q.value(0));
    s.hourly = ToBool(q.value(1));
    s.hourlyAll = ToBool(q.value(2));
    s.duration = ToBool(q.value(3));
    s.amount = ToBool(q.value(4));
    s.cancel = ToBool(q.value(5));
    s.sendHourly = ToBool(q.value(6));
    s.sendDuration = ToBool(q.value(7));
    s.sendAmount = ToBool(q.value(8));
    o.shop = {q.value(9).toString(), q.value(10).toString(), q.value(11).toString()};
    return o;
}

PeriodSnapshot Report_Snapshot(const QSqlDatabase& db)
{
    PeriodSnapshot p;
    p.discounts = discountRows(db, 0, &p.discountStamps);
    p.coupons = discountRows(db, 1, nullptr);
    QSqlQuery h = Query(db, QStringLiteral("SELECT 시간대, 일반권입차수, 일반권출차수, 금액, 시작일시, 종료일시 "
                                           "FROM 시간대별 WHERE 정산여부 = 0 ORDER BY 일련번호"));
    while (h.next()) {
        if (p.hours.empty()) p.hourStamps = {h.value(4).toString(), h.value(5).toString()};
        p.hours.push_back({h.value(0).toInt(), whole(h.value(1)), whole(h.value(2)), whole(h.value(3))});
    }
    h.finish();
    bandRow(db, QStringLiteral("주차시간대별"), p.duration, p.durationStamps);
    bandRow(db, QStringLiteral("금액대별"), p.amount, p.amountStamps);
    QSqlQuery c = Query(db, QStringLiteral("SELECT 티켓번호, 입차일, 입차시간, 출차일, 출차시간, 실수령금액 "
                                           "FROM 출차취소 WHERE 정산구분 = 0 ORDER BY rowid"));
    while (c.next())
        p.cancels.push_back({c.value(0).toString(), c.value(1).toString(), c.value(2).toString(),
                             c.value(3).toString(), c.value(4).toString(), whole(c.value(5))});
    return p;
}

QString DiscountColumns() { return QStringLiteral("할인항목                 건수         금액"); }
QString HourlyColumns() { return QStringLiteral("    시 간 대       입차    출차       금  액 "); }
QString BandColumns(bool amountBands)
{
    return amountBands ? QStringLiteral("    금  액   대         건  수          금  액 ")
                       : QStringLiteral("    주차 시간대       건  수          금  액 ");
}

QString BandLabel(int band, bool amountBands)
{
    static const char* const duration[10] = {"[00:00 - 00:09]", "[00:10 - 00:19]", "[00:20 - 00:29]",
                                             "[00:30 - 00:59]", "[01:00 - 01:59]", "[02:00 - 02:59]",
                                             "[03:00 - 03:59]", "[04:00 - 04:59]", "[05:00 - 23:59]",
                                             "[24:00 -      ]"};
    static const char* const amount[10] = {"[ 무 료 차 량 ]", "[1000원 이하  ]", "[2000원 이하  ]",
                                           "[3000원 이하  ]", "[4000원 이하  ]", "[5000원 이하  ]",
                                           "[10000원 이하 ]", "[20000원 이하 ]", "[30000원 이하 ]",
                                           "[40000원 이상 ]"};
    if (band < 1 || band > 10) return {};
    return QString::fromUtf8((amountBands ? amount : duration)[band - 1]);
}

PrintOps SectionHeadOps(const SectionHead& h)
{
    PrintOps ops{PrintLine(QString()), PrintLine(Centred(h.title), 1)};
    if (h.overall) ops.push_back(PrintLine(Centred(QStringLiteral("[전체통계]")), 1));
    ops.push_back(PrintLine(QString()));
    ops.push_back(PrintLine(h.startLine));
    ops.push_back(PrintLine(h.endLine));
    ops.push_back(PrintLine(QStringLiteral("담당자 : ") + h.worker));
    append(ops, h.afterWorker);
    ops.push_back(PrintLine(kRule46Eq));
    ops.push_back(PrintLine(h.columns));
    ops.push_back(PrintLine(kRule46Eq));
    return ops;
}

PrintOps DiscountLinesOps(const std::vector<DiscountLine>& lines)
{
    PrintOps ops;
    qint64 count = 0, money = 0;
    for (const DiscountLine& l : lines) {
        ops.push_back(PrintLine(LeftIn(l.name, 20) + RightIn(num(l.count), 8) + RightIn(MoneyText(l.money), 18)));
        count += l.count;
        money += l.money;
    }
    append(ops, totalsBlock(LeftIn(QStringLiteral("[합   계]"), 20) + RightIn(num(count), 8) +
                            RightIn(MoneyText(money), 18)));
    return ops;
}

PrintOps HourLinesOps(const std::vector<HourLine>& lines, bool printEmptyHours)
{
    PrintOps ops;
    qint64 in = 0, out = 0, money = 0;
    for (const HourLine& l : lines) {
        if (l.money == 0 && l.in == 0 && l.out == 0 && !printEmptyHours) continue;
        const QString hh = QStringLiteral("%1").arg(l.hour, 2, 10, QLatin1Char('0'));
        ops.push_back(PrintLine(QStringLiteral("[") + hh + QStringLiteral(":00 - ") + hh + QStringLiteral(":59]") +
                                RightIn(num(l.in), 8) + RightIn(num(l.out), 8) + RightIn(MoneyText(l.money), 13)));
        in += l.in;
        out += l.out;
        money += l.money;
    }
    append(ops, totalsBlock(QStringLiteral("[  합     계  ]") + RightIn(num(in), 8) + RightIn(num(out), 8) +
                            RightIn(MoneyText(money), 13)));
    return ops;
}

PrintOps BandLinesOps(const BandLines& b, bool amountBands)
{
    PrintOps ops;
    qint64 count = 0, money = 0;
    for (size_t k = 0; k < 10; ++k) {
        ops.push_back(PrintLine(BandLabel(static_cast<int>(k) + 1, amountBands) + RightIn(num(b.count[k]), 13) +
                                RightIn(MoneyText(b.money[k]), 18)));
        count += b.count[k];
        money += b.money[k];
    }
    append(ops, totalsBlock(QStringLiteral("[합         계]") + RightIn(num(count), 13) + RightIn(MoneyText(money), 18)));
    return ops;
}

std::vector<ReportSection> Report_Sections(const PeriodSnapshot& p, const ReportSwitches& sw, const ReportContext& c)
{
    std::vector<ReportSection> out{{QString(), {PrintCut(0)}}};
    if (sw.discount) {
        ReportSection s;
        if (!p.discounts.empty()) {
            s.status = kDiscountStatus;
            PrintOps after = blanks(2);
            after.push_back(PrintLine(QStringLiteral("입차열림건수 : ") + num(c.inOpen)));
            after.push_back(PrintLine(QStringLiteral("출차열림건수 : ") + num(c.outOpen)));
            append(after, blanks(2));
            s.ops = SectionHeadOps(settlementHead(kDiscountTitle, p.discountStamps, c.workerName, after,
                                                  DiscountColumns()));
            append(s.ops, DiscountLinesOps(p.discounts));
        }
        if (!p.coupons.empty()) append(s.ops, couponOps(p.coupons));
        s.ops.push_back(PrintCut(0));
        out.push_back(std::move(s));
    }
    if (sw.hourly) {
        ReportSection s{kHourlyStatus, SectionHeadOps(settlementHead(kHourlyTitle, p.hourStamps, c.workerName,
                                                                     blanks(2), HourlyColumns()))};
        append(s.ops, HourLinesOps(p.hours, sw.hourlyAll));
        s.ops.push_back(PrintCut(0));
        out.push_back(std::move(s));
    }
    const auto band = [&](const QString& status, const QString& title, const Stamps& st, const BandLines& b,
                          bool amountBands) {
        ReportSection s{status, SectionHeadOps(settlementHead(title, st, c.workerName, blanks(1),
                                                              BandColumns(amountBands)))};
        append(s.ops, BandLinesOps(b, amountBands));
        s.ops.push_back(PrintCut(0));
        out.push_back(std::move(s));
    };
    if (sw.duration) band(kDurationStatus, kDurationTitle, p.durationStamps, p.duration, false);
    if (sw.amount) band(kAmountStatus, kAmountTitle, p.amountStamps, p.amount, true);
    if (sw.cancel && c.keepRecords && !p.cancels.empty()) {
        ReportSection s{QString(), LongFrameHead(kCancelTitle, kExitRowHeader, c.now, true)};
        qint64 total = 0;
        for (const ExitRow& r : p.cancels) {
            s.ops.push_back(PrintLine(ExitRowLine(r)));
            total += r.amount;
        }
        append(s.ops, LongFrameTotals(static_cast<qint64>(p.cancels.size()), total));
        s.ops.push_back(PrintCut(0));
        out.push_back(std::move(s));
    }
    return out;
}

PrintOps Report_Footer(const ShopText& shop, const QString& workerName) { return ReceiptHead(shop, workerName); }

} // namespace tolvo
