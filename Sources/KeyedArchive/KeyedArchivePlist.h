#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

// Turns a keyed archive (the metadata blobs of a library's databases) into plain values by
// hand, without knowing any archived class: archived dictionaries, arrays and sets, strings,
// URLs and dates by their field names ("NS.keys"/"NS.objects", "NS.objects", "NS.string",
// "NS.relative", "NS.time"), any other object as the map of its fields.
//
// Values are QVariants, so callers look keys up and test kinds with Qt's own tools:
//   map        QVariantMap (text keys)
//   list       QVariantList
//   text       QString
//   number     qint64 (integers) or double (reals)
//   flag       bool
//   date       QDateTime, UTC
//   null       nullValue(): an out-of-range reference, or a date beyond any calendar
//   cut        the text "..." (tooDeep) where nesting reached maxDepth
//   data       the text "<data>" (dataLeftOut): binary payloads are never copied
// A reference left unresolved (inside a plain list, which is returned as stored) reads as the
// map {"CF$UID": index}.
//
// The result may share subtrees (an object referenced twice is resolved once per depth), and
// its expanded size is capped at maxValues, past which "..." stands in as for depth; a caller
// may therefore walk all of it.
//
// Thread-safe: no state; any number of decodes may run at once.
namespace pellimor::KeyedArchivePlist {

// Depths 0 to maxDepth - 1 are resolved; anything deeper reads "...".
inline constexpr int maxDepth = 9;
// Values in one decoded result, shared ones counted each time they appear.
inline constexpr qint64 maxValues = 1 << 20;

inline const QString tooDeep = QStringLiteral("...");
inline const QString dataLeftOut = QStringLiteral("<data>");

// The null value of a decoded archive.
inline QVariant nullValue() {
    return QVariant::fromValue(nullptr);
}
inline bool isNullValue(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<std::nullptr_t>();
}

// The root object of the archive as a map; nothing when the data is not a property list
// (binary or XML), has no "$objects" list or no "$top" map with "root", or its root does not
// resolve to a map.
std::optional<QVariantMap> decode(const QByteArray& data);

} // namespace pellimor::KeyedArchivePlist
