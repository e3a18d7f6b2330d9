#include "gbk_paths.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrin::library {

namespace {

QString failure(const char *what, const QByteArray &path)
{
    return QStringLiteral("cannot %1 %2: %3").arg(QLatin1String(what), QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
}

bool makeFolders(const QByteArray &folder, QString *error)
{
    for (qsizetype at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/')
            continue;
        const QByteArray prefix = folder.left(at);
        if (::mkdir(prefix.constData(), 0755) != 0 && errno != EEXIST) {
            *error = failure("create folder", prefix);
            return false;
        }
    }
    return true;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

bool writeBytePathAtomically(const QByteArray &path, const QByteArray &bytes, QString *error)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !makeFolders(path.left(slash), error))
        return false;
    QByteArray temp = path.left(slash + 1) + '.' + path.mid(slash + 1) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = failure("write", path);
        return false;
    }
    const bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.constData(), path.constData()) != 0) {
        *error = failure("write", path);
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

bool readBytePath(const QByteArray &path, QByteArray *bytes, QString *error)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        *error = failure("read", path);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    bytes->clear();
    bytes->reserve(qsizetype(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = failure("read", path);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes->append(buf, n);
    }
    ::close(fd);
    return true;
}

} // namespace kestrin::library
