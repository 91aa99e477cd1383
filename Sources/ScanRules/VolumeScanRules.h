#pragma once

#include "ScanRules/MediaKind.h"

#include <QSet>
#include <QString>
#include <optional>

// Which volumes and folders a scan for Final Cut Pro libraries enters, and what kind of
// media a file is. Every constant is built once on first use (safe when several threads
// get there first together) and never changes; every function is pure, so any thread may
// call them at once.
//
// All comparisons are exact and case-sensitive unless a function says it lowercases.
// An "extension" is the text after the last "." of the last path component, as the
// platform's path rule gives it: a name that begins with its only dot (".fcpcache") has
// none, and a name ending in "." has an empty one.
namespace pellimor::VolumeScanRules {

// "fcpbundle"
const QString& finalCutBundleExtension();
// Folders Final Cut Pro rebuilds by itself; skipped inside a library.
const QSet<QString>& generatedMediaFolderNames();
// Package extensions (lower case) that never hold a library worth finding.
const QSet<QString>& skippedPackageExtensions();
// System, backup and trash folders skipped everywhere.
const QSet<QString>& skippedDirectoryNames();
// Extensions (lower case) of video and photo files.
const QSet<QString>& videoExtensions();
const QSet<QString>& photoExtensions();

// Whether a folder walk should stay out of the folder `name`. `insideFinalCutBundle`
// tells whether the folder lies within a library bundle; `skipSafetyNet` leaves out
// folders whose name contains "SafetyNet" in any letter case.
bool shouldSkipDirectory(const QString& name, bool insideFinalCutBundle, bool skipSafetyNet);

// The name's extension, in any letter case, is "fcpbundle".
bool isFinalCutBundle(const QString& name);

// The name is exactly "Original Media".
bool isOriginalMediaFolder(const QString& name);

// A system volume, or the start-up volume's root or data volume.
bool shouldSkipVolume(const QString& mountPath, bool isSystem);

// Whether a volume belongs to the operating system, from its mount path, its file-system
// type (as `diskutil` names it) and its name; absent texts count as unknown.
bool isSystemVolume(const QString& mountPath, const std::optional<QString>& volumeType,
                    const std::optional<QString>& volumeName);

// The kind of media with the extension `extension` (any letter case), or nothing.
std::optional<MediaKind> mediaKindForExtension(const QString& extension);

// The same for a file name (or path), using its extension.
std::optional<MediaKind> mediaKindForFileName(const QString& fileName);

} // namespace pellimor::VolumeScanRules
