#include "equipment/TicketReader.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "equipment/TicketCard.h"
#include "fee/DiscountKeys.h"
#include "fee/FeePanel.h"
#include "fee/FeeRun.h"
#include "platform/Cp949.h"
#include "platform/Vb.h"
#include "serial/Comm.h"
#include "serial/Trace.h"

#include <QScopeGuard>
#include <QSqlQuery>
#include <exception>
#include <utility>

namespace tolvo {

namespace {

constexpr char ACK = '\x06';
constexpr char ENQ = '\x05';

bool isRead(const QString& command)
{
    return command == QLatin1String("C60") || command == QLatin1String("C61");
}

// A read reply carrying a card: what the reader sends when it is asked to read, or by itself.
bool isTicketData(const QByteArray& text)
{
    return text.startsWith("P60") || text.startsWith("P61");
}

const QString kWriteLabel = QStringLiteral("Label4");
const QString kPrintLabel = QStringLiteral("Label5");
const QString kTrace = QStringLiteral("  주차권리더기: ");

QString traceSent(const char* routine, const char* command)
{
    return kTrace + QStringLiteral("> ") + QString::fromUtf8(routine) + QStringLiteral(" 송신(") +
           QString::fromUtf8(command) + QLatin1Char(')');
}

QString moneyText(const QVariant& v)
{
    return v.isNull() ? QStringLiteral("원") : FormatMoney6(qint64(Val(v.toString()))) + QStringLiteral("원");
}

void showDbError(Station& st, const std::exception& e)
{
    QString text = QString::fromUtf8(e.what());
    if (const auto* db = dynamic_cast<const DbError*>(&e)) text = db->message();
    st.msgs.Msg_Box(QStringLiteral("자료를 저장하거나 읽지 못했습니다.") + QLatin1Char('\n') + text,
                    QStringLiteral("데이터 베이스 오류"));
}

} // namespace

namespace {

// The reader sends bare bytes outside frames too; they join the next frame's text.
ByteFramer::Options ReaderFramerOptions()
{
    ByteFramer::Options o;
    o.capBytes = 1024;
    o.dataOutsideFrame = true;
    return o;
}

} // namespace

TicketReaderLink::TicketReaderLink(Station& st) : m_st(st), m_framer(ReaderFramerOptions())
{
    m_framer.classify = ClassifyStxEtx;
    m_framer.onControl = [this](quint8 c) { onControl(static_cast<char>(c)); };
    m_framer.onFrame = [this](const QByteArray& text, const QByteArray&) { onFrame(text); };
    m_framer.holdWhileBusy = [this](const QByteArray& text) { return holdsTicket(text); };
    m_framer.foldHeld = [this](const QByteArray& last, const QByteArray& next) { return foldHeld(last, next); };
}

// ---- senders ----

bool TicketReaderLink::send(const QString& command, const QString& data, double seconds, const QString& trace,
                            Caption caption)
{
    MainScreen& s = m_st.screen;
    const auto clearCaptions = [&] {
        s.setText(kWriteLabel, QString());
        s.setText(kPrintLabel, QString());
    };
    const auto show = [&](const char* write, const char* print) {
        if (caption == Caption::Write) s.setText(kWriteLabel, QStringLiteral("Encoding") + QString::fromUtf8(write));
        if (caption == Caption::Print) s.setText(kPrintLabel, QStringLiteral("Printing") + QString::fromUtf8(print));
        if (caption == Caption::Eject) clearCaptions();
    };
    if (!m_st.comm || !m_st.comm->PortOpen(PortReader)) {
        show(" No Response", " No Response");
        return false;
    }
    if (caption == Caption::Write || caption == Caption::Print) show("....", "....");
    // Frames that arrive during the wait are handled at once, inside it; only a
    // card that comes while another is being handled waits for it.
    Waiting mine{isRead(command)};
    m_waiting.push_back(&mine);
    const auto restore = qScopeGuard([&] { m_waiting.pop_back(); });
    m_result = 0;
    m_st.comm->Output(PortReader, TD_Frame(command + data));
    DebugTraceLine(m_st, PortReader, trace);
    const bool answered = WaitUntil(m_st, [&mine] { return mine.answer != 0; }, seconds, PortReader);
    const bool ok = answered && mine.answer == 1;
    if (!answered) show(" No Response", " No Response");
    else if (ok) show(" Success", " Success");
    else show(" Fail", " Fail");
    return ok;
}

bool TicketReaderLink::Eject_CMD()
{
    return send(QStringLiteral("C30"), {}, 1.0, traceSent("Eject_CMD", "C30"), Caption::Eject);
}

bool TicketReaderLink::Read_CMD61()
{
    return send(QStringLiteral("C61"), {}, 1.0, traceSent("Read_CMD", "C61"), Caption::None);
}

bool TicketReaderLink::Read_CMD60()
{
    return send(QStringLiteral("C60"), {}, 1.0, traceSent("Read_CMD", "C60"), Caption::None);
}

bool TicketReaderLink::Write_CMD(const QString& data)
{
    return send(QStringLiteral("C70"), data, 1.0, traceSent("Write_CMD", "C70"), Caption::Write);
}

bool TicketReaderLink::Print_CMD96(const QString& data)
{
    return send(QStringLiteral("C96"), data, 2.0, traceSent("Print_CMD", "C96"), Caption::Print);
}

bool TicketReaderLink::Print_CMD90(const QString& data)
{
    return send(QStringLiteral("C90"), data, 2.0, traceSent("Print_CMD", "C90"), Caption::Print);
}

bool TicketReaderLink::RD_Erase_Recycle()
{
    return send(QStringLiteral("C810022"), {}, 1.0, traceSent("RD_Erase_Recycle", "C81"), Caption::None);
}

// ---- receiving ----

bool TicketReaderLink::holdsTicket(const QByteArray& text)
{
    if (!isTicketData(text)) return false;
    // It answers a read that waits for it, even when it is held and handled after.
    answer(1, true);
    return true;
}

// A reply answers the command sent last that still waits. A card is the
// reader's own report: it answers a read, never a write, print or eject.
void TicketReaderLink::answer(quint8 result, bool card)
{
    if (m_waiting.empty()) return;
    Waiting& w = *m_waiting.back();
    if (w.answer == 0 && (!card || w.read)) w.answer = result;
}

// Only cards wait, so only cards fold. What folds is traced as it arrives: the
// trace still shows every frame once.
HeldFold TicketReaderLink::foldHeld(const QByteArray& last, const QByteArray& next)
{
    const bool same = next == last;
    if (!same && !(refused(last) && refused(next))) return HeldFold::Apart;
    DebugTraceLine(m_st, PortReader, kTrace + QStringLiteral("< 수신데이터 ") + cp949::decode(same ? next : last));
    return same ? HeldFold::DropNew : HeldFold::ReplaceLast;
}

// A card that is only shown and given back: unreadable, or paid by its own data.
bool TicketReaderLink::refused(const QByteArray& text) const
{
    const bool recycled = m_st.models.DispenserType == 2;
    const QString reply = cp949::decode(text);
    if (!JudgeReaderReply(reply, recycled).ticketData) return false;
    const TicketCardData card = recycled ? ReadRecycledReply(reply) : ReadPaperReply(reply);
    return card.kind == TicketCardData::Kind::Unreadable || card.kind == TicketCardData::Kind::Paid;
}

template <typename Show> void TicketReaderLink::ownBox(Show&& show)
{
    const ByteFramer::OwnBox box(m_framer);
    show();
}

void TicketReaderLink::holdCards(bool on)
{
    if (on) m_framer.pause();
    else m_framer.resume();
}

void TicketReaderLink::RD_Receive()
{
    if (m_st.comm) m_framer.feed(m_st.comm->Input(PortReader));
}

void TicketReaderLink::onControl(char c)
{
    if (c != ACK) return; // ENQ and NAK from the reader mean nothing here
    DebugTraceLine(m_st, PortReader, kTrace + QStringLiteral("< ACK 수신"));
    DebugTraceLine(m_st, PortReader, kTrace + QStringLiteral("> ENQ 송신"));
    if (m_st.comm) m_st.comm->Output(PortReader, QByteArray(1, ENQ));
}

void TicketReaderLink::onFrame(const QByteArray& text)
{
    if (CheckPortTestEcho(m_st, text)) {
        m_framer.dropPending();
        return;
    }
    const QString reply = cp949::decode(text);
    DebugTraceLine(m_st, PortReader, kTrace + QStringLiteral("< 수신데이터 ") + reply);
    try {
        if (m_st.models.DispenserType == 2) RD_ParseType2(reply);
        else RD_Parse(reply);
    } catch (const std::exception& e) {
        // A broken database ends this ticket's handling only; the cards behind it are handled.
        ownBox([&] { showDbError(m_st, e); });
    }
}

void TicketReaderLink::judge(const QString& reply, bool recycled)
{
    const ReaderReply r = JudgeReaderReply(reply, recycled);
    m_result = r.result;
    answer(r.result, r.ticketData);
    if (!r.message.isEmpty()) m_st.screen.appendList1(r.message);
}

bool TicketReaderLink::takesTicketData() const
{
    // A completion under way keeps its ticket: its stamp and record belong to it.
    return !m_st.trx.LostTicket && !m_st.trx.ExitDone;
}

void TicketReaderLink::RD_Parse(const QString& reply)
{
    judge(reply, false);
    if (!JudgeReaderReply(reply, false).ticketData) return;
    if (m_st.ReaderBusy || !takesTicketData()) return;
    handleCard(reply, ReadPaperReply(reply));
}

void TicketReaderLink::RD_ParseType2(const QString& reply)
{
    judge(reply, true);
    if (!JudgeReaderReply(reply, true).ticketData) return;
    if (!takesTicketData()) return;
    m_st.trx.RecycleLine = RecycledPrintRow(reply);
    if (m_st.ReaderBusy) return;
    handleCard(reply, ReadRecycledReply(reply));
}

void TicketReaderLink::handleCard(const QString& reply, const TicketCardData& card)
{
    switch (card.kind) {
    case TicketCardData::Kind::Season: season(card); break;
    case TicketCardData::Kind::Unpaid: settledCheck(card); break;
    case TicketCardData::Kind::Paid: showPaidCard(card); break;
    case TicketCardData::Kind::Unreadable: refuse(reply, card.refusal); break;
    }
}

void TicketReaderLink::season(const TicketCardData& card)
{
    const QString update = card.passFlag == u'1'   ? QStringLiteral("UPDATE 정기권 SET 입출차구분 = 1 WHERE 정기권번호 = ?")
                           : card.passFlag == u'0' ? QStringLiteral("UPDATE 정기권 SET 입출차구분 = 2 WHERE 정기권번호 = ?")
                                                   : QString();
    if (!update.isEmpty()) Exec(m_st.Db, update, {card.seasonNo});
    if (m_st.routines.Season_Out) {
        QString no = card.seasonNo;
        qint16 gate = 2;
        m_st.routines.Season_Out(m_st, no, gate);
    }
    Write_CMD(card.rewrite);
    Eject_CMD();
}

void TicketReaderLink::settledCheck(const TicketCardData& card)
{
    m_st.trx.TicketData = CardTicketData(card.ticketNo, card.inStamp);
    MainScreen& s = m_st.screen;
    s.setText(QStringLiteral("TNum"), card.ticketNo);
    QSqlQuery q = Query(m_st.Db,
                        QStringLiteral("SELECT 티켓번호, 출차일, 출차시간, 입차일, 입차시간, 할인시간, 총주차시간, 총주차요금 "
                                       "FROM 일반권 WHERE 입차코드 = ? AND 출차일 IS NOT NULL"),
                        {m_st.trx.TicketData});
    if (!q.next()) {
        q.finish();
        startFeeRun();
        return;
    }
    // Not priced: a ticket shown stays the one its keys work on.
    if (m_st.trx.TicketInProgress) m_st.trx.TicketData = m_st.trx.EntryCode;
    s.setText(QStringLiteral("LOut_1"), q.value(0).toString());
    s.setText(QStringLiteral("LOut_2"), q.value(1).toString() + QLatin1Char(' ') + q.value(2).toString());
    s.setText(QStringLiteral("LOut_3"), q.value(3).toString() + QLatin1Char(' ') + q.value(4).toString());
    s.setText(QStringLiteral("LOut_4"), q.value(5).toString() + QStringLiteral("분"));
    s.setText(QStringLiteral("LOut_5"), q.value(6).toString() + QStringLiteral("분"));
    s.setText(QStringLiteral("LOut_6"), moneyText(q.value(7)));
    q.finish();
    alreadyPaid();
}

void TicketReaderLink::showPaidCard(const TicketCardData& card)
{
    MainScreen& s = m_st.screen;
    s.setText(QStringLiteral("LOut_1"), card.ticketNo);
    s.setText(QStringLiteral("LOut_2"), StampShown(card.outStamp));
    s.setText(QStringLiteral("LOut_3"), StampShown(card.inStamp));
    for (const char* name : {"LOut_4", "LOut_5", "LOut_6"}) s.setText(QString::fromUtf8(name), QString());
    alreadyPaid();
}

void TicketReaderLink::alreadyPaid()
{
    Fee_LabelColor(m_st, kPanelDimmed);
    ownBox([&] { m_st.msgs.Msg_Box(QStringLiteral("이미정산이 완료된 주차권입니다....."), QStringLiteral("정산오류")); });
    m_st.screen.setText(QStringLiteral("TNum"), QString());
    Eject_CMD();
}

void TicketReaderLink::refuse(const QString& reply, const QString& text)
{
    Fee_LabelColor(m_st, kPanelDimmed);
    ownBox([&] { m_st.msgs.Msg_Box(text + QStringLiteral("\r\n") + reply, QStringLiteral("주차권 오류")); });
    m_st.screen.setText(QStringLiteral("TNum"), QString());
    Eject_CMD();
}

void TicketReaderLink::startFeeRun()
{
    ExitTransaction& t = m_st.trx;
    const bool replacing = t.TicketInProgress;
    bool priced = false;
    ownBox([&] { priced = Calc_TicketFee(m_st); }); // a tariff fault says so in a box
    if (!priced) {
        // Not priced (the run said why): the card goes back, a ticket shown now stays.
        const bool shown = t.TicketInProgress;
        t.TicketData = shown ? t.EntryCode : QString();
        m_st.screen.setText(QStringLiteral("TNum"), shown ? t.TicketNo : QString());
        Eject_CMD();
        return;
    }
    // A ticket read while another is shown replaces it, discounts and all;
    // the reader's ticket is stamped and ejected when the exit completes.
    if (replacing) Reset_DiscKeyState(m_st);
    t.TicketTyped = false;
    t.EnterGuard = false;
}

// ---- erase ----

bool TicketReaderLink::RD_EraseTicket()
{
    const ReaderBusyScope busy(m_st);
    m_st.msgs.Msg_Box(QStringLiteral("주차권을 판독기에 삽입 하세요"), QStringLiteral("재활용 주차권 소거"));
    if (m_st.models.DispenserType == 2) {
        Write_CMD(QString(30, QLatin1Char('0')));
        Delay(m_st, 0.1);
        RD_Erase_Recycle();
    }
    return Eject_CMD();
}

ReaderBusyScope::ReaderBusyScope(Station& st) : m_st(st) { m_st.ReaderBusy = true; }
ReaderBusyScope::~ReaderBusyScope() { m_st.ReaderBusy = false; }

// ---- attach ----

std::shared_ptr<TicketReaderLink> AttachTicketReader(Station& st)
{
    auto link = std::make_shared<TicketReaderLink>(st);
    DeviceRoutines& r = st.routines;
    r.RD_Receive = [link](Station&) { link->RD_Receive(); };
    r.Read_CMD61 = [link](Station&) { link->Read_CMD61(); };
    r.Read_CMD60 = [link](Station&) { link->Read_CMD60(); };
    r.Eject_CMD = [link](Station&) { link->Eject_CMD(); };
    r.RD_EraseTicket = [link](Station&) { link->RD_EraseTicket(); };
    ExitLinks& x = st.exitLinks;
    x.readerWrite = [link](const QString& d) { return link->Write_CMD(d); };
    x.readerPrint90 = [link](const QString& d) { link->Print_CMD90(d); };
    x.readerPrint96 = [link](const QString& d) { link->Print_CMD96(d); };
    x.readerEject = [link] { link->Eject_CMD(); };
    x.readerHoldCards = [link](bool on) { link->holdCards(on); };
    x.readerCatchUp = [link] { link->catchUp(); };
    x.readerCardsWaiting = [link] { return link->heldFrames() > 0; };
    if (st.comm)
        st.comm->addRxReset([weak = std::weak_ptr<TicketReaderLink>(link)] {
            if (const auto l = weak.lock()) l->ResetRx();
        });
    return link;
}

} // namespace tolvo
