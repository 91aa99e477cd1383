#pragma once

#include "App/ColumnDecl.h"
#include "App/ColumnWidths.h"
#include "Compare/CNode.h"
#include "Compare/CompareSort.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The Compare table's eight columns and how wide their content is. Plain functions; safe from
// any thread (the measurer decides where measuring may run).
namespace pellimor::CompareColumns {

enum Column { status, name, copies, saved, projects, size, details, open, count };

using Def = ColumnDecl<CompareSort::Field>;

// In declared order; a column's position is its Column value.
const QList<Def>& defs();
// The identifiers in declared order.
QStringList declared();
// The table's name for its stored layout.
QString tableName();

// The texts the cells show where they are texts.
QString savedText(const QDateTime& date); // "—" for a date at 1970 or before
QString sizeText(qint64 bytes);

// The widest content of each column by title, for ColumnAutoFit, given the group rows (their
// kids are the copy rows). Labels at 12 points (bold on group rows), names at 13 (semibold on
// group rows), numbers, dates and sizes at 13, details at 12; "Open" is 48 × scale.
QHash<QString, double> widths(const QList<CNode>& groupRows, const ColumnWidths& measure);

} // namespace pellimor::CompareColumns
