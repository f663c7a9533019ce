#pragma once

class QDialog;

namespace tolvo {

// A dialog's Esc presses nothing: the screen closes only by its own buttons
// and the close box, each with its own steps.
void IgnoreEscape(QDialog& dialog);

} // namespace tolvo
