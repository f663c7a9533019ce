#pragma once

#include "core/DiscountKeyState.h"

namespace tolvo {

struct Station;

// Rebuilds the list from the database; every count 0, flag cleared. On an error
// (a database error, more than 256 keys, a code outside 0..255) it throws and the
// previous list stays as it was.
void Load_DiscountKeys(Station& st);

// Clears the per-exit counts and the flag; keys and codes stay.
void Reset_DiscKeyState(Station& st);

} // namespace tolvo
