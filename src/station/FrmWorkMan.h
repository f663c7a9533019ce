#pragma once

#include "station/FrmWorkManLogic.h"

#include <QDialog>
#include <map>
#include <memory>
#include <vector>

class QCheckBox;
class QLineEdit;

// The workers and screen options screen "근무자관리".
namespace tolvo {

struct Station;
class clsText;

class FrmWorkMan : public QDialog {
    Q_OBJECT
public:
    explicit FrmWorkMan(Station& st, QWidget* parent = nullptr);
    ~FrmWorkMan() override;

    // The rows as the controls hold them now.
    WorkManData data() const;
    // How the screen was closed: Restart means the program must end.
    WorkManClose closeResult() const { return m_closeResult; }

protected:
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void attachTexts();
    void showData(const WorkManData& d);

    Station& m_st;
    WorkManData m_loaded;
    bool m_forcedAtOpening = false;
    bool m_closing = false;
    WorkManClose m_closeResult = WorkManClose::Reload;
    std::map<int, QCheckBox*> m_checks;   // Check1 by index
    std::vector<QLineEdit*> m_txt;         // Txt1..Txt11 at 1..11
    std::vector<std::unique_ptr<clsText>> m_texts;
};

// Shows the screen modally (menu "근무자및 화면설정"). When the forced mode was
// changed the station has been shut down and the program is told to end.
void ShowFrmWorkMan(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
