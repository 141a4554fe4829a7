#include "devprog/windowsettings.h"

#include "devprog/serialport.h"
#include "text/profile.h"

namespace rastrova::devprog {

namespace {
QString deviceKey(int i)
{
    return QStringLiteral("Com%1Device").arg(i + 1);
}
} // namespace

const QStringList& portCaptions()
{
    static const QStringList c{QStringLiteral("Com1"), QStringLiteral("Com2"), QStringLiteral("Com3"),
                               QStringLiteral("Com4")};
    return c;
}

const QStringList& channelCaptions()
{
    static const QStringList c{QStringLiteral("RS-232"), QStringLiteral("ИРПС"), QStringLiteral("RS-485 +")};
    return c;
}

const QStringList& speedCaptions()
{
    static const QStringList c{QStringLiteral("300 "),  QStringLiteral("600 "),  QStringLiteral("1200 "),
                               QStringLiteral("2400 "), QStringLiteral("4800 "), QStringLiteral("9600 "),
                               QStringLiteral("19200 ")};
    return c;
}

const QStringList& protocolCaptions()
{
    static const QStringList c{QStringLiteral("Традиционный")};
    return c;
}

int matchCaption(const QStringList& captions, const QString& value)
{
    if (value.isEmpty())
        return -1;
    const QString wanted = value.toUpper();
    for (int i = 0; i < captions.size(); ++i)
        if (captions[i].toUpper().contains(wanted))
            return i;
    return -1;
}

int channelItemOfKind(int linkKind)
{
    return linkKind == 0 ? 0 : linkKind == 8 ? 2 : 1;
}

WindowSettings readWindowSettings(const QString& settingsFile, WindowSettings s)
{
    text::IniProfile ini;
    ini.load(settingsFile); // a missing or unreadable file changes nothing
    const auto value = [&](const char* key) { return ini.value(kWindowSection, QString::fromLatin1(key)); };

    s.trace = value("Ola").toUpper() == u"YES";
    s.pageIndex = value("Adapter") == u"YES" ? 0 : 1;
    if (int i = matchCaption(portCaptions(), value("Port")); i >= 0)
        s.portIndex = i > 3 ? 1 : i;
    if (int i = matchCaption(channelCaptions(), value("Channel")); i >= 0)
        s.linkKind = i == 0 ? 0 : i == 1 ? 1 : 8;
    if (s.linkKind != 0 && s.linkKind != 1 && s.linkKind != 2 && s.linkKind != 8)
        s.linkKind = 1;
    if (int i = matchCaption(speedCaptions(), value("Basespeed")); i >= 0)
        s.baudIndex = i > 6 ? 5 : i;
    // The protocol is always the traditional one, and only another protocol has
    // a checksum option.
    s.protocolIndex = 0;
    const QString crc = value("CRC");
    s.checksumOption = s.protocolIndex == 1 && (crc == u"0" || crc == u"1" || crc == u"2") ? crc.toInt() : 0;
    bool ok = false;
    const int number = value("NetNumber").toInt(&ok);
    s.networkNumber = ok ? number : 0;
    for (int i = 0; i < 4; ++i) {
        const QString device = value(deviceKey(i).toLatin1().constData());
        s.devices[size_t(i)] = device.isEmpty() ? (s.devices[size_t(i)].isEmpty() ? defaultDeviceOfPort(i)
                                                                                   : s.devices[size_t(i)])
                                                : device;
    }
    return s;
}

Status writeWindowSettings(const QString& settingsFile, const WindowSettings& s)
{
    text::IniProfile ini;
    const Status st = ini.load(settingsFile);
    if (!st && st.code() != Status::NotFound)
        return st;
    const auto set = [&](const char* key, const QString& v) { ini.setValue(kWindowSection, QString::fromLatin1(key), v); };
    set("Adapter", s.pageIndex == 0 ? QStringLiteral("YES") : QStringLiteral("NO"));
    set("Port", portCaptions().value(s.portIndex));
    set("Channel", channelCaptions().value(channelItemOfKind(s.linkKind)));
    set("Basespeed", speedCaptions().value(s.baudIndex));
    set("Protokol", protocolCaptions().value(s.protocolIndex));
    set("CRC", QString::number(s.checksumOption));
    set("NetNumber", QString::number(s.networkNumber));
    for (int i = 0; i < 4; ++i)
        if (!s.devices[size_t(i)].isEmpty())
            ini.setValue(kWindowSection, deviceKey(i), s.devices[size_t(i)]);
    return ini.save(settingsFile);
}

} // namespace rastrova::devprog
