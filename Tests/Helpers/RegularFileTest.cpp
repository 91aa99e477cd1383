#include "Support/RegularFile.h"

#include "Tests/Support/FileGates.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace pellimor;
using RegularFile::Status;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void link(const QString& path, const QString& target) {
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()), 0);
}

} // namespace

// Only a regular file is opened, whatever stands at the name; a link counts by what it leads
// to. Nothing here may wait: a pipe would wait for a writer, "/dev/zero" never ends.
TEST(RegularFile, ReadsRegularFilesOnlyAndNeverWaits) {
    const QDir dir(test::TestEnv::freshDir("regular"));
    write(dir.filePath("file"), "the bytes");
    write(dir.filePath("empty"), {});
    const test::NamedPipe pipe(dir.filePath("pipe"));
    ASSERT_TRUE(dir.mkdir("folder"));
    link(dir.filePath("to-file"), "file");
    link(dir.filePath("to-to-file"), dir.filePath("to-file"));
    link(dir.filePath("to-pipe"), "pipe");
    link(dir.filePath("to-folder"), "folder");
    link(dir.filePath("to-nothing"), "nothing");
    link(dir.filePath("to-zero"), "/dev/zero");
    link(dir.filePath("loop"), "loop");

    const struct {
        const char* name;
        Status status;
        QByteArray bytes;
        const char* reason; // a part of it
    } cases[] = {
        {"file", Status::ok, "the bytes", ""},
        {"empty", Status::ok, "", ""},
        {"to-file", Status::ok, "the bytes", ""},
        {"to-to-file", Status::ok, "the bytes", ""},
        {"missing", Status::missing, {}, ""},
        {"file/below", Status::missing, {}, ""},
        {"pipe", Status::unreadable, {}, "it is a named pipe, not a file"},
        {"to-pipe", Status::unreadable, {}, "it is a named pipe, not a file"},
        {"folder", Status::unreadable, {}, "it is a folder, not a file"},
        {"to-folder", Status::unreadable, {}, "it is a folder, not a file"},
        {"to-zero", Status::unreadable, {}, "it is a device, not a file"},
        {"to-nothing", Status::unreadable, {}, "it is a link to nothing"},
        {"loop", Status::unreadable, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        RegularFile::Contents read;
        RegularFile::Contents probed;
        EXPECT_TRUE(test::returnsUnaided({&pipe}, [&] {
            read = RegularFile::read(path);
            probed = RegularFile::probe(path);
        }));
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.bytes, c.bytes);
        EXPECT_TRUE(read.reason.contains(QLatin1String(c.reason))) << read.reason.toStdString();
        EXPECT_EQ(read.reason.isEmpty(), c.status != Status::unreadable) << read.reason.toStdString();
        EXPECT_EQ(probed.status, c.status);
        EXPECT_EQ(probed.reason, read.reason);
        EXPECT_TRUE(probed.bytes.isEmpty());
    }
    EXPECT_EQ(RegularFile::read(QString()).status, Status::missing);
}

// A file larger than the caller's limit is refused unread, whatever its size on the disk.
TEST(RegularFile, RefusesFilesLargerThanTheLimit) {
    const QDir dir(test::TestEnv::freshDir("regular-size"));
    write(dir.filePath("ten"), "0123456789");
    EXPECT_EQ(RegularFile::read(dir.filePath("ten"), 10).bytes, "0123456789");
    const RegularFile::Contents over = RegularFile::read(dir.filePath("ten"), 9);
    EXPECT_EQ(over.status, Status::unreadable);
    EXPECT_TRUE(over.bytes.isEmpty());
    EXPECT_TRUE(over.reason.contains("10 bytes")) << over.reason.toStdString();

    QFile sparse(dir.filePath("sparse"));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
    ASSERT_TRUE(sparse.resize(RegularFile::defaultMaxBytes + 1)); // costs no disk
    sparse.close();
    EXPECT_EQ(RegularFile::read(sparse.fileName()).status, Status::unreadable);
}
