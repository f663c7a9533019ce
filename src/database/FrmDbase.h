#pragma once

#include <QDialog>
#include <memory>

class QLineEdit;

// The database management screen "데이터베이스 관리".
namespace tolvo {

struct Station;
class clsNtext;

class FrmDbase : public QDialog {
    Q_OBJECT
public:
    explicit FrmDbase(Station& st, QWidget* parent = nullptr);
    ~FrmDbase() override;

private:
    void confirm();

    Station& m_st;
    QLineEdit* m_txt1 = nullptr;
    std::unique_ptr<clsNtext> m_ntext;
};

// Shows the screen modally (menu "데이터베이스관리", after the administrator password).
void ShowFrmDbase(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
