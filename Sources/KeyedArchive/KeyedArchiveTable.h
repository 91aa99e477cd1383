#pragma once

#include "KeyedArchive/PropertyList.h"

#include <QByteArray>
#include <optional>
#include <vector>

namespace pellimor {

// The parts of a keyed archive that every reader of one needs: the object table "$objects"
// and the root reference "$top" → "root", from a property list that is a dictionary holding
// both ("$archiver", "$version" and any other entry are not checked). Objects are looked up
// by index in constant time.
//
// Move-only; node pointers stay valid while the table lives. Not thread-safe per object.
class KeyedArchiveTable {
public:
    // Nothing when the data is no property list, or lacks "$objects" as an array or "$top" as
    // a dictionary with "root".
    static std::optional<KeyedArchiveTable> open(const QByteArray& data);

    quint64 size() const { return quint64(m_objects.size()); }
    // The object at `index`; null when the index is out of range.
    plist_t object(quint64 index) const { return index < size() ? m_objects[size_t(index)] : nullptr; }
    // "$top" → "root" as stored: usually a UID, but any value is possible.
    plist_t root() const { return m_root; }

private:
    KeyedArchiveTable(PropertyList list, std::vector<plist_t> objects, plist_t root)
        : m_list(std::move(list)), m_objects(std::move(objects)), m_root(root) {}

    PropertyList m_list;
    std::vector<plist_t> m_objects;
    plist_t m_root = nullptr;
};

} // namespace pellimor
