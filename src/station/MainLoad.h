#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

namespace tolvo {

struct Station;

// The default colour of every main-screen colour key: red 0, green 64, blue 64.
inline const QString kDefaultColour = QStringLiteral("4210688");

// Colour values as stored: blue in the high byte (0x00BBGGRR).
QColor VbColour(qint32 value);
qint32 VbColourValue(const QColor& c);
// A colour key's text: its leading number, rounded; a number too large for a
// colour gives the default.
QColor ColourFromText(const QString& text);

// The 14 colour keys in the order the load applies them.
const QStringList& ColourKeys();
// The controls a key colours: at load (POut_0 excepted) or by a double-click.
QStringList ColourTargets(const QString& key, bool atLoad);
// True for a key that colours a frame's outline rather than text.
bool IsShapeKey(const QString& key);
// The colour key a double-click on the control chooses, if any.
std::optional<QString> ColourKeyForDoubleClick(const QString& control);
// Only the worker shown as "관리자" may recolour.
bool MayChooseColours(const Station& st);
// Colours the key's group and saves the colour in the settings file.
void ApplyColourChoice(Station& st, const QString& key, const QColor& colour);

// 중복카드무효처리: "True"/"False" in any letter case, or a number (non-zero
// True); anything else gives the default, False.
bool AntiPassBackFromText(const QString& text);

// The period totals of the open statistics period into WName and LCnt_0/1/2/4/7.
void ShowPeriodTotals(Station& st);

// The main screen's load steps (widgets apart).
void Load_MainCounters(Station& st);
void Load_FormLayout(Station& st);
void Main_FormLoad(Station& st);

// "      0": the digit display at rest.
inline const QString kFndIdle = QStringLiteral("      0");

} // namespace tolvo
