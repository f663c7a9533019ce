// The ticket reader on a fake port 6, with the simulated reader answering:
// the senders, the receive routine, the read parsers inside the exit road,
// the erase procedure and the DSR line that starts a read.

#include "equipment/TicketReader.h"
#include "serial/FakeComm.h"
#include "sim/TicketReaderSim.h"
#include "station/CommDispatch.h"
#include "station/ExitTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;
using namespace Qt::StringLiterals;
using tolvo::sim::TicketReaderSim;

namespace {

const QDateTime kNine30(QDate(2026, 1, 5), QTime(9, 30));
const QString kReaderPath = QStringLiteral("/dev/reader");

class TicketReaderTest : public ::testing::Test {
protected:
    TicketReaderTest()
    {
        AttachCommDispatch(st);
        link = AttachTicketReader(st);
        dev = &fake.ports->device(kReaderPath);
        dev->replier = [this](const QByteArray& b) { return reader.onBytes(b); };
        EXPECT_TRUE(st.comm->openPort(PortReader, kReaderPath, SerialSettings{}));
        screen.setText(QStringLiteral("TNum"), QString());
    }

    // Bytes from the reader, handled as the event loop delivers them.
    void inject(const QByteArray& bytes)
    {
        dev->inject(bytes);
        fake.waits->runEventsFor(10);
    }
    // A card in the reader and the read the DSR line would start.
    void readCard(const QString& card)
    {
        reader.insert(card);
        st.routines.Read_CMD61(st);
    }
    QStringList titles() const
    {
        QStringList t;
        for (const auto& m : msgs.shown) t << m.title;
        return t;
    }
    QVariant value(const QString& sql, const QVariantList& v = {}) const { return rig.value(sql, v); }

    ExitRig rig{kNine30};
    Station& st = rig.st;
    RecordingMainScreen& screen = rig.ts.screen;
    ScriptedMessages& msgs = rig.ts.msgs;
    FakeComm fake = InstallFakeComm(st);
    TicketReaderSim reader;
    std::shared_ptr<TicketReaderLink> link;
    FakeDevice* dev = nullptr;
};

// ---- senders ----

TEST_F(TicketReaderTest, SendersResultsCaptionsAndWaits)
{
    enum Reply { Positive, Negative, Silent, Closed };
    using Call = std::function<bool(TicketReaderLink&)>;
    const Call write = [](TicketReaderLink& l) { return l.Write_CMD(u"x"_s); };
    const Call print90 = [](TicketReaderLink& l) { return l.Print_CMD90(u"x"_s); };
    const Call print96 = [](TicketReaderLink& l) { return l.Print_CMD96(u"x"_s); };
    const Call eject = [](TicketReaderLink& l) { return l.Eject_CMD(); };
    const struct { const char* name; Call call; Reply reply; bool result; const char *label4, *label5; qint64 minMs, maxMs; }
        rows[] = {
            {"write positive", write, Positive, true, "Encoding Success", "-", 0, 200},
            {"write negative", write, Negative, false, "Encoding Fail", "-", 0, 200},
            {"write silent", write, Silent, false, "Encoding No Response", "-", 1000, 1100},
            {"write closed", write, Closed, false, "Encoding No Response", "-", 0, 0},
            {"print90 positive", print90, Positive, true, "-", "Printing Success", 0, 200},
            {"print96 negative", print96, Negative, false, "-", "Printing Fail", 0, 200},
            {"print90 silent", print90, Silent, false, "-", "Printing No Response", 2000, 2100},
            {"print96 closed", print96, Closed, false, "-", "Printing No Response", 0, 0},
            {"eject positive", eject, Positive, true, "", "", 0, 200},
            {"eject negative", eject, Negative, false, "", "", 0, 200},
            {"eject silent", eject, Silent, false, "", "", 1000, 1100},
            {"eject closed", eject, Closed, false, "", "", 0, 0},
            {"read silent", [](TicketReaderLink& l) { return l.Read_CMD60(); }, Silent, false, "-", "-", 1000, 1100},
            {"erase positive", [](TicketReaderLink& l) { return l.RD_Erase_Recycle(); }, Positive, true, "-", "-", 0, 200},
        };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (!st.comm->PortOpen(PortReader)) {
            ASSERT_TRUE(st.comm->openPort(PortReader, kReaderPath, SerialSettings{}));
        }
        if (r.reply == Closed) st.comm->closePort(PortReader);
        reader.silent = r.reply == Silent;
        reader.failCommand = r.reply == Negative ? QStringLiteral("C%1").arg(r.name[0] == 'w' ? "70" : r.name[0] == 'p' ? "96" : "30") : QString();
        screen.setText(QStringLiteral("Label4"), QStringLiteral("-"));
        screen.setText(QStringLiteral("Label5"), QStringLiteral("-"));
        dev->clearWrites();
        const qint64 start = fake.waits->now;
        EXPECT_EQ(r.call(*link), r.result);
        const qint64 waited = fake.waits->now - start;
        EXPECT_GE(waited, r.minMs);
        EXPECT_LE(waited, r.maxMs);
        EXPECT_EQ(screen.text(QStringLiteral("Label4")), QString::fromUtf8(r.label4));
        EXPECT_EQ(screen.text(QStringLiteral("Label5")), QString::fromUtf8(r.label5));
        EXPECT_EQ(dev->writes.empty(), r.reply == Closed);
        EXPECT_EQ(link->RDResult(), r.reply == Positive ? 1 : r.reply == Negative ? 2 : 0);
    }
}

