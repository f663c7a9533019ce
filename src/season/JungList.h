#pragma once

#include "season/Rows.h"
#include "serial/PrintFrame.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QTableView;

// The season-ticket issue ledger JungList1 (every ticket) and the expired list
// JungList2 (end date before today), with their sort box and printouts.
namespace tolvo {

struct Station;

enum class JungListKind { Ledger, Expired };

// Items of the sort box; each is the field it sorts by.
inline const QStringList kJungSortItems{QStringLiteral("정기권번호"), QStringLiteral("차량번호"),
                                        QStringLiteral("이름")};

// The list's rows: the base query, sorted by sortItem when it is one of the
// sort box's items. Throws DbError.
RowSet JungList_Load(Station& st, JungListKind kind, const QString& sortItem = {});
// The printout body and its row count, in the order of the rows given.
ListPrintout JungList_Printout(JungListKind kind, const RowSet& rows);

class FrmJungList : public QDialog {
    Q_OBJECT
public:
    FrmJungList(Station& st, JungListKind kind, QWidget* parent = nullptr);

    void activate();
    void sortChosen(int index);
    void print();

protected:
    void changeEvent(QEvent* event) override;

private:
    void load(const QString& sortItem);

    Station& m_st;
    JungListKind m_kind;
    RowsModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_count = nullptr;
    QComboBox* m_combo = nullptr;
};

void ShowJungList(Station& st, JungListKind kind, QWidget* parent = nullptr);

} // namespace tolvo
