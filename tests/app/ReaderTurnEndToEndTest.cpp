// The ticket reader's cards against the exit under way and the reader's own
// boxes, end to end: the program's serial layer on a pseudo-terminal, the
// program's message forms and entry-time prompt shown modally and answered by
// the cashier, keys pressed and released on the screen where they land.

#include "common/AppRig.h"
#include "common/Keyboard.h"
#include "common/PortsOpen.h"
#include "equipment/TicketReader.h"
#include "fee/DiscountKeys.h"
#include "fee/Tariff.h"
#include "serial/Comm.h"
#include "sim/PtyDevice.h"
#include "sim/TicketReaderSim.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

using namespace tolvo;
using tolvo::sim::TicketReaderSim;
using tolvo::test::AnswerBox;

namespace {

QByteArray Report(const QString& text) { return TicketReaderSim::Frame(text); }

// An unpaid paper card as the reader reports it (24 characters).
QByteArray Unpaid(const QString& no, const QString& yymmddhhnn)
{
    return Report(QStringLiteral("P6100") + TicketReaderSim::PaperCard(no, yymmddhhnn));
}

// A card whose own data says it was paid (34 characters).
QByteArray PaidOnCard(const QString& no)
{
    return Report(QStringLiteral("P6100" "0008") + no + QStringLiteral("0" "2601050730" "2601050810"));
}

QByteArray Unreadable(int n) { return Report(QStringLiteral("P6100X%1").arg(n, 5, 10, QLatin1Char('0'))); }

const QString kOops = QStringLiteral("주차권 오류");

class ReaderTurn : public ::testing::Test {
protected:
    // The station at 09:30 on 2026-01-05, the reader on its port, the tariff of
    // the program-level runs, three open entries: 1111 at 08:40 (2,000 won),
    // 2222 at 09:00 (1,000 won), 0042 at 07:50 (4,500 won).
    void start(const char* dispenserModel = "M/S (종이)")
    {
        ASSERT_TRUE(pty.ok());
        pty.replier = [this](const QByteArray& chunk) {
            const QByteArray out = reader.onBytes(chunk);
            return ejectUnanswered && reader.commands.value(reader.commands.size() - 1) == QLatin1String("C30")
                       ? QByteArray()
                       : out;
        };
        link = AttachTicketReader(st);
        app.mapPorts({{"Com6", pty.slavePath()}});
        app.startUp();
        Exec(st.Db, QStringLiteral("UPDATE 리더기 SET 사용여부 = 1, 포트번호 = 'Com6', 기종 = 'ZP-2000'"));
        Exec(st.Db, QStringLiteral("UPDATE 발권기 SET 기종 = ?"), {QString::fromUtf8(dispenserModel)});
        Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
        Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
        app.logIn();
        ASSERT_TRUE(test::PortsOpen(*st.comm, {PortReader})) << app.shown().toStdString();
        test::GenerateTariff(st);
        for (const auto& [no, time] : {std::pair{"1111", "08:40"}, {"2222", "09:00"}, {"0042", "07:50"}})
            Exec(st.Db,
                 QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                                "VALUES (0, ?, '2026-01-05', ?, ?, 0, 1)"),
                 {QString::fromUtf8(no), QString::fromUtf8(time),
                  QString::fromUtf8(no) + QStringLiteral("20260105") + QString::fromUtf8(time).remove(u':')});
        // A non-combinable key: F5 takes 500 won off.
        Exec(st.Db, QStringLiteral("INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 할인종류1, 적용요율1, 할인종류2, 적용요율2, "
                                   "중복사용, 사용여부) VALUES ('오백원', 116, 0, 2, 500, 0, 0, 0, 1)"));
        Load_DiscountKeys(st);
        app.window.tnum()->setMaxLength(16);
        app.msgs.modal = true;
    }
    void TearDown() override
    {
        while (QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
        st.comm.reset();
    }

    // Runs fn inside the loop of the modal widget of that name once it is on top.
    void whenOnTop(const QString& name, std::function<void()> fn)
    {
        test::WhenModal(name, [fn = std::move(fn)](QWidget&) { fn(); }, &app.window);
    }
    void type(const QString& text)
    {
        QLineEdit* tnum = app.window.tnum();
        QTest::keyClicks(tnum, text);
        QTest::keyClick(tnum, Qt::Key_Return);
    }
    void enter() { QTest::keyClick(&app.window, Qt::Key_Return); }
    // Gives the station time to read and answer what was sent.
    void settle(int ms = 300) { QTest::qWait(ms); }
    // The entry-time prompt confirmed with 09:00 today.
    static void confirmNine()
    {
        QWidget* form = QApplication::activeModalWidget();
        form->findChild<QLineEdit*>(QStringLiteral("MaskEdBox2"))->setText(QStringLiteral("09:00"));
        form->findChild<QAbstractButton*>(QStringLiteral("Command1"))->click();
    }
    QString exitOf(const QString& entryCode) const
    {
        return Scalar(st.Db, QStringLiteral("SELECT ifnull(출차일, '') || '|' || ifnull(실수령금액, '') FROM 일반권 "
                                            "WHERE 입차코드 = ?"), {entryCode}).toString();
    }
    qsizetype ejects() const { return reader.commands.count(QStringLiteral("C30")); }
    int boxesTitled(const QString& title) const
    {
        int n = 0;
        for (const auto& m : app.msgs.shown) n += m.title == title ? 1 : 0;
        return n;
    }

    sim::PtyDevice pty;
    TicketReaderSim reader;
    bool ejectUnanswered = false;
    test::AppRig app{QDateTime(QDate(2026, 1, 5), QTime(9, 30))};
    Station& st = app.st;
    std::shared_ptr<TicketReaderLink> link;
};

// ---- a babbling reader ----

// Thousands of unreadable cards at pseudo-terminal speed: with the entry-time
// prompt open they wait for it; with nothing under way the first one's box
// stands while the rest wait. Either way at most one box is open, the stack
// stays where it was and the waiting cards take the room of one; after the
// cashier's answers a readable card is priced and ejected as usual.
TEST_F(ReaderTurn, ABabblingReaderNeverStacksBoxes)
{
    struct Case {
        const char* name;
        bool prompt;
        int boxes; // "주차권 오류" boxes shown in all
    } cases[] = {
        {"inside the entry-time prompt", true, 1},
        {"with nothing under way", false, 2},
    };
    ASSERT_NO_FATAL_FAILURE(start());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.msgs.clear();
        app.msgs.mostOpen = app.msgs.deepestLoop = 0;
        const qsizetype ejectsBefore = ejects();
        constexpr int kFrames = 3000;
        int sent = 0;
        qsizetype mostHeld = 0;
        QElapsedTimer sinceFlood;
        QTimer flood;
        flood.setInterval(1);
        QObject::connect(&flood, &QTimer::timeout, [&] {
            for (int i = 0; i < 40 && sent < kFrames; ++i) pty.send(Unreadable(++sent));
            mostHeld = std::max(mostHeld, link->heldFrames());
            // Boxes piling up: stop, the test has failed.
            if (sent >= kFrames || app.msgs.open > 3) {
                flood.stop();
                sinceFlood.start();
            }
        });
        // The cashier answers each reader box once the reader has gone quiet.
        bool answered = false;
        int quiet = 0;
        QTimer cashier;
        cashier.setInterval(20);
        QObject::connect(&cashier, &QTimer::timeout, [&] {
            mostHeld = std::max(mostHeld, link->heldFrames());
            if (flood.isActive() || !sinceFlood.isValid() || sinceFlood.elapsed() < 300) return;
            const QWidget* top = QApplication::activeModalWidget();
            if (top && top->objectName() == QLatin1String("Msg_Box")) {
                AnswerBox();
                quiet = 0;
            } else if (!top && ++quiet >= 10) {
                answered = true;
                cashier.stop();
            }
        });
        cashier.start();
        if (c.prompt) {
            whenOnTop(QStringLiteral("FrmInput"), [&] {
                flood.start();
                EXPECT_TRUE(QTest::qWaitFor([&] { return !flood.isActive(); }, 60000))
                    << "the unreadable cards under the prompt never stopped";
                settle();
                EXPECT_EQ(app.msgs.open, 0);
                AnswerBox("Command2"); // the prompt cancelled: its lookup ends, the cards come in
            });
            type(QStringLiteral("0999"));
        } else {
            flood.start();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }, 90000))
            << "the reader never went quiet with every box answered";
        EXPECT_EQ(sent, kFrames);
        EXPECT_EQ(app.msgs.mostOpen, 1);
        EXPECT_EQ(app.msgs.deepestLoop, 0);
        EXPECT_LE(mostHeld, 2);
        EXPECT_EQ(boxesTitled(kOops), c.boxes);
        EXPECT_EQ(ejects() - ejectsBefore, c.boxes);
        EXPECT_EQ(link->heldFrames(), 0);
    }
    // A readable card next: priced and, on Enter, stamped and ejected.
    reader.insert(TicketReaderSim::PaperCard(QStringLiteral("1111"), QStringLiteral("2601050840")));
    pty.send(reader.readReplyFrame());
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 3000));
    EXPECT_EQ(app.window.text(QStringLiteral("LOut_6")), QStringLiteral("2,000원"));
    const qsizetype before = reader.commands.size();
    enter();
    EXPECT_EQ(reader.commands.mid(before).join(u' ').left(11), QStringLiteral("C70" "0008" "1111"));
    EXPECT_EQ(reader.commands.last(), QStringLiteral("C30"));
    EXPECT_EQ(exitOf(QStringLiteral("1111202601050840")), QStringLiteral("2026-01-05|2000"));
}

