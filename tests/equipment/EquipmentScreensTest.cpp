// The dispenser and exit-reader screens: the dispenser's command texts, a
// setting stored only when acknowledged, the stock entry, and each screen
// opened by its menu item.

#include "common/ModalMessages.h"
#include "common/TestStation.h"
#include "core/Sql.h"
#include "equipment/DispenserAttach.h"
#include "equipment/EquipmentScreens.h"
#include "equipment/EquipmentScreensLogic.h"
#include "platform/Ini.h"
#include "serial/FakeComm.h"
#include "station/CommDispatch.h"
#include "station/Menus.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

QDateTime At(int d, int h, int mi, int s) { return QDateTime(QDate(2026, 1, d), QTime(h, mi, s)); }

TEST(DispenserCommandText, ByCommandAndUnit)
{
    struct Case { int pos; const char* unit; const char* v0; const char* v1; QDateTime now;
                  const char* expected; } const cases[] = {
        {3, "1", " 25 ", "", At(5, 9, 0, 0), "10425"},
        {0, "07", "", "", At(4, 10, 20, 30), "07012601041020300"}, // Sunday
        {0, "07", "", "", At(10, 8, 0, 5), "07012601100800056"},   // Saturday
        {2, "00", "0001 ", " 9999", At(5, 9, 0, 0), "000300019999"},
        {1, "01", "9", "8", At(5, 9, 0, 0), "0102"},
        {4, "01", " 500 ", "8", At(5, 9, 0, 0), "0105500"},
        {6, "01", "30", "8", At(5, 9, 0, 0), "010830"},
        {7, "01", "9", "8", At(5, 9, 0, 0), "0110"},
        {8, "01", "9", "8", At(5, 9, 0, 0), "0111"},
        {9, "01", "9", "8", At(5, 9, 0, 0), "0112"},
        {10, "01", "9", "8", At(5, 9, 0, 0), "0113"},
        {11, "01", "9", "8", At(5, 9, 0, 0), "0114"},
        {12, "01", "9", "8", At(5, 9, 0, 0), "0115"},
        {13, "01", "1234", "8", At(5, 9, 0, 0), "01161234"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TdCommandText(c.pos, c.unit, c.v0, c.v1, c.now), QString::fromLatin1(c.expected)) << c.expected;
}

class DispenserScreens : public ::testing::Test {
protected:
    test::TestStation ts;
    Station& st = ts.st;
    FakeComm fake = InstallFakeComm(ts.st);
    bool answers = true;

    void SetUp() override
    {
        st.models.DispenserType = 3;
        st.models.DispenserUnitNo = QStringLiteral("01");
        ASSERT_TRUE(st.comm->openPort(PortDispenser, kPath, SerialSettings{}));
        fake.ports->device(kPath).replier = [this](const QByteArray& w) {
            return answers && w.startsWith('\x02') ? QByteArray("\x06") : QByteArray();
        };
        AttachCommDispatch(st);
        AttachDispenser(st);
    }
    QString row() const
    {
        return ts.value(QStringLiteral("SELECT printf('%s|%s|%s|%s|%s|%s', Start_No, End_No, Td_No, Max_No, Exit_Time, Unit_No) FROM 발권기")).toString();
    }
    static inline const QString kPath = QStringLiteral("/dev/fake-td");
};

TEST_F(DispenserScreens, SettingsAreStoredOnlyWhenAcknowledged)
{
    // message: "" for none; row: Start_No|End_No|Td_No|Unit_No afterwards.
    struct Case { const char* name; int pos; const char* v0; const char* v1; bool ack; const char* message;
                  const char* row; } const cases[] = {
        {"range, answered", 2, "1'2", "9999", true, "발권기 설정 : 발행번호 범위 설정 성공", "1'2|9999||||"},
        {"next number, no answer", 3, "25", "", false, "발권기 설정 : 발행번호 재설정 실패", "1'2|9999||||"},
        {"reset, answered", 1, "", "", true, "발권기 설정 : 발행번호 초기화 성공", "1'2|9999||||"},
        {"next number, answered", 3, " 25", "", true, "발권기 설정 : 발행번호 재설정 성공", "1'2|9999| 25|||"},
        {"roll size, answered", 4, "500", "", true, "발권기 설정 : 최대 발행수량 설정 성공", "1'2|9999| 25|500||"},
        {"void time, answered", 6, "30", "", true, "발권기 설정 : 폐권처리 시간설정 성공", "1'2|9999| 25|500|30|"},
        {"unit number", 5, " 3", "", true, "", "1'2|9999| 25|500|30| 3"},
    };
    Exec(st.Db, QStringLiteral("UPDATE 발권기 SET Start_No = NULL, End_No = NULL, Td_No = NULL, Max_No = NULL, Exit_Time = NULL, "
                               "Unit_No = NULL"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ts.msgs.shown.clear();
        answers = c.ack;
        SendTdCommand(st, c.pos, QString::fromUtf8(c.v0), QString::fromUtf8(c.v1));
        EXPECT_EQ(ts.msgs.texts().join(QLatin1Char('|')), QString::fromUtf8(c.message));
        EXPECT_EQ(row(), QString::fromUtf8(c.row));
    }
    EXPECT_EQ(st.models.DispenserUnitNo, QStringLiteral("3"));
}

TEST_F(DispenserScreens, AnEmptyUnitNumberIsStoredAndTheStationUses00)
{
    // typed: the box text; row: Unit_No stored; unit: the number in use afterwards.
    struct Case { const char* typed; const char* row; const char* unit; } const cases[] = {
        {"  ", "  ", "00"}, {" 7", " 7", "7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        st.models.DispenserUnitNo = QStringLiteral("01");
        SendTdCommand(st, kUnitNoCommand, QString::fromUtf8(c.typed), QString());
        EXPECT_EQ(ts.value(QStringLiteral("SELECT Unit_No FROM 발권기")).toString(), QString::fromUtf8(c.row));
        EXPECT_EQ(st.models.DispenserUnitNo, QString::fromUtf8(c.unit));
    }
}

TEST(DispenserUnitNumber, ChoosingItTakesTheStoredOneOnlyWhenTheTableIsRead)
{
    // setup: a statement run before the choice; unit: the unit number afterwards.
    struct Case { const char* name; const char* setup; const char* unit; const char* message; } const cases[] = {
        {"row read", "UPDATE 발권기 SET Unit_No = '05'", "05", ""},
        {"stored Null", "UPDATE 발권기 SET Unit_No = NULL", "00", ""},
        {"no row", "DELETE FROM 발권기", "01", ""},
        {"table unreadable", "ALTER TABLE 발권기 RENAME TO 발권기_old", "01", "데이터 베이스 오류"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TestStation fresh;
        fresh.st.models.DispenserUnitNo = QStringLiteral("01");
        Exec(fresh.st.Db, QString::fromUtf8(c.setup));
        SelectTdCommand(fresh.st, kUnitNoCommand);
        EXPECT_EQ(fresh.st.models.DispenserUnitNo, QString::fromUtf8(c.unit));
        EXPECT_EQ(fresh.msgs.shown.empty() ? QString() : fresh.msgs.shown.front().title, QString::fromUtf8(c.message));
    }
}

TEST_F(DispenserScreens, AnAcknowledgedSettingIsStoredBeforeItsResultIsShown)
{
    // The table refuses the update: its error comes before the result box.
    Exec(st.Db, QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON 발권기 BEGIN SELECT RAISE(ABORT, 'locked'); END"));
    SendTdCommand(st, 4, QStringLiteral("500"), QString());
    ASSERT_EQ(ts.msgs.shown.size(), 2u);
    EXPECT_EQ(ts.msgs.shown[0].title, QStringLiteral("데이터 베이스 오류"));
    EXPECT_EQ(ts.msgs.shown[1].text, QStringLiteral("발권기 설정 : 최대 발행수량 설정 성공"));
}

TEST_F(DispenserScreens, TicketStockEntry)
{
    struct Case { const char* typed; bool stored; qint32 count; } const cases[] = {
        {"0", false, 77}, {"-5", false, 77}, {"abc", false, 77}, {"4294967296", false, 77},
        {"12.5", true, 12}, {"13.5", true, 14}, {"500", true, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const QString key = QStringLiteral("잔여티켓매수"), section = QStringLiteral("시스템");
        st.settings.TicketsLeft = 77;
        st.DispenserAlarm = 1;
        Write_Ini(st.IniPath, section, key, QStringLiteral("77"));
        EXPECT_EQ(StoreTicketStock(st, QString::fromLatin1(c.typed)), c.stored);
        EXPECT_EQ(st.settings.TicketsLeft, c.count);
        EXPECT_EQ(Read_Ini(st.IniPath, section, key, {}), QString::fromLatin1(c.stored ? c.typed : "77"));
        EXPECT_EQ(st.DispenserAlarm == 0, c.stored);
    }
}

struct Screens : ScreenHost {
    Station& st;
    explicit Screens(Station& s) : st(s) {}
    void showModeless(const QString&) override {}
    void showModal(const QString& form) override
    {
        if (form == QLatin1String("FrmTDCnt")) ShowFrmTDCnt(st);
        if (form == QLatin1String("FrmTD")) ShowFrmTD(st);
        if (form == QLatin1String("FrmInfom")) ShowFrmInfom(st, nullptr);
        if (form == QLatin1String("FrmOutRd")) ShowFrmOutRd(st);
    }
};

TEST_F(DispenserScreens, EachScreenOpensFromItsMenu)
{
    struct Case { const char* menu; quint8 model; const char* form; const char* caption; } const cases[] = {
        {"MnuNewTD", 3, "FrmTDCnt", "발권기 주차권교환"},
        {"MnuTDTime", 1, "FrmInfom", "발권기 안내 멘트 설정"},
        {"Mnu_Td", 0, "FrmTD", "주차권 발권기"},
        {"Mnu_OutRd", 3, "FrmOutRd", "주차권 판독기 안내 멘트 설정"},
    };
    st.models.HasExitReader = true;
    ASSERT_TRUE(st.comm->openPort(PortCalc, QStringLiteral("/dev/fake-outrd"), SerialSettings{}));
    Screens host(st);
    Menus menus(st, host);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu);
        st.models.DispenserType = c.model;
        QString seen;
        QObject scope; // no looking on once this item has had its turn
        test::WhenModal(QString(), [&](QWidget& w) {
            seen = w.objectName() + QLatin1Char(' ') + w.windowTitle();
            static_cast<QDialog&>(w).done(0);
        }, &scope);
        menus.click(QString::fromLatin1(c.menu));
        EXPECT_EQ(seen, QString::fromUtf8(c.form) + QLatin1Char(' ') + QString::fromUtf8(c.caption));
    }
}

// The fee display tests of the dispenser screen and the exit reader screen's
// time button, through the screens, on a "VD0   TYPE" display.
TEST_F(DispenserScreens, FeeDisplayButtonsSendTheirFramesToTheFeeDisplay)
{
    ASSERT_TRUE(st.comm->openPort(PortFeeDisp, QStringLiteral("/dev/fake-fd"), SerialSettings{}));
    st.models.FeeDispType = 4;
    st.models.HasExitReader = true;
    FakeDevice& fd = fake.ports->device(QStringLiteral("/dev/fake-fd"));
    const auto frames = [&fd] {
        const QString all = QString::fromLatin1(fd.written()).remove(QChar(2));
        fd.clearWrites();
        return all.split(QChar(3), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    };
    const struct { int index; const char* frames; } rows[] = {
        {0, "WT0900"}, {1, "WD125000"}, {2, "WR R20 R20 R20"}, {4, "R11 R10 R10 R10"}, {5, "R21 R20 R20 R20"},
    };
    QStringList seen;
    test::WhenModal(QStringLiteral("FrmTD"), [&](QWidget& w) {
        for (const auto& r : rows) {
            w.findChild<QComboBox*>(QStringLiteral("Combo2"))->setCurrentIndex(r.index);
            w.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            seen << frames();
        }
        static_cast<QDialog&>(w).reject();
    });
    ShowFrmTD(st);
    QStringList expected;
    for (const auto& r : rows) expected << QString::fromLatin1(r.frames);
    EXPECT_EQ(seen, expected);

    test::WhenModal(QStringLiteral("FrmOutRd"), [&](QWidget& w) {
        w.findChild<QPushButton*>(QStringLiteral("Command1_1"))->click();
        static_cast<QDialog&>(w).reject();
    });
    ShowFrmOutRd(st);
    EXPECT_EQ(frames(), QStringLiteral("TS26/01/05 09:00"));
}

TEST_F(DispenserScreens, FrmTDCannotBeClosedWhileItWaits)
{
    bool usableDuringWait = false;
    test::WhenModal(QStringLiteral("FrmTD"), [&](QWidget& w) {
        auto* form = static_cast<QDialog*>(&w);
        fake.waits->onEvents = [&, form] {
            form->reject();
            usableDuringWait = usableDuringWait || form->isEnabled() || !form->isVisible();
        };
        form->findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        fake.waits->onEvents = nullptr;
        form->reject();
    });
    ShowFrmTD(st);
    EXPECT_FALSE(usableDuringWait);
    EXPECT_EQ(ts.msgs.texts(), QStringList{QStringLiteral("발권기 설정 : 시간 설정 성공")});
}

} // namespace
