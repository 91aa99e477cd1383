#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

// The FxPlug plug-ins present on this computer, as the upper-case identifiers (UUIDs) their
// bundles' information lists hold. Built by PluginChecker::fxplug(); the steps are public so
// they can be tested one by one. Reads the disk and runs the registry's tool; main thread
// only, like the checker.
namespace pellimor::FxPlugIndex {

// Every identifier found: the places are the system-wide FxPlug folder, the user's, then each
// place the registry lists, in that order (a registry that cannot be run adds none).
QSet<QString> build();

// The places a registry listing names: every line holding a "/", from its first "/" to the
// line's end, with the spaces and tabs around it trimmed; other lines are skipped. The bytes
// are read as UTF-8, invalid sequences replaced.
QStringList registryPlaces(const QByteArray& listing);

// One place's identifiers into `into`. A bundle (extension "appex" or "fxplug") is scanned
// through its own "Contents/Info.plist"; any other folder entry by entry, hidden entries
// included, each through its "Contents/Info.plist". Nothing, a plain file of another kind or
// a folder that cannot be listed adds nothing.
void scanPlace(const QString& place, QSet<QString>& into);

// Every UUID text anywhere in the information list at `path`, upper-cased, into `into`. Only a
// regular file is read: anything else (missing, a folder, a pipe) adds nothing.
void scanInfoList(const QString& path, QSet<QString>& into);

} // namespace pellimor::FxPlugIndex