// ---- keys belong to what the cashier saw ----

// The Enter typed for 2222 while a paid card's eject goes unanswered: the card
// read meanwhile (1111) comes first and is shown, and that Enter's release does
// not complete it; the next Enter does.
TEST_F(ReaderTurn, TheEnterTypedForOneTicketNeverCompletesAnother)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ejectUnanswered = true;
    bool typed = false;
    whenOnTop(QStringLiteral("Msg_Box"), [&] {
        AnswerBox();
        QTimer::singleShot(100, [&] { pty.send(Unpaid(QStringLiteral("1111"), QStringLiteral("2601050840"))); });
        QTimer::singleShot(150, [&] {
            type(QStringLiteral("2222"));
            typed = true;
        });
    });
    pty.send(PaidOnCard(QStringLiteral("0123")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return typed; }, 5000));
    settle(1500); // the eject's wait runs out
    EXPECT_EQ(app.shown(), QStringLiteral("이미정산이 완료된 주차권입니다....."));
    EXPECT_TRUE(st.trx.TicketInProgress);
    EXPECT_EQ(st.trx.TicketData, QStringLiteral("1111202601050840"));
    EXPECT_EQ(app.window.text(QStringLiteral("LOut_6")), QStringLiteral("2,000원"));
    EXPECT_EQ(reader.commands, QStringList{QStringLiteral("C30")}); // the paid card's eject only
    EXPECT_EQ(exitOf(QStringLiteral("1111202601050840")), QStringLiteral("|"));
    ejectUnanswered = false;
    enter();
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_EQ(exitOf(QStringLiteral("1111202601050840")), QStringLiteral("2026-01-05|2000"));
    EXPECT_EQ(reader.commands.last(), QStringLiteral("C30"));
}

