#pragma once

#include <QString>
#include <QtGlobal>

// The exit keys of the main screen's key-release handler: while a ticket is in
// progress Esc cancels, Enter completes and any other key is looked up as a
// discount key.
namespace tolvo {

struct Station;

// When and where the released key was pressed, as the main window saw it:
// before the ticket on screen was shown (meant for something else, such as the
// Enter that started its lookup), after, or in a box or prompt over the main
// screen. Unknown: as after.
enum class KeyPressed { Unknown, BeforeShown, AfterShown, Elsewhere };

// Key release on the main screen (Windows virtual-key code, shift mask Shift 1,
// Ctrl 2, Alt 4). True when the key was the exit's (a ticket is in progress);
// false when the caller looks it up as a function key. The first Enter released
// after a lookup only clears its guard. A key pressed before the ticket was
// shown, or elsewhere, does nothing to it (an Enter still clears the guard).
bool ExitKeys_KeyUp(Station& st, int keyCode, int shift, KeyPressed pressed = KeyPressed::Unknown);

// Esc: the cancellation of the exit.
void Exit_Cancel(Station& st);
// Enter: the completion of the exit. The exit is recorded first, then the barrier,
// drawer, receipt and ticket stamp follow, so that no message between them can
// lose a paid exit.
void Exit_Complete(Station& st);
// A discount key (key code and shift state).
void Exit_DiscountKey(Station& st, int keyCode, int shift);
// An active discount key is bound to this key code and shift state.
bool DiscountKeyBound(const Station& st, int keyCode, int shift);

// The discount kinds of 할인키 applied to the amount (kind 1 needs the fee run).
enum DiscountKind { DiscNone = 0, DiscMinutes = 1, DiscAmount = 2, DiscPercent = 3, DiscFree = 4, DiscFixed = 5 };
// Applies one kind with its rate to st.trx; a negative amount becomes 0.
void ApplyDiscountKind(Station& st, int kind, double rate);

// The print lines after the exit is written onto a ticket (the written data: core/TicketStamp.h).
QString RecyclePrintData(qint16 recycleLine, const QString& outDate, const QString& outTime, qint32 payAmount);
QString PaperPrintData(const QString& outDate, const QString& outTime, qint32 payAmount);

} // namespace tolvo
