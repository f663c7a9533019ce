#pragma once

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
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

// A read-only table model over a RowSet, one column per GridColumn.
class RowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    RowsModel(std::vector<GridColumn> columns, QObject* parent = nullptr);

    void setRows(RowSet rows);
    const RowSet& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndex; // column -> index in m_rows.fields, -1 when absent
    RowSet m_rows;
};

// A grid (objectName name) on the model: whole rows selected, no editing.
QTableView* MakeGrid(QWidget* parent, const QString& name, RowsModel* model);
// Moves the grid to its last row when it has one.
void GridToLastRow(QTableView& grid);

} // namespace tolvo
