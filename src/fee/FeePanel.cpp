#include "fee/FeePanel.h"

#include "platform/Vb.h"
#include "core/Station.h"

namespace tolvo {

namespace {

QString lout(int i) { return QStringLiteral("LOut_%1").arg(i); }

constexpr int kFndWidth = 7;

} // namespace

QColor ColorFromBgr(quint32 bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

quint32 BgrFromColor(const QColor& c)
{
    return static_cast<quint32>(c.red()) | (static_cast<quint32>(c.green()) << 8)
           | (static_cast<quint32>(c.blue()) << 16);
}

QString DurationText(qint64 minutes)
{
    const qint64 hours = minutes / 60;
    if (hours <= 0) return QStringLiteral("%1분").arg(minutes % 60);
    return QStringLiteral("%1시간%2분").arg(hours).arg(minutes % 60);
}

QString FeeText(qint64 won) { return FormatMoney6(won) + QStringLiteral("원"); }

void Fee_LabelColor(Station& st, quint32 bgrColour)
{
    const QColor c = ColorFromBgr(bgrColour);
    for (int i = 1; i <= 6; ++i) st.screen.setBackColor(lout(i), c);
    st.screen.setBackColor(QStringLiteral("TNum"), ColorFromBgr(bgrColour == kPanelDimmed ? 0x80 : 0xFF));
}

void Fee_Display(Station& st)
{
    const ExitTransaction& t = st.trx;
    Fee_LabelColor(st, BgrFromColor(st.screen.backColor(lout(0))));
    st.screen.setText(lout(1), t.TicketNo);
    st.screen.setText(lout(2), t.OutDate + QLatin1Char(' ') + t.OutTime);
    st.screen.setText(lout(3), t.InDate + QLatin1Char(' ') + t.InTime);
    st.screen.setText(lout(4), DurationText(t.DiscMinutes));
    st.screen.setText(lout(5), DurationText(t.ParkMinutes));
    st.screen.setText(lout(6), FeeText(t.TotalFee));
    const QString amount = QString::number(t.PayAmount);
    if (amount.size() > kFndWidth) {
        st.msgs.Msg_Box(QStringLiteral("연산범위 초과!!!"), QStringLiteral("Tarvola"));
        return;
    }
    st.screen.setText(QStringLiteral("Fnd"), amount.rightJustified(kFndWidth));
}

} // namespace tolvo
