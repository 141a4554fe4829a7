#include "devprog/adapterprog.h"

#include "text/hex.h"

#include <QFile>

namespace rastrova::devprog {

namespace {

constexpr int kAdapterBlock = 64;
// The pause before each read request, which the adapter needs between blocks.
constexpr int kReadRequestPauseMs = 20;
constexpr int kEraseStatusSeconds = 3;
constexpr int kWriteStatusSeconds = 2;
constexpr int kReadDataSeconds = 5;

QString addressText(qint64 address)
{
    return text::hexDigits(uint32_t(address), 4);
}

QString failureAtAddress(qint64 address, int result)
{
    return QStringLiteral("Адрес ") + addressText(address) + QStringLiteral("  ") + adapterResultText(result);
}

// The address bytes of a block: bits 15..8, then bits 7..0 with bit 0 marking
// the upper 64 KB (addresses are multiples of 64, so bit 0 is free).
void appendAddress(QByteArray& frame, qint64 address)
{
    const uint32_t low16 = uint32_t(address) & 0xFFFF;
    frame += char(low16 >> 8);
    frame += char((low16 & 0xFF) | (address >= 0x10000 ? 1 : 0));
}

// Reads every block back. `read` receives the blocks that came; the read-back
// ends early at a block that brought nothing.
Outcome readBack(ComLink& link, const ImageBlocks& image, const AdapterOptions& options, ProgressSink& sink,
                 const StopFlag& stop, QList<QByteArray>& read)
{
    QFile traceFile(options.traceFile);
    const bool keep = options.trace && !options.traceFile.isEmpty() &&
                      traceFile.open(QIODevice::WriteOnly | QIODevice::Truncate);
    sink.logLine(QStringLiteral("Чтение информации из адаптера принтера"));
    qint64 address = 0;
    for (int i = 0; i < image.count(); ++i) {
        if (stop.load())
            return Outcome::Stopped;
        const QByteArray request = readRequestFrame(address);
        if (options.trace)
            sink.logLine(QStringLiteral("ком 2  ") + text::hexBytes(request));
        link.clock().pauseMs(kReadRequestPauseMs);
        const int result = link.AdapterCommand(options.linkKind, CmdReadBlock, request, 2, false, 0);
        if (result != AdOk) {
            if (stop.load())
                return Outcome::Stopped;
            sink.logLine(failureAtAddress(address, result));
            if (options.trace)
                sink.logLine(link.trace());
            return Outcome::Failed;
        }
        link.SetReadTimeout(kReadDataSeconds);
        const QByteArray data = link.read(image.dataLength(i));
        if (data.isEmpty())
            break;
        read.append(data);
        if (options.trace)
            sink.logLine(text::hexBytes(data));
        if (keep)
            traceFile.write(data);
        sink.setGauge(Gauge::Read, (i + 1) * 100 / image.count());
        address += image.blockSize;
    }
    return Outcome::Done;
}

// Compares what was read with the image. Blocks that were not read back are
// named as not verified; they are never compared against missing data.
Outcome verify(const ImageBlocks& image, const QList<QByteArray>& read, ProgressSink& sink)
{
    qint64 lastDifference = -1;
    for (int i = 0; i < read.size(); ++i) {
        const int n = image.dataLength(i);
        const QByteArray& got = read[i];
        for (int k = 0; k < n; ++k) {
            if (k >= got.size() || got[k] != image.blocks[i][k]) {
                lastDifference = qint64(i) * image.blockSize + k;
                break;
            }
        }
    }
    if (read.size() < image.count()) {
        const qint64 first = qint64(read.size()) * image.blockSize;
        const qint64 last = qint64(image.count() - 1) * image.blockSize;
        sink.logLine(QStringLiteral("Нет данных из адаптера принтера по адресу ") + addressText(first) +
                     QStringLiteral(": блоки с адреса ") + addressText(first) + QStringLiteral(" по адрес ") +
                     addressText(last) + QStringLiteral(" не проверены"));
    }
    if (lastDifference >= 0)
        sink.logLine(QStringLiteral("Несовпадение информации по адресу ") + addressText(lastDifference));
    if (lastDifference >= 0 || read.size() < image.count())
        return Outcome::Failed;
    sink.logLine(QStringLiteral("Информация в адаптер принтера записана верно"));
    return Outcome::Done;
}

bool imageFitsAdapter(const ImageBlocks& image, ProgressSink& sink)
{
    if (image.imageBytes < kAdapterMemoryBytes)
        return true;
    sink.logLine(QStringLiteral("Образ длиной %1 байт не помещается в память адаптера принтера (%2 байт): "
                                "программирование не начато")
                     .arg(image.imageBytes)
                     .arg(kAdapterMemoryBytes));
    return false;
}

} // namespace

ImageBlocks cutIntoBlocks(const QByteArray& bytes, int blockSize)
{
    ImageBlocks image;
    image.blockSize = blockSize;
    image.lastBlockSize = blockSize;
    image.imageBytes = bytes.size();
    for (qsizetype at = 0; at < bytes.size(); at += blockSize) {
        QByteArray block = bytes.mid(at, blockSize);
        if (block.size() < blockSize) {
            image.lastBlockSize = int(block.size());
            block.append(blockSize - block.size(), char(0xFF));
        }
        image.blocks.append(block);
    }
    return image;
}

bool ReadImageBlocks(const QString& path, int blockSize, qint64 maxBytes, ImageBlocks& out, ProgressSink& sink)
{
    out = ImageBlocks{};
    out.blockSize = blockSize;
    sink.logLine(QStringLiteral("Чтение банков из файла ") + path);
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.read(maxBytes + 1);
        if (bytes.size() > maxBytes) {
            sink.logLine(QStringLiteral("Файл %1 длиннее %2 байт: такой образ не программируется").arg(path).arg(maxBytes));
            return false;
        }
    }
    out = cutIntoBlocks(bytes, blockSize);
    if (out.blocks.isEmpty()) {
        sink.logLine(QStringLiteral("Ошибка чтения файла ") + path);
        return false;
    }
    return true;
}

