#include "widgets/DialogKeys.h"

#include <QDialog>
#include <QKeyEvent>

namespace tolvo {

namespace {

// Sees the Esc that no control of the dialog took, before the dialog's reject.
class EscapeFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel))
            return true;
        return false;
    }
};

} // namespace

void IgnoreEscape(QDialog& dialog) { dialog.installEventFilter(new EscapeFilter(&dialog)); }

} // namespace tolvo
