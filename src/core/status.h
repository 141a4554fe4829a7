#pragma once
// The outcome of a file operation: success, or a kind of failure with a message
// for the user (in Russian, ready for a message box or stderr).

#include <QString>

namespace rastrova {

class Status {
public:
    enum Code {
        Ok,
        NotFound, // the file or folder does not exist
        Damaged,  // the file exists but is not what it should be
        IoError,  // the file system refused (permissions, full disk, ...)
        Refused,  // the request itself is not acceptable (a bad name, ...)
    };

    Status() = default;
    static Status ok() { return {}; }
    static Status notFound(QString message) { return {NotFound, std::move(message)}; }
    static Status damaged(QString message) { return {Damaged, std::move(message)}; }
    static Status ioError(QString message) { return {IoError, std::move(message)}; }
    static Status refused(QString message) { return {Refused, std::move(message)}; }

    bool isOk() const { return code_ == Ok; }
    explicit operator bool() const { return isOk(); }
    Code code() const { return code_; }
    const QString& message() const { return message_; }

private:
    Status(Code code, QString message) : code_(code), message_(std::move(message)) {}
    Code code_ = Ok;
    QString message_;
};

// Messages shared by every file operation.
QString messageCannotRead(const QString& path, const QString& reason);
// A file whose entries would take far more memory than its size.
QString messageTooManyEntries(const QString& path);
QString messageCannotWrite(const QString& path, const QString& reason);

// Whether a file can be written in `folder`, asked of the file system itself by
// writing (and removing) a byte rather than of the permission bits: a read-only
// mount or a full disk refuse root as well. The message says why not.
Status checkFolderTakesWrites(const QString& folder);

// Reads a whole file of at most `maxBytes` bytes. A missing file is NotFound, a
// larger one Damaged.
Status readWholeFile(const QString& path, qint64 maxBytes, QByteArray& out);

// The hidden temporary file of a save is named this, six letters or digits
// added, beside its target; only a save killed at its work leaves one behind.
constexpr char kSaveTemporaryPrefix[] = ".rastrova-save-";

// Replaces `path` with `bytes` atomically: the old file stays whole on failure.
Status writeWholeFile(const QString& path, const QByteArray& bytes);

} // namespace rastrova
