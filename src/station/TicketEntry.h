#pragma once

#include <QString>
#include <optional>

// The manual way into an exit: the ticket-number box TNum of the main screen.
// The main window owns the widget and calls these from its events.
namespace tolvo {

struct Station;

// Change of TNum: when the last character is not a digit it is removed. Returns
// the text to put back (caret to the end), or nothing when the text stays.
std::optional<QString> TNum_Change(const QString& text);

// KeyPress of TNum. Enter (character 13) looks the box's text up and is always
// discarded: returns true when the key must not reach the box.
bool TNum_KeyPress(Station& st, int keyAscii);

// The lookup of the text in TNum (a 4-digit number, or 14/16 characters of data).
void TNum_Lookup(Station& st);

// Clears what a lookup set when no transaction started: the busy, Enter-guard
// and typed flags and the ticket data.
void EndLookupWithoutTicket(Station& st);

} // namespace tolvo
