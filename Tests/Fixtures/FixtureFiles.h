#pragma once

#include "Tests/Fixtures/PlistValue.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// Small file-system helpers for tests and the sample libraries. Every writer creates the
// missing parent folders first and throws std::runtime_error (with the path and the reason)
// when it cannot do its job, so a test fails at the line that could not build its fixture.
namespace pellimor::fixtures::FixtureFiles {

void makeFolder(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// `size` bytes that do not compress (so allocated sizes stay near the byte count on every
// file system), the same for the same size and seed in every run.
QByteArray randomBytes(qint64 size, quint64 seed);

// A file of randomBytes(). Without a seed, the seed comes from the file's name, so two
// copies of a library hold identical media while two different files differ.
void writeRandom(const QString& path, qint64 size);
void writeRandom(const QString& path, qint64 size, quint64 seed);

void writePlist(const QString& path, const PlistValue& value, PlistFormat format = PlistFormat::Xml);

// A symbolic link at `linkPath` holding `target` exactly as given (relative, absolute or
// pointing at nothing).
void makeLink(const QString& linkPath, const QString& target);

// Sets the modification (and access) time of the item itself; a link is not followed.
void setModified(const QString& path, const QDateTime& when);
// The item's own modification time (a link is not followed), or nothing when it is missing.
std::optional<QDateTime> modifiedTime(const QString& path);

// Allocated bytes (st_blocks × 512): of a file or link itself, or, for a folder, the sum of
// the regular files below it (links are not followed). 0 when nothing is there.
qint64 allocatedSize(const QString& path);

// A stand-in for the editing application's bundle: "Contents/Info.plist" with the bundle
// identifier "com.apple.FinalCut" and `version` as "CFBundleShortVersionString", a small
// executable in "Contents/MacOS", and, when `builtInFxPlugIDs` is not empty, a property list
// under "Contents/PlugIns" naming those identifiers as the application's own effects.
void writeFinalCutApp(const QString& appPath, const QString& version,
                      const QStringList& builtInFxPlugIDs = {});

// A stable 64-bit hash (FNV-1a) of a text's UTF-8 bytes, for seeds and identifiers.
quint64 stableHash(const QString& text);

} // namespace pellimor::fixtures::FixtureFiles
