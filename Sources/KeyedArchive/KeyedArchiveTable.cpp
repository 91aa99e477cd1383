#include "KeyedArchive/KeyedArchiveTable.h"

namespace pellimor {

std::optional<KeyedArchiveTable> KeyedArchiveTable::open(const QByteArray& data) {
    std::optional<PropertyList> list = PropertyList::parse(data);
    if (!list || !PropertyList::isDict(list->root()))
        return std::nullopt;
    plist_t objects = PropertyList::item(list->root(), "$objects");
    plist_t top = PropertyList::item(list->root(), "$top");
    if (!PropertyList::isArray(objects) || !PropertyList::isDict(top))
        return std::nullopt;
    plist_t root = PropertyList::item(top, "root");
    if (!root)
        return std::nullopt;
    const QList<plist_t> elements = PropertyList::elements(objects);
    return KeyedArchiveTable(std::move(*list), std::vector<plist_t>(elements.begin(), elements.end()), root);
}

} // namespace pellimor
