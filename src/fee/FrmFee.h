#pragma once

#include "fee/TariffForm.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSqlQueryModel;
class QTableView;
class QTimeEdit;

namespace tolvo {

struct Station;
class clsNtext;

// Shows the tariff settings screen modally (the tariff menu entry).
void ShowFrmFee(Station& st, QWidget* parent = nullptr);

// "요금테이블 설정": the tariff row 기타, its slot table and the holiday list.
class FrmFee : public QDialog {
    Q_OBJECT
public:
    explicit FrmFee(Station& st, QWidget* parent = nullptr);
    ~FrmFee() override;

    // Becoming active: explanation cleared, start labels rewritten, boundaries accepted.
    void Form_Activate();

public slots:
    void reject() override; // "종료 (&X)", Esc and closing: changed fields are checked, then stored

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildTariffPanel();
    void buildSlotGrid();
    void buildHolidayPanel();
    QList<QWidget*> focusOrder() const;
    void loadRow();
    void enablePass();

    void onCheck(int box, bool on);
    void onBandCheck(int box, bool on);
    void onFixedMode(bool on);
    void leave(Boundaries::Field field);
    void focusField(const QString& name);

    void Command1_Click();
    void Command2_Click(int index);
    void pickHoliday(int row);
    void setAddingState();
    void refreshHolidays();
    void refreshSlots();

    TariffForm collectForm() const;
    bool storeFields();

    Station& m_st;
    Boundaries m_b;
    bool m_inLeave = false;
    bool m_closing = false;
    TariffForm m_shown; // the fields as the stored row put them on screen
    bool m_coveredByOwnWindow = false;
    QString m_pickedName, m_pickedDate;

    std::array<QCheckBox*, 13> C{};    // 1..12
    std::array<QLineEdit*, 18> T{};    // 1..17
    std::array<QTimeEdit*, 4> D1{};
    std::array<QLabel*, 13> Label1{};
    QLabel* Label2 = nullptr;
    std::array<QLabel*, 2> Label3{};
    QPushButton* Command1 = nullptr;
    QPushButton* CmdEnd = nullptr;
    QGroupBox* feeFrame = nullptr;
    QTableView* FeeDBGrid = nullptr;
    QGroupBox* holidayFrame = nullptr;
    QTableView* DBGrid1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QDateEdit* DTPicker1 = nullptr;
    std::array<QPushButton*, 4> Command2{};
    QSqlQueryModel* FeeData = nullptr;
    QSqlQueryModel* Data2 = nullptr;
    std::array<clsNtext*, 18> m_ntext{};
};

} // namespace tolvo
