#pragma once

#include "settlement/Settlement.h"

#include <QDialog>
#include <array>

class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

// The settlement screen `Jungsan` ("영업마감").
namespace tolvo {

struct Station;

class Jungsan : public QDialog, public SettlementView {
    Q_OBJECT
public:
    explicit Jungsan(Station& st, QWidget* parent = nullptr);

    // SettlementView
    void setStatus(const QString& text) override;
    void setBusy(bool on) override;
    void refreshTotals() override;
    void showTotals(const PeriodTotals& t) override;
    void unload() override;

    // The click of Command1 (index 0 or 2).
    SettleResult command1Click(int index);
    // The click of Command2: the reprint of the chosen days.
    bool command2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void showOpenTotals();

    Station& m_st;
    QLabel* m_status = nullptr;     // Label2
    QLabel* m_workMan = nullptr;
    std::array<QLabel*, 5> m_values{}; // LJIn_0, LJIn_3 .. LJIn_6
    std::array<QPushButton*, 2> m_command1{}; // Command1_0, Command1_2
    std::array<QFrame*, 2> m_focusFrame{};    // Shape1_0, Shape1_2
    QGroupBox* m_frame2 = nullptr;
    QDateEdit* m_from = nullptr; // DTPicker1
    QDateEdit* m_to = nullptr;   // DTPicker2
    QPushButton* m_print = nullptr; // Command2
};

// Shows the screen modally (menu 영업마감, function key 25).
void ShowJungsan(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
