#include "Catalogue/Reader/ArchivedObject.h"

namespace pellimor {

std::optional<ArchivedObject> ArchivedObject::from(const QVariant& value) {
    if (!holds(value))
        return std::nullopt;
    return value.value<ArchivedObject>();
}

bool ArchivedObject::holds(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<ArchivedObject>();
}

} // namespace pellimor
