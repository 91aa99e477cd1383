#pragma once

#include "Shell/SidebarItem.h"
#include "Shell/SidebarSection.h"

#include <QAbstractItemModel>
#include <QList>

namespace pellimor {

// The sidebar's sections as a two-level item model: each section a top-level row (its header),
// its rows below it. Headers and watched folders are not selectable; every other row is, and
// carries its SidebarItem. What the delegate paints is also in the display, accessible-text
// and tooltip roles, so a screen reader reads what the eye sees.
//
// Main thread only.
class SidebarModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit SidebarModel(QObject* parent = nullptr);

    // Replaces the sections, resetting the model only when they differ from the current ones;
    // answers whether it did.
    bool setSections(QList<SidebarSection> sections);
    const QList<SidebarSection>& sections() const { return m_sections; }

    // The section of a header or row index; null for an invalid one.
    const SidebarSection* section(const QModelIndex& index) const;
    // The row of a row index; null for a header or an invalid index.
    const SidebarRow* row(const QModelIndex& index) const;
    bool isHeader(const QModelIndex& index) const;

    // The header of a section, the row that selects `item`, the row of a watched folder or of a
    // drive; invalid when there is none.
    QModelIndex header(SidebarSection::Kind kind) const;
    QModelIndex indexOf(const SidebarItem& item) const;
    QModelIndex watchedRow(const QString& path) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<SidebarSection> m_sections;
};

} // namespace pellimor
