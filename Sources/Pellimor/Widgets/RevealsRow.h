#pragma once

#include <QModelIndex>
#include <QString>
#include <functional>

class QAbstractItemView;

namespace pellimor {

// Makes `view` answer "TovlinRevealRow" (AppAction::revealRow()) on the NotificationHub: for
// each one that carries a row identifier, 0.25 s later (on the platform clock, a single-shot
// owned by the view) the row that `rowOfId` finds for it is scrolled to the centre. An
// identifier the view does not show (an invalid index) and a notification without a text do
// nothing. The delay lets the window finish drawing the row the poster has just selected.
//
// Main thread only; the subscription ends with the view.
void revealsRow(QAbstractItemView* view, std::function<QModelIndex(const QString& id)> rowOfId);

} // namespace pellimor
