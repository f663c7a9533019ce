#include "database/ArchiveWords.h"

#include "platform/PrivateFiles.h"
#include "core/Station.h"

#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <optional>
#include <sys/statvfs.h>

namespace tolvo {

namespace {

// What is wrong with the Backup folder, in words; none when nothing is.
std::optional<Told> FolderTrouble(const QString& dir)
{
    if (!QFileInfo(dir).isDir()) return Told{QStringLiteral("백업 폴더가 없습니다"), QStringLiteral("백업 폴더 없음")};
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(dir).constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
        return Told{QStringLiteral("백업 폴더가 읽기 전용입니다"), QStringLiteral("백업 폴더 읽기 전용")};
    if (!FolderWritable(dir))
        return Told{QStringLiteral("백업 폴더에 쓸 권한이 없습니다"), QStringLiteral("백업 폴더 쓰기 권한 없음")};
    return std::nullopt;
}

// The engine's failures a booth meets, by result code: a primary code (below 256)
// matches each of its extended codes.
struct Words {
    int code;
    const char* line;
    const char* panel;
};
constexpr Words kWords[] = {
    {kDiskFull, "디스크 공간이 부족합니다", "디스크 공간 부족"},
    {26, "데이터베이스 파일이 아닙니다", "데이터베이스 파일 아님"},
    {11, "파일이 손상되었습니다", "파일 손상"},
    {8, "파일에 쓸 수 없습니다", "파일에 쓸 수 없음"},
    {10, "디스크에 기록할 수 없습니다", "디스크 기록 실패"},  // any input or output error
    {2067, "같은 자료가 이미 있습니다", "같은 자료가 이미 있음"},  // a unique index
    {1555, "같은 자료가 이미 있습니다", "같은 자료가 이미 있음"},  // a primary key
};
static_assert(kWords[0].code == kDiskFull, "a full disk is told before the folder's troubles");
static_assert((kFolderSyncFailed & 0xff) == 10, "a folder sync is an input or output error");

Told InWords(const Words& w) { return {QString::fromUtf8(w.line), QString::fromUtf8(w.panel)}; }

} // namespace

Told Reason(const Station& st, const std::exception& e)
{
    const auto* db = dynamic_cast<const DbError*>(&e);
    bool numbered = false;
    const int code = db ? db->nativeCode.toInt(&numbered) : 0;
    const auto is = [numbered, code](int w) { return numbered && (w > 0xff ? code == w : (code & 0xff) == w); };
    // A full disk leaves the folder unwritable too: it is told as what it is.
    if (is(kDiskFull)) return InWords(kWords[0]);
    if (const auto trouble = FolderTrouble(st.ArchiveDir)) return *trouble;
    for (const Words& w : kWords)
        if (is(w.code)) return InWords(w);
    QString text = QString::fromUtf8(e.what());
    if (db && !db->sql.isEmpty()) text.remove(QStringLiteral(" [") + db->sql + QLatin1Char(']'));
    return {text, QString()};
}

ArchiveFailure Failure(const Station& st, const QString& what, const QString& file, const std::exception& e)
{
    if (const auto* told = dynamic_cast<const ArchiveFailure*>(&e)) return *told;
    qWarning().noquote() << "archive:" << file << e.what();
    const Told why = Reason(st, e);
    const QString panel = QStringLiteral("백업 실패 (%1)").arg(file);
    return ArchiveFailure({QStringLiteral("%1자료 백업 실패 (%2): %3").arg(what, file, why.line),
                           why.panel.isEmpty() ? panel : panel + QStringLiteral(": ") + why.panel});
}

} // namespace tolvo
