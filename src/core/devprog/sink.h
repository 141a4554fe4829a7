#pragma once
// How a running procedure reports: log lines, gauges, captured printer text and
// questions. The window turns these into queued signals; the command line prints
// them. Every method has a quiet default.

#include "devprog/serialline.h"

#include <QByteArray>
#include <QString>

namespace rastrova::devprog {

// The bar of a wait for the controller's state.
enum class WaitBar {
    Reset, // to 0; not shown yet
    Show,  // shown (the block gauge gives way to it)
    Step,
    Hide,
};

enum class Gauge {
    Write,   // "Запись в адаптер принтера"
    Read,    // "Чтение из адаптера принтера"
    Network, // the blocks sent through the controller
};

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void logLine(const QString& line) { (void)line; }
    virtual void setGauge(Gauge gauge, int percent) { (void)gauge, (void)percent; }
    // A captured line of printer text, code page 866 bytes without the line end.
    virtual void printerLine(const QByteArray& cp866) { (void)cp866; }
    // The print test's progress bar steps (the first step shows it).
    virtual void printerStep() {}
    virtual void waitBar(WaitBar event) { (void)event; }
    // A Yes/No question the procedure waits on; true for Yes.
    virtual bool ask(const QString& text) { (void)text; return false; }
    // A message the user must see (a box in the window).
    virtual void notice(const QString& text) { (void)text; }
    // The typed password is not a hexadecimal number: the window puts the
    // focus on its field.
    virtual void passwordNotHex() {}
};

// The outcome of a procedure.
enum class Outcome {
    Done,        // everything the procedure does went through
    Failed,      // a device or file failure; the log says which
    Stopped,     // the stop request ended it
};

} // namespace rastrova::devprog
