#pragma once
// Why a serial port did not open, in words a service engineer can act on.
//
// A port the user may not open is the usual trouble on a freshly set-up machine:
// serial devices belong to a group (on Debian "dialout") and a user outside it
// is refused. The message names the group the device really belongs to, as the
// system reports it at run time, and the command that fixes it.

#include <QString>

namespace rastrova::devprog {

enum class PortOpenFailure {
    None,
    NotFound,     // no such device
    NoPermission, // the user may not read and write the device
    Busy,         // another program holds it (or its lock)
    Other,
};

// The failure of opening `device` from what the port reported: whether it was a
// permission error, and whether the device exists and may be read and written by
// this process (looked up on the file system).
PortOpenFailure classifyOpenFailure(bool permissionError, bool notFoundError, const QString& device);

// What the system says about the device and the user, for the message.
struct PortAccess {
    QString device;
    QString group;                // the group owning the device node; empty when unknown
    bool groupIsRoot = false;     // the device's group is the superuser's (gid 0)
    QString user;                 // the user running the program
    bool memberNotActive = false; // the user is in the group, but this session was
                                  // started before they were added
};

// Looks up the device node's group and the user's membership at run time.
PortAccess lookUpPortAccess(const QString& device);

// The reason appended to "Ошибка инициализации СОМ-порта ..." (it starts with ": "),
// or an empty string when the failure needs no explanation beyond the device's name.
QString portOpenFailureReason(PortOpenFailure failure, const PortAccess& access);

} // namespace rastrova::devprog