TEST_F(TicketReaderTest, CommandFramesControlBytesAndTheirTrace)
{
    st.comm->DebugOn = true;
    st.comm->DebugDevice = PortReader;
    reader.silent = true;
    link->Eject_CMD();
    link->Read_CMD61();
    link->RD_Erase_Recycle();
    ASSERT_EQ(dev->writes.size(), 3u);
    EXPECT_EQ(dev->writes[0].bytes, QByteArray("\x02" "C30" "\x03" "C"));
    EXPECT_EQ(dev->writes[1].bytes, QByteArray("\x02" "C61" "\x03" "G"));
    EXPECT_EQ(dev->writes[2].bytes.mid(1, 7), QByteArray("C810022"));
    // ACK is answered with one ENQ; ENQ and NAK stay out of a frame without STX.
    dev->clearWrites();
    inject(QByteArray("\x06"));
    EXPECT_EQ(dev->written(), QByteArray("\x05"));
    dev->clearWrites();
    inject(QByteArray("\x05P0\x15" "0\x03" "c"));
    EXPECT_TRUE(dev->writes.empty());
    EXPECT_EQ(screen.list1, QStringList{u"리더기(ZP-2000)가 초기화 되었습니다."_s});
    EXPECT_EQ(link->RDResult(), 1);
    for (const char* line : {"  주차권리더기: > Eject_CMD 송신(C30)", "  주차권리더기: > Read_CMD 송신(C61)",
                             "  주차권리더기: > RD_Erase_Recycle 송신(C81)", "  주차권리더기: < ACK 수신",
                             "  주차권리더기: > ENQ 송신", "  주차권리더기: < 수신데이터 P00"})
        EXPECT_TRUE(st.comm->trace.text().contains(QString::fromUtf8(line))) << line;
}

TEST_F(TicketReaderTest, PortTestEchoDropsTheRestOfItsRead)
{
    inject(QByteArray("\x02PORT_TEST\x03\x02N70\x03" "a"));
    EXPECT_TRUE(st.PortTestEcho);
    EXPECT_TRUE(screen.list1.isEmpty());
    EXPECT_EQ(link->RDResult(), 0);
    EXPECT_FALSE(link->RDInFrame());
}

