#pragma once

#include "season/SeasonRegister.h"

#include <QDialog>
#include <array>
#include <memory>
#include <vector>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

// The season-ticket register screen "정기권 등록".
namespace tolvo {

struct Station;
class clsText;

class FrmJung : public QDialog {
    Q_OBJECT
public:
    explicit FrmJung(Station& st, QWidget* parent = nullptr);
    ~FrmJung() override;

    SeasonRegister& reg() { return m_reg; }
    // Each time the screen becomes the active window.
    void activate();
    // The boxes as the screen holds them, and back.
    JungBoxes boxes() const;
    void showBoxes(const JungBoxes& b);
    // Double-click on a grid row (also run by a search that finds one ticket).
    void DBGrid1_DblClick(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    void txt1Changed();
    void save();
    void remove();
    void close();
    void reset();
    void allEndDates();
    void search(QLineEdit* box);
    void openList(int index);
    void reloadGrid(RowSet rows);
    void refreshGrid();
    bool moveKey(QObject* watched, int key);

    Station& m_st;
    SeasonRegister m_reg;
    bool m_showing = false;
    std::array<QLineEdit*, 9> m_txt{};
    std::array<QLineEdit*, 4> m_mask{};
    std::array<QRadioButton*, 3> m_option2{};
    std::array<QRadioButton*, 4> m_option1{};
    std::array<QPushButton*, 3> m_cmd1{};
    QLabel* m_lbl1 = nullptr;
    QLabel* m_lbl2 = nullptr;
    QLabel* m_count = nullptr;
    QCheckBox* m_check1 = nullptr;
    QDateEdit* m_dtPicker = nullptr;
    QLineEdit* m_text18 = nullptr;
    QLineEdit* m_text19 = nullptr;
    QLineEdit* m_text20 = nullptr;
    RowsModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    std::vector<std::unique_ptr<clsText>> m_texts;
};

// Shows the screen modally (menu Mnu2, function key 9).
void ShowJung(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
