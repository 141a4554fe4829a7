#pragma once
// The reference list "sprav.txt" beside the program: groups of fixed controller
// parameters of a type "10" controller, each with its address bytes.
//
//   Датчики                      a line without ";" heads a group
//   Температура;80;17            an entry: name; fields of hexadecimal digits
//
// The last header only closes the group before it, so it is never offered.

#include "status.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace rastrova::editor {

struct ReferenceEntry {
    QString name;                  // at most 35 characters
    std::array<uint8_t, 4> bytes{}; // bytes[0] address high, bytes[1] address low
    bool operator==(const ReferenceEntry&) const = default;
};

struct ReferenceGroup {
    QString name;
    int firstEntry = 0; // index of its first entry in `entries`
};

class ReferenceList {
public:
    static constexpr int kMaxHeaders = 10;
    static constexpr int kMaxNameLength = 35;
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    void parse(QByteArrayView cp1251);
    // A missing or unreadable file leaves the list empty and says why.
    Status load(const QString& path);
    void clear();

    const QList<ReferenceGroup>& headers() const { return headers_; }
    const QList<ReferenceEntry>& entries() const { return entries_; }

    // Groups the insert-parameter panel offers: every header but the last, at most nine.
    QStringList offeredGroups() const;
    // Entries of group `group` (a position among the headers).
    QList<ReferenceEntry> groupEntries(int group) const;

private:
    QList<ReferenceGroup> headers_;
    QList<ReferenceEntry> entries_;
};

} // namespace rastrova::editor
