#pragma once
// Whole files as bytes, for tests that compare what the program wrote.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

// The file's bytes; a marker that no fixture holds when it cannot be read.
inline QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Writes the bytes, failing the calling test when that is not possible.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}
