#include "equipment/DispenserFamily2.h"

#include "core/Station.h"
#include "equipment/EntryRecord.h"
#include "platform/Cp949.h"
#include "serial/Comm.h"

#include <array>

namespace tolvo {

namespace {

constexpr quint8 ENQ = 0x05, ACK = 0x06;
// The longest frame of this family has 18 characters.
constexpr int kFrameCap = 256;

struct Status {
    const char* code;
    const char* text;
    bool stockPanel; // the panel asks for new tickets (else: check the dispenser)
};
constexpr std::array<Status, 3> kStatuses{{
    {"01", "장비정지", false},
    {"02", "주차권없음", true},
    {"03", "주차권부족", true},
}};
const QString kCheckDispenser = QStringLiteral("발행기를 점검하시기 바랍니다.");

ByteFramer::Options framerOptions()
{
    ByteFramer::Options o;
    o.capBytes = kFrameCap;
    o.dataOutsideFrame = true;
    o.trailerBytes = 1; // the block check: skipped, whatever its value
    return o;
}

bool recordsTickets(quint8 model) { return model == 0 || model == 3; }

} // namespace

DispenserFamily2::DispenserFamily2(Station& st) : m_st(st), m_framer(framerOptions())
{
    m_framer.classify = ClassifyStxEtx;
    // The loop test's frame comes back without a block check: it ends at its ETX.
    m_framer.endsWithoutTrailer = [](const QByteArray& frame) { return frame == QByteArrayLiteral("PORT_TEST"); };
    m_framer.onControl = [this](quint8 b) { onControl(b); };
    m_framer.onFrame = [this](const QByteArray& frame, const QByteArray&) { onFrame(frame); };
    m_framer.onError = [this](const QByteArray&, const QString& cause) {
        m_st.screen.appendList1(QStringLiteral("발권기 수신 오류 : ") + cause);
    };
    m_framer.onOverflow = [this](qsizetype n) {
        m_st.screen.appendList1(QStringLiteral("발권기 수신 오류 : 수신 프레임이 너무 깁니다 (%1 바이트)").arg(n));
    };
}

void DispenserFamily2::TD_Receive4101()
{
    if (!m_st.comm) return;
    feed(m_st.comm->Input(PortDispenser));
}

void DispenserFamily2::feed(const QByteArray& bytes) { m_framer.feed(bytes); }

void DispenserFamily2::onControl(quint8 byte)
{
    if (byte != ACK) return;
    m_framer.clearBuffer();
    if (m_st.comm) m_st.comm->Output(PortDispenser, QByteArray(1, char(ENQ)) + cp949::encode(m_st.models.DispenserUnitNo));
    m_st.TDAckFlag = true;
}

void DispenserFamily2::onFrame(const QByteArray& frame)
{
    if (CheckPortTestEcho(m_st, frame)) return;
    if (!recordsTickets(m_st.models.DispenserType)) return;
    const QString t = QString::fromLatin1(frame);
    if (t.size() == 18)
        TD_EntryStatus18(t);
    else if (t.size() == 14)
        TD_Entry14(t);
}

void DispenserFamily2::TD_Entry14(const QString& t)
{
    RecordEntry(m_st, DispenserFamily::Second, {t.mid(0, 4), t.mid(10, 2), t.mid(12, 2)});
}

void DispenserFamily2::TD_EntryStatus18(const QString& t)
{
    ClearDispenserAlarm(m_st);
    const QString unit = t.mid(0, 2);
    const QString code = t.mid(2, 2);
    QString text = QStringLiteral("정상");
    if (code != QLatin1String("00")) {
        text = QStringLiteral("장비오류");
        bool stockPanel = false;
        for (const Status& s : kStatuses) {
            if (code != QLatin1String(s.code)) continue;
            text = QString::fromUtf8(s.text);
            stockPanel = s.stockPanel;
        }
        // The count before this ticket is counted down.
        m_st.screen.setText(QStringLiteral("PnlMsg"), stockPanel ? kReplaceTicketsText +
                                                                       QString::number(m_st.settings.TicketsLeft)
                                                                 : kCheckDispenser);
        m_st.screen.setVisible(QStringLiteral("Shape1"), true);
        RaiseDispenserAlarm(m_st, text);
    }
    const QString suffix = QStringLiteral("        발권기 상태 : ") + text + QStringLiteral("   UNIT NO : ") + unit;
    RecordEntry(m_st, DispenserFamily::Second, {t.mid(4, 4), t.mid(14, 2), t.mid(16, 2)}, suffix,
                code != QLatin1String("00"));
}

} // namespace tolvo
