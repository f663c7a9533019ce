#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <QLineEdit>

// Keyboard helpers for data-entry fields: entering a field selects its text,
// Enter and Down move to the next field, Up to the previous one.
namespace tolvo {

// The leading number of a text written back as the shortest decimal text
// ("" -> "0", "007" -> "7", "1.2.3" -> "1.2", "12ab3" -> "12").
QString NumericText(const QString& text);

// A numeric field's text after a change: trailing characters that are neither
// a digit nor "." are dropped.
QString StripTrailingNonNumeric(const QString& text);

// Text field helper. Attach by setting MyText; detach by setting nullptr or
// destroying the helper.
class clsText : public QObject {
    Q_OBJECT
public:
    explicit clsText(QObject* parent = nullptr);
    explicit clsText(QLineEdit* edit, QObject* parent = nullptr);
    ~clsText() override;

    QLineEdit* MyText() const { return m_edit; }
    void setMyText(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QLineEdit> m_edit;
};

// Numeric field helper: as clsText, and the field keeps digits and "." only
// and is normalised to its numeric value on entering and leaving.
class clsNtext : public QObject {
    Q_OBJECT
public:
    explicit clsNtext(QObject* parent = nullptr);
    explicit clsNtext(QLineEdit* edit, QObject* parent = nullptr);
    ~clsNtext() override;

    QLineEdit* NText() const { return m_edit; }
    void setNText(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onChanged(const QString& text);

    QPointer<QLineEdit> m_edit;
    QMetaObject::Connection m_changed;
};

// Selects a field's whole text once the event that gave it the focus is
// handled (a mouse click would undo an immediate selection).
void SelectAllLater(QLineEdit* edit);

// Moves the focus as a Tab (forward) or Shift+Tab keystroke would, and waits
// until that keystroke has been handled.
void SendTab(QObject* target, bool backward = false);

// For a screen's event filter: Enter pressed on a check box moves on as Tab
// does. True when the event was taken.
bool CheckBoxEnterMovesOn(QObject* watched, QEvent* event);

} // namespace tolvo
