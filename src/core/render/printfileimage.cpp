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

    QByteArray image(kDirectoryBytes, char(0xFF));
    int entry = 0;
    auto setEntry = [&](int value) {
        image[2 * entry] = char(value >> 8);
        image[2 * entry + 1] = char(value);
        ++entry;
    };
    for (const QStringList* group : {&hourly, &archive}) {
        for (qsizetype i = 0; i < group->size() && i < kMaxBlanksPerKind; ++i) {
            const QString path = store::blankFilePath(folder, group->at(i), store::BlankFile::Image);
            QByteArray bytes;
            if (Status st = readWholeFile(path, kImageBufferBytes, bytes); !st)
                return Status::ioError(QStringLiteral("Нет образа бланка \"%1\": %2").arg(group->at(i), st.message()));
            if (image.size() + bytes.size() > kImageBufferBytes)
                return Status::refused(QStringLiteral("Образ файла печати не помещается в память адаптера (%1 байт): "
                                                      "уменьшите бланки или их число.")
                                           .arg(kImageBufferBytes));
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

} // namespace rastrova::render
