#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace tolvo::test {

// A 4 MB tmpfs over a folder, seen by this process only (a mount namespace of its
// own). Needs root; ok() is false otherwise and the test is skipped.
class SmallDisk {
public:
    explicit SmallDisk(const QString& path) : m_path(QFile::encodeName(path))
    {
        m_ok = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount("tmpfs", m_path.constData(), "tmpfs", 0, "size=4m,mode=0700") == 0;
    }
    ~SmallDisk()
    {
        if (m_ok) ::umount2(m_path.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool ok() const { return m_ok; }
    // Fills the disk but `spare` bytes.
    void fill(qint64 spare = 0)
    {
        const QString filler = QString::fromLocal8Bit(m_path) + QStringLiteral("/filler");
        {
            QFile f(filler);
            f.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            const QByteArray block(4096, 'x');
            while (f.write(block) == block.size()) {}
        }
        if (spare > 0) QFile::resize(filler, QFileInfo(filler).size() - spare);
    }
    bool readOnly(bool on)
    {
        return ::mount(nullptr, m_path.constData(), nullptr, MS_REMOUNT | (on ? MS_RDONLY : 0), "size=4m") == 0;
    }
    void restore()
    {
        readOnly(false);
        QFile::remove(QString::fromLocal8Bit(m_path) + QStringLiteral("/filler"));
    }

private:
    QByteArray m_path;
    bool m_ok = false;
};

} // namespace tolvo::test
