#include "common/TestStation.h"
#include "serial/FakeComm.h"
#include "station/CommDispatch.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

// The season gates' receive routines by reader model (rows) and gate port (columns 1, 2, 3, 5).
const char* const kGateTable[10][4] = {
    {"Rx_In1_IDTech", "Rx_Out1_IDTech", "Rx_In2_IDTech", "Rx_Out2_IDTech"},
    {"Rx_In1_TagMaster", "Rx_Out1_TagMaster", "Rx_In2_TagMaster", "Rx_Out2_TagMaster"},
    {"Rx_In1_RemoconT", "Rx_Out1_RemoconT", "Rx_In2_RemoconT", "Rx_Out2_RemoconT"},
    {"Rx_In1_RemoconN", "Rx_Out1_RemoconN", "Rx_In2_RemoconN", "Rx_Out2_RemoconN"},
    {"", "", "", ""},
    {"Rx_In1_HostPass", "Rx_Out1_HostPass", "Rx_In2_HostPass", "Rx_Out2_HostPass"},
    {"Rx_In1_Firstech", "Rx_Out1_Firstech", "Rx_In2_Firstech", "Rx_Out2_Firstech"},
    {"Rx_In1_Credipass", "Rx_Out1_Credipass", "Rx_In2_Credipass", "Rx_Out2_Credipass"},
    {"Rx_In1_DirA", "", "Rx_In2_DirA", ""},
    {"Rx_In1_DirB", "Rx_Out1_DirB", "Rx_In2_DirB", "Rx_Out2_DirB"},
};
const int kGatePorts[4] = {1, 2, 3, 5};

class CommDispatch : public ::testing::Test {
protected:
    TestStation ts{TestStation::Db::None};
    Station& st = ts.st;
    FakeComm fake = InstallFakeComm(ts.st);
    QStringList ran; // which slot ran, by its place in the routines

    CommDispatch()
    {
        DeviceRoutines& r = st.routines;
        record(r.TD_Receive, "TD_Receive");
        record(r.TD_Receive4101, "TD_Receive4101");
        record(r.RD_Receive, "RD_Receive");
        record(r.Host_Receive, "Host_Receive");
        record(r.OutRd_Receive, "OutRd_Receive");
        record(r.Master_Receive, "Master_Receive");
        record(r.Read_CMD60, "Read_CMD60");
        record(r.Read_CMD61, "Read_CMD61");
        for (int g = 0; g < 4; ++g)
            for (int m = 0; m < 10; ++m)
                record(r.SeasonRx[g][m], QStringLiteral("SeasonRx[%1][%2]").arg(g).arg(m));
    }
    void record(DeviceRoutine& slot, const QString& name)
    {
        slot = [this, name](Station&) { ran << name; };
    }
    QString path(int port) const { return QStringLiteral("/dev/fake%1").arg(port); }
    FakeDevice& device(int port) { return fake.ports->device(path(port)); }
    void open(int port) { ASSERT_TRUE(st.comm->openPort(port, path(port), SerialSettings{})); }
    void setGateModels(quint8 model)
    {
        st.models.SeasonIn1Type = st.models.SeasonOut1Type = model;
        st.models.SeasonIn2Type = st.models.SeasonOut2Type = model;
    }
    // The slot a receive on the port ran ("" for none).
    QString receiveOn(int port)
    {
        ran.clear();
        MSComm_OnComm(st, port, comEvReceive);
        EXPECT_LE(ran.size(), 1);
        return ran.value(0);
    }
    bool lamp() const { return ts.screen.isVisible(QStringLiteral("ShapeRD")); }
};

} // namespace

TEST_F(CommDispatch, SeasonGatesByPortAndReaderModel)
{
    for (int model = 0; model < 10; ++model) {
        // Each gate has a model of its own: gate g reads model (model + g) mod 10.
        quint8* types[4] = {&st.models.SeasonIn1Type, &st.models.SeasonOut1Type, &st.models.SeasonIn2Type,
                            &st.models.SeasonOut2Type};
        for (int g = 0; g < 4; ++g) *types[g] = static_cast<quint8>((model + g) % 10);
        for (int g = 0; g < 4; ++g) {
            const int m = (model + g) % 10;
            const QString expected = QString::fromUtf8(kGateTable[m][g]);
            const int port = kGatePorts[g];
            EXPECT_EQ(SeasonGateOfPort(port), g);
            EXPECT_EQ(ReceiveRouteFor(st.routines, st.models, port).name, expected) << port << "/" << m;
            EXPECT_EQ(receiveOn(port), expected.isEmpty() ? QString() : QStringLiteral("SeasonRx[%1][%2]").arg(g).arg(m))
                << "port " << port << " model " << m;
        }
    }
    EXPECT_EQ(SeasonGateOfPort(4), -1);
    for (int model : {10, 11, 255}) {
        setGateModels(static_cast<quint8>(model));
        for (int port : kGatePorts) EXPECT_EQ(receiveOn(port), QString()) << model;
    }
}

TEST_F(CommDispatch, DevicePortsByModelAndSetting)
{
    const struct { int port; int dispenser; bool exitReader; const char* routine; } rows[] = {
        {0, 0, false, "TD_Receive4101"}, {0, 1, false, "TD_Receive"},     {0, 2, false, "TD_Receive"},
        {0, 3, false, "TD_Receive4101"}, {0, 4, false, "TD_Receive4101"}, {4, 1, false, ""},
        {6, 1, false, "RD_Receive"},     {8, 1, false, "Host_Receive"},   {9, 1, false, "Master_Receive"},
        {9, 1, true, "OutRd_Receive"},   {10, 1, true, ""},               {-1, 1, true, ""},
    };
    for (const auto& r : rows) {
        st.models.DispenserType = static_cast<quint8>(r.dispenser);
        st.models.HasExitReader = r.exitReader;
        EXPECT_EQ(receiveOn(r.port), QString::fromUtf8(r.routine)) << r.port << " " << r.dispenser;
        EXPECT_EQ(ReceiveRouteFor(st.routines, st.models, r.port).name, QString::fromUtf8(r.routine));
    }
}

