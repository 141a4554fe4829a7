#include "render/blankimage.h"
#include "store/blank.h"

#include "text/codepage.h"
#include "text/hex.h"

#include <array>

namespace rastrova::render {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A mark in a line of printer text.
struct Mark {
    char kind;  // '@', '!' or ','
    int column; // of its first character
    int length; // its first character and its digits
    uint32_t number;
};

// Finds the marks of one line (scanned with two blanks appended). `afterArchive`
// carries across lines: whether the most recent mark was an archive start mark.
QList<Mark> findMarks(const QByteArray& line, bool& afterArchive)
{
    QList<Mark> marks;
    const QByteArray scanned = line + "  ";
    for (int i = 0; i + 1 < scanned.size(); ++i) {
        const char c = scanned[i];
        const bool starts = (c == '@' || c == '!' || (c == ',' && afterArchive)) && isDigit(scanned[i + 1]);
        if (!starts)
            continue;
        int end = i + 1;
        uint64_t number = 0;
        while (end < scanned.size() && isDigit(scanned[end])) {
            number = std::min<uint64_t>(number * 10 + uint64_t(scanned[end] - '0'), 0xFFFFFFFFu);
            ++end;
        }
        marks.append({c, i, end - i, uint32_t(number)});
        afterArchive = c == '!';
        i = end - 1; // the first non-digit may start the next mark
    }
    return marks;
}

// A format cell: empty, not a number or out of range gives `fallback`; otherwise
// its first digit ("03" gives 0), which is what stored blanks have always meant.
int firstDigitOr(const QString& cell, int max, int fallback)
{
    const QString t = cell.trimmed();
    bool ok;
    const int value = t.toInt(&ok);
    if (!ok || value < 0 || value > max)
        return fallback;
    for (QChar c : t)
        if (c >= u'0' && c <= u'9')
            return c.unicode() - u'0';
    return fallback;
}

uint8_t archiveKind(const QString& code, const BlankImageInput& input)
{
    if (code.startsWith(u'$'))
        return 0xF0;
    if (code.startsWith(u'~') && store::isControllerType19(input.virelType) && input.archiveDays) {
        const uint32_t number = text::parseHexBlankZero(QStringView(code).mid(1)).value_or(0);
        switch (input.archiveDays(number)) {
        case 16: return 0xF1;
        case 32: return 0xF2;
        case 64: return 0xF3;
        default: break;
        }
    }
    return 0xFF;
}

} // namespace

uint8_t formatByte(const ImageParameter& parameter)
{
    const int p = firstDigitOr(parameter.p, 9, 9);
    const int q = parameter.integer ? 0xF : firstDigitOr(parameter.q, 6, 2);
    return uint8_t(p << 4 | q);
}

std::array<uint8_t, 2> addressBytes(const QString& code, int virelType)
{
    const QStringView rest = QStringView(code).mid(1);
    const bool type10 = !store::isControllerType19(virelType);
    if (type10 && (code.startsWith(u'~') || code.startsWith(u'$'))) {
        const uint8_t d = uint8_t(rest.toUInt());
        return {0xC0, code.startsWith(u'~') ? d : uint8_t(0xC0 + d)};
    }
    if (type10) {
        const uint8_t high = uint8_t(text::parseHexBlankZero(rest.left(2)).value_or(0));
        const uint8_t low = uint8_t(text::parseHexBlankZero(rest.mid(2, 2)).value_or(0));
        return {high, low};
    }
    const uint32_t number = text::parseHexBlankZero(rest).value_or(0);
    return {uint8_t(number >> 8), uint8_t(number)};
}

