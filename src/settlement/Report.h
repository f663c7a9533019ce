#pragma once

#include "serial/PrintFrame.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>
#include <vector>

// The settlement report: its sections built as print operations from one
// snapshot of the period, so the layout is tested without a printer. The
// reprint of settled periods builds the same sections with its own head.
namespace tolvo {

// The switches of 인쇄옵션 (a Null switch reads off).
struct ReportSwitches {
    bool discount = false;   // 할인현황인쇄여부
    bool hourly = false;     // 시간대별인쇄여부
    bool hourlyAll = false;  // 시간대별전체인쇄여부
    bool duration = false;   // 주차시간대별인쇄여부
    bool amount = false;     // 금액대별인쇄여부
    bool cancel = false;     // 출차취소인쇄여부
    bool sendHourly = false;   // 시간대별전송
    bool sendDuration = false; // 주차시간대별전송
    bool sendAmount = false;   // 금액대별전송
};
struct ReportOptions {
    ReportSwitches switches;
    ShopText shop;
};
// The row of 인쇄옵션; nothing when the table has none. Throws DbError.
std::optional<ReportOptions> LoadReportOptions(const QSqlDatabase& db);

struct DiscountLine {
    QString name;
    qint64 count = 0;
    qint64 money = 0;
};
struct HourLine {
    int hour = 0;
    qint64 in = 0;  // 일반권입차수
    qint64 out = 0; // 일반권출차수
    qint64 money = 0;
};
struct BandLines {
    std::array<qint64, 10> count{};
    std::array<qint64, 10> money{};
};
// Period stamps of a section's first row.
struct Stamps {
    QString start, end;
};

// The open rows of the period, read at one moment.
struct PeriodSnapshot {
    std::vector<DiscountLine> discounts; // 할인종류 0
    std::vector<DiscountLine> coupons;   // 할인종류 1
    Stamps discountStamps;
    std::vector<HourLine> hours;         // by 일련번호
    Stamps hourStamps;
    BandLines duration, amount;
    Stamps durationStamps, amountStamps;
    std::vector<ExitRow> cancels;        // open 출차취소 rows
};
// Reads the open rows. Throws DbError.
PeriodSnapshot Report_Snapshot(const QSqlDatabase& db);

// What the report prints besides the rows.
struct ReportContext {
    QString workerName;
    qint64 inOpen = 0;  // manual entry-barrier openings
    qint64 outOpen = 0; // manual exit-barrier openings
    bool keepRecords = false;
    QDateTime now;
};

// One printed piece and the status line shown while it prints (empty: none).
struct ReportSection {
    QString status;
    PrintOps ops;
};
// The opening cut, then each section its switch allows, each ending with a
// cut. The footer is not included: it is read afresh (Report_Footer).
std::vector<ReportSection> Report_Sections(const PeriodSnapshot& p, const ReportSwitches& sw, const ReportContext& c);
// The footer: the receipt head block, not cut.
PrintOps Report_Footer(const ShopText& shop, const QString& workerName);

// Section titles.
inline const QString kDiscountTitle = QStringLiteral("[할인항목별 출차현황]");
inline const QString kHourlyTitle = QStringLiteral("[시간대별 출차현황]");
inline const QString kDurationTitle = QStringLiteral("[주차시간대별 출차현황]");
inline const QString kAmountTitle = QStringLiteral("[금액대별 출차현황]");
inline const QString kCancelTitle = QStringLiteral("[일반권 출차취소]");

// Status texts while a section prints.
inline const QString kDiscountStatus = QStringLiteral("할인현황 인쇄중 입니다.....");
inline const QString kHourlyStatus = QStringLiteral("시간대별 인쇄중 입니다.....");
inline const QString kDurationStatus = QStringLiteral("주차시간대별 인쇄중 입니다.....");
inline const QString kAmountStatus = QStringLiteral("금액대별 인쇄중 입니다.....");

// Building blocks shared with the reprint.
struct SectionHead {
    QString title;
    bool overall = false;   // the "[전체통계]" line under the title
    QString startLine;      // "영업시작일시 : ..." or "영업시작일 : ..."
    QString endLine;
    QString worker;
    PrintOps afterWorker;   // blank lines (and the gate-open counts)
    QString columns;        // the column header
};
PrintOps SectionHeadOps(const SectionHead& h);
PrintOps DiscountLinesOps(const std::vector<DiscountLine>& lines);
// Lines of the hours that print, then the totals over those hours.
PrintOps HourLinesOps(const std::vector<HourLine>& lines, bool printEmptyHours);
// The ten band lines and their totals; duration labels or amount labels.
PrintOps BandLinesOps(const BandLines& b, bool amountBands);
QString HourlyColumns();
QString DiscountColumns();
QString BandColumns(bool amountBands);
QString BandLabel(int band, bool amountBands); // band 1..10

} // namespace tolvo
