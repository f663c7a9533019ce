#pragma once

#include <QtGlobal>
#include <vector>

namespace tolvo {

struct Station;

// The active discount keys (할인키 with 사용여부 on, ordered by 키코드2, 키코드1)
// and the current exit's per-key counts. Index i is the same key in all three
// arrays; with no active key they hold the one element 0 (code 0, never a key).
struct DiscountKeys {
    quint8 DiscKeyCount = 0;                  // highest index, not the number of keys
    std::vector<quint8> DiscKeyCode1{0};      // 키코드1 (key code)
    std::vector<quint8> DiscKeyCode2{0};      // 키코드2 (shift mask)
    std::vector<quint8> DiscKeyState{0};      // applications to the current exit
    bool DiscComboUsed = false;               // a combinable key was applied
};

// Rebuilds the list from the database; every count 0, flag cleared. On an error
// (a database error, more than 256 keys, a code outside 0..255) it throws and the
// previous list stays as it was.
void Load_DiscountKeys(Station& st);

// Clears the per-exit counts and the flag; keys and codes stay.
void Reset_DiscKeyState(Station& st);

} // namespace tolvo