QByteArray adapterBlockFrame(qint64 address, QByteArrayView data)
{
    QByteArray frame;
    frame.reserve(data.size() + 4);
    frame += char(uint8_t(data.size() + 4));
    appendAddress(frame, address);
    frame += data;
    frame += char(text::checksum8(frame));
    return frame;
}

QByteArray readRequestFrame(qint64 address)
{
    QByteArray frame;
    appendAddress(frame, address);
    frame += char(text::checksum8(frame));
    return frame;
}

Outcome programAdapter(ComLink& link, const ImageBlocks& image, const AdapterOptions& options,
                       ProgressSink& sink, const StopFlag& stop)
{
    if (!imageFitsAdapter(image, sink))
        return Outcome::Failed;
    sink.setGauge(Gauge::Write, 0);
    sink.setGauge(Gauge::Read, 0);

    const int erased = link.AdapterCommand(options.linkKind, CmdErase, {}, 1, true, kEraseStatusSeconds);
    if (erased != AdOk && stop.load())
        return Outcome::Stopped;
    if (erased == AdNoAck)
        sink.logLine(QStringLiteral("Отсутствует связь с адаптером принтера"));
    else
        sink.logLine(QStringLiteral("Очистка РПЗУ  ") + adapterResultText(erased));
    if (erased != AdOk)
        return Outcome::Failed;
    sink.logLine(QStringLiteral("Запись информации в адаптер принтера"));

    qint64 address = 0;
    for (int i = 0; i < image.count(); ++i) {
        if (stop.load())
            return Outcome::Stopped;
        const QByteArray frame =
            adapterBlockFrame(address, QByteArrayView(image.blocks[i]).first(image.dataLength(i)));
        if (options.trace)
            sink.logLine(QStringLiteral("ком 70 , ") + text::hexBytes(frame));
        const int result =
            link.AdapterCommand(options.linkKind, CmdWriteBlock, frame, 2, true, kWriteStatusSeconds);
        if (result != AdOk) {
            if (stop.load())
                return Outcome::Stopped;
            sink.logLine(failureAtAddress(address, result));
            return Outcome::Failed;
        }
        address += image.blockSize;
        sink.setGauge(Gauge::Write, (i + 1) * 100 / image.count());
    }

    QList<QByteArray> read;
    const Outcome back = readBack(link, image, options, sink, stop, read);
    if (back != Outcome::Done)
        return back;
    return verify(image, read, sink);
}

Outcome verifyAdapter(ComLink& link, const ImageBlocks& image, const AdapterOptions& options,
                      ProgressSink& sink, const StopFlag& stop, QByteArray* readBackBytes)
{
    if (!imageFitsAdapter(image, sink))
        return Outcome::Failed;
    sink.setGauge(Gauge::Read, 0);
    QList<QByteArray> read;
    const Outcome back = readBack(link, image, options, sink, stop, read);
    if (readBackBytes) {
        readBackBytes->clear();
        for (const QByteArray& block : read)
            *readBackBytes += block;
    }
    if (back != Outcome::Done)
        return back;
    return verify(image, read, sink);
}

bool PrinterCapture::feed(QByteArrayView bytes)
{
    for (char c : bytes) {
        const uint8_t b = uint8_t(c);
        if (b == 0x1A)
            return false;
        if (line_.size() == kLineWidth || (b == 0x0A && !wrapped_)) {
            wrapped_ = line_.size() == kLineWidth;
            emitLine();
        }
        if (b >= 0x20)
            line_ += c;
        else if (b == 0x0A)
            wrapped_ = false;
    }
    return true;
}

void PrinterCapture::emitLine()
{
    sink_.printerLine(line_);
    line_.clear();
    ++lines_;
    if (lines_ == 1 || lines_ % 3 == 0)
        sink_.printerStep();
}

void PrinterCapture::finish()
{
    if (!line_.isEmpty()) {
        sink_.printerLine(line_);
        line_.clear();
    }
}

Outcome printTest(ComLink& link, uint8_t command, const AdapterOptions& options, ProgressSink& sink,
                  const StopFlag& stop)
{
    PrinterCapture capture(sink);
    sink.logLine(command == CmdHourlyTest ? QStringLiteral("Тест почасовой печати")
                                          : QStringLiteral("Тест архивной печати"));
    const int result = link.AdapterCommand(options.linkKind, command, {}, 1, false, 0);
    link.SetReadTimeout(1);
    if (result != AdOk) {
        if (stop.load())
            return Outcome::Stopped;
        sink.logLine(options.trace ? adapterResultText(result)
                                   : QStringLiteral("Отсутствует связь с адаптером принтера или ошибка обмена"));
        return Outcome::Failed;
    }
    Outcome outcome = Outcome::Stopped;
    while (!stop.load()) {
        if (!capture.feed(link.read(128))) {
            outcome = Outcome::Done;
            break;
        }
    }
    capture.finish();
    return outcome;
}

} // namespace rastrova::devprog
