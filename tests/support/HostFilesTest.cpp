// CHostFiles::Move on the host's own file system, within a volume (a rename)
// and across volumes (a copy, compared, then the deletion): what was at the
// destination is never replaced, a link is never followed, and what moved
// keeps its bytes, mode and time.

#include "support/HostFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.write(bytes) == bytes.size() && file.flush());
    ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(1500000000), QFileDevice::FileModificationTime));
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

TEST(HostFilesTest, MoveNeverReplacesNorFollowsALink) {
    QTemporaryDir here;
    QTemporaryDir there(QStringLiteral("/dev/shm/host-files-XXXXXX"));
    ASSERT_TRUE(here.isValid());
    const QByteArray bytes("\x89PNG\0\1\2 icon", 13);
    enum class Setup { Free, Taken, SourceIsLink, NoSource, NoFolder };
    struct Case {
        const char* name;
        Setup setup;
        int error;
    };
    const Case cases[] = {
        {"Free", Setup::Free, 0},
        {"Taken", Setup::Taken, EEXIST},
        {"SourceIsLink", Setup::SourceIsLink, EINVAL},
        {"NoSource", Setup::NoSource, ENOENT},
        {"NoFolder", Setup::NoFolder, ENOENT},
    };
    for (const bool across : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (across ? " across volumes" : " within a volume"));
            if (across && (!there.isValid() || QStorageInfo(there.path()) == QStorageInfo(here.path())))
                GTEST_SKIP() << "no other volume";
            QDir(here.path()).removeRecursively();
            QDir(there.path()).removeRecursively();
            ASSERT_TRUE(QDir().mkpath(here.path()) && QDir().mkpath(there.path()));
            const QString from = here.filePath(QStringLiteral("a.png"));
            const QString to =
                (across ? there.path() : here.path() + QStringLiteral("/b")) +
                (c.setup == Setup::NoFolder ? QStringLiteral("/missing/a.png") : QStringLiteral("/a.png"));
            if (c.setup != Setup::NoFolder) {
                ASSERT_TRUE(QDir().mkpath(QFileInfo(to).path()));
            }
            if (c.setup != Setup::NoSource) Write(from, bytes);
            QFile::setPermissions(from, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            const QFile::Permissions mode = QFileInfo(from).permissions();
            const QString linked = here.filePath(QStringLiteral("linked.png"));
            if (c.setup == Setup::SourceIsLink) {
                ASSERT_TRUE(QFile::rename(from, linked) && QFile::link(linked, from));
            }
            if (c.setup == Setup::Taken) Write(to, "theirs");

            uint64_t size = 0;
            EXPECT_EQ(CHostFiles::Move(from, to, &size), c.error);
            if (c.error == 0) {
                EXPECT_FALSE(CHostFiles::Exists(from));
                EXPECT_EQ(Read(to), bytes);
                EXPECT_EQ(size, uint64_t(bytes.size()));
                const QFileInfo moved(to);
                EXPECT_EQ(moved.permissions(), mode);
                EXPECT_EQ(moved.lastModified().toSecsSinceEpoch(), 1500000000);
                continue;
            }
            // Nothing moved, nothing replaced, nothing half-made.
            EXPECT_EQ(Read(from), c.setup == Setup::NoSource ? QByteArray("<none>") : bytes);
            EXPECT_EQ(QFileInfo(from).isSymLink(), c.setup == Setup::SourceIsLink);
            EXPECT_EQ(Read(to), c.setup == Setup::Taken ? QByteArray("theirs") : QByteArray("<none>"));
        }
}

TEST(HostFilesTest, MakeFoldersStopsAtAFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(CHostFiles::MakeFolders(dir.filePath(QStringLiteral("a/b/c"))), 0);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("a/b/c"))).isDir());
    EXPECT_EQ(CHostFiles::MakeFolders(dir.filePath(QStringLiteral("a/b/c"))), 0);
    Write(dir.filePath(QStringLiteral("file")), "x");
    EXPECT_EQ(CHostFiles::MakeFolders(dir.filePath(QStringLiteral("file"))), ENOTDIR);
    EXPECT_EQ(CHostFiles::MakeFolders(dir.filePath(QStringLiteral("file/sub"))), ENOTDIR);
}

} // namespace
