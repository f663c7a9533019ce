#include "serial/SerialTestUtil.h"

#include "platform/Cp949.h"
#include "serial/Printer.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

class PrinterFixture : public ::testing::Test {
protected:
    void setPrinter(const QString& port, const QString& model, bool use = true)
    {
        Exec(st.Db, "UPDATE 영수증프린터 SET PORT = ?, 기종 = ?, 사용여부 = ?", {port, model, use});
    }
    // A serial printer on port 4.
    FakeDevice& serialPrinter(const QString& model)
    {
        setPrinter("Rs232c", model);
        EXPECT_TRUE(st.comm->openPort(PortPrinter, "/dev/ttyS4", SerialSettings{}));
        return fake.ports->device("/dev/ttyS4");
    }
    QByteArray dayFile(const QString& day) const
    {
        QFile f(st.DataPath + day + ".txt");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    Station& st = ts.st;
};

TEST_F(PrinterFixture, ModelCodesFromTheModelText)
{
    const std::pair<const char*, int> models[] = {{"CBM-720", 1}, {"CP-300", 2},   {"TM-300", 3},
                                                  {"STAR-300", 4}, {"TM-T88", 5},  {"WRP-100P", 5},
                                                  {"tm-t88", 0},  {"TM-T88 ", 0}, {"EPSON", 0}};
    for (const auto& [text, code] : models) {
        setPrinter("FILE", QString::fromUtf8(text));
        EXPECT_EQ(Printer_Model(st), code) << text;
    }
    Exec(st.Db, "DELETE FROM 영수증프린터");
    EXPECT_EQ(Printer_Model(st), 0);
    EXPECT_FALSE(Printer_Open(st));
}

struct ModelBytes {
    const char* model;
    const char* print;  // Printer_Print("ab", 0) then Printer_Print("가", 1)
    const char* cut;    // Printer_Cut(0)
    const char* drawer; // Printer_OpenDrawer()
};

class PrinterModelBytes : public PrinterFixture, public ::testing::WithParamInterface<ModelBytes> {};

TEST_P(PrinterModelBytes, ControlBytesOfEachModel)
{
    const ModelBytes& m = GetParam();
    FakeDevice& dev = serialPrinter(QString::fromUtf8(m.model));
    ASSERT_TRUE(Printer_Open(st));
    Printer_Print(st, "ab", 0);
    Printer_Print(st, "가", 1);
    EXPECT_EQ(dev.written().toHex(' '), QByteArray::fromHex(m.print).toHex(' '));
    dev.clearWrites();
    Printer_Cut(st, 0);
    EXPECT_EQ(dev.written().toHex(' '), QByteArray::fromHex(m.cut).toHex(' '));
    dev.clearWrites();
    Printer_OpenDrawer(st);
    EXPECT_EQ(dev.written().toHex(' '), QByteArray::fromHex(m.drawer).toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Models, PrinterModelBytes,
    ::testing::Values(ModelBytes{"CBM-720", "0F" "61620A" "0E" "B0A10A", "0A0A0A0A0A" "1B5000", "1B4F"},
                      ModelBytes{"CP-300", "14" "61620A" "0E" "B0A10A", "0A0A0A0A0A" "1B5030", "07"},
                      ModelBytes{"TM-300", "1B2100" "61620A" "1B2120" "B0A10A", "0A0A0A0A0A" "1B69", "1B70"},
                      ModelBytes{"STAR-300", "0F" "61620A" "0E" "B0A10A", "0A0A0A0A0A" "1B5030", "07"},
                      ModelBytes{"TM-T88", "1B2100" "61620A" "1B2120" "B0A10A", "0A0A0A0A0A" "1D5600", "1B70008080"},
                      ModelBytes{"WRP-100P", "1B2100" "61620A" "1B2120" "B0A10A", "0A0A0A0A0A" "1D5600", "1B70008080"},
                      ModelBytes{"OTHER", "", "", ""}));

TEST_F(PrinterFixture, ModelOneCutCarriesItsArgumentAndFeedZeroSendsNothing)
{
    FakeDevice& dev = serialPrinter("CBM-720");
    Printer_Cut(st, 7);
    EXPECT_EQ(dev.written().toHex(), "0a0a0a0a0a1b5007");
    dev.clearWrites();
    Printer_Feed(st, 0);
    EXPECT_TRUE(dev.writes.empty());
    Printer_Feed(st, 3);
    EXPECT_EQ(dev.written().toHex(), "0a0a0a");
}

TEST_F(PrinterFixture, SerialPrinterOpenRules)
{
    setPrinter("Rs232c", "CBM-720", false);
    EXPECT_FALSE(Printer_Open(st)); // not in use: silent
    setPrinter("rs232c", "CBM-720", true);
    EXPECT_FALSE(Printer_Open(st)); // not recognised: silent
    EXPECT_TRUE(ts.msgs.shown.empty());
    setPrinter("Rs232c", "CBM-720", true);
    EXPECT_FALSE(Printer_Open(st)); // port 4 closed
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title, "Tarvola");
    EXPECT_EQ(ts.msgs.shown[0].text, "영수증 프린터가 Rs232로 설정되어 있으나 포트를 정상적으로 사용할 수 없습니다.\r\n"
                                     "주메뉴에서 Comm포트설정을 확인하세요!");
    Printer_Print(st, "x", 0); // a closed port stays silent
    EXPECT_FALSE(fake.ports->has("/dev/ttyS4"));
}

TEST_F(PrinterFixture, ParallelStatusRule)
{
    setPrinter("LPT1", "TM-300");
    FakeLptDevice& lp0 = fake.lpt->device("/dev/lp0");
    const std::pair<quint8, bool> cases[] = {{0xD0, true},  {0xD8, true},  {0xDF, true}, {0x50, false},
                                             {0x90, false}, {0xC0, false}, {0xF0, false},       {0xFF, false}};
    for (const auto& [status, ready] : cases) {
        lp0.statusByte = status;
        EXPECT_EQ(Lpt_Status(st, 1), ready) << int(status);
    }
    EXPECT_FALSE(Lpt_Status(st, 2)); // no device there
}

TEST_F(PrinterFixture, ParallelOpenReadsTheStatusOfItsOwnDevice)
{
    fake.lpt->device("/dev/lp0").statusByte = 0x50; // LPT1 busy
    FakeLptDevice& lp1 = fake.lpt->device("/dev/lp1");
    setPrinter("LPT2", "TM-300");
    ASSERT_TRUE(Printer_Open(st));
    EXPECT_TRUE(lp1.open);
    Printer_Print(st, "", 0);
    EXPECT_EQ(lp1.written.toHex(), "1b21000a");
    Printer_Release(st);
    EXPECT_FALSE(lp1.open);
    Printer_Print(st, "late", 0); // no job: nothing
    EXPECT_EQ(lp1.written.toHex(), "1b21000a");
    EXPECT_TRUE(ts.msgs.shown.empty());
}

TEST_F(PrinterFixture, ParallelFailuresShowTheirMessages)
{
    setPrinter("LPT1", "TM-300");
    EXPECT_FALSE(Printer_Open(st)); // no /dev/lp0
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].text,
              "영수증 프린터가 LPT1으로 설정되어 있으나  LPT1이 오픈되지 않습니다.\r\n시스템을 재부팅 하십시요!");
    ts.msgs.clear();
    fake.lpt->device("/dev/lp0").statusByte = 0xF0; // paper out
    EXPECT_FALSE(Printer_Open(st));
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].text, "프린터 오류 :  영수증 프린터에 이상이 있습니다. 점검 하시기 바랍니다.");
    EXPECT_FALSE(fake.lpt->device("/dev/lp0").open);
}

