#pragma once

#include <QByteArray>
#include <QFile>
#include <QTest>

namespace kestrune::testfiles {

// A file's bytes, or a marker no test writes when it cannot be read.
inline QByteArray contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace kestrune::testfiles
