#pragma once

#include "Tests/Fixtures/PlistValue.h"

#include <QByteArray>
#include <vector>

// Writes keyed archives (the format of the platform's keyed archiver) and plain property lists
// through libplist, for tests and the sample libraries.
//
// An archive is the dictionary
//   "$version" 100000, "$archiver" "NSKeyedArchiver", "$top" {"root": UID}, "$objects" [...]
// whose "$objects" begins with "$null". Every archived object refers to a class object
// {"$classname", "$classes"} (one per class name, shared); collections refer to their members
// by UID; texts, numbers, flags and data are objects of their own. Fields of an Object that
// are flags or numbers are stored inline, as the archiver stores encoded scalars.
//
// Thread-safe: no state.
namespace pellimor::fixtures::KeyedArchiveWriter {

// The pieces of an archive before serialising: the "$objects" table (plain values, with Uid
// values for references) and the index of the root object. Tests take it apart to build
// malformed archives and pass the pieces to rawArchive().
struct Parts {
    std::vector<PlistValue> objects;
    qint64 root = 0;
};

Parts flatten(const PlistValue& root);

// A well-formed keyed archive of `root`.
QByteArray archive(const PlistValue& root, PlistFormat format = PlistFormat::Binary);

// An archive from caller-given pieces: "$objects" and "$top" are written exactly as given
// (nothing is added, not even "$null"), with "$version" and "$archiver" beside them.
QByteArray rawArchive(const std::vector<PlistValue>& objects, const PlistValue& top,
                      PlistFormat format = PlistFormat::Binary);

// rawArchive() of flatten()'s pieces, "$top" being {"root": UID(parts.root)}.
QByteArray rawArchive(const Parts& parts, PlistFormat format = PlistFormat::Binary);

// A plain property list of `value` (no archiving).
QByteArray plist(const PlistValue& value, PlistFormat format = PlistFormat::Binary);

} // namespace pellimor::fixtures::KeyedArchiveWriter
