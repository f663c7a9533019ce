#pragma once

#include <QtGlobal>
#include <vector>

namespace tolvo {

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

} // namespace tolvo
