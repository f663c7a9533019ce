#pragma once

#include <QColor>
#include <QString>
#include <QtGlobal>

namespace tolvo {

struct Station;

// Screen colours in the stored encoding &H00BBGGRR.
QColor ColorFromBgr(quint32 bgr);
quint32 BgrFromColor(const QColor& c);

constexpr quint32 kPanelDimmed = 0x8080; // the panel of a finished or settled exit

// "45분", "2시간5분".
QString DurationText(qint64 minutes);
// "1,500원".
QString FeeText(qint64 won);

// Writes the current exit transaction into the fee panel (LOut_1..LOut_6) and
// the amount to collect into the seven-segment display Fnd.
void Fee_Display(Station& st);

// Sets the panel colour of LOut_1..LOut_6 and the matching TNum colour.
void Fee_LabelColor(Station& st, quint32 bgrColour);

} // namespace tolvo
