#pragma once

#include <QString>
#include <array>
#include <map>
#include <optional>

class QSqlDatabase;

// The workers and screen options behind FrmWorkMan: five workers with name,
// password and six rights, the administrator's password and the screen
// options row of 폼구성.
namespace tolvo {

struct Station;

// Check1 indexes of the rights 권한1..권한6 of workers 1 to 5.
inline constexpr std::array<std::array<int, 6>, 5> kRightBoxes{{
    {0, 1, 2, 15, 30, 31},
    {7, 6, 5, 4, 3, 34},
    {14, 13, 12, 11, 10, 9},
    {22, 21, 20, 19, 18, 17},
    {29, 28, 27, 26, 25, 24},
}};
inline constexpr std::array<const char*, 6> kRightCaptions{"정기권관리", "정산", "자료검색", "시스템", "테스트", "종료"};

// Check1 indexes of the screen options and their fields of 폼구성.
struct ScreenOptionBox {
    int index;
    const char* field;
};
inline constexpr std::array<ScreenOptionBox, 10> kScreenOptionBoxes{{
    {35, "일반입차수표시"}, {36, "일반출차수표시"}, {37, "정기입차수표시"}, {38, "정기출차수표시"},
    {39, "담당자표시"},     {40, "수입금액표시"},   {41, "운영상태표시"},   {42, "시간표시"},
    {45, "자동실행"},       {46, "강제모드"},
}};
inline constexpr int kAutoRunBox = 45;
inline constexpr int kForcedModeBox = 46;

struct WorkerEntry {
    bool present = false; // the row exists
    QString name;
    QString password;
    std::array<bool, 6> rights{};
};

struct WorkManData {
    std::array<WorkerEntry, 5> workers; // codes 1 to 5
    bool adminPresent = false;
    QString adminPassword;              // code 0
    bool optionsPresent = false;
    std::map<int, bool> options;        // by Check1 index
};

// Reads the seven rows. Throws DbError.
WorkManData LoadWorkMan(const QSqlDatabase& db);
// Stores every row as edited, in one transaction (empty texts as Null).
// Throws DbError.
void SaveWorkMan(const QSqlDatabase& db, const WorkManData& data);

// A password the login cannot take (not six characters) or that two of the
// administrator and the workers share: the message that refuses it, else none.
std::optional<QString> WorkManPasswordFault(const WorkManData& data);

// The auto-run box was clicked: the autostart entry is written or emptied at once.
void WorkMan_AutoRunClicked(const Station& st, bool ticked);

inline const QString kForcedModeNotice =
    QStringLiteral("(주화면 설정에서 강제모드 사용여부) 옵션은 주화면을 전환할때 사용합니다. ") + QStringLiteral("\r\r") +
    QStringLiteral("프로그램을 다시 시작하세요.");

enum class WorkManClose { Reload, Restart, StayOpen };

// Closing, whatever closes the screen: a refused password (WorkManPasswordFault)
// is shown and nothing is stored; otherwise every row is stored first (a failure
// is shown); either way the screen then stays open with its fields (StayOpen); when the
// forced mode differs from its value at opening, the restart notice, the
// clean-end mark, the ports and the database closed (the caller then ends the
// program); otherwise the main screen's layout is read again.
WorkManClose WorkMan_Close(Station& st, const WorkManData& data, bool forcedAtOpening);

} // namespace tolvo
