#pragma once

#include "Shell/MenuModel.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;

namespace pellimor {

// Draws the menus of MenuModel::build() into a menu bar and keeps them current. Every item
// becomes one QAction named by the item's id; applying a newer model updates titles,
// shortcuts, enabled, visible and checked states in place, and rebuilds a menu or submenu
// only when its list of items changed (the drives of "Scan Entire Drive (slow)…"). A chosen
// item is handed, as the model last described it, to the callback. Titles show as written:
// an "&" in a drive's name is not read as a shortcut mark.
//
// Main thread only.
class AppMenuBar : public QObject {
    Q_OBJECT
public:
    using Chosen = std::function<void(const MenuModel::Item& item)>;

    AppMenuBar(QMenuBar* bar, Chosen chosen, QObject* parent = nullptr);

    void apply(const QList<MenuModel::Menu>& menus);

    // The action of the item with that id; null when there is none.
    QAction* action(const QString& id) const;
    // The top-level menu with that id ("scan"), or the submenu of the item with that id.
    QMenu* menu(const QString& id) const;

private:
    void fill(QMenu* menu, const QString& containerId, const QList<MenuModel::Item>& items);
    void update(const MenuModel::Item& item);
    void forget(QMenu* menu);

    QMenuBar* m_bar;
    Chosen m_chosen;
    QHash<QString, QPointer<QAction>> m_actions;
    QHash<QString, QPointer<QMenu>> m_menus;
    QHash<QString, QStringList> m_layout;    // container id → its items' ids, in order
    QHash<QString, MenuModel::Item> m_items; // the latest description of every item
};

} // namespace pellimor
