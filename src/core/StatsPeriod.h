#pragma once

namespace tolvo {

struct Station;

// Opens a statistics period: 24 rows of 시간대별, one of 주차시간대별 and 금액대별,
// and, when discount keys are active, the 할인현황 rows ("현금출차" first, then one
// per active key by 키코드2, 키코드1). All rows carry the current worker, the POS code
// and the start time. One transaction: either the whole period opens or nothing.
// Throws DbError.
void Stats_NewPeriod(Station& st);

} // namespace tolvo
