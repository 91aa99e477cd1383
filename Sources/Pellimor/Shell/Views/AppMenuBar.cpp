#include "Shell/Views/AppMenuBar.h"

#include "Widgets/LiteralTitle.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace pellimor {

namespace {

QStringList idsOf(const QList<MenuModel::Item>& items) {
    QStringList ids;
    for (const MenuModel::Item& item : items)
        ids.append(item.id);
    return ids;
}

} // namespace

AppMenuBar::AppMenuBar(QMenuBar* bar, Chosen chosen, QObject* parent)
    : QObject(parent), m_bar(bar), m_chosen(std::move(chosen)) {}

void AppMenuBar::apply(const QList<MenuModel::Menu>& menus) {
    QStringList menuIds;
    for (const MenuModel::Menu& menu : menus)
        menuIds.append(menu.id);
    if (m_layout.value(QString()) != menuIds) {
        for (const QPointer<QMenu>& menu : std::as_const(m_menus)) {
            if (menu && menu->parent() == m_bar)
                menu->deleteLater();
        }
        m_bar->clear();
        m_actions.clear();
        m_menus.clear();
        m_layout.clear();
        m_items.clear();
        m_layout.insert(QString(), menuIds);
        for (const MenuModel::Menu& model : menus) {
            QMenu* menu = m_bar->addMenu(literalTitle(model.title));
            menu->setObjectName(model.id);
            m_menus.insert(model.id, menu);
        }
    }
    for (const MenuModel::Menu& model : menus) {
        QMenu* menu = m_menus.value(model.id);
        menu->setTitle(literalTitle(model.title));
        fill(menu, model.id, model.items);
    }
}

QAction* AppMenuBar::action(const QString& id) const {
    return m_actions.value(id);
}

QMenu* AppMenuBar::menu(const QString& id) const {
    return m_menus.value(id);
}

void AppMenuBar::fill(QMenu* menu, const QString& containerId, const QList<MenuModel::Item>& items) {
    const QStringList ids = idsOf(items);
    if (m_layout.value(containerId) != ids) {
        forget(menu);
        m_layout.insert(containerId, ids);
        for (const MenuModel::Item& item : items) {
            switch (item.kind) {
            case MenuModel::Item::Kind::separator: {
                QAction* separator = menu->addSeparator();
                separator->setObjectName(item.id);
                m_actions.insert(item.id, separator);
                break;
            }
            case MenuModel::Item::Kind::submenu: {
                QMenu* sub = menu->addMenu(literalTitle(item.title));
                sub->setObjectName(item.id);
                sub->menuAction()->setObjectName(item.id);
                m_menus.insert(item.id, sub);
                m_actions.insert(item.id, sub->menuAction());
                break;
            }
            case MenuModel::Item::Kind::action: {
                QAction* action = menu->addAction(literalTitle(item.title));
                action->setObjectName(item.id);
                // The item is looked up when chosen, so the command acts on the latest model.
                connect(action, &QAction::triggered, this, [this, id = item.id] {
                    const auto it = m_items.constFind(id);
                    if (it != m_items.cend() && m_chosen)
                        m_chosen(*it);
                });
                m_actions.insert(item.id, action);
                break;
            }
            }
        }
    }
    for (const MenuModel::Item& item : items) {
        update(item);
        if (item.kind == MenuModel::Item::Kind::submenu) {
            if (QMenu* sub = m_menus.value(item.id))
                fill(sub, item.id, item.items);
        }
    }
}

void AppMenuBar::update(const MenuModel::Item& item) {
    m_items.insert(item.id, item);
    QAction* action = m_actions.value(item.id);
    if (!action)
        return;
    action->setVisible(item.present);
    if (item.kind == MenuModel::Item::Kind::separator)
        return;
    action->setText(literalTitle(item.title));
    action->setEnabled(item.enabled);
    action->setShortcut(QKeySequence(item.shortcut, QKeySequence::PortableText));
    action->setCheckable(item.checkable);
    if (item.checkable)
        action->setChecked(item.checked);
}

void AppMenuBar::forget(QMenu* menu) {
    // Drops the menu's items and, with them, the submenus they held; deleted later, because
    // an action may be the very one whose choice led here.
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            forget(sub);
            m_menus.remove(sub->objectName());
            m_layout.remove(sub->objectName());
            sub->deleteLater();
        }
        m_actions.remove(action->objectName());
        m_items.remove(action->objectName());
        menu->removeAction(action);
        if (action->parent() == menu)
            action->deleteLater();
    }
}

} // namespace pellimor
