#pragma once

#include "season/BingListLogic.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QTableWidget;

// The exit-cancellation list screen `BingList`.
namespace tolvo {

struct Station;

class BingList : public QDialog {
    Q_OBJECT
public:
    explicit BingList(Station& st, QWidget* parent = nullptr);

    // "확인": the picker's day.
    void command3Click();
    // "인쇄".
    bool command1Click();

private:
    void build();
    void showDay(const QDate& day);

    Station& m_st;
    std::vector<BingRow> m_rows;
    QTableWidget* m_grid = nullptr;  // DBGrid1
    QDateEdit* m_day = nullptr;      // DTPicker2
    QLabel* m_count = nullptr;       // LblRecordCount
};

// Shows the screen modally (menu MnuBing).
void ShowBingList(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
