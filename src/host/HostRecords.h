#pragma once

#include "core/Station.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <array>
#include <functional>
#include <random>
#include <vector>

// The records the station sends to the host (and a master station stores): one
// table of fields per kind, used to format a record here and to read it back.
namespace tolvo {

// How a column's value becomes the text of its field.
enum class FieldKind {
    Text,   // as stored, left-justified, blank-filled, cut on the right
    Number, // plain decimal, then as Text
    Flag,   // "1" for True, "0" for False or Null
    Raw,    // as stored, neither padded nor cut
};

struct RecordField {
    const char16_t* column; // column of the kind's table
    int position;           // 1-based, in characters of the record text
    int width;              // characters
    FieldKind kind;
};

struct RecordLayout {
    HostKind kind;
    const char* code;       // record code, the start of the key
    const char16_t* table;  // the table the rows come from
    int length;             // characters of a whole record
    bool fixedPosDigit;     // the key's POS digit is always "0" (CANCEL)
    std::vector<RecordField> fields; // the body, in record order

    int keyLength() const;  // code, POS digit and the 7-digit tag
};

const RecordLayout& HostLayout(HostKind kind);

// The key: record code, POS digit and the tag in 7 digits with leading zeros.
QString RecordKey(const RecordLayout& layout, const QString& posDigit, int tag);

// One field's text by its kind; a Null value gives blanks (a flag "0").
QString FieldText(const RecordField& field, const QVariant& value);

// The record text: the key, one blank, the fields in order. value(column)
// gives each field's stored value.
using ColumnValue = std::function<QVariant(const QString& column)>;
QString FormatRecord(const RecordLayout& layout, const QString& key, const ColumnValue& value);

// The layout's field of a column; throws when the layout has none.
const RecordField& LayoutField(const RecordLayout& layout, const QString& column);

// A field's characters as they stand in a record text (its key is the text's
// first keyLength() characters); empty when the text is too short.
QString RecordFieldText(const RecordLayout& layout, const QString& text, const QString& column);

// STX, the text in code page 949, ETX and the block check.
QByteArray HostRecordFrame(const QString& text);

// Tags of record keys, 1 to 256. The generator is seeded once; a tag never
// repeats the previous one of the same kind, so a late acknowledgement of the
// last send can never match the next one.
class RecordTags {
public:
    RecordTags();
    explicit RecordTags(std::uint32_t seed);
    int next(HostKind kind);

private:
    std::mt19937 m_rng;
    std::array<int, HostKindCount> m_last{};
};

} // namespace tolvo
