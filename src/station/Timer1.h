#pragma once

#include <QDateTime>
#include <QString>

namespace tolvo {

struct Station;

// The main screen's one-second timer tick (Timer1): reader lamp, dispenser warnings,
// the fee display's clock, the main-screen clock, the dispenser poll and hourly jobs,
// the end-of-day archive at a change of day, else one kind of pending host record.
// The device subsystems' parts run through Station::routines. A tick never starts
// inside another one (its waits process events), except while that one is held
// below a dialog: then the later ticks run every step but the one it is inside,
// and the held tick stops after that step. Each tick's steps go by the second it
// began. An error ends the tick, is shown once on List1, and the next tick runs
// normally.
void Timer1_Tick(Station& st);

// "yyyy년mm월dd일 hh시nn분ss초", the caption of PnlTime.
QString ClockPanelText(const QDateTime& now);

// The texts the tick shows.
inline const QString kArchiveBusyText = QStringLiteral("금일 데이터를 백업중...   잠시만 기다리세요!");

} // namespace tolvo
