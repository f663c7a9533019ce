#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <functional>

namespace tolvo {

struct Station;

// Screens the menus open by their form name ("Jungsan", "FrmFee", ...). The
// main window provides them; a screen that is not part of the station yet is
// not shown. Modal calls return when the screen has closed.
class ScreenHost {
public:
    virtual ~ScreenHost() = default;
    virtual void showModal(const QString& form) = 0;
    virtual void showModeless(const QString& form) = 0;
};

// The side menu: item text and the menu handler (or form) it runs.
struct SideMenuItem {
    const char* text;
    const char* command;
};
inline constexpr std::array<SideMenuItem, 17> kSideMenu{{
    {"영업마감(F1)", "Mnu1"},
    {"정기권관리(F2)", "Mnu2"},
    {"일반 입출차(F3)", "Mnu3"},
    {"정기 입출차(F4)", "Mnu4"},
    {"부정 입출차(F5)", "Mnu5"},
    {"종료(F6)", "Mnu8"},
    {"요금 설정", "MnuFee"},
    {"포트 설정", "MnuPort"},
    {"할인키 설정", "MnuDisc"},
    {"근무자 관리", "MnuWork"},
    {"인쇄옵션", "MnuEtc"},
    {"시스템 설정백업", "MnuSysBackUp"},
    {"시스템 설정복구", "MnuSysRestore"},
    {"정기권 자료백업", "MnuJungBackUp"},
    {"정기권 자료복구", "MnuJungRestore"},
    {"데이터 베이스", "MnuData"},
    {"프로그램정보", "frmAbout"},
}};

// The main menus' handlers with their access rules: the enabled state of the
// tested item, the administrator password where asked, the busy flag around
// every screen or operation that sets it (cleared on every way out).
class Menus {
public:
    Menus(Station& st, ScreenHost& screens);

    // Runs the click handler of a menu item by its name; false for a name
    // without a handler (MnuSearch, Mnu6, separators).
    bool click(const QString& menu);
    // A click on the side menu's item with this text; nothing for no match.
    void sideMenuClick(const QString& itemText);

    // Settings copy to and from the master copy (the database's routines by default).
    std::function<void(Station&)> backupToMaster;
    std::function<void(Station&)> restoreFromMaster;

    // The text the denial shows for a worker without the right.
    static QString DenialText(const QString& workerName, const QString& denial);
    // The dispenser clock text: unit number, "01", "yymmddhhnnss", weekday (Sunday 0).
    static QString DispenserClockText(const QString& unitNo, const QDateTime& now);

private:
    void rightsScreen(const QString& tested, const QString& form, const QString& denial);
    void adminPassword(const QString& denial, const std::function<void()>& operation);
    void deny(const QString& denial);
    void mnu8();
    void mnuTdTime();
    void mnuTd();
    void mnuOutRd();

    Station& m_st;
    ScreenHost& m_screens;
};

} // namespace tolvo
