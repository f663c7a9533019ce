#include "fee/Tariff.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>
#include <QVariant>
#include <stdexcept>

namespace tolvo {

namespace {

bool readBool(const QSqlRecord& r, const char* name)
{
    const QVariant v = r.value(QString::fromUtf8(name));
    return !v.isNull() && v.toLongLong() != 0;
}

std::optional<qint64> readNumber(const QSqlRecord& r, const char* name)
{
    const QVariant v = r.value(QString::fromUtf8(name));
    if (v.isNull()) return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || d != d || d > 2147483647.0 || d < -2147483648.0) return std::nullopt;
    return v.toLongLong();
}

std::optional<int> readTime(const QSqlRecord& r, const char* name)
{
    const QVariant v = r.value(QString::fromUtf8(name));
    if (v.isNull()) return std::nullopt;
    return MinutesOfDay(v.toString());
}

} // namespace

std::optional<int> MinutesOfDay(const QString& hhnn)
{
    const QString t = hhnn.trimmed();
    QTime time = QTime::fromString(t, QStringLiteral("hh:mm"));
    if (!time.isValid()) time = QTime::fromString(t, QStringLiteral("hh:mm:ss"));
    if (!time.isValid()) return std::nullopt;
    return time.hour() * 60 + time.minute();
}

std::optional<TariffRow> ReadTariffRow(const QSqlDatabase& db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT * FROM 기타")))
        throw std::runtime_error(q.lastError().text().toStdString());
    if (!q.next()) return std::nullopt;
    const QSqlRecord r = q.record();
    TariffRow t;
    t.dailyCapOn = readBool(r, "일일최대사용");
    t.dailyCap = readNumber(r, "일일최대요금");
    t.capOn = readBool(r, "최대사용");
    t.cap = readNumber(r, "최대요금");
    t.finalUnit = readNumber(r, "구간시간4");
    t.finalAmount = readNumber(r, "구간금액4");
    t.discountOn = readBool(r, "할인사용");
    t.discountMinutes = readNumber(r, "시간할인");
    t.graceOn = readBool(r, "회차사용");
    t.graceMinutes = readNumber(r, "회차시간");
    t.freeOutsideHours = readBool(r, "무료처리여부");
    t.holidaysFree = readBool(r, "공휴일무료여부");
    t.discountFromExit = readBool(r, "기본요금포함여부");
    t.weekdayOpen = readTime(r, "평일개장시간");
    t.weekdayClose = readTime(r, "평일폐장시간");
    t.weekendOpen = readTime(r, "주말개장시간");
    t.weekendClose = readTime(r, "주말폐장시간");
    return t;
}

QString TariffFaultText()
{
    return QStringLiteral("요금테이블 데이터 베이스에 이상이있습니다.\r계산할 수 없으므로 요금테이블을 재설정 하시기 바랍니다.");
}

} // namespace tolvo
