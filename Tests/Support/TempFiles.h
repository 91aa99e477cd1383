#pragma once

// Reading and writing the small files tests put in their temporary folders (TestEnv::freshDir)
// and the files the code under test leaves there. A file that cannot be written fails the
// test at once; a file that cannot be read reads as `whenMissing`.

#include "Tests/Support/QtPrinters.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace pellimor::test {

// The file's bytes, or `whenMissing` when it cannot be read (pass a marker such as
// "<missing>" where an empty file and no file must differ).
inline QByteArray readAll(const QString& path, const QByteArray& whenMissing = {}) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : whenMissing;
}

// Replaces the file's content with `bytes`, making the missing parent folders first.
inline void writeFile(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}

// The lines of a text file that ends every line with a line feed (a log), empty lines
// included; a missing file has none. A last line without its line feed fails the test.
inline QStringList lines(const QString& path) {
    QStringList pieces = QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'));
    if (pieces.last().isEmpty())
        pieces.removeLast();
    else
        ADD_FAILURE() << "the last line is not ended: " << path.toStdString();
    return pieces;
}

} // namespace pellimor::test
