#pragma once

#include <QString>
#include <QtGlobal>

// Fixed byte columns of code page 949: a Hangul syllable counts two bytes, ASCII one.
// Positions count bytes from 1.
namespace tolvo {

// Bytes of the text in code page 949; throws Overflow beyond 32767.
qint16 AnsiLenB(const QString& text);
// 0: a one-byte character or outside the text; 1: first byte of a double-byte
// character; 2: its second byte.
qint16 AnsiCharKind(const QString& text, qint16 position);
// Bytes start .. start + length - 1 (cut at the end of the text); a character split
// at either edge becomes one blank.
QString AnsiMidB(const QString& text, qint16 start, qint16 length);
// The text without its blanks (character 32); tabs and everything else stay.
QString RemoveSpaces(const QString& text);

} // namespace tolvo
