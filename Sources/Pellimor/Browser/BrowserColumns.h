#pragma once

#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>

// The library browser's table columns as its engine knows them: their identifiers, which start
// hidden, and how their cells are aligned. The identifiers name the columns in the saved
// arrangement and in sort orders; they stay fixed when a header's title changes. Plain
// functions; any thread.
namespace pellimor::BrowserColumns {

// In table order: "name", "fcp", "details", "modified", "size", "bar", "optimized", "proxy",
// "render", "reclaimable", "missingFiles", "missingPlugins", "alerts".
const QStringList& declared();

// "optimized", "proxy" and "render": shown only once the user asks for them.
const QSet<QString>& hiddenByDefault();

enum class Alignment { leading, trailing };

// How the cells of `column` line up: the byte columns ("size", "optimized", "proxy", "render",
// "reclaimable") always trailing; any other column trailing when it is the last visible one
// under the user's arrangement `customization` (ColumnLayout::lastVisible), else leading.
Alignment fillAlignment(const QString& column, const QJsonObject& customization);

} // namespace pellimor::BrowserColumns
