#include "status.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
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

// Why the system refused a write, in the program's language where it is one of
// the usual reasons.
QString writeFailure(int error, const QString& fallback)
{
    switch (error) {
    case ENOSPC: return QStringLiteral("на диске не осталось места.");
    case EFBIG: return QStringLiteral("файл превысил допустимый размер.");
    case EDQUOT: return QStringLiteral("исчерпана дисковая квота.");
    case EROFS: return QStringLiteral("файловая система доступна только для чтения.");
    case EACCES:
    case EPERM: return QStringLiteral("нет прав на запись.");
    default: return fallback;
    }
}

} // namespace

Status readWholeFile(const QString& path, qint64 maxBytes, QByteArray& out)
{
    const QFileInfo info(path);
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
    QByteArray bytes = file.read(maxBytes + 1);
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
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".rastrova-probe-XXXXXX")));
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
    QSaveFile file(path);
    // Unbuffered: every byte reaches the file system inside write(), so a full disk
    // or a size limit is seen there. Through the buffer the bytes would go out only
    // while commit() closes the file, where a failed write is not reported and the
    // short file would replace the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::ioError(messageCannotWrite(path, file.errorString()));
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        QString reason = writeFailure(errno, file.errorString());
        file.cancelWriting();
        return Status::ioError(messageCannotWrite(path, reason));
    }
    if (!file.commit())
        return Status::ioError(messageCannotWrite(path, file.errorString()));
    return Status::ok();
}

} // namespace rastrova
