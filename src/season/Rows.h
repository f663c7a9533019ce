#pragma once

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>
#include <optional>
#include <vector>

class QTableView;
class QWidget;

// What a list grid shows: every row of one query read at once (a snapshot),
// so counts and "last row" are right and the source connection may close.
namespace tolvo {

struct RowSet {
    QStringList fields;
    std::vector<QVariantList> rows;

    qint64 count() const { return static_cast<qint64>(rows.size()); }
    bool empty() const { return rows.empty(); }
    QVariant value(qint64 row, const QString& field) const;
    // The value as text; Null reads as the empty text.
    QString text(qint64 row, const QString& field) const;
};

// Reads every row of a query (values bound). Throws DbError.
RowSet ReadRows(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// The pattern for LIKE ... ESCAPE '\': the typed text with %, _ and \ escaped.
QString LikeEscaped(const QString& text);

struct GridColumn {
    QString field;
    QString caption;
    bool money = false; // shown grouped "#,##0"
};

// A long list read a page at a time: its rows counted at once, each page of
// `pageSize` rows read (by its position in the order) when the grid first shows
// it. The rows of `table` WHERE `where` ORDER BY `order` (fixed SQL from the
// schema); the row number breaks ties, so positions stay put between pages. An
// index on the order's columns keeps a page's reading short however far down it is.
struct PagedQuery {
    QSqlDatabase db;
    QString table;
    QString where;
    QString order;
};

// A read-only table model over a RowSet, one column per GridColumn.
class RowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int pageSize = 200;

    RowsModel(std::vector<GridColumn> columns, QObject* parent = nullptr);

    void setRows(RowSet rows);
    // Pages the rows of q (counted now, read as shown). Throws DbError.
    void setPaged(PagedQuery q);
    // Every row; a paged list is read whole here (for a printout). Throws DbError.
    const RowSet& rows() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void indexFields();
    // The row's values; a paged row reads its page first (an unreadable page shows blank).
    const QVariantList* row(int r) const;

    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndex; // column -> index in m_rows.fields, -1 when absent
    RowSet m_rows;                 // every row; paged: the field names only
    std::optional<PagedQuery> m_paged;
    int m_pagedCount = 0;
    mutable std::map<int, std::vector<QVariantList>> m_pages;
    mutable RowSet m_all;          // a paged list read whole for a printout
};

// A grid (objectName name) on the model: whole rows selected, no editing.
QTableView* MakeGrid(QWidget* parent, const QString& name, RowsModel* model);
// Moves the grid to its last row when it has one.
void GridToLastRow(QTableView& grid);

} // namespace tolvo
