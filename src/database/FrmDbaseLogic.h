#pragma once

#include <QString>
#include <array>
#include <vector>

// The database management logic behind frmDbase: the retention period of the
// statistics rows and the clearing of record groups.
namespace tolvo {

struct Station;

struct DbaseClearButton {
    const char* caption;
    const char* firstLine; // first line of the question
    std::vector<const char*> tables;
    const char* where;     // condition on 일반권, or nullptr for every row
    bool newPeriod;        // a new statistics period afterwards
};
const std::array<DbaseClearButton, 6>& DbaseClearButtons();

// The question of a clear button.
QString DbaseClearQuestion(int index);

// 시스템.자료보관기간 as the box shows it; "0" when there is no row or no value.
QString RetentionText(const Station& st);

// "확인": stores the leading number of the text (rounded to a whole number).
// A value outside 0..32767 is refused with a message; false then, and on a
// failing statement (shown too).
bool FrmDbase_StoreRetention(Station& st, const QString& text);

// A clear button: asks (Yes/No, No by default); on Yes clears its tables in one
// transaction, opening a new statistics period where the button does and
// refreshing the main screen's totals. False when answered No or failed (shown).
bool FrmDbase_Clear(Station& st, int index);

} // namespace tolvo