// A discount key whose fee run finds the tariff emptied: the cashier closes the
// tariff message with Enter. That Enter's release, on the main screen, does not
// complete the exit at the undiscounted 4,500.
TEST_F(ReaderTurn, AKeyPressedInABoxDoesNothingWhenReleasedOnTheMainScreen)
{
    ASSERT_NO_FATAL_FAILURE(start());
    type(QStringLiteral("0042"));
    ASSERT_TRUE(st.trx.TicketInProgress);
    ASSERT_EQ(st.trx.PayAmount, 4500);
    Exec(st.Db, QStringLiteral("DELETE FROM 요금테이블"));
    whenOnTop(QStringLiteral("Msg_Box"), [] { QTest::keyPress(QApplication::activeModalWidget(), Qt::Key_Return); });
    QTest::keyClick(&app.window, Qt::Key_F5);
    ASSERT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::keyRelease(&app.window, Qt::Key_Return);
    EXPECT_TRUE(st.trx.TicketInProgress);
    EXPECT_EQ(exitOf(QStringLiteral("0042202601050750")), QStringLiteral("|"));
    EXPECT_EQ(app.shown(), TariffFaultText()); // the tariff's message alone

}

// The first Enter released after a lookup only clears its guard: the release
// of the Enter that looked the ticket up, on the main screen or after it
// confirmed the entry-time prompt; a prompt confirmed with Alt+Y or a click
// leaves it to the next Enter. A card has no guard. A release is its press's by
// the key itself: Shift+1 with Shift let go first releases the key 1, with scan
// codes or (made by software) without.
TEST_F(ReaderTurn, TheFirstEnterReleasedAfterALookupOnlyClearsItsGuard)
{
    ASSERT_NO_FATAL_FAILURE(start());
    for (const char* no : {"3333", "4444"})
        Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                                   "VALUES (0, ?, '2026-01-05', '09:00', ?, 0, 1)"),
             {QString::fromLatin1(no), QString::fromLatin1(no) + QStringLiteral("202601050900")});
    Exec(st.Db, QStringLiteral("INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 할인종류1, 적용요율1, 할인종류2, 적용요율2, "
                               "중복사용, 사용여부) VALUES ('일', 49, 0, 2, 500, 0, 0, 0, 1)"));
    Load_DiscountKeys(st);
    app.window.tnum()->setFocus();
    test::Keyboard kb(app.window), bare(app.window, false);
    const auto typed = [&](test::Keyboard& k, const char* text) {
        k.type(QString::fromLatin1(text));
        k.click(Qt::Key_Return);
    };
    const auto shiftOneShiftFirst = [](test::Keyboard& k) {
        k.press(Qt::Key_Shift);
        k.press(Qt::Key_1);
        k.release(Qt::Key_Shift);
        k.release(Qt::Key_1);
    };
    // The prompt's date stands, 09:00 is typed, then confirm; after: keys let go once it closed.
    const auto prompted = [&](const char* no, std::function<void()> confirm, std::function<void()> after) {
        return [=, &kb, this] {
            whenOnTop(QStringLiteral("FrmInput"), [&kb, confirm] {
                kb.release(Qt::Key_Return);
                kb.click(Qt::Key_Return);
                kb.type(QStringLiteral("0900"));
                confirm();
            });
            kb.type(QString::fromLatin1(no));
            kb.press(Qt::Key_Return);
            after();
        };
    };
    struct Case {
        const char* name;
        std::function<void()> arrive; // the ticket on screen, and any keys before Enter
        const char* code;
        int enters; // the one that completes
        const char* paid;
    } cases[] = {
        {"a number with one open entry", [&] { typed(kb, "2222"); }, "2222202601050900", 1, "1000"},
        {"a scanned ticket", [&] { typed(kb, "00422601050750"); }, "0042202601050750", 1, "4500"},
        {"the prompt confirmed with Enter",
         prompted("0997", [&] { kb.click(Qt::Key_Return); kb.press(Qt::Key_Return); }, [&] { kb.release(Qt::Key_Return); }),
         "0997202601050900", 1, "1000"},
        {"the prompt confirmed with Alt+Y",
         prompted("0998", [&] { kb.press(Qt::Key_Alt); kb.press(Qt::Key_Y); },
                  [&] { kb.release(Qt::Key_Y); kb.release(Qt::Key_Alt); }),
         "0998202601050900", 2, "1000"},
        {"the prompt confirmed by a click",
         prompted("0999", [] { QTest::mouseClick(QApplication::activeModalWidget()->findChild<QPushButton*>(
                                                     QStringLiteral("Command1")), Qt::LeftButton); },
                  [] {}),
         "0999202601050900", 2, "1000"},
        {"a card", [&] { pty.send(Unpaid(QStringLiteral("1111"), QStringLiteral("2601050840"))); }, "1111202601050840", 1, "2000"},
        {"Shift+1, Shift let go first", [&] { typed(kb, "3333"); shiftOneShiftFirst(kb); }, "3333202601050900", 1, "500"},
        {"the same without scan codes", [&] { typed(bare, "4444"); shiftOneShiftFirst(bare); }, "4444202601050900", 1, "500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString code = QString::fromLatin1(c.code);
        c.arrive();
        ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 2000)) << app.shown().toStdString();
        ASSERT_EQ(st.trx.TicketData, code);
        for (int i = 1; i <= c.enters; ++i) {
            EXPECT_TRUE(st.trx.TicketInProgress) << "completed by Enter " << i - 1;
            kb.click(Qt::Key_Return);
        }
        EXPECT_EQ(exitOf(code), QStringLiteral("2026-01-05|") + QString::fromLatin1(c.paid));
        EXPECT_FALSE(st.trx.TicketInProgress);
    }
}

