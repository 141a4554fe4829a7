#pragma once
// Small file helpers shared by the tests.

#include "text/codepage.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>
#include <ostream>

// Shows QStrings readably in failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace testfiles {

inline QByteArray cp1251(const QString& text)
{
    QByteArray bytes;
    EXPECT_TRUE(rastrova::text::toCp1251(text, bytes)) << text.toStdString();
    return bytes;
}

inline void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline void writeCp1251(const QString& path, const QString& text)
{
    writeRaw(path, cp1251(text));
}

inline QByteArray readRaw(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot read>");
}

} // namespace testfiles
