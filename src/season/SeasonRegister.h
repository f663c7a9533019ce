#pragma once

#include "season/Rows.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>

// The season-ticket register behind the screen Jung: the 정기권 record as the
// entry boxes show it, the lookup, save (edit, re-key, add), delete, the card
// written through the ticket reader, and the screen's bulk actions.
namespace tolvo {

struct Station;

// Significant digits of a card number by the reader model of season entrance 1.
int TagLength(int model);
// The key: the typed number left-padded with "0" to 10 characters.
QString TagKey(const QString& typed, int tagLength);
// A stored key as Txt1 shows it: its last tagLength characters.
QString ShownTag(const QString& key, int tagLength);
// A real calendar day written "yyyy-mm-dd".
bool IsStrictDate(const QString& text);
// Today plus one calendar month, the day clamped to the month's last day.
QString OneMonthOn(const QDate& today);

// Digits the monthly-fee box takes.
inline constexpr int kFeeDigits = 7;
// The fee box's text as shown once left: its digits grouped ("1,234,567"),
// empty when it has none.
QString FeeShown(const QString& typed);

// The entry boxes of Jung: Txt1..Txt8 (index 0 unused), MaskEdBox1(0..3),
// Lbl1, Lbl2 and the selected Option2.
struct JungBoxes {
    std::array<QString, 9> Txt;
    std::array<QString, 4> Mask; // fee, issue date, start date, end date
    QString Lbl1, Lbl2;
    int Option2 = 0;
};

// Field of 정기권 and byte width behind Txt2..Txt8.
struct JungTextField {
    int box;
    const char* field;
    int width;
};
inline constexpr std::array<JungTextField, 7> kJungTextFields{{
    {2, "차량번호", 13}, {3, "이름", 12}, {4, "소유자", 12}, {5, "소속", 32},
    {6, "차종", 10},     {7, "색상", 10}, {8, "전화번호", 13},
}};

// The three searches of the register screen.
enum class JungSearch { Affiliation, Vehicle, Driver };

class SeasonRegister {
public:
    enum class SaveResult { Refused, Saved, Duplicate, Failed };

    explicit SeasonRegister(Station& st);

    // Activation: the tag length from the reader model of season entrance 1.
    void setTagLengthFromModel();
    int tagLength() const { return m_tagLength; }

    // Lookup of Txt1; true when found (the boxes then show the ticket).
    bool Search_Record(JungBoxes& b);
    // Empties the boxes and sets the defaults (today, a month on, state 0).
    void Clear_Field(JungBoxes& b) const;
    bool Check_Field(const JungBoxes& b) const;
    // Writes the boxes as one transaction. Duplicate and Failed leave the table as it was.
    SaveResult Insert_Record(JungBoxes& b);
    // Button "저장(&S)": checks, writes the card when season cards are magnetic
    // tickets, saves, and clears the boxes unless the write failed.
    SaveResult Save(JungBoxes& b);
    // Button "삭제(&D)": deletes the loaded ticket; false when nothing was deleted.
    bool Delete(JungBoxes& b);

    // The 31 characters written on a season card.
    QString SeasonCardData(const JungBoxes& b) const;
    // The three lines printed on a season card.
    QStringList SeasonCardLines(const JungBoxes& b) const;

    // The grid's rows: all tickets, or the last search's filter.
    RowSet GridRows() const;
    // Sets the grid's filter; an empty text shows all tickets.
    RowSet Search(JungSearch kind, const QString& text);

    bool Record_Loaded = false;
    QString Loaded_Key;

private:
    void DataBaseToField(const RowSet& r, JungBoxes& b) const;
    bool WriteCard(const JungBoxes& b);
    void ShowDbError(const QString& cause) const;

    Station& m_st;
    int m_tagLength = 10;
    QString m_filterSql;
    QVariantList m_filterValues;
};

// "Reset": every ticket's passage state to 0.
void Jung_ResetStates(Station& st);
// Button "확인" of the bulk end date: behind the administrator password and a
// confirmation. True when the end dates were changed.
bool Jung_SetAllEndDates(Station& st, const QDate& endDate);
// Close: the operating mode ("0".."3", empty for none selected) and the
// anti-passback switch into the station and the settings file.
void Jung_SaveModes(Station& st, const QString& mode, bool antiPassBack);

} // namespace tolvo