// ---- cards wait for the exit under way ----

// A card read while the entry-time prompt of a typed number is open waits for
// that ticket's exit: the typed ticket is shown and completed as typed, then
// the card is priced, and completed with its stamp and eject.
TEST_F(ReaderTurn, ACardReadInsideThePromptWaitsForTheTypedTicketsExit)
{
    ASSERT_NO_FATAL_FAILURE(start());
    whenOnTop(QStringLiteral("FrmInput"), [&] {
        pty.send(Unpaid(QStringLiteral("1111"), QStringLiteral("2601050840")));
        settle();
        confirmNine();
    });
    type(QStringLiteral("0999"));
    settle();
    EXPECT_EQ(st.trx.TicketData, QStringLiteral("0999202601050900"));
    EXPECT_EQ(app.window.text(QStringLiteral("LOut_6")), QStringLiteral("1,000원"));
    EXPECT_TRUE(reader.commands.isEmpty());
    enter();
    EXPECT_EQ(exitOf(QStringLiteral("0999202601050900")), QStringLiteral("2026-01-05|1000"));
    EXPECT_TRUE(reader.commands.isEmpty()); // a typed ticket: nothing for the reader
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 2000));
    EXPECT_EQ(st.trx.TicketData, QStringLiteral("1111202601050840"));
    EXPECT_EQ(app.window.text(QStringLiteral("LOut_6")), QStringLiteral("2,000원"));
    enter();
    EXPECT_EQ(exitOf(QStringLiteral("1111202601050840")), QStringLiteral("2026-01-05|2000"));
    EXPECT_EQ(reader.commands.value(0).left(11), QStringLiteral("C70" "0008" "1111"));
    EXPECT_EQ(reader.commands.last(), QStringLiteral("C30"));
}

