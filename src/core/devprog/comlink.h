#pragma once
// The serial link to the printer adapter and to the controller: opening the
// port with its fixed line settings, and the two protocols spoken over it.
//
// Adapter command: the pair C, 256 - C, one acknowledgement byte (0 accepted),
// optionally a data frame and its acknowledgement, optionally a status byte.
// Controller request: ENQ 0x05, EOT 0x04, the counted frame with its checksum,
// ACK 0x06 or NAK 0x15, then the reply with its checksum.
//
// Nothing is raised: every exchange gives a result code, and the tables below
// give the texts the programming window logs.

#include "devprog/serialline.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace rastrova::devprog {

// Link kinds.
enum LinkKind { LinkRs232 = 0, LinkIrps = 1, LinkIrpsEcho = 2, LinkRs485 = 8 };

// Baud index 0..7 to bits per second.
int baudOfIndex(int baudIndex);
// The index of a baud rate, or -1 when the table has none.
int indexOfBaud(int baud);

// Controller request results.
enum ControllerResult {
    CtrlOk = 0,
    CtrlNoEot = 1,
    CtrlNoAck = 2,
    CtrlNak = 3,
    CtrlReplySum = 4,
    CtrlShortReply = 5,
    CtrlWriteFailed = 8,
};
QString controllerResultText(int result);

// Adapter command results: 0, 1..4, or -s for a status byte s.
enum AdapterResult {
    AdOk = 0,
    AdNoAck = 1,
    AdPairRefused = 2,
    AdFrameRefused = 3,
    AdNoStatus = 4,
};
QString adapterResultText(int result);

// Adapter commands.
enum AdapterCommandByte : uint8_t {
    CmdErase = 0x10,
    CmdWriteBlock = 0x70,
    CmdReadBlock = 0x02,
    CmdHourlyTest = 0xCC, // on the network route: completes the reprogramming
    CmdArchiveTest = 0xDD,
};

class ComLink {
public:
    ComLink(SerialLine& line, Clock& clock) : line_(line), clock_(clock) {}

    // Opens `device` at the baud index with the modem lines of the link kind and
    // drops anything received. False when the device cannot be opened.
    bool OpenComPort(const QString& device, int baudIndex, int linkKind);
    void CloseComPort();
    bool isOpen() const { return line_.isOpen(); }
    void SetReadTimeout(int seconds) { line_.setReadTimeout(seconds * 1000); }
    // On an ИРПС line: 2 when a byte sent comes back, else 1. Other kinds as given.
    int ProbeEcho(int linkKind);
    void SetAttemptCount(int count) { attempts_ = count; }

    // Sends `data` (at most 254 bytes) as a controller request and reads a reply
    // of `replyLength` data bytes. `reply` receives the data bytes and the
    // checksum byte when the result is CtrlOk and replyLength > 0.
    int ControllerRequest(QByteArrayView data, QByteArray* reply, int replyLength, int linkKind);

    // Runs one adapter command: the pair, then with two phases the data frame,
    // then with `statusWait` the status byte within `statusSeconds`.
    int AdapterCommand(int linkKind, uint8_t command, QByteArrayView frame, int phases, bool statusWait,
                       int statusSeconds);

    // The acknowledgement bytes of the last adapter command, "00 01 ".
    const QString& trace() const { return trace_; }

    // For procedures that read the data that follows a command.
    QByteArray read(int count) { return line_.read(count); }
    Clock& clock() { return clock_; }
    int baudIndex() const { return baudIndex_; }

private:
    // Before every group of bytes sent.
    void presendPause();
    // Reads single bytes until `count` have come or one read yields nothing.
    void dropEcho(int count);
    int controllerAttempt(const QByteArray& frame, QByteArray* reply, int replyLength, int linkKind);

    SerialLine& line_;
    Clock& clock_;
    int baudIndex_ = 3;
    int attempts_ = 1;
    QString trace_;
};

} // namespace rastrova::devprog
