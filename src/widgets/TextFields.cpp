#include "widgets/TextFields.h"

#include "platform/Vb.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace tolvo {

namespace {

// Shared key handling: true when the key was consumed.
bool handleNavigationKey(QObject* watched, QKeyEvent* ke)
{
    switch (ke->key()) {
    case Qt::Key_Down:
        SendTab(watched, false);
        return true;
    case Qt::Key_Up:
        SendTab(watched, true);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        SendTab(watched, false);
        return true;
    default:
        return false;
    }
}

} // namespace

QString NumericText(const QString& text)
{
    const double v = Val(text);
    if (v == 0) return QStringLiteral("0");
    return QString::number(v, 'g', 15);
}

QString StripTrailingNonNumeric(const QString& text)
{
    QString t = text;
    while (!t.isEmpty()) {
        const QChar last = t.back();
        if ((last >= u'0' && last <= u'9') || last == u'.') break;
        t.chop(1);
    }
    return t;
}

void SelectAllLater(QLineEdit* edit)
{
    QTimer::singleShot(0, edit, [p = QPointer<QLineEdit>(edit)] {
        if (p && p->hasFocus()) p->selectAll();
    });
}

void SendTab(QObject* target, bool backward)
{
    if (!target) return;
    QKeyEvent press(QEvent::KeyPress, backward ? Qt::Key_Backtab : Qt::Key_Tab,
                    backward ? Qt::ShiftModifier : Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, backward ? Qt::Key_Backtab : Qt::Key_Tab,
                      backward ? Qt::ShiftModifier : Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

bool CheckBoxEnterMovesOn(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !qobject_cast<QCheckBox*>(watched)) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    SendTab(watched);
    return true;
}

// ---- clsText ----

clsText::clsText(QObject* parent) : QObject(parent) {}

clsText::clsText(QLineEdit* edit, QObject* parent) : QObject(parent) { setMyText(edit); }

clsText::~clsText() { setMyText(nullptr); }

void clsText::setMyText(QLineEdit* edit)
{
    if (m_edit) m_edit->removeEventFilter(this);
    m_edit = edit;
    if (m_edit) m_edit->installEventFilter(this);
}

bool clsText::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit) return false;
    if (event->type() == QEvent::FocusIn) {
        SelectAllLater(m_edit);
    } else if (event->type() == QEvent::KeyPress) {
        return handleNavigationKey(watched, static_cast<QKeyEvent*>(event));
    }
    return false;
}

// ---- clsNtext ----

clsNtext::clsNtext(QObject* parent) : QObject(parent) {}

clsNtext::clsNtext(QLineEdit* edit, QObject* parent) : QObject(parent) { setNText(edit); }

clsNtext::~clsNtext() { setNText(nullptr); }

void clsNtext::setNText(QLineEdit* edit)
{
    if (m_edit) {
        m_edit->removeEventFilter(this);
        QObject::disconnect(m_changed);
    }
    m_edit = edit;
    if (m_edit) {
        m_edit->installEventFilter(this);
        m_changed = connect(m_edit, &QLineEdit::textChanged, this, &clsNtext::onChanged);
    }
}

void clsNtext::onChanged(const QString& text)
{
    const QString kept = StripTrailingNonNumeric(text);
    if (kept.size() == text.size() || !m_edit) return;
    m_edit->setText(kept);
    m_edit->setCursorPosition(static_cast<int>(kept.size()));
}

bool clsNtext::eventFilter(QObject* watched, QEvent* event)
{
    // A field being destroyed is no QLineEdit any more: leave it alone.
    const auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit || edit != m_edit) return false;
    switch (event->type()) {
    case QEvent::FocusIn:
        m_edit->setText(NumericText(m_edit->text()));
        SelectAllLater(m_edit);
        break;
    case QEvent::FocusOut:
        m_edit->setText(NumericText(m_edit->text()));
        break;
    case QEvent::KeyPress:
        return handleNavigationKey(watched, static_cast<QKeyEvent*>(event));
    default:
        break;
    }
    return false;
}

} // namespace tolvo
