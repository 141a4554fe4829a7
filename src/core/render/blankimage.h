#pragma once
// The blank image: the compiled blank the adapter interprets. A header, one
// six-byte descriptor per parameter reference or archive mark (where to print
// which value, in which format), then the printer text with every mark blanked,
// each line ended by 0x0D.

#include "render/printertext.h"
#include "status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace rastrova::render {

constexpr int kImageBufferBytes = 36864;
constexpr int kMaxDescriptors = 255;

// One row of the blank's parameter list as the image needs it.
struct ImageParameter {
    QString code;    // "#4015", "~05", "$0012", ...
    QString p, q;    // the format cells as typed; empty for the default
    bool integer = false;
};

struct BlankImageInput {
    PrinterText text;               // the rendered blank
    QList<ImageParameter> parameters; // parameter n is parameters[n - 1]
    QString pageLength;             // the lines-per-page field as typed
    int virelType = 0;              // 0: controller type "10", 1: type "19"
    int setn = 0;
    // For type "19": the archive length in days (hours / 24, low 8 bits) of the
    // catalogue parameter with this number.
    std::function<int(uint32_t number)> archiveDays;
};

struct BlankImage {
    QByteArray bytes;
    QStringList report; // the report's lines, without the path line's file prefix
    int descriptors = 0;
};

// The format byte of a parameter: p in the high half (9 when unset or out of
// 0..9), q in the low half (2 when unset or out of 0..6, 0xF for an integer).
uint8_t formatByte(const ImageParameter& parameter);
// The two address bytes of a code for the controller type.
std::array<uint8_t, 2> addressBytes(const QString& code, int virelType);

// Builds the image; `imagePath` only goes into the report. Fails with a message
// when the lines-per-page field is not a number or the image outgrows the
// adapter's buffer.
Status buildBlankImage(const BlankImageInput& input, const QString& imagePath, BlankImage& out);

// Writes the image and its report (the image path with "rep" for its last three
// characters), each atomically.
Status writeBlankImage(const BlankImage& image, const QString& imagePath);
QString reportPath(const QString& imagePath);

} // namespace rastrova::render
