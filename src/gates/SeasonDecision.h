#pragma once

#include <QString>
#include <QtGlobal>

namespace tolvo {

struct Station;

enum class SeasonDir { In, Out };

// What the register says of a card. None: a registered, valid card whose in/out
// state is none of 0, 1, 2 (nothing is written, shown or sent).
enum class SeasonVerdict { None, Unregistered, Expired, Normal, Repeated };

// Whether the barrier opens for a verdict under the operating mode ("0".."3").
bool SeasonMayPass(SeasonVerdict v, const QString& mode);

// The card as every comparison and statement uses it: without blanks, cut or
// filled with blanks to 10 characters.
QString SeasonCardKey(const QString& card);

// Anti-passback slot: entrances 1 → 0, 3 → 1; exits 2 → 0, 5 → 1; any other gate 0.
int AntiPassBackSlot(SeasonDir d, qint16 gate);

// Season_In / Season_Out: decide a card read at a gate, record the passage and
// count it, show it and open or refuse the barrier through the gate routines.
// card comes back without blanks. The decision works on its own copy; the
// register update, the passage row and the hourly count commit together or not
// at all (a failure opens nothing and is reported on List1 and the trace).
void Season_In(Station& st, QString& card, qint16 gate);
void Season_Out(Station& st, QString& card, qint16 gate);

} // namespace tolvo
