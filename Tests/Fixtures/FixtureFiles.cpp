#include "Tests/Fixtures/FixtureFiles.h"

#include "Tests/Fixtures/KeyedArchiveWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor::fixtures::FixtureFiles {

namespace {

[[noreturn]] void fail(const QString& what, const QString& path, const QString& reason) {
    throw std::runtime_error(QStringLiteral("could not %1 %2: %3").arg(what, path, reason).toStdString());
}

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

void makeParent(const QString& path) {
    makeFolder(QFileInfo(path).absolutePath());
}

quint64 splitMix(quint64& state) {
    quint64 z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

void makeFolder(const QString& path) {
    if (!QDir().mkpath(path))
        fail("create the folder", path, "mkpath failed");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    makeParent(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail("write", path, file.errorString());
    if (file.write(bytes) != bytes.size())
        fail("write", path, file.errorString());
    file.close();
}

QByteArray randomBytes(qint64 size, quint64 seed) {
    QByteArray bytes(qsizetype(qMax<qint64>(0, size)), Qt::Uninitialized);
    quint64 state = seed;
    char* out = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        // Little-endian byte order of each word, so the bytes are the same on every machine.
        quint64 word = splitMix(state);
        const qsizetype n = qMin<qsizetype>(8, left);
        for (qsizetype b = 0; b < n; ++b, word >>= 8)
            *out++ = char(word & 0xFF);
        left -= n;
    }
    return bytes;
}

void writeRandom(const QString& path, qint64 size) {
    writeRandom(path, size, stableHash(QFileInfo(path).fileName()));
}

void writeRandom(const QString& path, qint64 size, quint64 seed) {
    writeBytes(path, randomBytes(size, seed));
}

void writePlist(const QString& path, const PlistValue& value, PlistFormat format) {
    writeBytes(path, KeyedArchiveWriter::plist(value, format));
}

void makeLink(const QString& linkPath, const QString& target) {
    makeParent(linkPath);
    const QByteArray link = QFile::encodeName(linkPath);
    ::unlink(link.constData());
    if (::symlink(QFile::encodeName(target).constData(), link.constData()) != 0)
        fail("create the link", linkPath, errnoText());
}

void setModified(const QString& path, const QDateTime& when) {
    const qint64 ms = when.toMSecsSinceEpoch();
    timespec times[2];
    times[0].tv_sec = time_t(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    times[0].tv_nsec = long((ms - qint64(times[0].tv_sec) * 1000) * 1000000);
    times[1] = times[0];
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail("set the modification time of", path, errnoText());
}

std::optional<QDateTime> modifiedTime(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    const qint64 ms = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

qint64 allocatedSize(const QString& path) {
    namespace fs = std::filesystem;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return 0;
    if (!S_ISDIR(st.st_mode))
        return qint64(st.st_blocks) * 512;
    qint64 total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(fs::path(native.constData()), ec), end; !ec && it != end;
         it.increment(ec)) {
        struct stat item {};
        if (::lstat(it->path().c_str(), &item) == 0 && S_ISREG(item.st_mode))
            total += qint64(item.st_blocks) * 512;
    }
    return total;
}

void writeFinalCutApp(const QString& appPath, const QString& version, const QStringList& builtInFxPlugIDs) {
    writePlist(appPath + "/Contents/Info.plist",
               PlistValue::dict({{"CFBundleIdentifier", "com.apple.FinalCut"},
                                 {"CFBundleName", "Final Cut Pro"},
                                 {"CFBundleExecutable", "Final Cut Pro"},
                                 {"CFBundleShortVersionString", version},
                                 {"CFBundleVersion", version}}));
    const QString executable = appPath + "/Contents/MacOS/Final Cut Pro";
    writeBytes(executable, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::ExeOther);
    if (!builtInFxPlugIDs.isEmpty()) {
        writePlist(appPath + "/Contents/PlugIns/FxPlug/BuiltInEffects.plist",
                   PlistValue::dict({{"effects", PlistValue::strings(builtInFxPlugIDs)}}));
    }
}

quint64 stableHash(const QString& text) {
    quint64 hash = 0xcbf29ce484222325ULL;
    for (char c : text.toUtf8()) {
        hash ^= quint64(quint8(c));
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace pellimor::fixtures::FixtureFiles
