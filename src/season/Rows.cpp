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

void RowsModel::indexFields()
{
    m_fieldIndex.clear();
    for (const GridColumn& c : m_columns) m_fieldIndex.push_back(static_cast<int>(m_rows.fields.indexOf(c.field)));
}

void RowsModel::setRows(RowSet rows)
{
    beginResetModel();
    m_paged.reset();
    m_pages.clear();
    m_all = {};
    m_rows = std::move(rows);
    indexFields();
    endResetModel();
}

namespace {

QString PageSql(const PagedQuery& q)
{
    // The page's row numbers come from the order's index alone; then only its rows are read.
    // fixed SQL: `where` and `order` are fixed clauses of the list (RecordLists), never typed text
    return QStringLiteral("SELECT * FROM %1 WHERE rowid IN (SELECT rowid FROM %1 WHERE %2 ORDER BY %3, rowid LIMIT ? "
                          "OFFSET ?) ORDER BY %3, rowid")
        .arg(Id(q.table), q.where, q.order);
}

} // namespace

void RowsModel::setPaged(PagedQuery q)
{
    // fixed SQL: as above
    const int count = Scalar(q.db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(Id(q.table), q.where)).toInt();
    RowSet first = ReadRows(q.db, PageSql(q), {pageSize, 0});
    beginResetModel();
    m_pages.clear();
    m_all = {};
    m_rows = RowSet{first.fields, {}};
    m_pages[0] = std::move(first.rows);
    m_paged = std::move(q);
    m_pagedCount = count;
    indexFields();
    endResetModel();
}

const RowSet& RowsModel::rows() const
{
    if (!m_paged) return m_rows;
    // fixed SQL: as above
    m_all = ReadRows(m_paged->db, QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY %3, rowid")
                                      .arg(Id(m_paged->table), m_paged->where, m_paged->order));
    return m_all;
}

const QVariantList* RowsModel::row(int r) const
{
    if (!m_paged) return r < static_cast<int>(m_rows.rows.size()) ? &m_rows.rows[static_cast<size_t>(r)] : nullptr;
    const int page = r / pageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        try {
            it = m_pages.emplace(page, ReadRows(m_paged->db, PageSql(*m_paged), {pageSize, page * pageSize}).rows).first;
        } catch (const DbError&) {
            return nullptr;
        }
    }
    const size_t i = static_cast<size_t>(r % pageSize);
    return i < it->second.size() ? &it->second[i] : nullptr;
}

int RowsModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid()) return 0;
    return m_paged ? m_pagedCount : static_cast<int>(m_rows.rows.size());
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
    const QVariantList* values = row(index.row());
    if (!values) return QString();
    const QVariant v = values->value(f);
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
    grid->setTabKeyNavigation(false); // Tab goes on to the next control, not from cell to cell
    grid->verticalHeader()->setDefaultSectionSize(20);
    return grid;
}

void GridToLastRow(QTableView& grid)
{
    const int n = grid.model() ? grid.model()->rowCount() : 0;
    if (n > 0) grid.setCurrentIndex(grid.model()->index(n - 1, 0));
}

} // namespace tolvo
