#pragma once

#include "fee/KeyEditor.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The key-settings screen "키기능설정": the discount-key panel and the
// function-key panel over KeyEditor.
namespace tolvo {

struct CapturedKey;
struct Station;
class clsText;

class FrmKey : public QDialog {
    Q_OBJECT
public:
    // How a key is captured; the key-capture dialog by default, a script in tests.
    using KeyCapturer = std::function<std::optional<CapturedKey>()>;

    explicit FrmKey(Station& st, QWidget* parent = nullptr, KeyCapturer capture = {});
    ~FrmKey() override;

    const KeyEditor& editor() const { return m_editor; }
    // The panel as it stands (for the buttons and for tests).
    DiscPanel discPanel() const;
    FuncPanel funcPanel() const;

    // Grid clicks by row index (a click on no row does nothing).
    void discGridClicked(int row);
    void funcGridClicked(int row);

protected:
    void done(int r) override;

private:
    void build();
    void fillGrids();
    void clearDiscFields();
    void clearFuncFields();
    void kindSelected(QComboBox* combo, QLineEdit* rate, QLabel* caption, int row);
    void couponToggled();
    void showDiscPanel(const DiscPanel& p);
    void captureDisc();
    void captureFunc();
    void discButton(int index);
    void funcButton(int index);
    void applyFocus(KeyFocus f);
    // Runs a handler; a failure is shown and the station goes on.
    void guarded(const std::function<void()>& handler);

    Station& m_st;
    KeyEditor m_editor;
    KeyCapturer m_capture;
    bool m_closed = false;
    std::vector<DiscRow> m_discRows;
    std::vector<FuncRow> m_funcRows;

    QLineEdit* m_txt1 = nullptr;
    QComboBox* m_combo1 = nullptr;
    QLineEdit* m_txt3 = nullptr;
    QComboBox* m_combo2 = nullptr;
    QLineEdit* m_txt4 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label4 = nullptr;
    QCheckBox* m_use = nullptr;
    QCheckBox* m_coupon = nullptr;
    QPushButton* m_command1 = nullptr;
    QLabel* m_label3 = nullptr;
    QPushButton* m_command2[3] = {};
    QTableWidget* m_grid1 = nullptr;
    KeyChord m_keyCodeA;

    QComboBox* m_combo3 = nullptr;
    QPushButton* m_command3 = nullptr;
    QLabel* m_label6 = nullptr;
    QCheckBox* m_funcUse = nullptr;
    QPushButton* m_command4[2] = {};
    QTableWidget* m_grid2 = nullptr;
    KeyChord m_keyCodeB;

    QPushButton* m_command5 = nullptr;
    std::vector<std::unique_ptr<clsText>> m_texts;
};

// Shows the key-settings screen modally (menu "할인 및 기능키 설정", after the
// administrator password).
void ShowFrmKey(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
