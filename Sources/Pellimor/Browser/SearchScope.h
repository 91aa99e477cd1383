#pragma once

#include "Browser/SearchArea.h"

#include <QSet>

namespace pellimor {

// The user's choice of which kinds of catalogue text a search looks at, kept in the settings
// store under "searchAllFields" and one flag per area ("searchLibraryNames",
// "searchEventNames", "searchProjectNames", then "search" + the raw value with its first
// letter in upper case: "searchKeywords", ..., "searchFcpVersion").
struct SearchScope {
    bool all = true; // every area is searched and `areas` is ignored
    // The ticked areas, used only while `all` is off; every area unless told otherwise.
    QSet<SearchArea> areas{allSearchAreas().cbegin(), allSearchAreas().cend()};

    // The scope in the settings store. A key that is absent, or holds anything but a flag,
    // counts as on, so an empty store gives all fields on with every area ticked.
    static SearchScope load();
    // Writes every key, `all` first, then the areas in area order.
    void save() const;

    // The settings key of an area's tick box.
    static QString key(SearchArea area);
    // "searchAllFields".
    static QString allFieldsKey();

    bool operator==(const SearchScope&) const = default;
};

} // namespace pellimor
