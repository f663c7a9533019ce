#pragma once

namespace tolvo {

struct Station;

// Records the cancelled exit of st.trx in 출차취소 (one row per entry code: a
// repeated cancellation rewrites the exit data and keeps the entry fields),
// then shows the notice when 메세지출력 is "1". The row commits as one
// transaction; on a failure the error is shown, no notice, and false returned.
bool Save_ExitCancel(Station& st);

} // namespace tolvo
