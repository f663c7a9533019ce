#include "station/Menus.h"

#include "database/Master.h"
#include "serial/Comm.h"
#include "station/BackupMenus.h"
#include "core/Station.h"

namespace tolvo {

namespace {

// Marks the station busy for the life of the object.
class BusyScope {
public:
    explicit BusyScope(Station& st) : m_st(st) { m_st.StationBusy = true; }
    ~BusyScope() { m_st.StationBusy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Station& m_st;
};

struct RightsScreen {
    const char* menu;
    const char* tested;
    const char* form;
    const char* denial;
};
constexpr RightsScreen kRightsScreens[] = {
    {"Mnu1", "Mnu1", "Jungsan", " 께서는 정산 화면에 접근할 수 없습니다."},
    {"Mnu2", "Mnu2", "Jung", " 께서는 정기권관리 화면에 접근할 수 없습니다."},
    {"Mnu3", "Mnu3", "IlList", " 께서는 일반현황 화면에 접근할 수 없습니다."},
    {"Mnu4", "Mnu4", "JioList", " 께서는 정기현황 화면에 접근할 수 없습니다."},
    {"Mnu5", "Mnu5", "BList", " 께서는 부정입출 화면에 접근할 수 없습니다."},
    {"MnuFee", "Mnu6", "FrmFee", " 께서는 요금 테이블 설정 화면에 접근할 수 없습니다."},
    {"MnuPort", "Mnu6", "FrmPort", " 께서는 Comm 포트설정 화면에 접근할 수 없습니다."},
    {"MnuWork", "Mnu6", "FrmWorkMan", " 께서는 근무자 설정 화면에 접근할 수 없습니다."},
    {"MnuEtc", "Mnu6", "FrmPrint", " 께서는 인쇄옵션 설정 화면에 접근할 수 없습니다."},
};

const QString kDenialSysBackUp = QStringLiteral(" 께서는 시스템 설정 백업에 접근할 수 없습니다.");
const QString kDenialSysRestore = QStringLiteral(" 께서는 시스템 설정 복구에 접근할 수 없습니다.");
const QString kDenialJungBackUp = QStringLiteral(" 께서는 정기권백업 화면에 접근할 수 없습니다.");
const QString kDenialJungRestore = QStringLiteral(" 께서는 정기권복구 화면에 접근할 수 없습니다.");
const QString kDenialDisc = QStringLiteral(" 께서는 할인키 설정 화면에 접근할 수 없습니다.");
const QString kDenialData = QStringLiteral(" 께서는 데이터 베이스 관리 화면에 접근할 수 없습니다.");
const QString kDenialExit = QStringLiteral(" 께서는 종료 화면에 접근할 수 없습니다.");

} // namespace

Menus::Menus(Station& st, ScreenHost& screens)
    : backupToMaster(Backup_ToMaster), restoreFromMaster(Restore_FromMaster), m_st(st), m_screens(screens)
{
}

QString Menus::DenialText(const QString& workerName, const QString& denial)
{
    return workerName + denial + QChar(13) + QChar(13) + QStringLiteral("시스템 관리자에게 문의하세요!");
}

QString Menus::DispenserClockText(const QString& unitNo, const QDateTime& now)
{
    const int weekday = now.date().dayOfWeek() % 7; // Sunday 0 .. Saturday 6
    return unitNo + QStringLiteral("01") + now.toString(QStringLiteral("yyMMddHHmmss")) + QString::number(weekday);
}

bool Menus::click(const QString& menu)
{
    for (const RightsScreen& r : kRightsScreens) {
        if (menu == QString::fromUtf8(r.menu)) {
            rightsScreen(QString::fromUtf8(r.tested), QString::fromUtf8(r.form), QString::fromUtf8(r.denial));
            return true;
        }
    }
    const auto is = [&](const char* name) { return menu == QString::fromUtf8(name); };
    if (is("MnuDisc")) {
        adminPassword(kDenialDisc, [&] { m_screens.showModal(QStringLiteral("FrmKey")); });
    } else if (is("MnuData")) {
        adminPassword(kDenialData, [&] { m_screens.showModal(QStringLiteral("frmDbase")); });
    } else if (is("MnuSysBackUp")) {
        adminPassword(kDenialSysBackUp, [&] { if (backupToMaster) backupToMaster(m_st); });
    } else if (is("MnuSysRestore")) {
        adminPassword(kDenialSysRestore, [&] {
            if (!restoreFromMaster) return;
            restoreFromMaster(m_st);
            // Still running: the worker declined to quit after the restore.
            if (m_st.Db.isValid() && m_st.Db.isOpen()) m_st.screen.setTimerEnabled(true);
        });
    } else if (is("MnuJungBackUp")) {
        adminPassword(kDenialJungBackUp, [&] { SeasonTickets_Backup(m_st); });
    } else if (is("MnuJungRestore")) {
        adminPassword(kDenialJungRestore, [&] { SeasonTickets_Restore(m_st); });
    } else if (is("MnuBing")) {
        m_screens.showModal(QStringLiteral("BingList"));
    } else if (is("MnuNewTD")) {
        BusyScope busy(m_st);
        m_screens.showModal(QStringLiteral("FrmTDCnt"));
    } else if (is("MnuTDTime")) {
        mnuTdTime();
    } else if (is("Mnu_OutRd")) {
        mnuOutRd();
    } else if (is("Mnu8")) {
        mnu8();
    } else if (is("Mnu_Td")) {
        mnuTd();
    } else if (is("Mnu_Debug")) {
        m_screens.showModeless(QStringLiteral("FrmDebug"));
    } else if (is("MnuInfo")) {
        m_screens.showModal(QStringLiteral("frmAbout"));
    } else {
        return false;
    }
    return true;
}

void Menus::sideMenuClick(const QString& itemText)
{
    for (const SideMenuItem& item : kSideMenu) {
        if (itemText != QString::fromUtf8(item.text)) continue;
        const QString command = QString::fromUtf8(item.command);
        if (command == QStringLiteral("frmAbout"))
            m_screens.showModal(command); // straight to the about screen, not through its menu
        else
            click(command);
        return;
    }
}

void Menus::deny(const QString& denial)
{
    m_st.msgs.Msg_Box(DenialText(m_st.worker.WorkerName, denial), QStringLiteral("Tarvola"));
}

void Menus::rightsScreen(const QString& tested, const QString& form, const QString& denial)
{
    if (!m_st.screen.isEnabled(tested)) {
        deny(denial);
        return;
    }
    BusyScope busy(m_st);
    m_screens.showModal(form);
}

void Menus::adminPassword(const QString& denial, const std::function<void()>& operation)
{
    if (!m_st.screen.isEnabled(QStringLiteral("Mnu6"))) {
        deny(denial);
        return;
    }
    BusyScope busy(m_st);
    switch (m_st.msgs.DialogM()) {
    case 1:
        operation();
        break;
    case 2:
        m_st.msgs.Msg_Box(QStringLiteral("관리자 비밀번호가 정확하지 않습니다."), QStringLiteral("비밀번호 오류"));
        break;
    default:
        break;
    }
}

void Menus::mnu8()
{
    if (!m_st.screen.isEnabled(QStringLiteral("Mnu8"))) {
        deny(kDenialExit);
        return;
    }
    m_st.screen.unload();
}

void Menus::mnuTd()
{
    BusyScope busy(m_st);
    const quint8 code = m_st.models.DispenserType;
    m_screens.showModal((code == 1 || code == 2) ? QStringLiteral("FrmTest") : QStringLiteral("FrmTD"));
}

void Menus::mnuOutRd()
{
    if (m_st.comm && m_st.comm->PortOpen(PortCalc) && m_st.models.HasExitReader)
        m_screens.showModal(QStringLiteral("FrmOutRd"));
    else
        m_st.msgs.Msg_Box(QStringLiteral("출구 판독기의 통신연결 상태를 점검하세요!"), QStringLiteral("출구 판독기 오류"));
}

void Menus::mnuTdTime()
{
    BusyScope busy(m_st);
    const quint8 code = m_st.models.DispenserType;
    if (code == 1 || code == 2) {
        m_screens.showModal(QStringLiteral("FrmInfom"));
        return;
    }
    if (code != 0 && code != 3) return;
    const QString clockText = DispenserClockText(m_st.models.DispenserUnitNo, m_st.clock.now());
    if (code == 0) m_st.TDAckFlag = false;
    if (m_st.comm && m_st.comm->PortOpen(PortDispenser)) m_st.comm->Output(PortDispenser, TD_Frame(clockText));
    if (code == 3) return;
    if (m_st.comm) Delay(m_st, 0.3);
    m_st.msgs.Msg_Box(m_st.TDAckFlag ? QStringLiteral("발권기 설정 : 현재시간 설정 성공")
                                     : QStringLiteral("발권기 설정 : 현재시간 설정 실패"),
                      QStringLiteral("발권기 설정"));
}

} // namespace tolvo
