#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <stdexcept>

namespace tolvo {

// One transaction on a connection: rolled back unless committed.
class DbTransaction {
public:
    explicit DbTransaction(QSqlDatabase& db) : m_db(db)
    {
        if (!m_db.transaction())
            throw std::runtime_error(m_db.lastError().text().toStdString());
    }
    ~DbTransaction()
    {
        if (!m_done) m_db.rollback();
    }
    DbTransaction(const DbTransaction&) = delete;
    DbTransaction& operator=(const DbTransaction&) = delete;

    void commit()
    {
        if (!m_db.commit()) {
            const std::string err = m_db.lastError().text().toStdString();
            m_db.rollback();
            m_done = true;
            throw std::runtime_error(err);
        }
        m_done = true;
    }

private:
    QSqlDatabase& m_db;
    bool m_done = false;
};

} // namespace tolvo
