#include "database/Bands.h"

#include <array>

namespace tolvo::bands {

namespace {

// Upper edges of bands 1..9; anything else is band 10.
int BandOf(qint64 v, const std::array<qint64, 9>& upper)
{
    if (v < 0) return 10;
    for (std::size_t n = 0; n < upper.size(); ++n)
        if (v <= upper[n]) return static_cast<int>(n) + 1;
    return 10;
}

} // namespace

int DurationBand(qint64 minutes)
{
    return BandOf(minutes, {9, 19, 29, 59, 119, 179, 239, 299, 1439});
}

int AmountBand(qint64 won)
{
    return BandOf(won, {0, 1000, 2000, 3000, 4000, 5000, 10000, 20000, 30000});
}

} // namespace tolvo::bands