TEST_F(PrinterFixture, StalledParallelPrinterEndsTheJobWithOneMessage)
{
    setPrinter("LPT1", "TM-T88");
    FakeLptDevice& lp0 = fake.lpt->device("/dev/lp0");
    ASSERT_TRUE(Printer_Open(st));
    lp0.stall = true;
    for (int i = 0; i < 5; ++i) Printer_Print(st, "line", 0);
    Printer_Cut(st, 0);
    EXPECT_EQ(lp0.timedOutWrites, 1);
    EXPECT_FALSE(lp0.open);
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].text, "프린터 오류 :  영수증 프린터에 이상이 있습니다. 점검 하시기 바랍니다.");
    Printer_Release(st);
}

TEST_F(PrinterFixture, ParallelMappingComesFromThePortsSection)
{
    WriteIniText(st.IniPath, "[ports]\nLPT1=/dev/usb/lp0\n");
    FakeLptDevice& usb = fake.lpt->device("/dev/usb/lp0");
    usb.statusByte = 0x18; // a ready USB printer
    setPrinter("LPT1", "CP-300");
    Printer_OpenDrawer(st);
    EXPECT_EQ(usb.written.toHex(), "07");
    EXPECT_FALSE(usb.open); // the drawer is a job by itself
}

TEST_F(PrinterFixture, DayFileTakesLinesInCp949AndChangesAtMidnight)
{
    setPrinter("FILE", "CBM-720");
    ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(23, 59, 59)));
    ASSERT_TRUE(Printer_Open(st));
    Printer_Print(st, "abc", 0);
    Printer_Print(st, "영수증", 1);
    Printer_Cut(st, 0);
    Printer_OpenDrawer(st);
    ts.clock.advanceSecs(2);
    Printer_Print(st, "next", 0);
    EXPECT_EQ(dayFile("2026-01-05"), "abc\r\n" + cp949::encode("영수증") + "\r\n");
    EXPECT_EQ(dayFile("2026-01-06"), "next\r\n");
}

TEST_F(PrinterFixture, UnknownModelPrintsNothingEvenToTheDayFile)
{
    setPrinter("FILE", "EPSON");
    EXPECT_TRUE(Printer_Open(st));
    Printer_Print(st, "abc", 0);
    EXPECT_EQ(dayFile("2026-01-05"), "<missing>");
}

TEST_F(PrinterFixture, PlaysPrintOperationsInOrder)
{
    FakeDevice& dev = serialPrinter("CBM-720");
    Printer_Play(st, {PrintLine("a"), PrintFeed(2), PrintLine("b", 1), PrintCut(0)});
    EXPECT_EQ(dev.written().toHex(), "0f610a" "0a0a" "0e620a" "0a0a0a0a0a1b5000");
}

TEST_F(PrinterFixture, UsbPrinterReadinessFromItsClassStatus)
{
    WriteIniText(st.IniPath, "[ports]\nLPT1=/dev/usb/lp0\n");
    setPrinter("LPT1", "TM-300");
    FakeLptDevice& usb = fake.lpt->device("/dev/usb/lp0");
    // bit 3 no error, bit 4 selected, bit 5 paper empty
    const std::pair<quint8, bool> cases[] = {{0x18, true}, {0x08, false}, {0x10, false}, {0x38, false}, {0xD0, false}};
    for (const auto& [status, ready] : cases) {
        usb.statusByte = status;
        EXPECT_EQ(Lpt_Status(st, 1), ready) << int(status);
    }
    usb.statusByte = 0x18;
    EXPECT_TRUE(Printer_Open(st));
    EXPECT_TRUE(ts.msgs.shown.empty());
}

} // namespace
