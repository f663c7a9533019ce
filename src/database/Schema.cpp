#include "database/Schema.h"

#include "core/Sql.h"

#include <stdexcept>

namespace tolvo::schema {

namespace {

Field Txt(const QString& n, int size) { return {n, FieldType::Text, size, false, false}; }
Field Zl(const QString& n, int size) { return {n, FieldType::Text, size, true, false}; }
Field Bool(const QString& n) { return {n, FieldType::Boolean, 0, false, false}; }
Field Byte(const QString& n) { return {n, FieldType::Byte, 0, false, false}; }
Field Int(const QString& n) { return {n, FieldType::Integer, 0, false, false}; }
Field Lng(const QString& n) { return {n, FieldType::Long, 0, false, false}; }
Field Tm(const QString& n) { return {n, FieldType::Time, 0, false, false}; }

QString Num(int n) { return QString::number(n); }

Index Ix(const QString& name, const QStringList& fields, bool primary, bool unique, const QString& where = {})
{
    return {name, fields, primary, unique, where};
}

// Marks the fields of primary indexes as required (a primary key holds no Null).
Table Finish(Table t)
{
    for (const Index& ix : t.indexes) {
        if (!ix.primary) continue;
        for (Field& f : t.fields)
            if (ix.fields.contains(f.name)) f.required = true;
    }
    return t;
}

std::vector<Field> IlbanFields(bool withPos)
{
    std::vector<Field> f{Txt("티켓번호", 4), Txt("입차일", 10), Txt("입차시간", 5), Txt("출차일", 10),
                         Txt("출차시간", 5), Txt("입차코드", 16), Txt("총주차시간", 6), Lng("총주차요금"),
                         Lng("할인시간"), Lng("실수령금액"), Bool("정산구분"), Bool("전송여부"),
                         Zl("할인구분", 20)};
    if (withPos) f.push_back(Byte("포스코드"));
    return f;
}

std::vector<Field> JungIOFields()
{
    return {Zl("입차일자", 10), Zl("입차시간", 5), Zl("출차일자", 10), Zl("출차시간", 5), Zl("입출상태", 8),
            Zl("정기권번호", 10), Zl("차량번호", 13), Zl("이름", 12), Zl("종료일", 10), Zl("처리일시", 10),
            Bool("입출구분")};
}

std::vector<Field> Serial7()
{
    return {Txt("기종", 20), Txt("포트번호", 5), Int("Baud"), Txt("ParityBit", 1),
            Byte("DataBit"), Byte("StopBit"), Bool("사용여부")};
}

std::vector<Field> operator+(std::vector<Field> a, const std::vector<Field>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<Field> BandFields()
{
    std::vector<Field> f{Byte("포스코드"), Txt("근무자명", 10), Byte("근무자코드")};
    for (int n = 1; n <= 10; ++n) {
        f.push_back(Lng("금액" + Num(n)));
        f.push_back(Lng("건수" + Num(n)));
    }
    return f + std::vector<Field>{Bool("정산여부"), Bool("전송여부"), Txt("시작일시", 16), Txt("종료일시", 16)};
}

std::vector<Field> HourlyFields()
{
    std::vector<Field> f{Byte("포스코드"), Txt("근무자명", 10), Byte("근무자코드"), Byte("시간대"),
                         Int("정기권입차수"), Int("정기권출차수"), Int("일반권입차수"), Int("일반권출차수")};
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}) {
        f.push_back(Lng("금액" + Num(n)));
        f.push_back(Int("대수" + Num(n)));
    }
    return f + std::vector<Field>{Bool("정산여부"), Bool("전송여부"), Txt("시작일시", 16), Txt("종료일시", 16),
                                  Bool("데이터유무"), Lng("금액"), Int("대수"), Int("일련번호")};
}

std::vector<Field> KeySettingFields()
{
    std::vector<Field> f;
    for (int n = 1; n <= 10; ++n) {
        f.push_back(Txt("할인키" + Num(n), 3));
        f.push_back(Int("요율" + Num(n)));
        f.push_back(Txt("구분" + Num(n), 20));
        f.push_back(Bool("사용여부" + Num(n)));
    }
    for (int n = 1; n <= 10; ++n) f.push_back(Txt("요율구분" + Num(n), 10));
    return f + std::vector<Field>{Txt("기능키1", 3), Bool("사용여부11"), Txt("기능키2", 3), Bool("사용여부12")};
}

std::vector<Field> TariffFields()
{
    std::vector<Field> f{Lng("일일최대요금"), Int("시간할인"), Int("회차시간"), Int("기본시간"), Lng("기본금액"),
                         Int("구분시간"), Lng("구분금액"), Bool("기본사용"), Bool("구간사용1"), Bool("구간사용2"),
                         Bool("구간사용3"), Int("구간시각1"), Int("구간시각2"), Int("구간시각3")};
    for (int n = 1; n <= 4; ++n) f.push_back(Int("구간시간" + Num(n)));
    for (int n = 1; n <= 4; ++n) f.push_back(Lng("구간금액" + Num(n)));
    return f + std::vector<Field>{Bool("고정금액사용"), Bool("할인사용"), Bool("회차사용"), Bool("일일최대사용"),
                                  Bool("최대사용"), Lng("최대요금"), Bool("무료처리여부"), Bool("공휴일무료여부"),
                                  Bool("기본요금포함여부"), Tm("평일개장시간"), Tm("평일폐장시간"),
                                  Tm("주말개장시간"), Tm("주말폐장시간")};
}

std::vector<Field> WorkerFields()
{
    std::vector<Field> f{Byte("근무자코드"), Txt("비밀번호", 6), Txt("근무자명", 10)};
    for (int n = 1; n <= 10; ++n) f.push_back(Bool("권한" + Num(n)));
    return f;
}

std::vector<Table> BuildTables()
{
    const std::vector<Field> gate{Txt("Gate제어", 20)};
    std::vector<Table> t;
    t.push_back({"일반권", IlbanFields(true), {Ix("일반권_idx0", {"입차코드"}, true, true),
                  // The host link's next entry and next exit to send.
                  Ix("일반권_idx1", {"입차일", "입차시간", "티켓번호"}, false, false, "출차일 IS NULL AND 전송여부 = 0"),
                  Ix("일반권_idx2", {"출차일", "출차시간", "티켓번호"}, false, false, "출차일 IS NOT NULL AND 전송여부 = 0"),
                  // The exited cars' list in its order, a page at a time.
                  Ix("일반권_idx3", {"출차일", "출차시간"}, false, false, "출차일 <> ''")}});
    t.push_back({"임시일반권", IlbanFields(false), {Ix("임시일반권_idx0", {"입차코드"}, false, false)}});
    t.push_back({"공휴일", {Txt("적요", 30), Txt("날짜", 10)}, {}});
    t.push_back({"정기권",
                 {Txt("정기권번호", 10), Txt("차량번호", 13), Txt("차종", 10), Txt("색상", 10), Txt("이름", 12),
                  Txt("소속", 32), Txt("전화번호", 13), Txt("발급일", 10), Lng("입차수"), Lng("출차수"),
                  Txt("소유자", 12), Lng("월정요금"), Byte("입출차구분"), Txt("입차일자", 10), Txt("입차시간", 5),
                  Txt("출차일자", 10), Txt("출차시간", 5), Txt("시작일", 10), Txt("종료일", 10)},
                 {Ix("MonIndex1", {"정기권번호"}, true, true)}});
    t.push_back({"정기권입출차", JungIOFields(), {Ix("JungIOIndex", {"정기권번호"}, false, false)}});
    t.push_back({"임시정기권입출차", JungIOFields(), {Ix("TmpJungIOIndex", {"정기권번호"}, false, false)}});
    t.push_back({"요금테이블",
                 {Txt("주차시간", 10), Lng("요금"), Lng("구분"), Lng("시간"), Txt("적용구분", 10)},
                 {Ix("Primary", {"시간"}, true, true)}});
    t.push_back({"기타", TariffFields(), {}});
    t.push_back({"시스템",
                 {Lng("주차용량"), Txt("데이터갱신일시", 10), Txt("티켓번호", 4), Int("자료보관기간"),
                  Txt("정기권백업기록", 100), Txt("정기권복구기록", 100), Txt("시스템백업기록", 100),
                  Txt("시스템복구기록", 100), Bool("정상적인종료"), Bool("출구판독기")},
                 {}});
    t.push_back({"키기능설정", KeySettingFields(), {}});
    t.push_back({"발권기",
                 Serial7() + std::vector<Field>{Bool("시간설정"), Bool("기계번호"), Txt("Unit_No", 2),
                                                Txt("Start_No", 4), Txt("End_No", 4), Txt("Td_No", 4),
                                                Txt("Max_No", 4), Txt("Exit_Time", 2)},
                 {}});
    t.push_back({"정기권입구1", Serial7() + gate, {}});
    t.push_back({"정기권출구1", Serial7() + gate, {}});
    t.push_back({"정기권입구2", Serial7() + gate, {}});
    t.push_back({"영수증프린터", Serial7() + std::vector<Field>{Txt("PORT", 10)}, {}});
    t.push_back({"리더기", Serial7(), {}});
    t.push_back({"요금표시기", Serial7(), {}});
    t.push_back({"정기권출구2", Serial7() + std::vector<Field>{Bool("시간설정")} + gate, {}});
    t.push_back({"근무자관리", WorkerFields(), {}});
    t.push_back({"인쇄옵션",
                 {Bool("영수증인쇄여부"), Txt("상호", 40), Txt("주소", 40), Txt("사업자번호", 40), Txt("시인사문", 40),
                  Txt("종인사문", 40), Bool("할인현황인쇄여부"), Bool("시간대별인쇄여부"), Bool("시간대별전체인쇄여부"),
                  Bool("주차시간대별인쇄여부"), Bool("금액대별인쇄여부"), Bool("시간대별전송"), Bool("주차시간대별전송"),
                  Bool("금액대별전송"), Bool("일반권출차전송"), Bool("일반권입차전송"), Bool("출차취소전송"),
                  Bool("출차취소인쇄여부")},
                 {}});
    t.push_back({"폼구성",
                 {Bool("일반입차수표시"), Bool("일반출차수표시"), Bool("정기입차수표시"), Bool("정기출차수표시"),
                  Bool("담당자표시"), Bool("수입금액표시"), Bool("시간표시"), Bool("운영상태표시"), Bool("영상처리"),
                  Bool("자동실행"), Bool("강제모드"), Txt("이미지저장폴더", 30), Txt("임시저장폴더", 30), Bool("Jpg변환")},
                 {}});
    // The open period's rows are found among a year and more of closed ones.
    t.push_back({"주차시간대별", BandFields(), {Ix("주차시간대별_idx0", {"정산여부"}, false, false)}});
    t.push_back({"금액대별", BandFields(), {Ix("금액대별_idx0", {"정산여부"}, false, false)}});
    t.push_back({"시간대별", HourlyFields(), {Ix("시간대별_idx0", {"정산여부", "시간대"}, false, false)}});
    t.push_back({"출차취소",
                 IlbanFields(false) + std::vector<Field>{Byte("근무자코드"), Txt("근무자명", 10), Txt("시작일시", 16),
                                                         Txt("종료일시", 16)},
                 {Ix("출차취소_idx0", {"입차코드"}, false, false),
                  Ix("출차취소_idx1", {"출차일", "출차시간", "티켓번호"}, false, false, "정산구분 = 1 AND 전송여부 = 0")}});
    t.push_back({"할인현황",
                 {Byte("포스코드"), Txt("근무자명", 10), Byte("근무자코드"), Txt("명칭", 20), Int("할인종류"), Lng("금액"),
                  Lng("건수"), Bool("정산여부"), Bool("전송여부"), Txt("시작일시", 16), Txt("종료일시", 16)},
                 {Ix("할인현황_idx0", {"정산여부", "명칭"}, false, false)}});
    t.push_back({"할인키",
                 {Txt("명칭", 20), Int("키코드1"), Int("키코드2"), Txt("키명칭", 20), Int("할인종류1"), Lng("적용요율1"),
                  Int("할인종류2"), Lng("적용요율2"), Bool("사용여부"), Bool("중복사용")},
                 {}});
    t.push_back({"기능키",
                 {Txt("명칭", 30), Int("기능코드"), Int("키코드1"), Int("키코드2"), Txt("키명칭", 20), Bool("사용여부")},
                 {}});
    t.push_back({"호스트", Serial7(), {}});
    t.push_back({"요금계산기",
                 {Bool("기기구분"), Txt("기기명칭", 20), Bool("사용여부"), Txt("기종코드", 10), Txt("포트번호", 5),
                  Int("Baud"), Txt("ParityBit", 1), Byte("DataBit"), Byte("StopBit")},
                 {}});
    for (Table& x : t) x = Finish(std::move(x));
    return t;
}

QString Check(const Field& f)
{
    const QString c = Id(f.name);
    switch (f.type) {
    case FieldType::Text:
        return QStringLiteral("%1 IS NULL OR (typeof(%1)='text' AND length(%1) BETWEEN %2 AND %3)")
            .arg(c, Num(f.zeroLength ? 0 : 1), Num(f.size));
    case FieldType::Byte:
        return QStringLiteral("%1 IS NULL OR (typeof(%1)='integer' AND %1 BETWEEN 0 AND 255)").arg(c);
    case FieldType::Integer:
        return QStringLiteral("%1 IS NULL OR (typeof(%1)='integer' AND %1 BETWEEN -32768 AND 32767)").arg(c);
    case FieldType::Long:
        return QStringLiteral("%1 IS NULL OR (typeof(%1)='integer' AND %1 BETWEEN -2147483648 AND 2147483647)").arg(c);
    case FieldType::Boolean:
        return QStringLiteral("%1 IN (0,1)").arg(c);
    case FieldType::Time:
        return QStringLiteral("%1 IS NULL OR (typeof(%1)='text' AND %1 GLOB '[0-2][0-9]:[0-5][0-9]')").arg(c);
    }
    return QStringLiteral("1");
}

QString ColumnSql(const Field& f)
{
    // The declared size is for people reading the file; the CHECK enforces it.
    QString s = Id(f.name);
    if (f.type == FieldType::Text) s += QStringLiteral(" TEXT(%1)").arg(f.size);
    else if (f.type == FieldType::Time) s += QStringLiteral(" TEXT(5)");
    else s += QStringLiteral(" INTEGER");
    if (f.type == FieldType::Boolean) s += QStringLiteral(" NOT NULL DEFAULT 0");
    else if (f.required) s += QStringLiteral(" NOT NULL");
    s += QStringLiteral(" CONSTRAINT ") + Id(f.name) + QStringLiteral(" CHECK (") + Check(f) + QLatin1Char(')');
    return s;
}

// An archive file keeps only the key index, under a name of its own.
Table WithIndexName(Table t, const QString& name)
{
    t.indexes.resize(1);
    t.indexes.front().name = name;
    return t;
}

} // namespace

