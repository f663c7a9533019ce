#include "database/FrmDbase.h"
#include "equipment/DispenserAttach.h"
#include "equipment/EquipmentScreens.h"
#include "equipment/ExitReader.h"
#include "equipment/FrmTest.h"
#include "equipment/TicketReader.h"
#include "fee/FrmFee.h"
#include "fee/FrmKey.h"
#include "gates/GatesAttach.h"
#include "host/HostLink.h"
#include "platform/Clock.h"
#include "platform/PrivateFiles.h"
#include "platform/ProgramFolder.h"
#include "serial/Comm.h"
#include "serial/FrmDebug.h"
#include "serial/FrmPort.h"
#include "season/FrmJung.h"
#include "season/ListScreens.h"
#include "season/BingList.h"
#include "settlement/Jungsan.h"
#include "widgets/FrmAbout.h"
#include "station/FrmInput.h"
#include "station/FrmLogin.h"
#include "station/FrmPrint.h"
#include "station/CommDispatch.h"
#include "station/FrmSplash.h"
#include "station/FrmWorkMan.h"
#include "station/MainWindow.h"
#include "widgets/QtMessages.h"
#include "station/Startup.h"
#include "core/Station.h"

#include <QApplication>
#include <QDir>

namespace {

using tolvo::MainWindow;
using tolvo::Station;

// The screens the menus open, by form name.
void RegisterScreens(Station& st, MainWindow& w, const tolvo::EquipmentLinks& links)
{
    w.registerScreen(QStringLiteral("frmAbout"), [&st](QWidget* parent) { tolvo::ShowFrmAbout(&st.Db, parent); });
    w.registerScreen(QStringLiteral("FrmFee"), [&st](QWidget* parent) { tolvo::ShowFrmFee(st, parent); });
    w.registerScreen(QStringLiteral("FrmKey"), [&st](QWidget* parent) { tolvo::ShowFrmKey(st, parent); });
    w.registerScreen(QStringLiteral("FrmWorkMan"), [&st](QWidget* parent) { tolvo::ShowFrmWorkMan(st, parent); });
    w.registerScreen(QStringLiteral("FrmPrint"), [&st](QWidget* parent) { tolvo::ShowFrmPrint(st, parent); });
    w.registerScreen(QStringLiteral("frmDbase"), [&st](QWidget* parent) { tolvo::ShowFrmDbase(st, parent); });
    w.registerScreen(QStringLiteral("Jungsan"), [&st](QWidget* parent) { tolvo::ShowJungsan(st, parent); });
    w.registerScreen(QStringLiteral("BingList"), [&st](QWidget* parent) { tolvo::ShowBingList(st, parent); });
    w.registerScreen(QStringLiteral("FrmDebug"), [&st](QWidget* parent) { tolvo::FrmDebug::ShowFor(st, parent); });
    w.registerScreen(QStringLiteral("Jung"), [&st](QWidget* parent) { tolvo::ShowJung(st, parent); });
    w.registerScreen(QStringLiteral("IlList"), [&st](QWidget* parent) { tolvo::ShowIlList(st, parent); });
    w.registerScreen(QStringLiteral("JioList"), [&st](QWidget* parent) { tolvo::ShowJioList(st, parent); });
    w.registerScreen(QStringLiteral("BList"), [&st](QWidget* parent) { tolvo::ShowBList(st, parent); });
    w.registerScreen(QStringLiteral("FrmPort"), [&st](QWidget* parent) { tolvo::ShowFrmPort(st, parent); });
    w.registerScreen(QStringLiteral("FrmTest"), [&st, links](QWidget* parent) { tolvo::ShowFrmTest(st, links, parent); });
    w.registerScreen(QStringLiteral("FrmTDCnt"), [&st](QWidget* parent) { tolvo::ShowFrmTDCnt(st, parent); });
    w.registerScreen(QStringLiteral("FrmTD"), [&st](QWidget* parent) { tolvo::ShowFrmTD(st, parent); });
    w.registerScreen(QStringLiteral("FrmInfom"), [&st, one = links.dispenser](QWidget* parent) {
        tolvo::ShowFrmInfom(st, one.get(), parent);
    });
    w.registerScreen(QStringLiteral("FrmOutRd"), [&st](QWidget* parent) { tolvo::ShowFrmOutRd(st, parent); });
}

} // namespace

int main(int argc, char** argv)
{
    tolvo::RestrictNewFiles(); // before anything is written: sockets, logs and Qt's own files too
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false); // the program ends through its own paths

    tolvo::SystemClock clock;
    tolvo::QtMessages msgs;
    MainWindow window;
    Station st(clock, msgs, window);
    msgs.setDatabase(&st.Db);
    st.AppPath = tolvo::ProgramFolder();
    st.comm = std::make_unique<tolvo::Comm>();
    tolvo::AttachCommDispatch(st);
    const tolvo::DispenserLinks dispenser = tolvo::AttachDispenser(st);
    const auto reader = tolvo::AttachTicketReader(st);
    const auto exitReader = tolvo::AttachExitReader(st);
    tolvo::AttachGates(st);
    tolvo::AttachHost(st);
    window.attach(st);
    RegisterScreens(st, window, {dispenser.family1, reader, exitReader});
    st.screens.frmLogin = [&window](Station& s) { tolvo::ShowFrmLogin(s, &window); };
    tolvo::FrmInput_Install(st, &window);

    if (const auto end = tolvo::Startup_Load(st, [&window] { window.load(); })) return *end;

    int exitCode = 0;
    tolvo::FrmSplash splash(
        st,
        [&window] {
            window.show();
            window.setFocus(QStringLiteral("TNum"));
        },
        [&exitCode](int code) {
            exitCode = code;
            QCoreApplication::exit(code);
        });
    window.onEnd = [](int code) { QCoreApplication::exit(code); };
    splash.show();
    const int rc = app.exec();
    st.comm.reset();
    return rc != 0 ? rc : exitCode;
}
