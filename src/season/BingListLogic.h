#pragma once

#include "serial/PrintFrame.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <array>
#include <vector>

// The exit-cancellation list: the cancellations whose period ended on a day.
namespace tolvo {

struct Station;

// Grid columns: caption and field, in order.
struct BingColumn {
    const char* caption;
    const char* field;
};
inline constexpr std::array<BingColumn, 12> kBingColumns{{
    {"번 호", "티켓번호"},
    {"입차일", "입차일"},
    {"입차시간", "입차시간"},
    {"출차일", "출차일"},
    {"출차시간", "출차시간"},
    {"주차시간", "총주차시간"},
    {"할인시간", "할인시간"},
    {"주차요금  ", "실수령금액"},
    {"  할인구분", "할인구분"},
    {"근무자명", "근무자명"},
    {"시작일시", "시작일시"},
    {"종료일시", "종료일시"},
}};

// One cancellation: the texts of the grid's columns, and the amount.
struct BingRow {
    std::array<QString, 12> cells;
    qint64 amount = 0; // 실수령금액; Null reads 0
};

// The cancellations whose 종료일시 falls on day, by exit time of day. Throws DbError.
std::vector<BingRow> BingList_Load(const QSqlDatabase& db, const QDate& day);

inline const QString kBingTitle = QStringLiteral("[일반권 출차취소]");
// The long-frame body: head, one exit row per cancellation, count and amount totals.
PrintOps BingList_Body(const std::vector<BingRow>& rows, const QDateTime& printedAt);
// "인쇄": the empty-list message, or the list on the receipt printer.
bool BingList_Print(Station& st, const std::vector<BingRow>& rows);

} // namespace tolvo
