#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <optional>

namespace pellimor {

// What the placeholder unarchiving (PlaceholderUnarchiver) makes of an archived object whose
// class this program does not have, Final Cut Pro's roles among them: of all its fields only
// "name" (kept when it is text) and "subRoles" (kept when it is a list) survive.
//
// A plain value that rides in a QVariant; copies are cheap (implicitly shared members). Only
// the unarchiver fills one in from an archive.
struct ArchivedObject {
    std::optional<QString> name;
    std::optional<QVariantList> subRoles;

    bool operator==(const ArchivedObject&) const = default;

    // The object a value holds, or nothing when it holds something else.
    static std::optional<ArchivedObject> from(const QVariant& value);
    // True when `value` holds an ArchivedObject.
    static bool holds(const QVariant& value);
};

} // namespace pellimor

Q_DECLARE_METATYPE(pellimor::ArchivedObject)
