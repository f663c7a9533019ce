// The equipment test screen: the command frames of the dispenser, reader and
// exit reader panels, the test ticket, the season-card simulation, the
// test-entry generator and the reader-busy flag.

#include "common/TestStation.h"
#include "core/Sql.h"
#include "platform/Cp949.h"
#include "equipment/DispenserFamily1.h"
#include "equipment/ExitReader.h"
#include "equipment/FrmTest.h"
#include "equipment/TicketReader.h"
#include "serial/FakeComm.h"
#include "station/CommDispatch.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

const QDate kMonday(2026, 1, 5);
const QDate kSaturday(2026, 1, 10);
const QDate kSunday(2026, 1, 11);
const QTime kNine30(9, 30);

// The texts of the STX..ETX frames in what a port was sent.
QStringList FrameTexts(const QByteArray& written)
{
    QStringList out;
    for (int stx = written.indexOf('\x02'); stx >= 0; stx = written.indexOf('\x02', stx + 1)) {
        const int etx = written.indexOf('\x03', stx);
        out << cp949::decode(written.mid(stx + 1, etx - stx - 1));
    }
    return out;
}

class EquipmentTestFixture : public ::testing::Test {
protected:
    EquipmentTestFixture()
    {
        AttachCommDispatch(st);
        st.models.HasExitReader = true;
        st.routines.OutRd_Receive = [this](Station&) { links.exitReader->OutRd_Receive(); };
        for (const auto& [port, path] : {std::pair{PortDispenser, "/dev/td"}, {PortReader, "/dev/rd"}, {PortCalc, "/dev/or"}})
            EXPECT_TRUE(st.comm->openPort(port, path, SerialSettings{}));
    }
    QStringList sent(const char* path) { return FrameTexts(fake.ports->device(path).written()); }

    TestStation ts;
    Station& st = ts.st;
    FakeComm fake = InstallFakeComm(ts.st);
    EquipmentLinks links{std::make_shared<DispenserFamily1>(st), std::make_shared<TicketReaderLink>(st),
                         std::make_shared<ExitReaderLink>(st)};
    EquipmentTestLogic logic{st, links};
};

TEST_F(EquipmentTestFixture, DispenserRunSendsTheBoothsPollFrame)
{
    logic.tdRun("00", "");
    EXPECT_EQ(fake.ports->device("/dev/td").written().toHex(' '), "02 43 30 30 30 03 70");
}

struct TdRow {
    const char* name;
    int code;
    QDate day;
    std::optional<QString> text3;
    std::optional<bool> enabled;
};

TEST(EquipmentTest, DispenserCodesFillTheParameterBox)
{
    const TdRow rows[] = {
        {"SundayClock", 5, kSunday, "2601110930457", true},
        {"MondayClock", 5, kMonday, "2601050930451", true},
        {"OutputPorts", 2, kMonday, "11111111", true},
        {"UnitNumber", 9, kMonday, "000", true},
        {"SeasonBan", 12, kMonday, "000000000", true},
        {"StatusEmptyDisabled", 0, kMonday, "", false},
        {"AddressEmptyEnabled", 20, kMonday, "", true},
        {"DisplayLeavesBoth", 25, kMonday, std::nullopt, std::nullopt},
    };
    for (const TdRow& r : rows) {
        const TdCommandView v = TdCommand(r.code, QDateTime(r.day, QTime(9, 30, 45)));
        EXPECT_EQ(v.text3, r.text3) << r.name;
        EXPECT_EQ(v.enabled, r.enabled) << r.name;
    }
    EXPECT_EQ(TdCommand(0, {}).label, "발행기의 상태 STATUS 를 요구한다.");
}

TEST_F(EquipmentTestFixture, ReaderCommandsSendTheirFrames)
{
    const struct {
        const char* name;
        int index;
        QStringList frames;
    } rows[] = {
        {"Init", 0, {"C00"}},
        {"RetryCount", 7, {"C43"}},
        {"PrintThenBareC90", 11, {"C9012\x1f" "23", "C90"}},
        {"PrintAndEject", 12, {"C9020\x1f" "23"}},
        {"Temperature", 14, {"CH1"}},
    };
    for (const auto& r : rows) {
        fake.ports->device("/dev/rd").clearWrites();
        logic.readerRun(r.index, "3");
        EXPECT_EQ(sent("/dev/rd"), r.frames) << r.name;
    }
}

