#pragma once

#include "Browser/SearchQuery.h"
#include "Plugins/PNode.h"
#include "Widgets/TwoLevelModel.h"

namespace pellimor {

// The Plug-ins table's rows: the pack rows at the top level, each with its library rows below,
// in the eight columns of PluginColumns. Every cell's text is in the display role (empty where
// a cell shows buttons or nothing) and what the delegate adds by colour or symbol (the status's
// meaning, the online dot, the buttons) in the accessible-text role, so a screen reader reads
// what the eye sees. The rows, their indexes and the columns' alignment are TwoLevelModel's.
// It also holds the search whose terms the names highlight.
//
// Main thread only.
class PluginsModel final : public TwoLevelRows<PNode> {
    Q_OBJECT
public:
    explicit PluginsModel(QObject* parent = nullptr);

    void setQuery(const SearchQuery& query);
    const SearchQuery& query() const { return m_query; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    SearchQuery m_query;
};

} // namespace pellimor
