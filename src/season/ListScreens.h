#pragma once

#include "season/Rows.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTableView;

// The record-list screens: general tickets IlList, season passages JioList and
// refused season passages BList.
namespace tolvo {

struct Station;
struct ListPrintout;

// One grid with its rows and count label.
struct ListGrid {
    RowsModel* model = nullptr;
    QTableView* view = nullptr;
    QLabel* count = nullptr;
};

class ListScreen : public QDialog {
    Q_OBJECT
public:
    ListScreen(Station& st, const QString& name, const QString& caption, QWidget* parent);

protected:
    QLineEdit* makeDateBox(const QString& name);
    ListGrid makeGrid(const QString& name, const QString& countName, std::vector<GridColumn> columns);
    // Runs a handler; a failure is shown under "자료검색 오류" and the screen goes on.
    void guarded(const std::function<void()>& handler);
    void print(const ListPrintout& list, bool hourglass = false);
    void finishLoad();
    // Tab follows the order, and the screen opens on its first control.
    void setFocusOrder(const QList<QWidget*>& order);

    Station& m_st;
};

class FrmIlList : public ListScreen {
    Q_OBJECT
public:
    explicit FrmIlList(Station& st, QWidget* parent = nullptr);
    void activate();
    void search();
    void printOut();
    void printIn();
    void deleteRow(int row);

protected:
    void changeEvent(QEvent* event) override;

private:
    void reloadIn();
    ListGrid m_in, m_out;
    QLineEdit* m_date = nullptr;
};

class FrmJioList : public ListScreen {
    Q_OBJECT
public:
    explicit FrmJioList(Station& st, QWidget* parent = nullptr);
    void activate();
    void search();

protected:
    void changeEvent(QEvent* event) override;

private:
    ListGrid m_in, m_out;
    QLineEdit* m_date = nullptr;
};

class FrmBList : public ListScreen {
    Q_OBJECT
public:
    explicit FrmBList(Station& st, QWidget* parent = nullptr);
    void activate();
    // "확인" of one side.
    void loadSide(bool exits);

protected:
    void changeEvent(QEvent* event) override;

private:
    ListGrid m_in, m_out;
    QLineEdit* m_dateIn = nullptr;  // MaskEdBox2
    QLineEdit* m_dateOut = nullptr; // MaskEdBox1
};

void ShowIlList(Station& st, QWidget* parent = nullptr);
void ShowJioList(Station& st, QWidget* parent = nullptr);
void ShowBList(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
