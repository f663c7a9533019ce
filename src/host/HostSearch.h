#pragma once

#include <QByteArray>
#include <QString>

// The operator's query to the host for a car by its car number or its tag
// (season-card) number. No answer is handled.
namespace tolvo {

struct Station;

inline constexpr int SearchFieldWidth = 15;

// STX, the request word, the number left-aligned in 15 characters (cut after
// 15, blank-filled) and ETX, in code page 949, without a block check.
QByteArray SearchRequestFrame(const QString& word, const QString& number);

// Writes the request to the host port; nothing when the port is closed.
void SendSearchRequest(Station& st, const QString& word, const QString& number);

} // namespace tolvo