QStringList Table::fieldNames() const
{
    QStringList out;
    out.reserve(static_cast<qsizetype>(fields.size()));
    for (const Field& f : fields) out << f.name;
    return out;
}

const Field* Table::field(const QString& n) const
{
    for (const Field& f : fields)
        if (f.name.compare(n, Qt::CaseInsensitive) == 0) return &f;
    return nullptr;
}

const std::vector<Table>& Tables()
{
    static const std::vector<Table> tables = BuildTables();
    return tables;
}

const Table& TableDef(const QString& name)
{
    for (const Table& t : Tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return t;
    throw std::out_of_range("unknown table " + name.toStdString());
}

QStringList Fields(const QString& table) { return TableDef(table).fieldNames(); }

const Table& IlbanArchiveTable()
{
    static const Table t = WithIndexName(TableDef(QStringLiteral("일반권")), QStringLiteral("idx0"));
    return t;
}

const Table& JungArchiveTable()
{
    static const Table t = WithIndexName(TableDef(QStringLiteral("정기권입출차")), QStringLiteral("BackUpJungIOIndex"));
    return t;
}

QString CreateTableSql(const Table& t, const QString& schemaName)
{
    QStringList cols;
    for (const Field& f : t.fields) cols << ColumnSql(f);
    return QStringLiteral("CREATE TABLE %1.%2 (%3)").arg(Id(schemaName), Id(t.name), cols.join(QStringLiteral(", ")));
}

QStringList CreateIndexSql(const Table& t, const QString& schemaName, bool ifNotExists)
{
    QStringList out;
    for (const Index& ix : t.indexes) {
        QStringList cols;
        for (const QString& f : ix.fields) cols << Id(f) + QStringLiteral(" ASC");
        QString sql = QStringLiteral("CREATE %1INDEX %2%3.%4 ON %5 (%6)")
                          .arg(ix.unique || ix.primary ? QStringLiteral("UNIQUE ") : QString(),
                               ifNotExists ? QStringLiteral("IF NOT EXISTS ") : QString(), Id(schemaName),
                               Id(ix.name), Id(t.name), cols.join(QStringLiteral(", ")));
        // fixed SQL: `where` is a condition of the index table above, never typed text
        if (!ix.where.isEmpty()) sql += QStringLiteral(" WHERE ") + ix.where;
        out << sql;
    }
    return out;
}

void CreateTable(const QSqlDatabase& db, const Table& t, const QString& schemaName)
{
    Exec(db, CreateTableSql(t, schemaName));
    for (const QString& sql : CreateIndexSql(t, schemaName)) Exec(db, sql);
}

void CreateSchema(const QSqlDatabase& db, const QString& schemaName)
{
    Transaction tx(db);
    for (const Table& t : Tables()) CreateTable(db, t, schemaName);
    tx.commit();
}

QStringList AddMissingIndexes(const QSqlDatabase& db)
{
    QStringList left;
    for (const Table& t : Tables()) {
        const QStringList sql = CreateIndexSql(t, QStringLiteral("main"), true);
        for (size_t i = 0; i < t.indexes.size(); ++i) {
            try {
                Exec(db, sql.at(qsizetype(i)));
            } catch (const DbError&) {
                left << t.indexes.at(i).name;
            }
        }
    }
    return left;
}

} // namespace tolvo::schema
