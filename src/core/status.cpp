#include "status.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rastrova {

QString messageCannotRead(const QString& path, const QString& reason)
{
    return QStringLiteral("Не удалось прочитать файл \"%1\": %2").arg(path, reason);
}

QString messageCannotWrite(const QString& path, const QString& reason)
{
    return QStringLiteral("Не удалось записать файл \"%1\": %2").arg(path, reason);
}

QString messageTooManyEntries(const QString& path)
{
    return messageCannotRead(path, QStringLiteral("в файле слишком много записей."));
}

namespace {

const QString kNotRegular = QStringLiteral("это не обычный файл (канал, устройство или ссылка на них).");
const QString kSavePrefix = QString::fromLatin1(kSaveTemporaryPrefix);

QString randomSuffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return suffix;
}

const QString kNameTooLong = QStringLiteral("имя файла или папки длиннее 255 байт.");

// Whether a part of `path` is longer than a file system takes, so that the file
// cannot exist at all.
bool hasOverlongPart(const QString& path)
{
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts))
        if (QFile::encodeName(part).size() > NAME_MAX)
            return true;
    return false;
}

// Why the system refused a write, in the program's language where it is one of
// the usual reasons.
QString writeFailure(int error, const QString& fallback = {})
{
    switch (error) {
    case ENOSPC: return QStringLiteral("на диске не осталось места.");
    case EFBIG: return QStringLiteral("файл превысил допустимый размер.");
    case EDQUOT: return QStringLiteral("исчерпана дисковая квота.");
    case EROFS: return QStringLiteral("файловая система доступна только для чтения.");
    case ENAMETOOLONG: return kNameTooLong;
    case EACCES:
    case EPERM: return QStringLiteral("нет прав на запись.");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("папка не найдена.");
    case EISDIR: return QStringLiteral("на его месте папка.");
    default: return fallback.isEmpty() ? QString::fromLocal8Bit(std::strerror(error)) + u'.' : fallback;
    }
}

} // namespace

Status readWholeFile(const QString& path, qint64 maxBytes, QByteArray& out)
{
    const QFileInfo info(path);
    if (!info.exists() && hasOverlongPart(path))
        return Status::refused(messageCannotRead(path, kNameTooLong));
    if (!info.exists())
        return Status::notFound(QStringLiteral("Файл \"%1\" не найден.").arg(path));
    if (info.isDir())
        return Status::damaged(messageCannotRead(path, QStringLiteral("это папка, а не файл.")));
    // Opened without waiting and then asked what it is: a channel or a device
    // under a file's name would otherwise hold the program in open() or read().
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Status::ioError(messageCannotRead(path, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::damaged(messageCannotRead(path, kNotRegular));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Status::ioError(messageCannotRead(path, file.errorString()));
    }
    if (file.size() > maxBytes)
        return Status::damaged(messageCannotRead(
            path, QStringLiteral("файл слишком велик (%1 байт, допустимо не более %2).")
                      .arg(file.size())
                      .arg(maxBytes)));
    // Read at most one byte past the bound, in case the size was not known up front.
    // A read reserves all it asks for, so it asks for what the file holds, then
    // goes on in pieces for a file that has grown since.
    QByteArray bytes = file.read(std::min(maxBytes, file.size()) + 1);
    while (bytes.size() <= maxBytes && file.error() == QFileDevice::NoError) {
        const QByteArray more = file.read(std::min<qint64>(maxBytes + 1 - bytes.size(), 64 * 1024));
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (bytes.size() > maxBytes)
        return Status::damaged(messageCannotRead(path, QStringLiteral("файл слишком велик.")));
    if (file.error() != QFileDevice::NoError)
        return Status::ioError(messageCannotRead(path, file.errorString()));
    out = bytes;
    return Status::ok();
}

Status checkFolderTakesWrites(const QString& folder)
{
    auto refused = [&](const QString& reason) {
        return Status::ioError(QStringLiteral("В папку \"%1\" нельзя записать: %2").arg(folder, reason));
    };
    if (!QFileInfo(folder).isDir())
        return refused(QStringLiteral("папка не найдена."));
    QTemporaryFile probe(QDir(folder).filePath(kSavePrefix + QStringLiteral("XXXXXX")));
    errno = 0;
    if (!probe.open())
        return refused(writeFailure(errno, probe.errorString()));
    const char byte = 0;
    errno = 0;
    if (probe.write(&byte, 1) != 1 || !probe.flush())
        return refused(writeFailure(errno, probe.errorString()));
    return Status::ok();
}

Status writeWholeFile(const QString& path, const QByteArray& bytes)
{
    // Only a regular file is replaced: through a link the write would land
    // wherever the link points, and a channel or a device is no file of ours.
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return Status::refused(messageCannotWrite(
            path, S_ISLNK(st.st_mode) ? QStringLiteral("на его месте символическая ссылка, а записывать "
                                                       "можно только обычный файл.")
                                      : kNotRegular));
    const bool replacing = ::lstat(QFile::encodeName(path).constData(), &st) == 0;

    // The bytes go to a new file beside the old one, which is then renamed over
    // it: the old file stays whole until the new one is complete on the disk.
    const QString folder = QFileInfo(path).absolutePath();
    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        tempName = QFile::encodeName(QDir(folder).filePath(kSavePrefix + randomSuffix()));
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return Status::ioError(messageCannotWrite(path, writeFailure(errno)));
    auto abandon = [&](int error) {
        ::close(fd);
        ::unlink(tempName.constData());
        return Status::ioError(messageCannotWrite(path, writeFailure(error)));
    };
    if (replacing)
        ::fchmod(fd, st.st_mode & 07777); // the new file keeps the old one's permissions
    const char* next = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, next, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return abandon(n < 0 ? errno : ENOSPC);
        next += n;
        left -= n;
    }
    if (::fsync(fd) != 0)
        return abandon(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(tempName.constData());
        return Status::ioError(messageCannotWrite(path, writeFailure(error)));
    }
    if (::rename(tempName.constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        ::unlink(tempName.constData());
        return Status::ioError(messageCannotWrite(path, writeFailure(error)));
    }
    return Status::ok();
}

} // namespace rastrova
