#pragma once
// Programming through the controller: the printer control module of a ВИРЕЛ
// controller is reached over the controller's own serial link. The controller
// is asked for its state, the electronic key and the access password are
// checked, the controller is put into STOP and its reprogramming buffer, the
// image goes in 128-byte blocks, the reprogramming is completed and, when the
// user agrees, the controller goes back to RUN.

#include "devprog/adapterprog.h"
#include "devprog/comlink.h"
#include "devprog/sink.h"

#include <QString>

namespace rastrova::devprog {

// Controller states decoded from bits 3 and 4 of the state word's second byte.
enum VirelState { StateNone = -1, StateRun = 0, StateStop = 1, StateRestart = 2 };
QString virelStateName(int state);

// A frame of command 0x70 on this route: the block number modulo 256, the 128
// bytes, the checksum.
QByteArray networkBlockFrame(int blockIndex, QByteArrayView block);

struct NetworkOptions {
    int linkKind = LinkRs232;
    bool trace = false;
    QString password; // hexadecimal, as typed; empty passes without exchange
};

class VirelProgrammer {
public:
    VirelProgrammer(ComLink& link, const NetworkOptions& options, ProgressSink& sink, const StopFlag& stop)
        : link_(link), options_(options), sink_(sink), stop_(stop)
    {
    }

    // The whole procedure over `image` (128-byte blocks). Done when the
    // completion command was acknowledged.
    Outcome program(const ImageBlocks& image);

    // 0 when the request went through and (reply byte `byteIndex` & mask) ==
    // expected, -1 when it went through but does not match, else the controller
    // result. `state` receives the decoded state.
    int ReadVirelState(uint8_t mask, uint8_t expected, int byteIndex, bool log, int* state = nullptr);
    // The state reached, or -1 after about 14.7 s (or at a stop request).
    int WaitVirelState(uint8_t expected);
    bool CheckAccessPassword();
    bool PrepareVirel();
    void StartVirel();

private:
    int request(QByteArrayView data, QByteArray* reply = nullptr, int replyLength = 0)
    {
        return link_.ControllerRequest(data, reply, replyLength, options_.linkKind);
    }

    ComLink& link_;
    NetworkOptions options_;
    ProgressSink& sink_;
    const StopFlag& stop_;
};

} // namespace rastrova::devprog
