#pragma once
// Programming the printer adapter: the image is cut into 64-byte blocks, the
// memory erased, every block written with command 0x70, read back with command
// 0x02 and compared. And the two print tests, which capture what the adapter
// prints. Log lines are the ones the programming window shows.

#include "devprog/comlink.h"
#include "devprog/sink.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace rastrova::devprog {

// The adapter addresses 128 KB: 16 address bits and one more in the frame.
constexpr qint64 kAdapterMemoryBytes = 0x20000;

// An image cut into blocks of one size; the last block may be shorter and is
// padded with 0xFF to the block size.
struct ImageBlocks {
    QList<QByteArray> blocks;
    int blockSize = 64;
    int lastBlockSize = 64;
    qint64 imageBytes = 0;

    int count() const { return int(blocks.size()); }
    // The data length of block i: the block size, or the last block size.
    int dataLength(int i) const { return i == count() - 1 ? lastBlockSize : blockSize; }
};

// Cuts `bytes` into blocks of `blockSize`.
ImageBlocks cutIntoBlocks(const QByteArray& bytes, int blockSize);

// Logs "Чтение банков из файла PATH", reads the file and cuts it. With no block
// (a missing, unreadable or empty file) logs "Ошибка чтения файла PATH" and
// returns false. A file beyond `maxBytes` is not read whole: it is refused with
// a line saying so.
bool ReadImageBlocks(const QString& path, int blockSize, qint64 maxBytes, ImageBlocks& out, ProgressSink& sink);

// The frame of command 0x70 for a block at `address`: length n + 4, the address
// bytes (bit 0 of the low byte marks the upper 64 KB), the data, the checksum.
QByteArray adapterBlockFrame(qint64 address, QByteArrayView data);
// The frame of command 0x02: the address bytes and their checksum.
QByteArray readRequestFrame(qint64 address);

struct AdapterOptions {
    int linkKind = LinkIrps;
    bool trace = false;     // frame dumps in the log, the read-back kept in a file
    QString traceFile;      // where the read-back goes in trace mode ("Temp.fil")
};

// Erases, writes, reads back and verifies. Done only when the image was verified.
Outcome programAdapter(ComLink& link, const ImageBlocks& image, const AdapterOptions& options,
                       ProgressSink& sink, const StopFlag& stop);

// Reads the adapter back and compares it with the image, without erasing or
// writing. `readBack`, when given, receives the bytes read.
Outcome verifyAdapter(ComLink& link, const ImageBlocks& image, const AdapterOptions& options,
                      ProgressSink& sink, const StopFlag& stop, QByteArray* readBack = nullptr);

// The hourly (0xCC) or archive (0xDD) print test: captures what the adapter
// prints until 0x1A or the stop request.
Outcome printTest(ComLink& link, uint8_t command, const AdapterOptions& options, ProgressSink& sink,
                  const StopFlag& stop);

// The print test's line rules: lines wrap at 72 characters, 0x0A ends a line
// (not right after a wrap), bytes below 0x20 are dropped, 0x1A ends the text.
class PrinterCapture {
public:
    static constexpr int kLineWidth = 72;
    explicit PrinterCapture(ProgressSink& sink) : sink_(sink) {}
    // Takes bytes; false once 0x1A has come (the rest is dropped).
    bool feed(QByteArrayView bytes);
    // Hands over what is left in the line buffer.
    void finish();
    int lineCount() const { return lines_; }

private:
    void emitLine();
    ProgressSink& sink_;
    QByteArray line_;
    bool wrapped_ = false;
    int lines_ = 0;
};

} // namespace rastrova::devprog
