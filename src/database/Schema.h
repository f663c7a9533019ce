#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

// The one description of every table of the station's database files: fields in
// table order with their type, size and empty-text rule, and the indexes. The live
// file, the master copy and the daily archive files are all made from it.
//
// Storage (SQLite): Text n is TEXT of at most n characters (Null, or at least one
// character unless zero-length is allowed); Byte, Integer, Long are INTEGER within
// 0..255, 16-bit, 32-bit; Boolean is INTEGER 0/1, never Null, 0 when an insert
// leaves it unset; Time is the text "hh:nn". A value outside these rules is refused
// by the engine (the statement fails), as the original engine refused it.
namespace tolvo::schema {

enum class FieldType { Text, Byte, Integer, Long, Boolean, Time };

struct Field {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;             // characters, Text only
    bool zeroLength = false;  // Text: the empty text may be stored
    bool required = false;    // set for the field of a primary index
};

struct Index {
    QString name;  // unique within a file
    QStringList fields;
    bool primary = false;
    bool unique = false;
    QString where;  // fixed SQL: a partial index holds only the rows it selects
};

struct Table {
    QString name;
    std::vector<Field> fields;
    std::vector<Index> indexes;

    QStringList fieldNames() const;
    const Field* field(const QString& name) const;  // matched without letter case
};

// The 30 tables of the live database in creation order.
const std::vector<Table>& Tables();
// One table by name (letter case ignored); throws std::out_of_range when unknown.
const Table& TableDef(const QString& name);
// The field names of a table in table order.
QStringList Fields(const QString& table);

// The single tables of the daily archive files (i and j file).
const Table& IlbanArchiveTable();
const Table& JungArchiveTable();

// SQL text from the description.
QString CreateTableSql(const Table& t, const QString& schemaName = QStringLiteral("main"));
QStringList CreateIndexSql(const Table& t, const QString& schemaName = QStringLiteral("main"),
                           bool ifNotExists = false);

// Creates one table with its indexes / every table of the live database, in the
// connection's main file or an attached schema. Throws DbError.
void CreateTable(const QSqlDatabase& db, const Table& t, const QString& schemaName = QStringLiteral("main"));
void CreateSchema(const QSqlDatabase& db, const QString& schemaName = QStringLiteral("main"));
// Adds to an existing live file the indexes it lacks (a file made before they
// were added). An index that cannot be built (disk full, file read-only) is left
// out: the statements still run, only slower. Returns the indexes left out.
QStringList AddMissingIndexes(const QSqlDatabase& db);

} // namespace tolvo::schema
