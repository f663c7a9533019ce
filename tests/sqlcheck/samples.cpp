// Statements for scripts/check-sql.py: each one marked "pasted" must be found, no other.
void Samples(const QSqlDatabase& db, const QString& typed, int n, const QString& table)
{
    Exec(db, QStringLiteral("SELECT * FROM 정기권 WHERE 차량번호 = '") + typed + QStringLiteral("'")); // pasted
    Exec(db, QStringLiteral("DELETE FROM 일반권 WHERE 티켓번호 = %1").arg(typed)); // pasted
    Exec(db, QStringLiteral("UPDATE 금액대별 SET 건수") + QString::number(n) + QStringLiteral(" = 0")); // pasted
    QString sql = QStringLiteral("SELECT * FROM ") + Id(table);
    sql += QStringLiteral(" WHERE 이름 LIKE '") + typed; // pasted
    Exec(db, QStringLiteral("SELECT %1 FROM %2").arg(Id(typed)).arg(Id(table)));
    const QString column = n > 0 ? QStringLiteral("정기권입차수") : QStringLiteral("정기권출차수");
    Exec(db, QStringLiteral("UPDATE 시간대별 SET ") + column + QStringLiteral(" = ") + column + QStringLiteral(" + 1"));
    Exec(db, QStringLiteral("SELECT * FROM 일반권 WHERE 티켓번호 = ?"), {typed + QStringLiteral("0")});
    Exec(db, kAllTickets + QStringLiteral(" WHERE 소속 LIKE ?"), {typed});
    Exec(db, QStringLiteral("SELECT * FROM ") + table); // pasted
    throw DbError(QStringLiteral("row %1 is gone").arg(typed));
}
