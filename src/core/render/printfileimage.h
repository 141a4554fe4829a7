#pragma once
// The print-file image "info.bin": a directory of 128 two-byte offsets (high byte
// first) and the blank images one after another, hourly blanks first. It is made
// from the blanks' image files as they were last saved.
//
//   entries 0..h-1      hourly blanks (at most 62)      0xFF 0x00  terminator
//   entries ..          archive blanks (at most 62)     0xFF 0x00  terminator
//   the rest            0xFF 0xFF

#include "status.h"
#include "store/scan.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace rastrova::render {

constexpr int kDirectoryBytes = 256;
constexpr int kMaxBlanksPerKind = 62;

// Builds the image of the print file in `folder` from the images of its blanks,
// given in tree order. A header without blanks gives 128 bytes of 0xFF. A missing
// or unreadable blank image stops the build with a message naming it.
Status buildPrintFileImage(const QString& folder, const QStringList& hourly, const QStringList& archive,
                           QByteArray& out);

// Builds and writes "info.bin" atomically: on failure the old file stays as it was.
Status writePrintFileImage(const QString& folder, const QStringList& hourly, const QStringList& archive,
                           QString* imagePath = nullptr);

// The blank names of a scanned print file as info.bin takes them: hourly and
// archive, each in the order of the tree.
void imageOrder(const store::ScannedPrintFile& printFile, QStringList& hourly, QStringList& archive);

} // namespace rastrova::render
