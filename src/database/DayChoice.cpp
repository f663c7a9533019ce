#include "database/DayChoice.h"

#include "core/Station.h"
#include "platform/Vb.h"

#include <QFileInfo>

namespace tolvo {

QString DayArchivePath(const Station& st, const QString& dayText, char prefix)
{
    return st.ArchiveDir + QLatin1Char(prefix) + dayText.mid(0, 4) + dayText.mid(5, 2) + dayText.mid(8, 2) +
           QStringLiteral(".mdb");
}

DayChoice Day_Decide(const Station& st, const QString& dayText, char prefix)
{
    const QString today = FormatDate(st.clock.now().date());
    if (dayText == today) return {DaySource::Live, today, {}};
    const QString path = DayArchivePath(st, dayText, prefix);
    // An exact look-up: wildcard characters typed into the day match nothing.
    const bool present = QFileInfo::exists(path);
    return {present ? DaySource::Archive : DaySource::Missing, dayText, path};
}

DayChoice Day_Choose(Station& st, const QString& dayText, char prefix)
{
    DayChoice c = Day_Decide(st, dayText, prefix);
    if (c.source != DaySource::Missing) return c;
    Day_ReportMissing(st, dayText);
    c.source = DaySource::Live;
    c.day = FormatDate(st.clock.now().date());
    return c;
}

void Day_ReportMissing(Station& st, const QString& dayText)
{
    st.msgs.Msg_Box(QStringLiteral("검색일 : ") + dayText + QStringLiteral("의 자료가 존재하지 않습니다."),
                    QStringLiteral("자료검색 오류"));
}

std::unique_ptr<ScopedConnection> OpenDayArchive(const QString& path)
{
    if (!QFileInfo(path).isFile()) throw DbError(QStringLiteral("archive file not found: ") + path);
    return std::make_unique<ScopedConnection>(path, true);
}

} // namespace tolvo
