#include "Widgets/ColumnChooser.h"

#include "Widgets/ColumnPrefs.h"
#include "Widgets/LiteralTitle.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>

namespace pellimor {

ColumnChooser::ColumnChooser(QHeaderView* header, QString tableName, QStringList declared,
                             QSet<QString> hiddenByDefault)
    : QObject(header), m_header(header), m_tableName(std::move(tableName)), m_declared(std::move(declared)),
      m_hiddenByDefault(std::move(hiddenByDefault)) {
    setObjectName(QStringLiteral("columnChooser"));
    if (!m_header)
        return;
    m_saved = ColumnPrefs::load(m_tableName);
    m_applying = true;
    ColumnPrefs::apply(*m_header, m_saved, m_declared, m_hiddenByDefault);
    m_applying = false;
    m_header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_header, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(m_header);
        fillMenu(&menu);
        menu.exec(m_header->mapToGlobal(at));
    });
    connect(m_header, &QHeaderView::sectionMoved, this, [this] {
        if (!m_applying)
            save();
    });
}

void ColumnChooser::fillMenu(QMenu* menu) {
    if (!m_header || !menu)
        return;
    const int columns = std::min<int>(m_header->count(), int(m_declared.size()));
    const bool lastShown = shownCount() <= 1;
    for (int logical = 0; logical < columns; ++logical) {
        const QString title =
            m_header->model() ? m_header->model()->headerData(logical, Qt::Horizontal).toString() : QString();
        QAction* action = menu->addAction(literalTitle(title.isEmpty() ? m_declared.at(logical) : title));
        action->setObjectName(m_declared.at(logical));
        action->setCheckable(true);
        const bool shown = !m_header->isSectionHidden(logical);
        action->setChecked(shown);
        // The last shown column stays: a table without columns could not bring them back.
        action->setEnabled(!(shown && lastShown));
        connect(action, &QAction::triggered, this, [this, logical] { toggle(logical); });
    }
}

void ColumnChooser::toggle(int logical) {
    if (!m_header || logical < 0 || logical >= m_header->count())
        return;
    const bool hide = !m_header->isSectionHidden(logical);
    if (hide && shownCount() <= 1)
        return;
    m_header->setSectionHidden(logical, hide);
    save();
}

void ColumnChooser::save() {
    if (!m_header)
        return;
    m_saved = ColumnPrefs::capture(*m_header, m_declared, m_hiddenByDefault, m_saved);
    ColumnPrefs::save(m_saved, m_tableName);
    Q_EMIT arrangementChanged();
}

int ColumnChooser::shownCount() const {
    const int columns = std::min<int>(m_header->count(), int(m_declared.size()));
    int shown = 0;
    for (int logical = 0; logical < columns; ++logical) {
        if (!m_header->isSectionHidden(logical))
            ++shown;
    }
    return shown;
}

} // namespace pellimor
