#pragma once

#include "serial/DebugMonitor.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tolvo {

struct Station;
class clsNtext;

// The trace monitor: shown modeless; traffic of one device at a time.
class FrmDebug : public QWidget {
    Q_OBJECT
public:
    explicit FrmDebug(Station& st, QWidget* parent = nullptr);
    ~FrmDebug() override;

    // Shows the one trace monitor of this parent window, creating it on first use.
    static FrmDebug* ShowFor(Station& st, QWidget* parent);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void onDeviceChosen(int index);
    void onSwitch(bool ticked);
    DebugMonitor::Timings timings() const;
    void attachTrace();
    void detachTrace();

    Station& m_st;
    DebugMonitor m_logic;
    QPlainTextEdit* m_text1 = nullptr;
    QComboBox* m_combo2 = nullptr;
    QCheckBox* m_check1 = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    std::array<clsNtext*, 3> m_numeric{};
};

} // namespace tolvo
