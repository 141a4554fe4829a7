#pragma once
// Device operations over the driver link: the access level, a block written
// through an index parameter, and the exchange that programs a printer adapter
// on the CAN bus with a print-file image.

#include "devprog/sink.h"
#include "driverlink/bfsDM.h"

#include <QByteArray>
#include <functional>

namespace rastrova::driverlink {

// The reply's first data byte, or -1 (not connected, failed, no reply).
int SetAccess(TBfsCl& link, uint8_t address, uint8_t level);

// Fixes index parameter `parameter` (command 6), writes `count` records of
// `perRecord` bytes (command 7) and has the checksum recomputed (command 4).
// `afterRecord` is told each record written and may end the writing by
// returning false; the checksum is then not recomputed. False when the writing
// ended early (the index was refused, the link was lost, or `afterRecord`).
bool WriteIndexedBlock(TBfsCl& link, QByteArrayView data, uint8_t address, int perRecord, int count,
                       uint16_t parameter, const std::function<bool(int written)>& afterRecord = {});

struct CanExchangeOptions {
    QString host = QStringLiteral("127.0.0.1");
    int port = TBfsCl::kDefaultPort;
    int address = 1;
};

// The images the exchange accepts: a directory and at least one byte of blank
// images, within the adapter's buffer.
constexpr int kMinCanImage = 257;
constexpr int kMaxCanImage = 36864;

// Connects, then writes the image: access level 3; directory bytes 0..127 as 64
// two-byte records of parameter 0x0100; their checksum 0x0102; the blank images
// as four-byte records of 0x0101; the size 0x0104; their checksum 0x0103; the
// closing command. Log lines and the records' progress (Gauge::Network) go to
// `sink`; the stop request ends it between records.
devprog::Outcome runCanExchange(TBfsCl& link, const QString& imagePath, const CanExchangeOptions& options,
                                devprog::ProgressSink& sink, const devprog::StopFlag& stop);

} // namespace rastrova::driverlink
