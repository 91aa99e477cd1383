#pragma once

#include "App/ColumnDecl.h"
#include "App/ColumnWidths.h"
#include "Plugins/PNode.h"
#include "Plugins/PluginSort.h"
#include "Plugins/PluginTone.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The Plug-ins table's eight columns, the texts its cells show and how wide their content is.
// Plain functions; safe from any thread (the measurer decides where measuring may run).
namespace pellimor::PluginColumns {

enum Column { status, name, kind, libraries, projects, uses, details, open, count };

using Def = ColumnDecl<PluginSort::Field>;

// In declared order; a column's position is its Column value.
const QList<Def>& defs();
// The identifiers in declared order.
QStringList declared();
// The table's name for its stored layout.
QString tableName();

// The "Status" cell's label: "OK", "Not installed", "Unverified", "Incomplete" (drawn in
// statusTone).
QString statusLabel(PluginStatus status);

// The "Open" column's two buttons: their symbols and tips.
QString folderSymbol();
QString folderTip();
QString finalCutSymbol();
QString finalCutTip();

// The widest content of each column by title, for ColumnAutoFit, given the pack rows (their
// kids are the library rows): labels at 12 points plus 24 for the symbol, pack names at 13
// semibold, library names at 13 plus 12 for the dot, numbers at 13 plus 2, kinds and details
// at 12 (no entry when all are empty); "Open" is 48 × scale.
QHash<QString, double> widths(const QList<PNode>& packRows, const ColumnWidths& measure);

} // namespace pellimor::PluginColumns
