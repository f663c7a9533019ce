#pragma once

#include "equipment/EquipmentTest.h"

#include <QDialog>
#include <array>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTimeEdit;

// The equipment test screen "장비 테스트".
namespace tolvo {

struct Station;

class FrmTest : public QDialog {
    Q_OBJECT
public:
    FrmTest(Station& st, EquipmentLinks links, QWidget* parent = nullptr);

protected:
    void done(int r) override;

private:
    QGroupBox* tdPanel();
    QGroupBox* readerPanel();
    QGroupBox* feePanel();
    QGroupBox* exitReaderPanel();
    QGroupBox* seasonPanel();
    QGroupBox* generatorPanel();
    void scrolled(int value);
    void exitActionChosen(int index);
    void exitReaderRun();
    void showReadBack(const ReadBackView& v);

    Station& m_st;
    EquipmentTestLogic m_logic;
    QScrollBar* m_vscroll1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLabel* m_label4 = nullptr;
    QComboBox* m_combo1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_txtTD = nullptr;
    QDateEdit* m_dt1 = nullptr;
    QTimeEdit* m_dt2 = nullptr;
    QComboBox* m_combo2 = nullptr;
    QLineEdit* m_txt1 = nullptr;
    QGroupBox* m_exitPanel = nullptr;
    QGroupBox* m_feePanel = nullptr;
    QComboBox* m_combo3 = nullptr;
    QDateEdit* m_dt3 = nullptr;
    QTimeEdit* m_dt4 = nullptr;
    QLineEdit* m_text6 = nullptr;
    QLineEdit* m_text7 = nullptr;
    QLabel* m_label13 = nullptr;
    QLabel* m_label14 = nullptr;
    QLabel* m_label15 = nullptr;
    std::array<QLineEdit*, 3> m_text4{};
};

// Shows the screen modally (menu "장비설정" with a magnetic-ticket dispenser).
void ShowFrmTest(Station& st, const EquipmentLinks& links, QWidget* parent = nullptr);

} // namespace tolvo
