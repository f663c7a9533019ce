#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvo {

class Clock;
struct Station;

// "발권정보 입력": the entry date and time of a typed ticket number that matched
// no single open entry. Accepted: ticketData() holds the 16 characters.
// An entry after the station's clock is refused and the form stays open.
// Cancel, Esc and the window's close button all cancel.
class FrmInput : public QDialog {
    Q_OBJECT
public:
    FrmInput(const QString& ticketNo, const Clock& clock, QWidget* parent = nullptr);

    QString ticketData() const { return m_ticketData; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void confirm();
    bool enterInBox(QLineEdit* box);

    const Clock& m_clock;
    QString m_ticketNo;
    QString m_ticketData;
    QLineEdit* m_date = nullptr;
    QLineEdit* m_time = nullptr;
    QLabel* m_error = nullptr;
};

// Makes the exit's lookup show FrmInput (modal, over parent) through st.exitLinks.
void FrmInput_Install(Station& st, QWidget* parent);

} // namespace tolvo
