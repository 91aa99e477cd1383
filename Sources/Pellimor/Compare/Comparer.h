#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"
#include "Compare/CompareGroup.h"
#include "Compare/MediaReport.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Finds the libraries that exist in more than one place and compares their copies project by
// project: which copy holds the newest version of each, which copies are behind or lack
// projects, whether they have diverged, and a verdict for the user. Copies are matched by the
// library identifier, which survives copying and renaming; a project's content by its
// fingerprint, which Final Cut Pro's mere re-saving leaves alone. Save dates decide only where
// a copy has no fingerprint, and then with a 2-second margin.
//
// Plain functions over values: they keep nothing, read no file, never fail. Safe from any
// thread.
namespace pellimor::Comparer {

// The groups of `libraries` held in two or more places, sorted by name in the file manager's
// order (stable). Unless `includeLeftovers`, a library whose path holds "SafetyNet" (any case)
// and one without projects of at most 999,999 bytes are left out first. Libraries group by
// identifier; a library without one (or with an empty one) by "name:" and its lower-cased
// name, so it never groups with one that has an identifier.
QList<CompareGroup> groups(const QList<LibraryInfo>& libraries, bool includeLeftovers);

// The group `id` of two or more `members` (in the order given).
//
// Per project key ("<event> / <project>"; of two projects with one key in one library the
// later counts): the winner is the copy with the latest save date, the first in member order
// among equal ones. When every copy holding the key has a fingerprint, a copy is older when its
// fingerprint differs from the winner's, and the key is re-saved when none is older and the
// save dates lie more than 60 s apart. Otherwise a copy is older when its date lies more than
// 2 s before the winner's; a project without a save date counts as the distant past.
//
// Copies are ordered by how far behind they are (missing + older), then by the library's own
// modification date, later first, then member order.
CompareGroup build(const QString& id, const QList<LibraryInfo>& members);

// The latest save date of any project of `library`; else the library's modification date;
// else the distant past (RowDate::distantPast).
QDateTime lastSaved(const LibraryInfo& library);

// The original media of `group`'s copies compared over the catalogue's media list `all`
// (rows of other libraries are passed over).
MediaReport media(const CompareGroup& group, const QList<Catalog::MediaEntry2>& all);

// Whether `library` is a leftover the comparison ignores unless asked: a SafetyNet copy, or
// an empty shell (no project, at most 999,999 bytes).
bool isLeftover(const LibraryInfo& library);

// The key `library` groups under.
QString groupKey(const LibraryInfo& library);

} // namespace pellimor::Comparer
