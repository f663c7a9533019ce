#pragma once

#include <QString>

namespace tolvo {

struct Station;

namespace DBase {

// Text of the creation stamps: "yyyy-mm-dd hh:nn:ss 에 최초로 데이터 베이스가 생성 되었습니다."
QString CreationStamp(const Station& st);
// Writes the first-run rows of a new database on st.Db, table by table in order.
void WriteFirstRunRows(Station& st);

} // namespace DBase
} // namespace tolvo
