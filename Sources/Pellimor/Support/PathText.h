#pragma once

#include <QString>
#include <QStringView>

// Paths as plain text, the way the catalogue stores them ("/Volumes/Media/Wedding.fcpbundle"):
// no file system access except where a function says so. Safe from any thread.
namespace pellimor::PathText {

// The last component, trailing slashes ignored: "/a/b/" → "b", "name" → "name", "/" → "".
QString lastComponent(QStringView path);

// `path` is `folder` itself or lies below it, by whole components, so "/Volumes/Media2" never
// counts as lying on "/Volumes/Media". Both are taken as given (clean them first).
bool isAtOrBelow(QStringView path, QStringView folder);

// `name` inside `folder`, with exactly one slash between them.
QString childPath(const QString& folder, const QString& name);

// The path made absolute (a relative one is taken from the current working folder) and clean:
// no "." or ".." components, no doubled or trailing slash.
QString absoluteCleanPath(const QString& path);

// The text after the last "." of a name, as written; none when that dot is the name's first
// or last character (".hidden" and "name." have no extension).
QString extension(QStringView name);

// The name without that extension and its dot ("a.b.mov" → "a.b"); a name without one as it
// stands (".hidden", "name.").
QString withoutExtension(QStringView name);

} // namespace pellimor::PathText