TEST_F(EquipmentTestFixture, TestTicketAndEraseByDispenserKind)
{
    const struct {
        const char* name;
        quint8 dispenser;
        bool issue;
        QStringList frames;
    } rows[] = {
        {"PaperIssue", 1, true,
         {"C7000080001" "32601050930", "C9023\x1f" "2      일련번호 : 0001",
          "C9024\x1f" "2      입차일자 : 2026년01월05일", "C9025\x1f" "2      입차시간 : 09:30", "C30"}},
        {"RecycledIssue", 2, true,
         {"C70" "08" "0008" "0001" "1" "2601050930", "C9608\x1fH\x1f" "0 입:01/05 09:30    0001", "C30"}},
        {"PaperErase", 1, false, {"C30"}},
        {"RecycledErase", 2, false, {"C70" + QString(30, '0'), "C810022", "C30"}},
    };
    st.trx.RecycleLine = 3;
    for (const auto& r : rows) {
        fake.ports->device("/dev/rd").clearWrites();
        st.models.DispenserType = r.dispenser;
        if (r.issue) logic.readerIssue("0001", kMonday, kNine30);
        else logic.readerErase();
        EXPECT_EQ(sent("/dev/rd"), r.frames) << r.name;
        EXPECT_FALSE(st.ReaderBusy) << r.name;
    }
}

TEST_F(EquipmentTestFixture, ExitReaderClockSetWeekdayAndMinutes)
{
    fake.ports->device("/dev/or").replier = [](const QByteArray& b) {
        if (b.contains("CTW")) return TD_Frame("PTW");
        if (b.contains("CTR")) return TD_Frame("PTR  20260111093000  07");
        return QByteArray();
    };
    const struct {
        const char* name;
        QDate day;
        const char* minutes;
        QStringList frames;
        const char* message;
    } rows[] = {
        {"SundayFive", kSunday, "5", {"CTW2026011109300007" "05", "CTR"}, "출구 판독기 시간및 허용시간 설정 성공!"},
        {"SaturdayEmpty", kSaturday, "", {"CTW2026011009300006" "00", "CTR"}, "출구 판독기 시간및 허용시간 설정 성공!"},
        {"Letters", kSunday, "abc", {}, "분은 0에서 99 사이로 입력하세요"},
        {"ThreeDigits", kSunday, "100", {}, "분은 0에서 99 사이로 입력하세요"},
    };
    for (const auto& r : rows) {
        fake.ports->device("/dev/or").clearWrites();
        const auto view = logic.exitReaderRun(0, r.day, kNine30, r.minutes, {});
        EXPECT_EQ(sent("/dev/or"), r.frames) << r.name;
        EXPECT_EQ(ts.msgs.shown.back().text, QString::fromUtf8(r.message)) << r.name;
        EXPECT_EQ(view.has_value(), !r.frames.isEmpty()) << r.name;
    }
    EXPECT_EQ(ts.msgs.shown.back().title, "입력오류");
}

TEST(EquipmentTest, ClockReadBackByReplyLength)
{
    const struct {
        const char* name;
        bool answered;
        QString reply;
        QString label13, text6;
    } rows[] = {
        {"WellFormed", true, "PTR  20260111093015  07",
         "현재시간 : 2026-01-11 09:30:15         허용시간 : 07분", "07"},
        {"TwentyTwo", true, "PTR  20260111093015  7", "현재시간 : 통신 데이터 오류PTR  20260111093015  7", "0"},
        {"NoAnswer", false, "PTR  20260111093015  07", "현재시간 : 통신 오류", "0"},
    };
    for (const auto& r : rows) {
        const ReadBackView v = ReadBackOf(r.answered, r.reply);
        EXPECT_EQ(v.label13, r.label13) << r.name;
        EXPECT_EQ(v.text6, r.text6) << r.name;
    }
}

TEST_F(EquipmentTestFixture, SeasonButtonsRunTheGateDecisionOnTheGateBuffer)
{
    QStringList calls;
    const auto record = [&](const char* kind) {
        return [&, kind](Station&, QString& card, qint16& gate) {
            calls << QStringLiteral("%1 %2 %3").arg(kind).arg(gate).arg(card);
        };
    };
    st.routines.Season_In = record("in");
    st.routines.Season_Out = record("out");
    for (int i = 0; i < 4; ++i) logic.seasonCard(i, QStringLiteral("000000000%1").arg(i));
    EXPECT_EQ(calls, QStringList({"in 1 0000000000", "out 2 0000000001", "in 3 0000000002", "out 5 0000000003"}));
    EXPECT_EQ(st.gates.RxBuf[GateOut2], "0000000003");
}

TEST_F(EquipmentTestFixture, GeneratorInsertsSkipsDuplicatesAndRaisesTheEntryFlag)
{
    const struct {
        const char* name;
        bool toHost;
        const char *first, *last;
        qint64 rows;
        int unsent;
        const char* skipped; // the one message, or ""
    } rows[] = {
        {"Defaults", true, "0001", "0100", 100, 100, ""},
        {"NotSent", false, "0101", "0102", 2, 0, ""},
        {"ClampedBelowZero", true, "-5", "0001", 1, 1, "이미 있는 입차코드 1건은 만들지 않았습니다."},
        {"FirstAboveLast", true, "0200", "0199", 0, 0, ""},
    };
    qint64 before = 0;
    for (const auto& r : rows) {
        Exec(st.Db, "UPDATE 인쇄옵션 SET 일반권입차전송 = ?", {r.toHost ? 1 : 0});
        Exec(st.Db, "UPDATE 일반권 SET 전송여부 = 1");
        st.HostPending[HostTD] = false;
        ts.msgs.shown.clear();
        logic.generate(0, r.first, r.last);
        EXPECT_EQ(ts.count("일반권") - before, r.rows) << r.name;
        EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 일반권 WHERE 전송여부 = 0").toInt(), r.unsent) << r.name;
        EXPECT_TRUE(st.HostPending[HostTD]) << r.name;
        EXPECT_EQ(ts.msgs.texts().join(""), QString::fromUtf8(r.skipped)) << r.name;
        before = ts.count("일반권");
    }
    EXPECT_EQ(ts.value("SELECT 입차코드 || ' ' || 입차일 || ' ' || 입차시간 || ' ' || 정산구분 FROM 일반권 "
                       "WHERE 티켓번호 = '0000'"),
              "0000202601050900 2026-01-05 09:00 0");
}

