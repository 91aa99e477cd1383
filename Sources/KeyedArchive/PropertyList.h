#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <plist/plist.h>

namespace pellimor {

// A parsed property list (binary or XML) that owns its libplist tree, and the few node
// readers that hide libplist 2.2's quirks: integers come as unsigned and are read back as
// signed 64-bit; an XML UID is spelled as a dictionary {"CF$UID": n} and is read as a UID.
// Parsing goes through PlistGuard, so every tree held here is bounded in depth and size.
//
// Move-only. Node pointers stay valid while the PropertyList that owns them lives (a move
// keeps them). Not thread-safe per object; separate objects may be used on separate threads.
class PropertyList {
public:
    // Nothing when the data is not a property list, or PlistGuard refuses it.
    static std::optional<PropertyList> parse(const QByteArray& data);

    PropertyList(PropertyList&& other) noexcept;
    PropertyList& operator=(PropertyList&& other) noexcept;
    PropertyList(const PropertyList&) = delete;
    PropertyList& operator=(const PropertyList&) = delete;
    ~PropertyList();

    plist_t root() const { return m_root; }

    // The whole list as plain values: dictionaries as QVariantMap, arrays as QVariantList,
    // text as QString, integers as qint64, reals as double, flags as bool, dates as QDateTime
    // (UTC; nullptr when libplist cannot hold it), data as QByteArray, a UID as the map
    // {"CF$UID": index}.
    QVariant value() const;

    // Node readers; each takes any node, null included, and answers nothing for another kind.
    static bool isDict(plist_t node);
    static bool isArray(plist_t node);
    static bool isData(plist_t node);
    static std::optional<qint64> integer(plist_t node);
    // An integer or a real.
    static std::optional<double> number(plist_t node);
    static std::optional<QString> text(plist_t node);
    static std::optional<bool> boolean(plist_t node);
    // The index of a UID, also in its XML spelling (a dictionary whose one entry is an integer
    // under "CF$UID"). A negative XML index comes back as a huge one, so it is out of range
    // wherever it is used.
    static std::optional<quint64> uid(plist_t node);
    static QByteArray data(plist_t node);
    // A property-list date node; libplist keeps whole seconds since 2001 as 32 bits, so a date
    // more than 68 years away reads as nothing.
    static std::optional<QDateTime> date(plist_t node);
    // The entry under `key` of a dictionary node; null when absent or not a dictionary.
    static plist_t item(plist_t dict, const char* key);
    // The elements of an array node, in order; empty for any other node.
    static QList<plist_t> elements(plist_t array);
    // Calls visit(key, value) for each entry of a dictionary node, in stored order.
    static void forEachEntry(plist_t dict, const std::function<void(const QString&, plist_t)>& visit);

    // The date `seconds` after 2001-01-01 00:00:00 UTC (the archiver's epoch), to the
    // millisecond; nothing when the number is not finite or lies more than 10^15 seconds
    // (some thirty million years) away, which no clock can mean.
    static std::optional<QDateTime> dateSince2001(double seconds);

private:
    explicit PropertyList(plist_t root) : m_root(root) {}
    plist_t m_root = nullptr;
};

} // namespace pellimor
