#pragma once

#include <QByteArray>
#include <QVariant>
#include <optional>

// The keyed unarchiving that reads clip metadata and role sets: archived platform classes
// decode to plain values, every other class to a placeholder ArchivedObject that keeps only
// "name" and "subRoles". Unlike KeyedArchivePlist it keeps binary data as bytes (a role set
// arrives as an archive inside the data under "roleSetData", to be unarchived in turn), has no
// "..." cut-offs and treats index 0 ("$null") as no object, as the archiver means it.
//
// Class by class ("$classname" of the object's "$class"):
//   NSDictionary, NSMutableDictionary       QVariantMap ("NS.keys"/"NS.objects"; text keys only)
//   NSArray, NSMutableArray, NSSet,
//   NSMutableSet, NSOrderedSet,
//   NSMutableOrderedSet                     QVariantList ("NS.objects")
//   NSString, NSMutableString               QString ("NS.string", or UTF-8 "NS.bytes")
//   NSData, NSMutableData                   QByteArray ("NS.data")
//   NSDate                                  QDateTime, UTC ("NS.time": seconds since 2001)
//   NSURL                                   QString (its "NS.relative" text)
//   NSNull                                  the null value
//   any other                               ArchivedObject
// Objects stored as plain property-list values decode to themselves (text, qint64 or double,
// bool, QDateTime, QByteArray). The null value is KeyedArchivePlist::nullValue().
//
// A reference that cannot be followed decodes to the null value, the rest of the archive
// being kept: index 0, an index out of range, an object without a readable class, an object
// that refers back to one it lies inside (a cycle), nesting deeper than maxDepth, and anything
// once the result holds maxValues values (shared objects counted each time they appear).
//
// Thread-safe: no state; each call works on its own.
namespace pellimor::PlaceholderUnarchiver {

// Objects inside objects; real role sets nest three or four deep.
inline constexpr int maxDepth = 32;
inline constexpr qint64 maxValues = 1 << 20;

// The root object (the one "$top" names under "root"); nothing when the data is not a property
// list or has no "$objects" list or no "$top" map with "root".
std::optional<QVariant> unarchive(const QByteArray& data);

} // namespace pellimor::PlaceholderUnarchiver
