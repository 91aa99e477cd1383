#include "Browser/SearchScope.h"

#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

namespace pellimor {

namespace {

// On unless the key holds a flag that is off: an absent key, or a value of another type,
// leaves the area searched, so a damaged settings file never hides results.
bool readOn(const platform::SettingsStore* store, const QString& key) {
    return !store || !store->holds(key, platform::SettingsStore::Type::Flag) || store->flag(key, true);
}

} // namespace

QString SearchScope::allFieldsKey() {
    return QStringLiteral("searchAllFields");
}

QString SearchScope::key(SearchArea area) {
    switch (area) {
    case SearchArea::libraryName:
        return QStringLiteral("searchLibraryNames");
    case SearchArea::eventName:
        return QStringLiteral("searchEventNames");
    case SearchArea::projectName:
        return QStringLiteral("searchProjectNames");
    default:
        break;
    }
    const QString raw = rawValue(area);
    return QStringLiteral("search") + raw.left(1).toUpper() + raw.mid(1);
}

SearchScope SearchScope::load() {
    const auto store = platform::services().settings;
    SearchScope scope;
    scope.all = readOn(store.get(), allFieldsKey());
    scope.areas.clear();
    for (const SearchArea area : allSearchAreas()) {
        if (readOn(store.get(), key(area)))
            scope.areas.insert(area);
    }
    return scope;
}

void SearchScope::save() const {
    const auto store = platform::services().settings;
    if (!store)
        return;
    store->setFlag(allFieldsKey(), all);
    for (const SearchArea area : allSearchAreas())
        store->setFlag(key(area), areas.contains(area));
}

} // namespace pellimor
