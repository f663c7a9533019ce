// The port settings screen's logic: the loop test against a fake echo, the
// gate list's codes, and what "종료" and closing apply.

#include "serial/SerialTestUtil.h"

#include "serial/FrmPort.h"
#include "serial/PortSettings.h"
#include "core/Sql.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

class PortSettingsTest : public ::testing::Test {
protected:
    PortSettingsTest()
    {
        Exec(st.Db, "UPDATE 호스트 SET 사용여부 = 1, 포트번호 = 'Com9'");
        // The host echoes the loop-test frame as its receive routine would.
        st.comm->setOnComm([this](int i, CommEvent) {
            if (st.comm->Input(i).contains("PORT_TEST")) st.PortTestEcho = true;
        });
    }
    FrameEdits unchanged() const
    {
        FrameEdits e;
        e[PortHost].fields.insert("사용여부", true);
        return e;
    }

    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    Station& st = ts.st;
    PortSettingsLogic logic{st};
};

struct LoopCase {
    const char* name;
    int echoEvery;   // 0: never echoes
    bool inUse;
    const char* status;
    const char* message;
};
void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.name; }

class LoopTest : public PortSettingsTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(LoopTest, CountsEchoes)
{
    const LoopCase& c = GetParam();
    int sent = 0;
    fake.ports->device("/dev/ttyS8").replier = [&](const QByteArray& b) {
        return c.echoEvery && ++sent % c.echoEvery == 0 ? b : QByteArray();
    };
    st.comm->DebugOn = true;
    st.comm->DebugDevice = PortHost;
    QString status;
    logic.onStatus = [&](const QString& s) { status = s; };
    FrameEdits e = unchanged();
    e[PortHost].fields.insert("사용여부", c.inUse);

    logic.loopTest(e, PortHost);

    EXPECT_EQ(status, QString::fromUtf8(c.status));
    ASSERT_FALSE(ts.msgs.shown.empty());
    EXPECT_EQ(ts.msgs.shown.back().title, "포트 테스트");
    EXPECT_EQ(ts.msgs.shown.back().text, QString::fromUtf8(c.message));
    EXPECT_FALSE(logic.running());
    if (c.inUse) {
        EXPECT_EQ(st.comm->trace.text().count("  FeedBack Test 시도   : "), 100);
    }
}