Status buildBlankImage(const BlankImageInput& input, const QString& imagePath, BlankImage& out)
{
    out = {};
    QStringList report;
    report << QStringLiteral("Создание двоичного образа для бланка \"%1\"").arg(imagePath);

    const QList<QByteArray>& lines = input.text.lines;
    const int n = int(lines.size());
    report << QStringLiteral("В исходном бланке %1 строк.").arg(n);
    QByteArray header(4, '\0');
    header[0] = char(n > 255 ? 255 : n);
    if (n > 255)
        report << QStringLiteral("В исходном бланке строк больше чем 255, бланк будет обрезан до 255 строк!");

    bool ok;
    const qlonglong perPage = input.pageLength.trimmed().toLongLong(&ok);
    if (!ok)
        return Status::refused(QStringLiteral("\"%1\" не является целым числом.").arg(input.pageLength));
    report << QStringLiteral("Количество строк в странице печати до перевода формата") + input.pageLength;
    header[1] = char(perPage > 255 ? 255 : std::max<qlonglong>(perPage, 0));
    if (perPage > 255)
        report << QStringLiteral("Количество строк в странице печати не может быть больше 255 (рекомендуется 60), "
                                 "количество будет обрезано до 255 строк!");
    header[3] = char(input.setn & 0xFF);

    // Descriptor pass, then text pass, over the same marks.
    QList<std::array<uint8_t, 6>> descriptors;
    auto append = [&](const std::array<uint8_t, 6>& d) {
        if (descriptors.size() < kMaxDescriptors)
            descriptors.append(d);
        else
            descriptors.last() = d;
    };
    QByteArray textPart;
    bool afterArchive = false;
    int pending = -1; // the archive mark waiting for its first reference
    for (int line = 0; line < n; ++line) {
        const QList<Mark> marks = findMarks(lines[line], afterArchive);
        QByteArray blanked = lines[line];
        for (const Mark& m : marks) {
            blanked.replace(m.column, std::min<qsizetype>(m.length, blanked.size() - m.column), QByteArray(m.length, ' '));
            if (m.kind == '@') {
                if (m.number < 1 || m.number > uint32_t(input.parameters.size()))
                    continue;
                const ImageParameter& parameter = input.parameters[int(m.number) - 1];
                if (pending >= 0) {
                    descriptors[pending][1] = archiveKind(parameter.code, input);
                    pending = -1;
                }
                const auto address = addressBytes(parameter.code, input.virelType);
                append({uint8_t(line), formatByte(parameter), uint8_t(m.column), address[0], address[1], 0});
            } else if (m.kind == '!') {
                append({uint8_t(line), 0xFF, uint8_t(m.column), uint8_t(m.number), 0, 0});
                pending = int(descriptors.size()) - 1;
            } else if (!descriptors.isEmpty()) {
                descriptors.last()[4] = uint8_t(m.number);
                pending = -1;
            }
        }
        textPart += blanked.left(lines[line].size());
        textPart += '\x0D';
    }
    header[2] = char(descriptors.size());
    report << QStringLiteral("В бланке найдено %1 параметров.").arg(descriptors.size());

    QByteArray bytes = header;
    for (const auto& d : descriptors)
        bytes.append(reinterpret_cast<const char*>(d.data()), 6);
    bytes += textPart;
    if (bytes.size() > kImageBufferBytes)
        return Status::refused(QStringLiteral("Образ бланка занимает %1 байт, на %2 байт больше, чем помещается в "
                                              "адаптер (%3 байт). Уменьшите бланк.")
                                   .arg(bytes.size())
                                   .arg(bytes.size() - kImageBufferBytes)
                                   .arg(kImageBufferBytes));
    report << QStringLiteral("Образ сформирован.") << QStringLiteral("Запись образа на диск.");
    out.bytes = bytes;
    out.report = report;
    out.descriptors = int(descriptors.size());
    return Status::ok();
}

QString reportPath(const QString& imagePath)
{
    return imagePath.chopped(std::min<qsizetype>(3, imagePath.size())) + QLatin1String("rep");
}

Status writeBlankImage(const BlankImage& image, const QString& imagePath)
{
    Status st = writeWholeFile(imagePath, image.bytes);
    if (!st)
        return st;
    QString report;
    for (const QString& line : image.report)
        report += line + QLatin1String("\r\n");
    return writeWholeFile(reportPath(imagePath), text::toCp1251Lossy(report));
}

} // namespace rastrova::render
