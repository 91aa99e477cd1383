#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QUuid>
#include <utility>

namespace pellimor {

// Asks the main window to open the update sheet for these libraries. Each request has a fresh
// identifier, so asking again for the same libraries opens the sheet anew.
struct UpdateRequest {
    QUuid id;
    QList<LibraryInfo> libraries;

    explicit UpdateRequest(QList<LibraryInfo> libraries)
        : id(QUuid::createUuid()), libraries(std::move(libraries)) {}

    bool operator==(const UpdateRequest&) const = default;
};

} // namespace pellimor
