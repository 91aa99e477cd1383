#pragma once

#include <QList>
#include <QString>

class QLabel;
class QStackedWidget;
class QVBoxLayout;
class QWidget;

// The frame of a tool tab's page: its bars above, a divider, and the content below, where the
// table and the empty state take turns. Main thread only.
namespace pellimor::TabPage {

// Lays `page` out top to bottom, edge to edge: the `bars` (a header, notes) at their own
// heights, a sunken divider, and a stack named `contentName` taking the rest of the height,
// which is answered for the caller to fill.
QStackedWidget* build(QWidget* page, const QList<QWidget*>& bars, const QString& contentName);

// A new label of `page`, centred on a line of its own added to `column` (an empty state's
// symbol, title or text).
QLabel* addCentredLabel(QVBoxLayout* column, QWidget* page);

} // namespace pellimor::TabPage
