#pragma once

#include <QByteArray>
#include <QtGlobal>

// libplist (2.2) trusts its input more than a reader of other people's files can: it recurses
// once per nesting level while parsing binary lists and while freeing any tree, and it copies
// a binary object once for every reference to it, so a few kilobytes of shared references
// grow into gigabytes. Every property list goes past this check before libplist sees it.
//
// Thread-safe: no state.
namespace pellimor::PlistGuard {

// Keyed archives and the small property lists of a library are far below these.
inline constexpr qsizetype maxInputBytes = 64 * 1024 * 1024;
// Containers inside containers. A keyed archive is flat (top, "$objects", an object, its
// list of references): four or five levels.
inline constexpr int maxNesting = 32;
// What the parsed tree may cost once libplist has copied every shared binary object, in bytes
// (a fixed cost per node plus its text or data).
inline constexpr quint64 maxExpandedBytes = 64 * 1024 * 1024;

// True when `data` is safe to hand to libplist: no larger than maxInputBytes; a binary list
// ("bplist00") must be structurally sound (trailer, offsets and every object reachable from
// the top inside the data, references in range, text keys, no cycles), nested no deeper than
// maxNesting and no costlier than maxExpandedBytes once expanded; any other data is taken as
// XML and must not nest its arrays and dictionaries deeper than maxNesting. Errs on the side
// of refusing: a refused list is read as no property list at all.
bool acceptable(const QByteArray& data);

// True when `data` begins with the binary property-list signature that libplist dispatches on.
bool isBinary(const QByteArray& data);

} // namespace pellimor::PlistGuard