// A card read while a cancellation's notice is open comes after the
// cancellation: the typed ticket's cancellation is recorded, and the card is
// priced, not pushed back or cancelled with it.
TEST_F(ReaderTurn, ACardReadInsideTheCancellationNoticeComesAfterIt)
{
    ASSERT_NO_FATAL_FAILURE(start());
    st.settings.KeepRecords = true;
    st.settings.ExitCancelNotice = true;
    type(QStringLiteral("2222"));
    ASSERT_TRUE(st.trx.TicketInProgress);
    whenOnTop(QStringLiteral("Msg_Box"), [&] {
        pty.send(Unpaid(QStringLiteral("1111"), QStringLiteral("2601050840")));
        settle();
        QTest::keyClick(QApplication::activeModalWidget()->focusWidget(), Qt::Key_Space);
    });
    QTest::keyClick(&app.window, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 2000));
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT group_concat(입차코드) FROM 출차취소")).toString(),
              QStringLiteral("2222202601050900"));
    EXPECT_EQ(st.trx.TicketData, QStringLiteral("1111202601050840"));
    EXPECT_EQ(app.window.text(QStringLiteral("LOut_6")), QStringLiteral("2,000원"));
    EXPECT_TRUE(reader.commands.isEmpty()); // no push back: the card is the one shown
    enter();
    EXPECT_EQ(exitOf(QStringLiteral("1111202601050840")), QStringLiteral("2026-01-05|2000"));
    EXPECT_EQ(reader.commands.last(), QStringLiteral("C30"));
}

