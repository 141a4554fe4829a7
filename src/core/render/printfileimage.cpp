#include "render/printfileimage.h"

#include "render/blankimage.h"
#include "store/printfile.h"

#include <QDir>

namespace rastrova::render {

Status buildPrintFileImage(const QString& folder, const QStringList& hourly, const QStringList& archive,
                           QByteArray& out)
{
    store::PrintFileHeader header(folder);
    if (Status st = header.load(); !st)
        return st;
    if (header.blankNames().isEmpty()) {
        out = QByteArray(kDirectoryBytes / 2, char(0xFF));
        return Status::ok();
    }

    // Every image is read first: a print file that outgrows the adapter is refused whole.
    QList<QByteArray> images[2];
    qsizetype total = kDirectoryBytes;
    for (int kind = 0; kind < 2; ++kind) {
        const QStringList& group = kind == 0 ? hourly : archive;
        for (qsizetype i = 0; i < group.size() && i < kMaxBlanksPerKind; ++i) {
            const QString path = store::blankFilePath(folder, group[i], store::BlankFile::Image);
            QByteArray bytes;
            if (Status st = readWholeFile(path, kImageBufferBytes, bytes); !st)
                return Status::ioError(QStringLiteral("Нет образа бланка \"%1\": %2").arg(group[i], st.message()));
            total += bytes.size();
            images[kind] << bytes;
        }
    }
    if (total > kImageBufferBytes)
        return Status::refused(QStringLiteral("Образ файла печати занимает %1 байт, на %2 байт больше, чем помещается "
                                              "в адаптер (%3 байт). Уменьшите бланки или их число.")
                                   .arg(total)
                                   .arg(total - kImageBufferBytes)
                                   .arg(kImageBufferBytes));

    QByteArray image(kDirectoryBytes, char(0xFF));
    int entry = 0;
    auto setEntry = [&](int value) {
        image[2 * entry] = char(value >> 8);
        image[2 * entry + 1] = char(value);
        ++entry;
    };
    for (const QList<QByteArray>& group : images) {
        for (const QByteArray& bytes : group) {
            setEntry(int(image.size()));
            image += bytes;
        }
        setEntry(0xFF00);
    }
    out = image;
    return Status::ok();
}

Status writePrintFileImage(const QString& folder, const QStringList& hourly, const QStringList& archive,
                           QString* imagePath)
{
    QByteArray bytes;
    if (Status st = buildPrintFileImage(folder, hourly, archive, bytes); !st)
        return st;
    const QString path = QDir(folder).filePath(store::kImageFileName);
    if (imagePath)
        *imagePath = path;
    return writeWholeFile(path, bytes);
}

void imageOrder(const store::ScannedPrintFile& printFile, QStringList& hourly, QStringList& archive)
{
    hourly.clear();
    archive.clear();
    for (const store::ScannedBlank& b : printFile.hourly)
        hourly << b.name;
    for (const store::ScannedBlank& b : printFile.archive)
        archive << b.name;
}

} // namespace rastrova::render
