#pragma once

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

class QHeaderView;
class QMenu;

namespace pellimor {

// Lets the user show and hide a table's columns from its header's context menu, and keeps the
// arrangement across runs through ColumnPrefs under the table's name ("browser.v3", ...).
//
// When attached it applies the stored arrangement to the header (order and visibility), so
// the header must have its sections by then. The menu lists every declared column by its
// header title, checked while shown; the last shown column cannot be hidden. Each change the
// user makes, a column shown, hidden or moved, is saved at once. The chooser is a child of the
// header and lives as long.
//
// Main thread only.
class ColumnChooser final : public QObject {
    Q_OBJECT
public:
    // `declared`: the columns' identifiers in declared order (the header's logical section i
    // is declared[i]); `hiddenByDefault`: those hidden until the user shows them.
    ColumnChooser(QHeaderView* header, QString tableName, QStringList declared,
                  QSet<QString> hiddenByDefault);

    // Fills `menu` with one checkable item per declared column; choosing one shows or hides it.
    // (The header's context menu is made this way.)
    void fillMenu(QMenu* menu);

Q_SIGNALS:
    // The user changed the arrangement (a column shown, hidden or moved); it is saved already.
    void arrangementChanged();

private:
    void toggle(int logical);
    void save();
    int shownCount() const;

    QPointer<QHeaderView> m_header;
    const QString m_tableName;
    const QStringList m_declared;
    const QSet<QString> m_hiddenByDefault;
    QJsonObject m_saved; // the customisation loaded or last saved
    bool m_applying = false;
};

} // namespace pellimor
