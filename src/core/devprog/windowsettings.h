#pragma once
// The programming window's settings, section "Parametrs" of RASTROVA.INI.
// Values are stored as the captions of the selected items and read back by
// finding the first caption that contains the stored text, so "9600" selects
// "9600 " and "com3" selects "Com3".

#include "status.h"

#include <QString>
#include <QStringList>
#include <array>

namespace rastrova::devprog {

inline const QString kWindowSection = QStringLiteral("Parametrs");

// Captions of the window's selectors.
const QStringList& portCaptions();    // "Com1".."Com4"
const QStringList& channelCaptions(); // "RS-232", "ИРПС", "RS-485 +"
const QStringList& speedCaptions();   // "300 ".."19200 "
const QStringList& protocolCaptions(); // "Традиционный"

struct WindowSettings {
    int portIndex = 1;
    int linkKind = 1;
    int baudIndex = 5;
    int networkNumber = 0;
    int protocolIndex = 0;
    int checksumOption = 0;
    int pageIndex = 0;
    bool trace = false;
    // The device path behind each port caption.
    std::array<QString, 4> devices;
};

// The index of the first caption containing `value` (case-insensitively), or -1;
// an empty value matches nothing.
int matchCaption(const QStringList& captions, const QString& value);

// The item of the channel selector a link kind shows: 0 for RS-232, 2 for
// RS-485, 1 for either ИРПС kind.
int channelItemOfKind(int linkKind);

// Applies what `settingsFile` holds to `current`; what it lacks stays.
WindowSettings readWindowSettings(const QString& settingsFile, WindowSettings current);
// Writes the keys, keeping the rest of the file; a file that cannot be read is
// left alone.
Status writeWindowSettings(const QString& settingsFile, const WindowSettings& settings);

} // namespace rastrova::devprog