TEST_F(TicketReaderTest, ALineThatNeverEndsDoesNotBlockTheNextFrame)
{
    inject(QByteArray(5000, 'x'));
    inject(TicketReaderSim::Frame(QStringLiteral("N30")));
    EXPECT_EQ(screen.list1, QStringList{QStringLiteral("리더기(ZP-2000) EJECT 명령 실패")});
    EXPECT_EQ(link->RDResult(), 2);
}

TEST_F(TicketReaderTest, AReplyStartedDuringAParserWaitIsKept)
{
    // The eject after a refused card gets only the start of a frame back; the
    // parser's end must not wipe it.
    dev->replier = [this](const QByteArray& b) {
        if (b.contains("C30")) return QByteArray("\x02P0");
        return reader.onBytes(b);
    };
    readCard(TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2613050730")));
    ASSERT_EQ(titles(), QStringList{QStringLiteral("주차권 오류")});
    inject(QByteArray("0\x03" "3"));
    EXPECT_EQ(screen.list1.value(0), QStringLiteral("리더기(ZP-2000)가 초기화 되었습니다."));
}

// ---- the exit road ----

TEST_F(TicketReaderTest, DsrRiseStartsExactlyOneReadAndTheExitCompletesFromTheReader)
{
    rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
    reader.insert(TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2601050730")));
    dev->dsr = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 2000));
    QTest::qWait(100); // the line stays high: no second read
    EXPECT_EQ(reader.commands, QStringList{QStringLiteral("C61")});
    EXPECT_EQ(st.trx.EntryCode, QStringLiteral("0123202601050730"));
    EXPECT_EQ(st.trx.PayAmount, 5500);

    rig.enter();
    EXPECT_FALSE(st.trx.TicketInProgress);
    const QStringList expected{QStringLiteral("C61"), QStringLiteral("C70" "0008" "0123" "0" "2601050930" "2601050930"),
                               QStringLiteral("C90" "19\x1f" "2    2026-01-05 09:30  \\5,500"), QStringLiteral("C30")};
    EXPECT_EQ(reader.commands, expected);
    EXPECT_EQ(reader.card, QStringLiteral("0008" "0123" "0" "2601050930" "2601050930"));
    EXPECT_FALSE(reader.inSlot);
    EXPECT_EQ(value(u"SELECT 출차일||' '||출차시간||' '||실수령금액 FROM 일반권 WHERE 입차코드 = '0123202601050730'"_s),
              u"2026-01-05 09:30 5500"_s);
    EXPECT_TRUE(msgs.shown.empty());

    // Read again, the same ticket is paid now: shown from the card and pushed back.
    reader.insert(reader.card);
    st.routines.Read_CMD61(st);
    EXPECT_EQ(titles(), QStringList{QStringLiteral("정산오류")});
    EXPECT_EQ(screen.text(u"LOut_2"_s) + u'|' + screen.text(u"LOut_3"_s) + u'|' + screen.text(u"LOut_5"_s),
              u"2026-01-05 09:30|2026-01-05 09:30|"_s);
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_EQ(reader.commands.last(), QStringLiteral("C30"));
}

