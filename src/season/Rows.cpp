#include "season/Rows.h"

#include "core/Sql.h"
#include "platform/Vb.h"

#include <QHeaderView>
#include <QSqlRecord>
#include <QTableView>

namespace tolvo {

QVariant RowSet::value(qint64 row, const QString& field) const
{
    const qsizetype col = fields.indexOf(field);
    if (row < 0 || row >= count() || col < 0) return {};
    return rows[static_cast<size_t>(row)].value(col);
}

QString RowSet::text(qint64 row, const QString& field) const
{
    const QVariant v = value(row, field);
    return v.isNull() ? QString() : v.toString();
}

RowSet ReadRows(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q = Query(db, sql, values);
    RowSet out;
    const QSqlRecord rec = q.record();
    const int n = rec.count();
    for (int i = 0; i < n; ++i) out.fields << rec.fieldName(i);
    while (q.next()) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i) row << q.value(i);
        out.rows.push_back(std::move(row));
    }
    return out;
}

QString LikeEscaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\' || c == u'%' || c == u'_') out += u'\\';
        out += c;
    }
    return out;
}

RowsModel::RowsModel(std::vector<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns))
{
}

void RowsModel::setRows(RowSet rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_fieldIndex.clear();
    for (const GridColumn& c : m_columns) m_fieldIndex.push_back(static_cast<int>(m_rows.fields.indexOf(c.field)));
    endResetModel();
}

int RowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.rows.size());
}

int RowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant RowsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const int f = m_fieldIndex.at(static_cast<size_t>(index.column()));
    if (f < 0) return {};
    const QVariant v = m_rows.rows.at(static_cast<size_t>(index.row())).value(f);
    if (v.isNull()) return QString();
    if (m_columns[static_cast<size_t>(index.column())].money) return FormatMoney(v.toLongLong());
    return v.toString();
}

QVariant RowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= columnCount()) return {};
    return m_columns[static_cast<size_t>(section)].caption;
}

QTableView* MakeGrid(QWidget* parent, const QString& name, RowsModel* model)
{
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(20);
    return grid;
}

void GridToLastRow(QTableView& grid)
{
    const int n = grid.model() ? grid.model()->rowCount() : 0;
    if (n > 0) grid.setCurrentIndex(grid.model()->index(n - 1, 0));
}

} // namespace tolvo
