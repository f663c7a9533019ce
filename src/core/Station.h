#pragma once

#include "platform/Clock.h"
#include "platform/Messages.h"
#include "core/DeviceRoutines.h"
#include "core/DiscountKeyState.h"
#include "core/ExitTransaction.h"
#include "core/LinkLamp.h"
#include "core/MainScreen.h"
#include "core/SeasonGates.h"
#include "core/Settings.h"

#include <QSqlDatabase>
#include <QString>
#include <array>
#include <functional>
#include <memory>

namespace tolvo {

class Comm;
class FolderLock;

struct Worker {
    quint8 WorkerCode = 0;
    QString WorkerName;
    bool MakerMode = false;
    std::array<bool, 6> Rights{}; // rights 권한1..권한6 last applied to the menus
};

// Model codes and options of the devices, loaded at login and by the port settings.
struct DeviceModels {
    quint8 FeeDispType = 0;
    quint8 SeasonIn1Type = 0;
    quint8 SeasonOut1Type = 0;
    quint8 SeasonIn2Type = 0;
    quint8 SeasonOut2Type = 0;
    quint8 DispenserType = 0;
    QString DispenserUnitNo;
    quint8 PosCode = 0;
    bool HostSendsTime = false;
    bool ReaderCanPrint = true;
    bool HasExitReader = false;
};

enum HostKind { HostTD = 0, HostOUT, HostTIME, HostPKTIME, HostPAMT, HostDISC, HostCANCEL, HostKindCount };

// Screens of the station that other top folders open (they cannot include it).
struct StationScreens {
    std::function<void(Station&)> frmLogin; // worker change after a settlement
    // Closes every screen still open; run first when the context ends, so that
    // no screen outlives what it reads.
    std::function<void()> closeAll;
};

// Everything the station shares between its parts. One per program; each test builds its own.
struct Station {
    Station(Clock& clock, Messages& msgs, MainScreen& screen);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    Clock& clock;
    Messages& msgs;
    MainScreen& screen;

    QString AppPath;   // program folder, no trailing slash
    QString IniPath;   // AppPath + "/Tolvo.ini"
    QString DbPath;    // the live database file
    QSqlDatabase Db;   // the shared connection, open from start-up to shut-down
    QString DataPath;   // AppPath + "/Data/"
    QString ArchiveDir; // AppPath + "/Backup/"
    QString ImageDir;   // AppPath + "/Image/"
    // One station per program folder: taken at start-up, held until the program ends.
    std::unique_ptr<FolderLock> ProgramLock;

    Settings settings;
    Worker worker;
    ExitTransaction trx;
    ExitLinks exitLinks; // forms and devices the exit calls (tests fill recorders)
    DeviceModels models;
    SeasonGateState gates; // barrier settings, receive buffers, anti-passback
    DiscountKeys discKeys;
    std::array<bool, HostKindCount> HostPending{};

    bool StationBusy = false;
    // Waits that run events, one inside another: now, and the deepest so far
    // (a handler that waits lets another handler run, which may wait in turn).
    int WaitNesting = 0;
    int DeepestWaitNesting = 0;
    bool HostWait = false;   // a season verdict awaited from the host holds the sending back
    QString DataRefreshDate; // "yyyy-mm-dd": the day of the last end-of-day archive
    QString ImageSaveDir;    // 폼구성.이미지저장폴더
    bool ConfirmResult = false;
    bool PortTestEcho = false;
    bool ReaderBusy = false;
    bool TDAckFlag = false;  // the dispenser answered ACK (second family)
    qint16 DispenserAlarm = 0;

    // The ten device ports. Shared so that the owner that creates them (the
    // program, a test) also supplies their deletion: the context does not know them.
    std::shared_ptr<Comm> comm;
    DeviceRoutines routines;    // device routines the dispatch and the timer run
    StationScreens screens;
    Timer1State timer1;

    Connect Connect1; // link lamp of the host link
    Connect Connect2; // link lamp of the master link
};

} // namespace tolvo
