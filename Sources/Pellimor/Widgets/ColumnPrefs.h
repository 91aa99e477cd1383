#pragma once

#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QHeaderView;

// Each table's column arrangement (order and visibility) across runs, kept in the user's
// settings under "columns." followed by the table's name ("browser.v3", "compare.v2",
// "plugins.v2"), as the JSON of its column customisation (ColumnLayout.h) stored as data.
//
// A table loads its customisation when it is made and applies it to its header once the
// header has its sections; whenever the user moves, hides or shows a column it captures the
// header's arrangement and saves it. Columns are named by the identifiers the table declares,
// in declared order: the header's logical section i is declared[i].
//
// load() and save() are safe from any thread; apply() and capture() work on a header, on the
// main thread only.
namespace pellimor::ColumnPrefs {

// "columns." + name.
QString key(const QString& name);

// The stored customisation; the empty one (declared order, default visibility) when nothing
// is stored or what is stored does not read as a JSON object. Unreadable data is left where
// it is until the next save replaces it.
QJsonObject load(const QString& name);

// Stores the customisation, replacing the table's earlier one; other tables' stay as they are.
void save(const QJsonObject& customization, const QString& name);

// Arranges the header's sections as the customisation says: columns in the user's order
// (identifiers the table does not declare are passed over) and hidden as it says. Sections
// beyond the declared identifiers are left alone.
void apply(QHeaderView& header, const QJsonObject& customization, const QStringList& declared,
           const QSet<QString>& hiddenByDefault);

// The customisation the header shows now, made from `previous` (the one loaded or last saved):
// its order is the sections' visual order, and only columns whose visibility the user changed
// get an explicit state, so everything else it held is kept.
QJsonObject capture(const QHeaderView& header, const QStringList& declared,
                    const QSet<QString>& hiddenByDefault, const QJsonObject& previous = {});

} // namespace pellimor::ColumnPrefs
