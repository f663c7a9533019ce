#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

namespace tolvo {

// The active discount keys and the transaction's per-key state.
struct DiscountKeys {
    int DiscKeyCount = 0;
    std::vector<int> DiscKeyState;
    bool DiscComboUsed = false;
};

} // namespace tolvo