TEST_F(CommDispatch, FeeDisplayPortRunsTheFeeDisplaysReceive)
{
    open(PortFeeDisp);
    device(PortFeeDisp).inject(QByteArray("\x02PORT_TEST\x03"));
    st.PortTestEcho = false;
    MSComm_OnComm(st, PortFeeDisp, comEvReceive);
    EXPECT_TRUE(st.PortTestEcho);
    EXPECT_TRUE(ran.isEmpty());
}

TEST_F(CommDispatch, EmptySlotsAndOtherEventsDoNothing)
{
    st.routines = DeviceRoutines{};
    for (int port = 0; port < PortCount; ++port) MSComm_OnComm(st, port, comEvReceive);
    MSComm_OnComm(st, PortHost, comEvSend);
    MSComm_OnComm(st, PortHost, static_cast<CommEvent>(7));
    EXPECT_TRUE(ts.screen.visible.isEmpty());
}

TEST_F(CommDispatch, AnErrorInARoutineEndsTheEventSilently)
{
    int calls = 0;
    st.routines.Host_Receive = [&](Station&) {
        ++calls;
        throw std::runtime_error("bad frame");
    };
    MSComm_OnComm(st, PortHost, comEvReceive);
    MSComm_OnComm(st, PortHost, comEvReceive);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
    EXPECT_TRUE(ts.msgs.shown.empty());
}

TEST_F(CommDispatch, CtsChangeShowsTheReaderLampFromTheReaderPort)
{
    open(PortReader);
    device(PortReader).cts = true;
    MSComm_OnComm(st, PortDispenser, comEvCTS); // any port: judged on the reader's line
    EXPECT_TRUE(lamp());
    device(PortReader).cts = false;
    MSComm_OnComm(st, PortReader, comEvCTS);
    EXPECT_FALSE(lamp());
    EXPECT_TRUE(ran.isEmpty());
}

TEST_F(CommDispatch, DsrHighIsATicketExceptForRecycledTickets)
{
    open(PortReader);
    const struct { int dispenser; bool dsr; bool lampOn; const char* read; const char* trace; } rows[] = {
        {1, true, true, "Read_CMD61", "DSRHolding TRUE"},  {1, false, false, "", "DSRHolding FALSE"},
        {0, true, true, "Read_CMD61", "DSRHolding TRUE"},  {3, false, false, "", "DSRHolding FALSE"},
        {2, false, true, "Read_CMD60", "DSRHolding TRUE"}, {2, true, false, "", "DSRHolding FALSE"},
    };
    st.comm->DebugOn = true;
    st.comm->DebugDevice = PortReader;
    int n = 0;
    for (const auto& r : rows) {
        ran.clear();
        st.comm->trace.clear();
        st.models.DispenserType = static_cast<quint8>(r.dispenser);
        device(PortReader).dsr = r.dsr;
        MSComm_OnComm(st, ++n % 2 ? PortReader : PortDispenser, comEvDSR); // any port: judged on the reader's line
        EXPECT_EQ(lamp(), r.lampOn) << r.dispenser << r.dsr;
        EXPECT_EQ(ran.value(0), QString::fromUtf8(r.read)) << r.dispenser << r.dsr;
        EXPECT_TRUE(st.comm->trace.text().contains(QStringLiteral("  주차권리더기: < ") + r.trace)) << r.dispenser;
    }
    st.comm->trace.clear();
    st.comm->DebugDevice = PortHost; // another device traced: no line
    MSComm_OnComm(st, PortReader, comEvDSR);
    EXPECT_TRUE(st.comm->trace.text().isEmpty());
}

TEST_F(CommDispatch, AClosedReaderPortHoldsNoTicket)
{
    for (int dispenser : {1, 2}) {
        st.models.DispenserType = static_cast<quint8>(dispenser);
        ts.screen.setVisible(QStringLiteral("ShapeRD"), true);
        MSComm_OnComm(st, PortDispenser, comEvDSR);
        EXPECT_FALSE(lamp());
        MSComm_OnComm(st, PortDispenser, comEvCTS);
        EXPECT_FALSE(lamp());
    }
    EXPECT_TRUE(ran.isEmpty());
}

TEST_F(CommDispatch, PortEventsReachTheDispatchOnceAttached)
{
    open(PortHost);
    AttachCommDispatch(st);
    device(PortHost).inject(QByteArray("\x06"));
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(ran, QStringList({"Host_Receive"}));
}

TEST_F(CommDispatch, BytesThatNoRoutineReadsAreDropped)
{
    // The receipt printer has no receive routine; the host's is not attached here.
    st.routines.Host_Receive = nullptr;
    for (const int port : {4, 8}) {
        open(port);
        device(port).inject("\x10\x04\x01 status");
        QCoreApplication::processEvents();
        EXPECT_EQ(receiveOn(port), QString());
        EXPECT_TRUE(st.comm->Input(port).isEmpty()) << "port " << port << " keeps what arrived";
    }
}

TEST_F(CommDispatch, AnAttachedRoutineStillReadsItsOwnBytes)
{
    open(8);
    device(8).inject("ACK");
    QCoreApplication::processEvents();
    EXPECT_EQ(receiveOn(8), QStringLiteral("Host_Receive"));
    EXPECT_EQ(st.comm->Input(8), QByteArray("ACK")) << "the recorder reads nothing, so the bytes wait for it";
}
