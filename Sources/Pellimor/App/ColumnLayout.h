#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

// A table's column customisation and what it says: the user's column order and which columns
// are hidden. The customisation is a JSON object, stored as it is (ColumnPrefs):
//
//     {"columnOrder":   [{"base": {"explicit": {"_0": "name"}}}, ...],
//      "perColumnState": [{"base": {"explicit": {"_0": "name"}}}, {"visibility": {"hidden": {}}},
//                         ...]}
//
// "columnOrder" names the columns in the user's order. "perColumnState" is a flat list of
// pairs: a column, then its state, whose "visibility" holds one key — "hidden", "visible", or
// another for the table's default. Later pairs win. Members the program does not read are
// kept as they are. The empty object is the empty customisation: declared order, default
// visibility.
//
// Columns are named by identifiers that each table declares, in its declared order; some are
// hidden until the user shows them. Plain functions, no state; safe from any thread.
namespace pellimor::ColumnLayout {

// The identifier a column element names, nothing for an element of any other form.
std::optional<QString> identifier(const QJsonValue& element);
// The element naming `identifier`.
QJsonObject element(const QString& identifier);

// The user's order: the identifiers of "columnOrder", then every declared one they lack, in
// declared order; `declared` when the customisation names no column. Identifiers the table no
// longer declares stay where the customisation put them.
QStringList order(const QJsonObject& customization, const QStringList& declared);

// The hidden columns: `hiddenByDefault`, with each column that "perColumnState" marks hidden
// added and each it marks visible removed.
QSet<QString> hidden(const QJsonObject& customization, const QSet<QString>& hiddenByDefault);

// The last column of order() that is not hidden(); when every one is hidden, the last declared
// identifier, or the empty text when nothing is declared.
QString lastVisible(const QJsonObject& customization, const QStringList& declared,
                    const QSet<QString>& hiddenByDefault);

// `previous` changed to record `order` as the column order and `hiddenNow` as the hidden
// columns among `order`. Only columns whose visibility differs from what `previous` and
// `hiddenByDefault` give get an explicit state (an existing state of theirs is updated in
// place); every other member, and every other column's state, is kept.
QJsonObject arranged(const QJsonObject& previous, const QStringList& order, const QSet<QString>& hiddenNow,
                     const QSet<QString>& hiddenByDefault);

} // namespace pellimor::ColumnLayout
