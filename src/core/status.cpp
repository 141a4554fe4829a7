#include "status.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace rastrova {

QString messageCannotRead(const QString& path, const QString& reason)
{
    return QStringLiteral("Не удалось прочитать файл \"%1\": %2").arg(path, reason);
}

QString messageCannotWrite(const QString& path, const QString& reason)
{
    return QStringLiteral("Не удалось записать файл \"%1\": %2").arg(path, reason);
}

Status readWholeFile(const QString& path, qint64 maxBytes, QByteArray& out)
{
    QFile file(path);
    if (!file.exists())
        return Status::notFound(QStringLiteral("Файл \"%1\" не найден.").arg(path));
    if (QFileInfo(path).isDir())
        return Status::damaged(messageCannotRead(path, QStringLiteral("это папка, а не файл.")));
    if (!file.open(QIODevice::ReadOnly))
        return Status::ioError(messageCannotRead(path, file.errorString()));
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

Status writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::ioError(messageCannotWrite(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        QString reason = file.errorString();
        file.cancelWriting();
        return Status::ioError(messageCannotWrite(path, reason));
    }
    if (!file.commit())
        return Status::ioError(messageCannotWrite(path, file.errorString()));
    return Status::ok();
}

} // namespace rastrova
