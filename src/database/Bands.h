#pragma once

#include <QtGlobal>

// The duration bands of 주차시간대별 and the amount bands of 금액대별 (band n
// counts into the fields 금액n and 건수n). Edges are inclusive.
namespace tolvo::bands {

// Parking minutes: 1 for 0..9, 2 for 10..19, 3 for 20..29, 4 for 30..59, 5 for 60..119,
// 6 for 120..179, 7 for 180..239, 8 for 240..299, 9 for 300..1439, 10 otherwise.
int DurationBand(qint64 minutes);
// Amount collected in won: 1 for 0, 2 for 1..1000, 3 for ..2000, 4 for ..3000, 5 for ..4000,
// 6 for ..5000, 7 for ..10000, 8 for ..20000, 9 for ..30000, 10 otherwise (also below 0).
int AmountBand(qint64 won);

} // namespace tolvo::bands
