#include "driverlink/deviceops.h"

#include <QFile>

namespace rastrova::driverlink {

using devprog::Outcome;

namespace {
constexpr int kAccessWaitMs = 1000;
constexpr int kFixIndexWaitMs = 500;
constexpr int kWaitMs = 3000;

RequestRecord request(uint8_t address, uint8_t length, uint8_t command, uint16_t parameter)
{
    RequestRecord r;
    r.address = address;
    r.length = length;
    r.command = command;
    r.parameter = parameter;
    return r;
}

uint8_t sum8(QByteArrayView bytes)
{
    uint8_t s = 0;
    for (char b : bytes)
        s = uint8_t(s + uint8_t(b));
    return s;
}

const QString kLinkLost = QStringLiteral("Связь с драйвером потеряна: обмен прерван");
} // namespace

int SetAccess(TBfsCl& link, uint8_t address, uint8_t level)
{
    if (!link.IsConnected())
        return -1;
    RequestRecord r = request(address, 2, CmdSetAccess, level);
    r.id = link.NextRequestId();
    const ReplyRecord reply = link.Transact(r, kAccessWaitMs);
    return reply.length >= 1 ? reply.data[0] : -1;
}

bool WriteIndexedBlock(TBfsCl& link, QByteArrayView data, uint8_t address, int perRecord, int count,
                       uint16_t parameter, const std::function<bool(int)>& afterRecord)
{
    RequestRecord fix = request(address, 3, CmdFixIndex, parameter);
    fix.id = link.NextRequestId();
    if (link.Transact(fix, kFixIndexWaitMs).length == 0) {
        link.addLogLine(QStringLiteral("Не могу зафиксировать индексный параметр!"));
        return false;
    }
    if (!link.IsConnected()) {
        link.addLogLine(kLinkLost);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        RequestRecord r = request(address, uint8_t(perRecord + 3), CmdWriteRecord, uint16_t(i));
        for (int k = 0; k < perRecord; ++k)
            r.data[size_t(k)] = uint8_t(data[qsizetype(i) * perRecord + k]);
        r.id = link.NextRequestId();
        link.Transact(r, kWaitMs);
        if (!link.IsConnected()) {
            link.addLogLine(kLinkLost);
            return false;
        }
        if (afterRecord && !afterRecord(i + 1))
            return false;
    }
    link.TransactNewId(request(address, 3, CmdRecomputeChecksum, parameter), kWaitMs);
    if (!link.IsConnected()) {
        link.addLogLine(kLinkLost);
        return false;
    }
    return true;
}

Outcome runCanExchange(TBfsCl& link, const QString& imagePath, const CanExchangeOptions& options,
                       devprog::ProgressSink& sink, const devprog::StopFlag& stop)
{
    link.setHost(options.host);
    link.setPort(options.port);
    link.clearLog();
    link.ConnectAndWait();
    for (const QString& line : link.linkLog())
        sink.logLine(line);
    if (!link.IsConnected())
        return Outcome::Failed;
    link.clearLog();
    // What the link logs from here on (a refused index, a lost connection) is shown as it comes.
    const QMetaObject::Connection shown = QObject::connect(&link, &TBfsCl::logged, [&](const QString& l) { sink.logLine(l); });
    const auto done = [&](Outcome o) {
        QObject::disconnect(shown);
        return o;
    };
    const uint8_t address = uint8_t(options.address & 0xFF);
    // The link was lost by the last request: said once, in the link log.
    const auto lost = [&] {
        if (link.IsConnected())
            return false;
        link.addLogLine(kLinkLost);
        return true;
    };
    // One request of the exchange; false when the link is gone before or after it.
    const auto transact = [&](const RequestRecord& r, ReplyRecord* reply = nullptr) {
        if (lost())
            return false;
        const ReplyRecord got = link.TransactNewId(r, kWaitMs);
        if (reply)
            *reply = got;
        return !lost();
    };

    QFile file(imagePath);
    QByteArray image;
    if (file.open(QIODevice::ReadOnly))
        image = file.read(kMaxCanImage + 1);
    if (!file.isOpen() || image.isEmpty()) {
        sink.logLine(QStringLiteral("Ошибка чтения файла ") + imagePath);
        return done(Outcome::Failed);
    }
    const qsizetype size = image.size();
    if (size < kMinCanImage || size > kMaxCanImage) {
        sink.logLine(QStringLiteral("Образ длиной %1 байт не передаётся: нужен файл печати с бланками, "
                                    "от %2 до %3 байт")
                         .arg(size > kMaxCanImage ? QStringLiteral("более %1").arg(kMaxCanImage) : QString::number(size))
                         .arg(kMinCanImage)
                         .arg(kMaxCanImage));
        return done(Outcome::Failed);
    }

    const int imageBytes = int(size) - 256;
    const int records = (imageBytes + 3) / 4;
    const int total = 64 + records;
    sink.setGauge(devprog::Gauge::Network, 0);
    bool stopped = false;
    const auto progress = [&](int base) {
        return [&, base](int written) {
            sink.setGauge(devprog::Gauge::Network, (base + written) * 100 / total);
            if (stop.load()) {
                stopped = true;
                return false;
            }
            return true;
        };
    };
    const auto ended = [&] {
        if (stopped) {
            sink.logLine(QStringLiteral("Обмен остановлен"));
            return done(Outcome::Stopped);
        }
        return done(Outcome::Failed);
    };

    SetAccess(link, address, 3);
    if (lost())
        return done(Outcome::Failed);
    if (!WriteIndexedBlock(link, image, address, 2, 64, 0x0100, progress(0)) && (stopped || !link.IsConnected()))
        return ended();

    RequestRecord sum = request(address, 4, CmdWrite, 0x0102);
    sum.data[0] = sum8(QByteArrayView(image).first(128));
    ReplyRecord sumReply;
    if (!transact(sum, &sumReply))
        return done(Outcome::Failed);
    if (sumReply.length < 1) {
        sink.logLine(QStringLiteral("Ошибка обмена!"));
        return done(Outcome::Failed);
    }

    QByteArray padded = image.mid(256);
    padded.append((4 - padded.size() % 4) % 4, '\0');
    if (!WriteIndexedBlock(link, padded, address, 4, records, 0x0101, progress(64)) && (stopped || !link.IsConnected()))
        return ended();

    RequestRecord length = request(address, 5, CmdWrite, 0x0104);
    length.data[0] = uint8_t((size - 1) & 0xFF);
    length.data[1] = uint8_t(((size - 1) >> 8) & 0xFF);
    ReplyRecord lengthReply;
    if (!transact(length, &lengthReply))
        return done(Outcome::Failed);
    if (lengthReply.length < 1) {
        sink.logLine(QStringLiteral("Ошибка обмена!"));
        return done(Outcome::Failed);
    }
    RequestRecord blanksSum = request(address, 4, CmdWrite, 0x0103);
    blanksSum.data[0] = sum8(QByteArrayView(image).sliced(256));
    if (!transact(blanksSum))
        return done(Outcome::Failed);
    sink.logLine(QStringLiteral("Обмен закончен"));
    RequestRecord close = request(address, 1, CmdRecomputeChecksum, 0x0101);
    if (link.IsConnected()) // the image is in; the closing command's reply is not examined
        link.TransactNewId(close, kWaitMs);
    return done(Outcome::Done);
}

} // namespace rastrova::driverlink
