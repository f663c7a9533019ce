#pragma once

#include <QByteArray>
#include <QString>

// Code page 949 (Microsoft's), the encoding of the wire, the paper and every
// fixed-width text measured in bytes.
namespace tolvo::cp949 {

QByteArray encode(const QString& text); // unmappable characters become "?"
QString decode(const QByteArray& bytes);
int byteLength(const QString& text);

} // namespace tolvo::cp949