TEST_F(TicketReaderTest, RecycledTicketFromALowDsrLineToItsStampAndPrintRow)
{
    st.models.DispenserType = 2;
    dev->dsr = true; // no ticket on the recycled model's line
    QTest::qWait(60);
    reader.insert(TicketReaderSim::RecycledCard(QStringLiteral("50"), QStringLiteral("0123"), QStringLiteral("2601050730")));
    dev->dsr = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 2000));
    EXPECT_EQ(reader.commands, QStringList{QStringLiteral("C60")});
    EXPECT_EQ(st.trx.RecycleLine, 50);

    rig.enter();
    const QStringList expected{QStringLiteral("C60"),
                               QStringLiteral("C70" "55" "0008" "0123" "0" "2601050730" "2601050930"),
                               QStringLiteral("C96" "55\x1fH\x1f" "0 출:01/05 09:30    W5,500"), QStringLiteral("C30")};
    EXPECT_EQ(reader.commands, expected);
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(TicketReaderTest, AReaderTicketReadWhileATypedOneIsShownReplacesIt)
{
    rig.addEntry(QStringLiteral("0555"), QStringLiteral("2026-01-05"), QStringLiteral("09:00"));
    rig.type(QStringLiteral("0555"));
    ASSERT_TRUE(st.trx.TicketTyped);
    readCard(TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2601050730")));
    EXPECT_EQ(st.trx.EntryCode, QStringLiteral("0123202601050730"));
    EXPECT_FALSE(st.trx.TicketTyped);
    rig.enter();
    EXPECT_FALSE(st.trx.TicketInProgress);
    // The reader's ticket is the one stamped, ejected and recorded.
    EXPECT_EQ(reader.commands.size(), 4);
    EXPECT_EQ(reader.commands.value(1).left(11), QStringLiteral("C70" "0008" "0123"));
    EXPECT_EQ(reader.commands.last(), QStringLiteral("C30"));
    EXPECT_TRUE(value(QStringLiteral("SELECT 출차일 FROM 일반권 WHERE 입차코드 = '0123202601050730'")).isValid());
    EXPECT_TRUE(value(QStringLiteral("SELECT 출차일 FROM 일반권 WHERE 입차코드 = '0555202601050900'")).isNull());
}

// A card whose entry was settled, read while another card's ticket is shown:
// the shown ticket keeps its data, so its keys still work on it.
TEST_F(TicketReaderTest, ASettledCardReadWhileATicketIsShownLeavesItsData)
{
    rig.addEntry(QStringLiteral("0555"), QStringLiteral("2026-01-05"), QStringLiteral("09:00"));
    rig.addSettled(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"),
                   QStringLiteral("2026-01-05"), QStringLiteral("08:10"), 40, 1500);
    readCard(TicketReaderSim::PaperCard(QStringLiteral("0555"), QStringLiteral("2601050900")));
    ASSERT_TRUE(st.trx.TicketInProgress);
    readCard(TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2601050730")));
    EXPECT_EQ(titles(), QStringList{QStringLiteral("정산오류")});
    EXPECT_TRUE(st.trx.TicketInProgress);
    EXPECT_EQ(st.trx.TicketData, QStringLiteral("0555202601050900"));
}

TEST_F(TicketReaderTest, AnUnpaidCardWhoseEntryWasSettledIsShownFromTheRow)
{
    rig.addSettled(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"),
                   QStringLiteral("2026-01-05"), QStringLiteral("08:10"), 40, 1500);
    readCard(TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2601050730")));
    EXPECT_EQ(titles(), QStringList{QStringLiteral("정산오류")});
    EXPECT_EQ(msgs.shown.at(0).text, QStringLiteral("이미정산이 완료된 주차권입니다....."));
    EXPECT_EQ(FeePanelTexts(screen),
              QStringList({u"0123"_s, u"2026-01-05 08:10"_s, u"2026-01-05 07:30"_s, u"0분"_s, u"40분"_s, u"1,500원"_s}));
    EXPECT_EQ(screen.text(QStringLiteral("TNum")), QString());
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_EQ(reader.commands, (QStringList{QStringLiteral("C61"), QStringLiteral("C30")}));
    EXPECT_FALSE(rig.calls.join(QLatin1Char(' ')).contains(QStringLiteral("amount")));
}

TEST_F(TicketReaderTest, CardDataIgnoredInLostTicketModeWhileBusyAndDuringACompletion)
{
    // recycleLine: after the read
    const struct { const char* name; bool lost, busy, exitDone; quint8 dispenser; qint16 recycleLine; } rows[] = {
        {"lost ticket, paper", true, false, false, 0, 0},
        {"busy, paper", false, true, false, 0, 0},
        {"lost ticket, recycled", true, false, false, 2, 0},
        {"busy, recycled: the row is still read", false, true, false, 2, 45},
        {"a completion under way", false, false, true, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        st.trx.LostTicket = r.lost;
        st.ReaderBusy = r.busy;
        st.trx.ExitDone = r.exitDone;
        st.trx.RecycleLine = 0;
        st.trx.TicketData.clear();
        st.models.DispenserType = r.dispenser;
        reader.commands.clear();
        reader.insert(r.dispenser == 2
                          ? TicketReaderSim::RecycledCard(QStringLiteral("45"), QStringLiteral("0123"), QStringLiteral("2601050730"))
                          : TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2601050730")));
        EXPECT_TRUE(r.dispenser == 2 ? link->Read_CMD60() : link->Read_CMD61());
        EXPECT_EQ(reader.commands.size(), 1);
        EXPECT_TRUE(msgs.shown.empty());
        EXPECT_TRUE(st.trx.TicketData.isEmpty());
        EXPECT_EQ(screen.text(QStringLiteral("TNum")), QString());
        EXPECT_FALSE(st.trx.TicketInProgress);
        EXPECT_EQ(st.trx.RecycleLine, r.recycleLine);
    }
}

TEST_F(TicketReaderTest, CardsThatAreRefusedNeverReachTheFeeEngine)
{
    const struct { const char* name; quint8 dispenser; QString card; const char* text; } rows[] = {
        {"month 13", 0, TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2613050730")),
         "주차권을 인식할 수 없습니다....."},
        {"25:61", 2, TicketReaderSim::RecycledCard(QStringLiteral("05"), QStringLiteral("0123"), QStringLiteral("2601052561")),
         "주차권을 인식할 수 없습니다....."},
        {"recycled card, paper installation", 0,
         TicketReaderSim::RecycledCard(QStringLiteral("05"), QStringLiteral("0123"), QStringLiteral("2601050730")),
         "재활용 주차권으로 추정됩니다 포트설정의 발행기설정 상태를 확인하세요"},
        {"paper card, recycled installation", 2, TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2601050730")),
         "종이식 주차권으로 추정됩니다 포트설정의 발행기설정 상태를 확인하세요"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        msgs.clear();
        rig.calls.clear();
        reader.commands.clear();
        st.models.DispenserType = r.dispenser;
        screen.setText(QStringLiteral("TNum"), QStringLiteral("x"));
        reader.insert(r.card);
        const QString code = r.dispenser == 2 ? QStringLiteral("P60") : QStringLiteral("P61");
        r.dispenser == 2 ? link->Read_CMD60() : link->Read_CMD61();
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].title, QStringLiteral("주차권 오류"));
        EXPECT_EQ(msgs.shown[0].text, QString::fromUtf8(r.text) + QStringLiteral("\r\n") + code + QStringLiteral("00") + r.card);
        EXPECT_EQ(screen.text(QStringLiteral("TNum")), QString());
        EXPECT_FALSE(st.trx.TicketInProgress);
        EXPECT_TRUE(rig.calls.isEmpty()) << rig.calls.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(reader.commands.last(), QStringLiteral("C30"));
    }
}

TEST_F(TicketReaderTest, SeasonCardIsBookedAsASeasonExitAndRewritten)
{
    QStringList seasonExits;
    st.routines.Season_Out = [&](Station&, QString& card, qint16& gate) {
        seasonExits << card + QLatin1Char('@') + QString::number(gate);
    };
    // state: 입출차구분 afterwards
    const struct { const char* name; const char* number; const char* flag; QVariant state; } rows[] = {
        {"as issued", "1234", "1", 1},
        {"after an exit", "1234", "0", 2},
        {"another flag", "1234", "7", 9},
        {"a quote in the number", "1'34", "1", 9},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Exec(st.Db, QStringLiteral("DELETE FROM 정기권"));
        Exec(st.Db, QStringLiteral("INSERT INTO 정기권 (정기권번호, 입출차구분) VALUES ('0000001234', 9)"));
        seasonExits.clear();
        reader.commands.clear();
        const QString number = QString::fromUtf8(r.number);
        const QString tail = QStringLiteral("2601010800" "260101" "261231");
        readCard(QStringLiteral("0004") + number + QString::fromUtf8(r.flag) + tail);
        EXPECT_EQ(value(QStringLiteral("SELECT 입출차구분 FROM 정기권")).toInt(), r.state.toInt());
        EXPECT_EQ(seasonExits, QStringList{QStringLiteral("000000") + number + QStringLiteral("@2")});
        EXPECT_EQ(reader.commands,
                  (QStringList{QStringLiteral("C61"), QStringLiteral("C700004") + number + QStringLiteral("0") + tail,
                               QStringLiteral("C30")}));
        EXPECT_TRUE(msgs.shown.empty());
        EXPECT_FALSE(st.trx.TicketInProgress);
    }
}

TEST_F(TicketReaderTest, ABrokenDatabaseIsReportedAndTheLinkGoesOn)
{
    Exec(st.Db, QStringLiteral("DROP TABLE 일반권"));
    readCard(TicketReaderSim::PaperCard(QStringLiteral("0123"), QStringLiteral("2601050730")));
    EXPECT_EQ(titles(), QStringList{QStringLiteral("데이터 베이스 오류")});
    EXPECT_FALSE(st.trx.TicketInProgress);
    inject(TicketReaderSim::Frame(QStringLiteral("N70")));
    EXPECT_EQ(screen.list1.value(0), QStringLiteral("리더기(ZP-2000) WRITE 명령 실패"));
}

TEST_F(TicketReaderTest, ADatabaseErrorCostsOnlyItsCardAndTheRestOfTheReadIsHandled)
{
    QStringList seasonExits;
    st.routines.Season_Out = [&](Station&, QString& card, qint16&) { seasonExits << card; };
    Exec(st.Db, QStringLiteral("INSERT INTO 정기권 (정기권번호, 입출차구분) VALUES ('0000001111', 9), ('0000002222', 9)"));
    Exec(st.Db, QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON 정기권 WHEN OLD.정기권번호 = '0000001111' "
                               "BEGIN SELECT RAISE(ABORT, 'locked'); END"));
    const QString tail = QStringLiteral("1" "2601010800" "260101" "261231");
    const auto report = [&](const char* no) {
        return TicketReaderSim::Frame(QStringLiteral("P6100" "0004") + QString::fromUtf8(no) + tail);
    };
    inject(report("1111") + report("2222")); // both cards in one read
    EXPECT_EQ(titles(), QStringList{QStringLiteral("데이터 베이스 오류")});
    // The first card is neither booked nor rewritten; the second goes through.
    EXPECT_EQ(value(QStringLiteral("SELECT group_concat(입출차구분, '|') FROM (SELECT * FROM 정기권 ORDER BY 정기권번호)"))
                  .toString(), QStringLiteral("9|1"));
    EXPECT_EQ(seasonExits, QStringList{QStringLiteral("0000002222")});
    EXPECT_EQ(reader.commands,
              (QStringList{QStringLiteral("C700004" "2222" "0" "2601010800" "260101" "261231"), QStringLiteral("C30")}));
}

// ---- tickets during waits ----

// A card's read reply as the reader sends it by itself.
QByteArray Report(const QString& card) { return TicketReaderSim::Frame(QStringLiteral("P6100") + card); }
const QString kPaidCard = QStringLiteral("0008" "0123" "0" "2601050930" "2601050930");

TEST_F(TicketReaderTest, AReadIsAnsweredByItsCardWhateverTheCardsEjectGets)
{
    reader.failCommand = QStringLiteral("C30");
    reader.insert(kPaidCard);
    EXPECT_TRUE(link->Read_CMD61());
    EXPECT_EQ(titles(), QStringList{QStringLiteral("정산오류")});
    EXPECT_EQ(reader.commands, (QStringList{QStringLiteral("C61"), QStringLiteral("C30")}));
    EXPECT_EQ(link->RDResult(), 2); // the eject's answer, after the read
}

TEST_F(TicketReaderTest, ACardSentDuringACommandsWaitIsNotItsReply)
{
    using Call = std::function<bool(TicketReaderLink&)>;
    // The reader answers the command with nothing but a paid card of its own.
    // The card is handled at once, inside the command's wait, but it answers
    // only a read. captions: Label4|Label5 when the card's eject goes out,
    // then when the command has ended.
    const struct { const char* name; Call call; bool result; const char* captions; } rows[] = {
        {"write", [](TicketReaderLink& l) { return l.Write_CMD(u"x"_s); }, false,
         "Encoding....|-|Encoding No Response|"},
        {"print", [](TicketReaderLink& l) { return l.Print_CMD96(u"x"_s); }, false,
         "-|Printing....||Printing No Response"},
        {"eject", [](TicketReaderLink& l) { return l.Eject_CMD(); }, false, "-|-||"},
        {"read: the card is its answer", [](TicketReaderLink& l) { return l.Read_CMD61(); }, true, "-|-||"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        msgs.clear();
        reader.commands.clear();
        screen.setText(QStringLiteral("Label4"), QStringLiteral("-"));
        screen.setText(QStringLiteral("Label5"), QStringLiteral("-"));
        QString captions;
        dev->replier = [&](const QByteArray& b) {
            reader.silent = reader.commands.isEmpty();
            const QByteArray out = reader.onBytes(b);
            if (reader.commands.size() == 2 && captions.isEmpty())
                captions = screen.text(QStringLiteral("Label4")) + u'|' + screen.text(QStringLiteral("Label5"));
            return reader.silent ? Report(kPaidCard) : out;
        };
        EXPECT_EQ(r.call(*link), r.result);
        captions += u'|' + screen.text(QStringLiteral("Label4")) + u'|' + screen.text(QStringLiteral("Label5"));
        EXPECT_EQ(captions, QString::fromUtf8(r.captions));
        // The card is shown as paid and pushed back.
        EXPECT_EQ(titles(), QStringList{QStringLiteral("정산오류")});
        ASSERT_EQ(reader.commands.size(), 2);
        EXPECT_EQ(reader.commands[1], QStringLiteral("C30"));
    }
}

TEST_F(TicketReaderTest, CardsBackToBackAreHandledOneAfterAnotherInArrivalOrder)
{
    QStringList seasonExits;
    st.routines.Season_Out = [&](Station&, QString& card, qint16&) { seasonExits << card; };
    const auto card = [](const char* no) { return u"0004"_s + QString::fromUtf8(no) + u"1" "2601010800" "260101" "261231"_s; };
    const QByteArray cards[] = {Report(card("1111")), Report(card("2222")), Report(card("3333"))};
    enum class When { WithTheFirst, WithTheFirstsWriteReply, DuringTheFirstsEject };
    const struct { const char* name; When second, third; } rows[] = {
        {"in one read", When::WithTheFirst, When::WithTheFirst},
        {"one by one during the first's waits", When::WithTheFirstsWriteReply, When::DuringTheFirstsEject},
    };
    const auto rewritten = [&](const char* no) { return u"C70"_s + card(no).replace(8, 1, u'0'); };
    const QStringList expected{rewritten("1111"), u"C30"_s, rewritten("2222"), u"C30"_s, rewritten("3333"), u"C30"_s};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        reader.commands.clear();
        seasonExits.clear();
        st.DeepestWaitNesting = 0;
        const auto sentWith = [&](When w) {
            QByteArray b;
            if (r.second == w) b += cards[1];
            if (r.third == w) b += cards[2];
            return b;
        };
        dev->replier = [&](const QByteArray& b) {
            QByteArray out = reader.onBytes(b);
            if (reader.commands.size() == 1 && b.startsWith('\x02')) out += sentWith(When::WithTheFirstsWriteReply);
            if (reader.commands.size() == 2 && b.startsWith('\x02')) out += sentWith(When::DuringTheFirstsEject);
            return out;
        };
        inject(cards[0] + sentWith(When::WithTheFirst));
        EXPECT_EQ(reader.commands, expected);
        EXPECT_EQ(seasonExits, (QStringList{u"0000001111"_s, u"0000002222"_s, u"0000003333"_s}));
        EXPECT_LE(st.DeepestWaitNesting, 2);
    }
}

// ---- erasing a recycled ticket ----

TEST_F(TicketReaderTest, EraseProcedureHoldsTheReaderBusyOnEveryPath)
{
    const struct { const char* name; quint8 dispenser; bool silent; bool result; QStringList commands; } rows[] = {
        {"recycled", 2, false, true,
         {QStringLiteral("C70") + QString(30, QLatin1Char('0')), QStringLiteral("C810022"), QStringLiteral("C30")}},
        {"paper: only the eject", 0, false, true, {QStringLiteral("C30")}},
        {"no answer", 2, true, false,
         {QStringLiteral("C70") + QString(30, QLatin1Char('0')), QStringLiteral("C810022"), QStringLiteral("C30")}},
    };
    QList<bool> busyAtCommand;
    dev->replier = [&](const QByteArray& b) {
        if (b.startsWith('\x02')) busyAtCommand << st.ReaderBusy;
        return reader.onBytes(b);
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        msgs.clear();
        reader.commands.clear();
        busyAtCommand.clear();
        reader.silent = r.silent;
        st.models.DispenserType = r.dispenser;
        reader.insert(TicketReaderSim::RecycledCard(QStringLiteral("10"), QStringLiteral("0123"), QStringLiteral("2601050730")));
        EXPECT_EQ(link->RD_EraseTicket(), r.result);
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].title, QStringLiteral("재활용 주차권 소거"));
        EXPECT_EQ(msgs.shown[0].text, QStringLiteral("주차권을 판독기에 삽입 하세요"));
        EXPECT_EQ(reader.commands, r.commands);
        EXPECT_EQ(busyAtCommand, QList<bool>(r.commands.size(), true));
        EXPECT_FALSE(st.ReaderBusy);
    }
    // A failure inside the job (here the port's write) still frees the reader.
    dev->replier = [](const QByteArray& b) -> QByteArray {
        if (b.contains("C70")) throw std::runtime_error("device gone");
        return {};
    };
    st.models.DispenserType = 2;
    EXPECT_THROW(link->RD_EraseTicket(), std::runtime_error);
    EXPECT_FALSE(st.ReaderBusy);
    dev->replier = [this](const QByteArray& b) { return reader.onBytes(b); };

    // The function keys reach the same procedure and the eject through the slots.
    reader.silent = false;
    reader.commands.clear();
    st.routines.RD_EraseTicket(st);
    st.routines.Eject_CMD(st);
    EXPECT_EQ(reader.commands.size(), 4);
    EXPECT_EQ(reader.commands.last(), QStringLiteral("C30"));
}

// ---- the simulator beside ./run.sh ----

TEST(TicketReaderSimNumbers, ASessionGoesOnFromTheDaysLastTicket)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("numbers.txt"));
    const QDate today(2026, 1, 5);
    // kept: the file before the session, nullptr for none
    const struct { const char* name; const char* kept; int first; } rows[] = {
        {"first session", nullptr, 1001},
        {"later session of the day", "2026-01-05 1007\n", 1008},
        {"yesterday's numbers", "2026-01-04 1500\n", 1001},
        {"a damaged file", "2026-01-05 x\n", 1001},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(file);
        if (r.kept) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(r.kept);
        }
        EXPECT_EQ(sim::NextTicketNumber(file, today), r.first);
        EXPECT_EQ(sim::NextTicketNumber(file, today), r.first + 1);
    }
}

} // namespace
