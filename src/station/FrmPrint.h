#pragma once

#include "station/FrmPrintLogic.h"

#include <QDialog>
#include <map>
#include <memory>
#include <vector>

class QCheckBox;
class QLineEdit;

// The print options screen "인쇄옵션설정".
namespace tolvo {

struct Station;
class clsText;

class FrmPrint : public QDialog {
    Q_OBJECT
public:
    explicit FrmPrint(Station& st, QWidget* parent = nullptr);
    ~FrmPrint() override;

    // The row as the controls hold it now.
    PrintOptions options() const;

protected:
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void exitButton();

    Station& m_st;
    PrintOptions m_loaded;
    bool m_closing = false;
    std::map<int, QCheckBox*> m_checks;
    std::array<QLineEdit*, 5> m_txt{};
    QCheckBox* m_check2 = nullptr;
    std::vector<std::unique_ptr<clsText>> m_texts;
};

// Shows the screen modally (menu "인쇄옵션설정").
void ShowFrmPrint(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
