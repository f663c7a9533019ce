#pragma once

#include "settlement/Report.h"

#include <QDate>

// The administrator's reprint of the statistics of the periods settled in a
// range of days, under "[전체통계]". It only reads.
namespace tolvo {

struct Station;
class SettlementView;

// The settled rows of the range, summed per report line.
struct RangeSnapshot {
    std::vector<DiscountLine> discounts; // merged by 명칭, whatever the kind
    std::vector<HourLine> hours;         // per 시간대, ascending
    BandLines duration, amount;
};
// Throws DbError.
RangeSnapshot Reprint_Snapshot(const QSqlDatabase& db, const QDate& from, const QDate& to);

// The opening cut and the four statistics sections their switches allow;
// no cancellation section and no footer (Report_Footer, read afresh).
std::vector<ReportSection> Reprint_Sections(const RangeSnapshot& r, const ReportSwitches& sw, const QDate& from,
                                            const QDate& to);

inline const QString kReprintDoneStatus = QStringLiteral("완료되었습니다");

// The click of Command2: the range totals on the screen while it runs, the
// reprint, then the open-period totals again. False when nothing was printed
// (no printer, no print options, or an error shown under "자료검색 오류").
bool Jungsan_Command2(Station& st, SettlementView& view, const QDate& from, const QDate& to);

} // namespace tolvo