// A card read while something else's box or screen is open keeps its data for
// its discount keys: a lookup's message box (its lookup ends without a ticket
// after it) and the port settings stored meanwhile.
TEST_F(ReaderTurn, ACardPricedBesideAnotherBoxTakesItsDiscount)
{
    ASSERT_NO_FATAL_FAILURE(start());
    struct Case {
        const char* name;
        std::function<void()> around; // opens the box and sends the card inside it
    } cases[] = {
        {"a malformed number's box",
         [this] {
             whenOnTop(QStringLiteral("Msg_Box"), [this] {
                 pty.send(Unpaid(QStringLiteral("1111"), QStringLiteral("2601050840")));
                 settle();
                 AnswerBox();
             });
             type(QStringLiteral("12342613011200")); // month 13
         }},
        {"the port settings stored",
         [this] {
             pty.send(Unpaid(QStringLiteral("1111"), QStringLiteral("2601050840")));
             ASSERT_TRUE(QTest::qWaitFor([this] { return st.trx.TicketInProgress; }, 2000));
             Comm::PortsInit(st);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.msgs.clear();
        c.around();
        ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 2000)) << app.shown().toStdString();
        EXPECT_EQ(st.trx.TicketData, QStringLiteral("1111202601050840"));
        QTest::keyClick(&app.window, Qt::Key_F5);
        EXPECT_EQ(st.trx.PayAmount, 1500);
        EXPECT_EQ(app.window.text(QStringLiteral("LOut_6")).isEmpty(), false);
        EXPECT_EQ(boxesTitled(QStringLiteral("입력오류")), 0) << app.shown().toStdString();
        QTest::keyClick(&app.window, Qt::Key_Escape);
        settle();
        ASSERT_FALSE(st.trx.TicketInProgress);
    }
}

// A card read while a completion's retry box is open (a recycled ticket the
// reader failed to write) waits for the completion, then is priced.
TEST_F(ReaderTurn, ACardReadInsideTheCompletionsRetryBoxIsPricedAfterIt)
{
    ASSERT_NO_FATAL_FAILURE(start("M/S (재활용)"));
    reader.insert(TicketReaderSim::RecycledCard(QStringLiteral("05"), QStringLiteral("1111"), QStringLiteral("2601050840")));
    pty.send(reader.readReplyFrame(QStringLiteral("P60")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 2000));
    reader.failCommand = QStringLiteral("C70");
    whenOnTop(QStringLiteral("MBox"), [&] {
        reader.failCommand.clear();
        pty.send(Report(QStringLiteral("P6000") +
                        TicketReaderSim::RecycledCard(QStringLiteral("10"), QStringLiteral("2222"), QStringLiteral("2601050900"))));
        settle();
        whenOnTop(QStringLiteral("Msg_Box"), [] { AnswerBox(); });
        AnswerBox("Command1_1"); // no retry
    });
    enter();
    EXPECT_EQ(exitOf(QStringLiteral("1111202601050840")), QStringLiteral("2026-01-05|2000"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 2000));
    EXPECT_EQ(st.trx.TicketData, QStringLiteral("2222202601050900"));
    EXPECT_EQ(app.window.text(QStringLiteral("LOut_6")), QStringLiteral("1,000원"));
}

} // namespace
