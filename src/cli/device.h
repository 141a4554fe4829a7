#pragma once
// The device commands of rastrova-cli: program adapter, verify adapter,
// print-test. They run the same procedures as the programming window, on a
// device path, and print the window's log lines on stdout.

#include <QString>

namespace rastrova::cli {

struct DeviceOptions {
    QString device;       // --device PATH
    int linkKind = -1;    // --link; -1: the kind of the settings
    QString settingsFile; // where the window's settings are, for the link kind
    QString dumpFile;     // verify: --dump FILE
    // program network:
    int baudIndex = -1;   // --baud N as an index of the baud table
    QString password;     // --password HEX
    bool key = false;     // --key yes: the electronic key is in place when asked
    bool run = false;     // --run yes: back to RUN at the end
};

// The link kind named by --link (rs232, irps, irps-echo, rs485), or -1.
int linkKindOfName(const QString& name);

int programAdapter(const QString& imagePath, const DeviceOptions& options);
int verifyAdapter(const QString& imagePath, const DeviceOptions& options);
int programNetwork(const QString& imagePath, const DeviceOptions& options);
// The CAN-bus exchange through the driver program.
int programCan(const QString& imagePath, const QString& host, int port, int address);
// kind: "hourly" or "archive".
int printTest(const QString& kind, const DeviceOptions& options);

} // namespace rastrova::cli
