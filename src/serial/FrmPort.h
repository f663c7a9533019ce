#pragma once

#include "serial/PortSettings.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The port settings screen "포트설정".
namespace tolvo {

struct Station;

class FrmPort : public QDialog {
    Q_OBJECT
public:
    explicit FrmPort(Station& st, QWidget* parent = nullptr);

    // What the ten frames hold now.
    FrameEdits edits() const;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    struct Frame {
        QComboBox* model = nullptr;
        std::array<QComboBox*, 5> line{}; // 포트번호, Baud, ParityBit, DataBit, StopBit
        QComboBox* gateCtl = nullptr;
        QComboBox* printerPort = nullptr;
        QCheckBox* use = nullptr;
        QPushButton* feedBack = nullptr;
    };
    QWidget* buildFrame(int port);
    void load();
    void activate();
    void modeChosen(bool exitReader);
    void setBusy(bool busy);
    void testClicked();
    void finishClicked();
    void feedBackClicked(int port);
    bool closeNow();

    Station& m_st;
    PortSettingsLogic m_logic;
    std::array<Frame, 10> m_frames;
    QCheckBox* m_master = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_nameLabel = nullptr;
    QRadioButton* m_optReader = nullptr;
    QRadioButton* m_optCalc = nullptr;
    QPushButton* m_test = nullptr;
    QPushButton* m_end = nullptr;
    QLabel* m_status = nullptr;
    bool m_closed = false;
};

// Shows the screen modally (menu "Comm 포트설정").
void ShowFrmPort(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
