#include "support/HostFiles.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#ifndef _WIN32
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kChunk = 1 << 16;

// A file descriptor closed on every way out.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd; }
    // Closes it, and tells what the close reported (a write the system
    // deferred can fail only there).
    int Close() {
        const int result = ::close(fd);
        fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd;
};

// Reads up to `size` bytes, less only at the end of the file.
ssize_t ReadFully(int fd, char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += size_t(got);
    }
    return ssize_t(done);
}

int WriteFully(int fd, const char* buffer, size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, buffer, size);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        buffer += put;
        size -= size_t(put);
    }
    return 0;
}

// Copies the open source into the new file, gives it the source's mode and
// times, and makes it durable.
int CopyInto(int in, int out, const struct stat& source) {
    std::vector<char> buffer(kChunk);
    for (;;) {
        const ssize_t got = ReadFully(in, buffer.data(), buffer.size());
        if (got < 0) return errno;
        if (got == 0) break;
        if (const int error = WriteFully(out, buffer.data(), size_t(got))) return error;
    }
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (::fchmod(out, source.st_mode & 07777) != 0 || ::futimens(out, times) != 0 || ::fsync(out) != 0) return errno;
    return 0;
}

// Whether the file at `copy` holds exactly what `in` (read from its start) holds.
int SameBytes(int in, const QByteArray& copy) {
    Descriptor check(::open(copy.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (check.get() < 0 || ::lseek(in, 0, SEEK_SET) != 0) return errno;
    std::vector<char> a(kChunk), b(kChunk);
    for (;;) {
        const ssize_t gotA = ReadFully(in, a.data(), a.size());
        const ssize_t gotB = ReadFully(check.get(), b.data(), b.size());
        if (gotA < 0 || gotB < 0) return errno;
        if (gotA != gotB || std::memcmp(a.data(), b.data(), size_t(gotA)) != 0) return EIO;
        if (gotA == 0) return 0;
    }
}

// Across volumes: the copy is made where nothing was (O_EXCL), compared,
// and only then is the original deleted; a copy that fails goes again.
int CopyThenDelete(const QByteArray& from, const QByteArray& to, const struct stat& source) {
    Descriptor in(::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {};
    if (in.get() < 0 || ::fstat(in.get(), &opened) != 0) return errno;
    // The file that was looked at, not one put in its place since.
    if (opened.st_dev != source.st_dev || opened.st_ino != source.st_ino || !S_ISREG(opened.st_mode)) return EAGAIN;
    Descriptor out(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0) return errno;
    int error = CopyInto(in.get(), out.get(), opened);
    if (const int closed = out.Close(); !error) error = closed;
    if (!error) error = SameBytes(in.get(), to);
    if (!error && ::unlink(from.constData()) != 0) error = errno;
    if (error) ::unlink(to.constData());
    return error;
}

} // namespace

int CHostFiles::Move(const QString& from, const QString& to, uint64_t* size) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    struct stat status {};
    if (::lstat(source.constData(), &status) != 0) return errno;
    if (!S_ISREG(status.st_mode)) return EINVAL;
    if (size) *size = uint64_t(status.st_size);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno == EXDEV) return CopyThenDelete(source, target, status);
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
#endif
    // A file system that cannot refuse to replace in a rename: a second
    // name, which is never given over an existing one, then the first goes.
    if (::link(source.constData(), target.constData()) == 0) {
        if (::unlink(source.constData()) == 0) return 0;
        const int error = errno;
        ::unlink(target.constData());
        return error;
    }
    // No second name across volumes, nor on a file system without them.
    if (errno == EXDEV || errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK)
        return CopyThenDelete(source, target, status);
    return errno;
}

int CHostFiles::MakeFolders(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    for (int slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST) return errno;
        if (slash < 0) break;
    }
    struct stat status {};
    if (::stat(path.constData(), &status) != 0) return errno;
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

bool CHostFiles::Exists(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

bool CHostFiles::FileSize(const QString& path, uint64_t* size) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    *size = uint64_t(status.st_size);
    return true;
}

#else

int CHostFiles::Move(const QString&, const QString&, uint64_t*) {
    return ENOSYS;
}

int CHostFiles::MakeFolders(const QString&) {
    return ENOSYS;
}

bool CHostFiles::Exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool CHostFiles::FileSize(const QString&, uint64_t*) {
    return false;
}

#endif

bool CHostFiles::NoRoom(int error) {
#ifdef EDQUOT
    if (error == EDQUOT) return true;
#endif
    return error == ENOSPC;
}
