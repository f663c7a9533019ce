#pragma once

#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>

namespace tolvo {

struct Station;
class MainScreen;

// The maker's access code: logs in as the administrator, shows the engineer
// menus and is taken wherever the administrator's password is asked.
inline const QString kMakerCode = QStringLiteral("QMRTX7");

// One row of 근무자관리 as the login and the rights use it.
struct WorkerRow {
    quint8 code = 0;
    QString name;
    QString password;
    std::array<bool, 6> rights{}; // 권한1 .. 권한6
};

// A main-menu item bound to a right (1..6), in the order the rights are set.
struct RightsItem {
    const char* menu;
    const char* caption;
    int right;
};
inline constexpr std::array<RightsItem, 19> kRightsItems{{
    {"Mnu1", "영업마감", 2},
    {"Mnu2", "정기권관리", 1},
    {"MnuSearch", "자료검색", 3},
    {"Mnu3", "일반권 입출차 현황", 3},
    {"Mnu4", "정기권 입출차 현황", 3},
    {"Mnu5", "정기권 부정입출 현황", 3},
    {"Mnu6", "시스템설정", 4},
    {"MnuFee", "요금테이블", 4},
    {"MnuPort", "Comm 포트설정", 4},
    {"MnuDisc", "할인 및 기능키 설정", 4},
    {"MnuWork", "근무자및 화면설정", 4},
    {"MnuEtc", "인쇄옵션 설정", 4},
    {"MnuSysBackUp", "시스템설정 백업", 4},
    {"MnuSysRestore", "시스템설정 복구", 4},
    {"MnuJungBackUp", "정기권자료 백업", 4},
    {"MnuJungRestore", "정기권자료 복구", 4},
    {"MnuData", "데이터베이스관리", 4},
    {"Mnu_Td", "장비설정", 5},
    {"Mnu8", "종료", 6},
}};

// Worker lookups; the first row wins when several match. Values are bound. Throw DbError.
std::optional<WorkerRow> FindWorkerByPassword(const QSqlDatabase& db, const QString& password);
std::optional<WorkerRow> FindWorkerByName(const QSqlDatabase& db, const QString& name);
std::optional<WorkerRow> FindWorkerByCode(const QSqlDatabase& db, int code);

// Sets the 19 items from six rights and remembers them as the rights last applied.
void SetMenuRights(Station& st, const std::array<bool, 6>& rights);

// False: all 19 items off (a ticket is on screen). True: the current worker's
// rights again, found by name; when the name is no longer found, the rights
// last applied come back (never everything).
void Apply_WorkerRights(Station& st, bool enable);

// The engineer menus of maker mode: visible and enabled, or hidden and disabled.
void ShowMakerMenus(MainScreen& screen, bool maker);

} // namespace tolvo