// The fee display (port 7, model "VD0   TYPE") and exit reader (port 9) panels,
// driven through the screen: what each entry's button sends to which device.
TEST_F(EquipmentTestFixture, FeeAndExitReaderPanelsSendToTheirOwnDevice)
{
    ASSERT_TRUE(st.comm->openPort(PortFeeDisp, "/dev/fd", SerialSettings{}));
    st.models.FeeDispType = 4;
    fake.ports->device("/dev/or").replier = [](const QByteArray& b) {
        return b.contains("CTR") ? TD_Frame("PTR  20260111093015  07") : QByteArray();
    };
    const QStringList relay1{"R11", "R10", "R10", "R10"};
    const struct {
        const char* name;
        bool fee; // Combo2/Txt1_2/Command6, else Combo3/Text7/Command15
        int index;
        const char* value;
        QStringList display, exitReader;
    } rows[] = {
        {"Time", true, 0, "0930", {"WT0930"}, {}},
        {"AmountHalfToEven", true, 1, "1230.5", {"WD  1230"}, {}},
        {"AmountWidest", true, 1, "999999", {"WD999999"}, {}},
        {"GateOpen", true, 2, "", {"WR", "R20", "R20", "R20"}, {}},
        {"Relay1", true, 4, "", relay1, {}},
        {"Relay2", true, 5, "", {"R21", "R20", "R20", "R20"}, {}},
        {"Relay4", true, 7, "", {"R41", "R40", "R40", "R40"}, {}},
        {"Status", true, 8, "", {"WS"}, {}},
        {"ReadBack", false, 1, "", {}, {"CTR"}},
        {"ReaderRelay1", false, 2, "", {}, {"CG1"}},
        {"ReaderRelay3", false, 4, "", {}, {"CG3"}},
        {"VfdTimeToTheFeeDisplay", false, 5, "", {"TS26/01/05 09:00"}, {}},
        {"Guide", false, 6, "안녕", {}, {"DSM0안녕"}},
    };
    FrmTest form(st, links);
    for (const auto& r : rows) {
        for (const char* path : {"/dev/fd", "/dev/or"}) fake.ports->device(path).clearWrites();
        form.findChild<QComboBox*>(r.fee ? "Combo2" : "Combo3")->setCurrentIndex(r.index);
        if (*r.value) form.findChild<QLineEdit*>(r.fee ? "Txt1_2" : "Text7")->setText(QString::fromUtf8(r.value));
        QTest::mouseClick(form.findChild<QPushButton*>(r.fee ? "Command6" : "Command15"), Qt::LeftButton);
        EXPECT_EQ(sent("/dev/fd"), r.display) << r.name;
        EXPECT_EQ(sent("/dev/or"), r.exitReader) << r.name;
    }
    EXPECT_EQ(form.findChild<QLabel*>("Label13")->text(), "현재시간 : 2026-01-11 09:30:15         허용시간 : 07분");
    EXPECT_EQ(form.findChild<QLineEdit*>("Text6")->text(), "07");

    fake.ports->device("/dev/fd").clearWrites();
    form.findChild<QComboBox*>("Combo2")->setCurrentIndex(3); // digit sweep: 0 to 9, three rounds
    QTest::mouseClick(form.findChild<QPushButton*>("Command6"), Qt::LeftButton);
    const QStringList sweep = sent("/dev/fd");
    ASSERT_EQ(sweep.size(), 30);
    EXPECT_EQ(sweep.mid(0, 3), QStringList({"WD     0", "WD111111", "WD222222"}));
    EXPECT_EQ(sweep.mid(28), QStringList({"WD888888", "WD999999"}));
}

TEST_F(EquipmentTestFixture, ClosingTheScreenFreesTheReader)
{
    for (const bool byExit : {true, false}) {
        FrmTest form(st, links);
        QTest::mouseClick(form.findChild<QPushButton*>("Command5"), Qt::LeftButton);
        ASSERT_TRUE(st.ReaderBusy);
        if (byExit) QTest::mouseClick(form.findChild<QPushButton*>("Command2"), Qt::LeftButton);
        else form.reject(); // the window's close box
        EXPECT_FALSE(st.ReaderBusy) << byExit;
    }
}

} // namespace
