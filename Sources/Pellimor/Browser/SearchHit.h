#pragma once

#include "Browser/SearchArea.h"

#include <QHashFunctions>
#include <QString>

namespace pellimor {

// One catalogue text that matched a search: its area and the text as stored (not folded).
struct SearchHit {
    SearchArea area = SearchArea::libraryName;
    QString text;
    bool operator==(const SearchHit&) const = default;
};

inline size_t qHash(const SearchHit& hit, size_t seed = 0) noexcept {
    return qHashMulti(seed, static_cast<int>(hit.area), hit.text);
}

} // namespace pellimor
