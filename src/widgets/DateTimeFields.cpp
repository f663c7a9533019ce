#include "widgets/DateTimeFields.h"

#include "widgets/TextFields.h"

#include <QApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeEdit>

namespace tolvo {

namespace {

// The station's own language, with its digits, whatever the machine is set to.
QLocale StationLocale() { return QLocale(QLocale::Korean, QLocale::SouthKorea); }

bool IsSeparator(QChar c) { return c == u':' || c == u'-' || c == u'/' || c == u'.'; }

bool IsPlainKey(const QKeyEvent* ke)
{
    return !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && ke->text().size() == 1;
}

// Keys that type nothing into an entry and leave it as it is: a modifier or lock
// key pressed on its own (the Shift held for a ":" is part of the entry, not the
// end of it) and the language keys of a Korean keyboard (한/영, 한자 and the rest
// of their block).
bool TypesNothing(int key)
{
    if (key >= Qt::Key_Hangul && key <= Qt::Key_Hangul_Special) return true;
    switch (key) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Alt: case Qt::Key_AltGr: case Qt::Key_Meta:
    case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_Hyper_L: case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch: case Qt::Key_CapsLock: case Qt::Key_NumLock: case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The keys an entry takes without ending: digits, separators, Backspace and modifiers alone.
bool TakenByEntry(const QKeyEvent* ke)
{
    if (TypesNothing(ke->key()) || ke->key() == Qt::Key_Backspace) return true;
    return IsPlainKey(ke) && (IsDigit(ke->text().front()) || IsSeparator(ke->text().front()));
}

// One entry at a time: the digits typed since the field was entered (or
// since the last whole entry) fill the display format's digits from the
// first. The field takes each prefix that makes a real date or time, so the
// person sees the entry grow; a whole entry that is no real date or time,
// and an entry left before it is whole, give the field back its value from
// before the entry, with a beep. A time left with its hours (or hours and
// minutes) typed whole is whole: "08" means 08:00.
class TypedDateTime : public QObject {
public:
    // Owned by the field, so the field outlives it.
    TypedDateTime(QDateTimeEdit* edit, bool isTime)
        : QObject(edit), m_edit(edit), m_isTime(isTime), m_editObject(edit)
    {
        m_edit->installEventFilter(this);
        // Clicks land on the text inside the field.
        if (auto* line = edit->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly)) line->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A field being destroyed is neither any more: leave it alone.
        if (!qobject_cast<QAbstractSpinBox*>(watched) && !qobject_cast<QLineEdit*>(watched)) return false;
        const bool onEdit = watched == m_editObject;
        switch (event->type()) {
        case QEvent::FocusIn:
            if (onEdit) enter();
            break;
        case QEvent::MouseButtonPress:
            if (onEdit) finish();
            else enter();
            break;
        case QEvent::FocusOut:
        case QEvent::Wheel:
            finish();
            break;
        case QEvent::ShortcutOverride:
            // A button's shortcut (Alt+S) reads the field without the focus leaving it.
            if (onEdit && !TakenByEntry(static_cast<QKeyEvent*>(event))) finish();
            break;
        case QEvent::KeyPress:
            return onEdit && key(static_cast<QKeyEvent*>(event));
        default:
            break;
        }
        return false;
    }

private:
    void enter()
    {
        finish();
        QMetaObject::invokeMethod(m_edit, &QAbstractSpinBox::selectAll, Qt::QueuedConnection);
    }

    void restart() { m_typed.clear(); }

    // The entry ends (the field left, Enter, another key): one not yet whole gives the value back.
    void finish()
    {
        if (!m_typed.isEmpty() && !(wholeSections(m_typed) && valid(m_typed))) {
            m_edit->setDateTime(m_before);
            QApplication::beep();
        }
        restart();
    }

    bool key(const QKeyEvent* ke)
    {
        const int k = ke->key();
        if (TypesNothing(k)) return false;
        if (k == Qt::Key_Tab || k == Qt::Key_Backtab) {
            // Tab leaves the field, as in every other control, instead of stepping through its sections.
            finish();
            const bool back = k == Qt::Key_Backtab || (ke->modifiers() & Qt::ShiftModifier);
            m_edit->setCurrentSectionIndex(back ? 0 : m_edit->sectionCount() - 1);
            return false;
        }
        if (k == Qt::Key_Backspace) {
            if (!m_typed.isEmpty()) {
                m_typed.chop(1);
                show();
            }
            return true;
        }
        if (IsPlainKey(ke)) {
            const QChar c = ke->text().front();
            if (IsDigit(c)) {
                type(c);
                return true;
            }
            if (IsSeparator(c)) return true;
        }
        finish();
        return false;
    }

    void type(QChar digit)
    {
        if (m_typed.isEmpty()) {
            m_before = m_edit->dateTime();
            const QString format = m_edit->displayFormat();
            // A time typed as "08" means 08:00; a date keeps what it held beyond the digits typed.
            m_base = m_isTime ? QString(format).replace(QRegularExpression(QStringLiteral("[A-Za-z]")), QStringLiteral("0"))
                              : m_before.toString(format);
        }
        m_typed += digit;
        show();
        if (m_typed.size() < digitCount()) return;
        if (!valid(m_typed)) {
            m_edit->setDateTime(m_before);
            QApplication::beep();
        }
        restart();
    }

    int digitCount() const
    {
        const QString format = m_edit->displayFormat();
        return int(std::count_if(format.begin(), format.end(), [](QChar c) { return c.isLetter(); }));
    }

    // A time typed up to the end of one of its sections; a date only when typed whole.
    bool wholeSections(const QString& typed) const
    {
        if (!m_isTime) return typed.size() == digitCount();
        const QString format = m_edit->displayFormat();
        qsizetype letters = 0;
        for (qsizetype i = 0; i < format.size(); ++i) {
            if (!format[i].isLetter()) continue;
            ++letters;
            const bool sectionEnd = i + 1 == format.size() || format[i + 1] != format[i];
            if (sectionEnd && letters == typed.size()) return true;
        }
        return false;
    }

    QString overlay(const QString& typed) const
    {
        QString text = m_base;
        const QString format = m_edit->displayFormat();
        qsizetype n = 0;
        for (qsizetype i = 0; i < format.size() && i < text.size() && n < typed.size(); ++i)
            if (format[i].isLetter()) text[i] = typed[n++];
        return text;
    }

    QDateTime parsed(const QString& typed) const
    {
        const QString text = overlay(typed);
        const QString format = m_edit->displayFormat();
        if (m_isTime) {
            const QTime t = QTime::fromString(text, format);
            return t.isValid() ? QDateTime(m_before.date(), t) : QDateTime();
        }
        const QDate d = QDate::fromString(text, format);
        return d.isValid() ? QDateTime(d, m_before.time()) : QDateTime();
    }

    bool valid(const QString& typed) const { return parsed(typed).isValid(); }

    // The field shows the longest part of the entry that is a real date or time.
    void show()
    {
        QDateTime value = m_before;
        for (qsizetype n = 1; n <= m_typed.size(); ++n) {
            const QDateTime v = parsed(m_typed.left(n));
            if (v.isValid()) value = v;
        }
        m_edit->setDateTime(value);
    }

    QDateTimeEdit* const m_edit;
    const bool m_isTime;
    const QObject* const m_editObject;
    QDateTime m_before;
    QString m_base;
    QString m_typed;
};

class MaskedEntry : public QObject {
public:
    explicit MaskedEntry(QLineEdit* edit) : QObject(edit) { edit->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A click in a box that has the focus already starts the entry again too.
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress))
            SelectAllLater(edit);
        return false;
    }
};

void Prepare(QDateTimeEdit* edit, const QString& format)
{
    edit->setLocale(StationLocale());
    edit->setDisplayFormat(format);
}

} // namespace

void DateField(QDateEdit* edit)
{
    Prepare(edit, QStringLiteral("yyyy-MM-dd"));
    new TypedDateTime(edit, false);
}

void TimeField(QTimeEdit* edit, TimeShown shown)
{
    Prepare(edit, shown == TimeShown::WithSeconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
    new TypedDateTime(edit, true);
}

void MaskedDateTimeField(QLineEdit* edit) { new MaskedEntry(edit); }

} // namespace tolvo
