#pragma once

namespace tolvo {

struct Station;

// The shut-down question (Yes/No, No by default). True when the worker answers Yes.
bool Shutdown_Confirm(Station& st);

// After a Yes: the fee display blank (when its port is open), the run marked as
// ended cleanly, every port closed, the database closed. Each step runs even
// when an earlier one fails, so the ports and the database are always released.
void Shutdown_Run(Station& st);

// The start-up screen's cancel: the run counts as ended cleanly, the database closes.
void Splash_Cancel(Station& st);

// Marks the run as ended cleanly (시스템.정상적인종료 True); false when it failed.
bool MarkCleanEnd(Station& st);

} // namespace tolvo