INSTANTIATE_TEST_SUITE_P(
    PortSettings, LoopTest,
    ::testing::Values(
        LoopCase{"AllAnswered", 1, true, "전송횟수 : 100 성공횟수 : 100 실패횟수 : 000",
                 "포트 테스트 : 데이터 송수신 성공률 100 %"},
        LoopCase{"HalfAnswered", 2, true, "전송횟수 : 100 성공횟수 : 050 실패횟수 : 050",
                 "포트 테스트 : 데이터 송수신 성공률 50 %"},
        LoopCase{"PortClosed", 0, false, "통신포트가 정상적으로 설정되었습니다.",
                 "포트를 먼저 정상적으로 Open 한후 테스트 바랍니다"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortSettings, GatePositionsGiveCodesWithFourAndFiveSwapped)
{
    const int expected[10] = {0, 1, 2, 3, 5, 4, 6, 7, 8, 9};
    for (int pos = 0; pos < 10; ++pos) EXPECT_EQ(GateCodeOfPosition(pos), expected[pos]) << pos;
    EXPECT_FALSE(GateCodeOfPosition(-1));
}

struct FinishCase {
    const char* name;
    int dispenser, reader, host, pos;
    bool exitReader;
    int tnum;
    const char* caption;
    quint8 dispenserType, posCode;
    bool canPrint, sendsTime;
};
void PrintTo(const FinishCase& c, std::ostream* os) { *os << c.name; }

class FinishTest : public PortSettingsTest, public ::testing::WithParamInterface<FinishCase> {};

TEST_P(FinishTest, SetsModelsSystemFlagAndMenu)
{
    const FinishCase& c = GetParam();
    st.models.DispenserType = 3;
    st.models.PosCode = 2;
    // The switches start opposite to what an empty list gives.
    st.models.ReaderCanPrint = false;
    st.models.HostSendsTime = true;
    FrameEdits e = unchanged();
    e[PortDispenser].model = c.dispenser;
    e[PortReader].model = c.reader;
    e[PortHost].model = c.host;
    e[PortCalc].model = c.pos;
    logic.chooseMode(c.exitReader);

    logic.finish(e);
    logic.close(e);

    EXPECT_EQ(ts.screen.maxLengths.value("TNum"), c.tnum);
    EXPECT_EQ(ts.screen.text("MnuTDTime"), QString::fromUtf8(c.caption));
    EXPECT_EQ(st.models.DispenserType, c.dispenserType);
    EXPECT_EQ(st.models.PosCode, c.posCode);
    EXPECT_EQ(st.models.ReaderCanPrint, c.canPrint);
    EXPECT_EQ(st.models.HostSendsTime, c.sendsTime);
    EXPECT_EQ(st.models.HasExitReader, c.exitReader);
    EXPECT_EQ(ts.value("SELECT 출구판독기 FROM 시스템").toInt(), c.exitReader ? 1 : 0);
    EXPECT_EQ(ts.screen.visible.value("Connect2"), false);
}

INSTANTIATE_TEST_SUITE_P(
    PortSettings, FinishTest,
    ::testing::Values(
        FinishCase{"PaperDispenser", 1, 1, 0, 3, true, 4, "발권기 안내문구 설정", 1, 3, false, true},
        FinishCase{"BarcodeDispenser", 0, 0, 1, 5, false, 16, "발권기 시간설정", 0, 5, true, false},
        FinishCase{"NoSelectionKeepsCodes", -1, -1, -1, -1, false, 16, "발권기 시간설정", 3, 2, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortSettingsTest, ClosingWithoutFinishStoresRowsAndRestoresExitReaderFlag)
{
    int gateLoads = 0;
    st.routines.Load_GateCtl = [&](Station&) { ++gateLoads; };
    st.models.SeasonOut2Type = 7;
    st.models.ReaderCanPrint = false;
    FrameEdits e = unchanged();
    e[PortSeasonIn1].model = 5; // PET_CARD
    e[PortSeasonIn1].fields.insert("Gate제어", "정기권입구1(DTR)");
    e[PortCalc].fields.insert("사용여부", true);
    logic.chooseMode(true);

    logic.close(e);

    EXPECT_FALSE(st.models.HasExitReader);
    EXPECT_EQ(ts.value("SELECT 출구판독기 FROM 시스템").toInt(), 0);
    EXPECT_EQ(st.models.SeasonIn1Type, 4);
    EXPECT_EQ(st.models.SeasonOut2Type, 7);
    EXPECT_TRUE(st.models.ReaderCanPrint) << "the reader list without a model is not \"Encoding Only\"";
    EXPECT_EQ(ts.value("SELECT 기종 || '/' || Gate제어 FROM 정기권입구1").toString(), "PET_CARD/정기권입구1(DTR)");
    EXPECT_EQ(gateLoads, 1);
    EXPECT_TRUE(st.comm->PortOpen(PortHost));
    EXPECT_TRUE(ts.screen.visible.value("Connect1"));
    EXPECT_TRUE(ts.screen.visible.value("Connect2"));
}

// Every frame bound to its own table and port: each device holds settings no
// other one holds, the screen shows them, the frames then take their neighbour's
// lines with every box ticked, and "종료" stores them and opens each port with them.
TEST_F(PortSettingsTest, ScreenStoresEachFrameInItsTableAndReopensItsPort)
{
    struct Dev {
        const char* table;
        int useCheck;
        const char* lines; // 포트번호,Baud,ParityBit,DataBit,StopBit,사용여부
        const char* model;
        const char* other; // Gate제어, PORT or 기기명칭 chosen on the screen
    };
    const Dev devs[10] = {
        {"발권기", 0, "Com1,1200,n,5,1,1", "M/S (재활용)", ""},
        {"정기권입구1", 1, "Com2,2400,e,6,2,0", "FIRSTECH", "정기권입구1(RTS)"},
        {"정기권출구1", 2, "Com3,4800,o,7,1,1", "HOST PASS", "정기권출구1(DTR)"},
        {"정기권입구2", 3, "Com4,9600,n,8,2,0", "리츠앤B", "요금표시기(PLUS)"},
        {"영수증프린터", 4, "Com5,19200,e,5,1,1", "TM-T88", "Rs232c"},
        {"정기권출구2", 7, "Com6,1200,o,6,2,0", "리츠앤A", "자체콘트롤러"},
        {"리더기", 5, "Com7,2400,n,7,1,1", "Encoding Only", ""},
        {"요금표시기", 8, "Com8,4800,e,8,2,0", "VD0   TYPE", ""},
        {"호스트", 6, "Com9,9600,o,5,1,1", "시간수신안함", ""},
        {"요금계산기", 9, "Com10,19200,n,6,2,0", "POS4", "B동"},
    };
    const auto otherField = [](int k) {
        return k == PortPrinter ? QString("PORT") : k == PortCalc ? QString("기기명칭") : QString("Gate제어");
    };
    const auto hasOther = [&](int k) { return *devs[k].other != '\0'; };
    for (int k = 0; k < 10; ++k) {
        const QStringList l = QString(devs[k].lines).split(',');
        Exec(st.Db, QString("UPDATE %1 SET 포트번호 = ?, Baud = ?, ParityBit = ?, DataBit = ?, StopBit = ?, 사용여부 = ?, %2 = ?")
                        .arg(devs[k].table, k == PortCalc ? "기종코드" : "기종"),
             {l[0], l[1].toInt(), l[2], l[3].toInt(), l[4].toInt(), l[5].toInt(), devs[k].model});
    }
    Exec(st.Db, "UPDATE 요금계산기 SET 기기명칭 = 'A동'");
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'LPT1'");
    for (const char* gate : {"정기권입구1", "정기권출구1", "정기권입구2", "정기권출구2"})
        Exec(st.Db, QString("UPDATE %1 SET Gate제어 = '주차권발행기'").arg(gate));
    st.models.ReaderCanPrint = true;
    st.models.HostSendsTime = true;
    FrmPort form(st);
    form.show();
    const auto list = [&](const QString& name) { return form.findChild<QComboBox*>(name); };
    const auto lineLists = [&](int k) {
        QList<QComboBox*> l;
        for (const char* f : {"포트번호", "Baud", "ParityBit", "DataBit", "StopBit"}) l << list(QString("%1_%2").arg(f).arg(k));
        return l;
    };
    const auto use = [&](int k) { return form.findChild<QCheckBox*>(QString("Check1_%1").arg(devs[k].useCheck)); };
    for (int k = 0; k < 10; ++k) {
        QStringList shown;
        for (QComboBox* c : lineLists(k)) shown << c->currentText();
        shown << QString::number(use(k)->isChecked());
        EXPECT_EQ(shown.join(','), devs[k].lines) << devs[k].table;
        EXPECT_EQ(list(QString("Model_%1").arg(k))->currentText(), devs[k].model) << devs[k].table;
        if (QComboBox* gate = list(QString("Gate제어_%1").arg(k))) {
            EXPECT_EQ(gate->currentText(), "주차권발행기") << devs[k].table;
            EXPECT_EQ(gate->isEnabled(), use(k)->isChecked()) << devs[k].table;
            gate->setCurrentText(devs[k].other);
        }
    }
    EXPECT_EQ(list("PORT")->currentText(), "LPT1");
    list("PORT")->setCurrentText("Rs232c");
    auto* name = form.findChild<QLineEdit*>("기기명칭");
    EXPECT_EQ(name->text(), "A동");
    name->setText("B동");
    QStringList items;
    for (QComboBox* c : lineLists(5))
        for (int i = 0; i < c->count(); ++i) items << c->itemText(i) + (i + 1 < c->count() ? "," : "|");
    EXPECT_EQ(items.join(""), "Com1,Com2,Com3,Com4,Com5,Com6,Com7,Com8,Com9,Com10,Com11,Com12,Com13,Com14,Com15,Com16|"
                              "1200,2400,4800,9600,19200|n,e,o|5,6,7,8|1,2|");

    for (int k = 0; k < 10; ++k) {
        const QStringList next = QString(devs[(k + 1) % 10].lines).split(',');
        const auto lists = lineLists(k);
        for (int c = 0; c < 5; ++c) lists[c]->setCurrentIndex(lists[c]->findText(next[c]));
        if (!use(k)->isChecked()) QTest::mouseClick(use(k), Qt::LeftButton, {}, QPoint(4, use(k)->height() / 2));
    }
    QTest::mouseClick(form.findChild<QPushButton*>("Command1_1"), Qt::LeftButton);

    for (int k = 0; k < 10; ++k) {
        const QString next = QString(devs[(k + 1) % 10].lines).section(',', 0, 4);
        const QString stored = ts.value(QString("SELECT 포트번호 || ',' || Baud || ',' || ParityBit || ',' || DataBit || ',' || "
                                                "StopBit || ',' || 사용여부 || '/' || %1 || '/' || %2 FROM %3")
                                            .arg(k == PortCalc ? "기종코드" : "기종", hasOther(k) ? otherField(k) : "''",
                                                 devs[k].table))
                                   .toString();
        EXPECT_EQ(stored, next + ",1/" + devs[k].model + "/" + devs[k].other) << devs[k].table;
        const QString path = QString("/dev/ttyS%1").arg(next.section(',', 0, 0).mid(3).toInt() - 1);
        const SerialSettings s = fake.ports->device(path).settings;
        EXPECT_EQ(st.comm->PortPath(k), path) << devs[k].table;
        EXPECT_EQ(QString("%1,%2,%3,%4").arg(s.baud).arg(QChar(s.parity).toLower()).arg(s.dataBits).arg(s.stopBits),
                  next.section(',', 1)) << devs[k].table;
    }
    const DeviceModels& m = st.models;
    EXPECT_EQ(QString("%1 %2 %3 / %4 %5 %6 %7").arg(m.DispenserType).arg(m.FeeDispType).arg(m.PosCode)
                  .arg(m.SeasonIn1Type).arg(m.SeasonOut1Type).arg(m.SeasonIn2Type).arg(m.SeasonOut2Type),
              "2 4 3 / 6 5 9 8");
    EXPECT_FALSE(m.ReaderCanPrint);
    EXPECT_FALSE(m.HostSendsTime);
    EXPECT_TRUE(ts.screen.visible.value("Connect1"));
    EXPECT_TRUE(ts.screen.visible.value("Connect2"));
}

TEST_F(PortSettingsTest, ScreenRefusesClosingAndOtherButtonsDuringLoopTest)
{
    FrmPort form(st);
    form.show();
    bool closed = true, testEnabled = true;
    fake.ports->device("/dev/ttyS8").replier = [&](const QByteArray& b) {
        if (closed) {
            closed = form.close();
            testEnabled = form.findChild<QPushButton*>("Command1_0")->isEnabled();
        }
        return b;
    };
    QTest::mouseClick(form.findChild<QPushButton*>("Command2_8"), Qt::LeftButton);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(testEnabled);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.findChild<QPushButton*>("Command1_0")->isEnabled());
}

} // namespace
