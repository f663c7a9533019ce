#include "station/FrmPrintLogic.h"

#include "core/Sql.h"
#include "platform/Ini.h"
#include "core/Station.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace tolvo {

namespace {

QVariant textOrNull(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }

} // namespace

PrintOptions LoadPrintOptions(const QSqlDatabase& db)
{
    PrintOptions o;
    for (const PrintOptionBox& b : kPrintOptionBoxes) o.flags[b.index] = false;
    QSqlQuery q = Query(db, QStringLiteral("SELECT * FROM 인쇄옵션"));
    if (!q.next()) return o;
    o.present = true;
    const QSqlRecord r = q.record();
    for (const PrintOptionBox& b : kPrintOptionBoxes) o.flags[b.index] = ToBool(r.value(QString::fromUtf8(b.field)));
    for (const PrintTextBox& t : kPrintTextBoxes)
        o.texts[static_cast<size_t>(t.number - 1)] = r.value(QString::fromUtf8(t.field)).toString();
    return o;
}

void SavePrintOptions(const QSqlDatabase& db, const PrintOptions& o)
{
    QStringList fields;
    QVariantList values;
    for (const PrintOptionBox& b : kPrintOptionBoxes) {
        fields << Id(QString::fromUtf8(b.field));
        const auto it = o.flags.find(b.index);
        values << ((it != o.flags.end() && it->second) ? 1 : 0);
    }
    for (const PrintTextBox& t : kPrintTextBoxes) {
        fields << Id(QString::fromUtf8(t.field));
        values << textOrNull(o.texts[static_cast<size_t>(t.number - 1)]);
    }
    Transaction tr(db);
    if (RowCount(db, QStringLiteral("인쇄옵션")) == 0) {
        // The station expects exactly one row.
        QStringList marks;
        for (qsizetype i = 0; i < fields.size(); ++i) marks << QStringLiteral("?");
        Exec(db, QStringLiteral("INSERT INTO 인쇄옵션 (%1) VALUES (%2)").arg(fields.join(u','), marks.join(u',')), values);
    } else {
        QStringList sets;
        for (const QString& f : fields) sets << f + QStringLiteral(" = ?");
        // fixed SQL: field names quoted by Id() above
        Exec(db, QStringLiteral("UPDATE 인쇄옵션 SET ") + sets.join(QStringLiteral(", ")), values);
    }
    tr.commit();
}

void FrmPrint_Exit(Station& st, const QString& businessName, bool violationPrint)
{
    st.screen.setText(QStringLiteral("main"), businessName + QStringLiteral(" 주차관리 시스템"));
    st.settings.ViolationPrint = violationPrint;
    Write_Ini(st.IniPath, QStringLiteral("시스템"), QStringLiteral("위반인쇄"),
              violationPrint ? QStringLiteral("True") : QStringLiteral("False"));
}

} // namespace tolvo
