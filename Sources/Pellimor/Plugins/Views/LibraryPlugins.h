#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Plugins/PluginPanel.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QPushButton;

namespace pellimor {

class Catalog;

// A library's section "Third-party plug-ins used" in its details: whether every non-Apple pack
// its projects use is here, the packs most urgent first (the first eight, or all), and for each
// pack opened the items used, the items missing and the places that use them. What it shows is
// PluginPanel's; the widget keeps only which packs are open and whether all rows show, both
// afresh for every library (the details make a new section each time they show one).
//
// It draws itself again when the catalogue changes (a recheck asks every status afresh), once
// for however many changes come at a time.
//
// Main thread only; the catalogue must outlive it.
class LibraryPlugins final : public QWidget {
    Q_OBJECT
public:
    LibraryPlugins(Catalog& catalog, LibraryInfo library, QWidget* parent = nullptr);

    // What the section shows, line by line (tests and accessibility): the title, the summary,
    // each shown pack row ("name · kind · N proj") with its details lines, and the button.
    QStringList shownLines() const;

    // The parts, for tests: each shown pack's button in order, with the pack identity it opens,
    // and the "Show all" / "Show fewer" button (null with eight packs or fewer).
    QList<QAbstractButton*> packButtons() const { return m_packButtons; }
    QStringList packIds() const { return m_packIds; }
    QPushButton* toggleButton() const { return m_toggle; }
    const QSet<QString>& expanded() const { return m_expanded; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void redraw();
    void redrawLater();
    QWidget* packRow(const PluginPanel::Row& row, bool dark, QWidget* parent);

    Catalog& m_catalog;
    const LibraryInfo m_library;
    bool m_showAll = false;
    QSet<QString> m_expanded;
    bool m_redrawQueued = false;

    QWidget* m_body = nullptr;
    QList<QAbstractButton*> m_packButtons;
    QStringList m_packIds;
    QPushButton* m_toggle = nullptr;
    QStringList m_lines;
};

} // namespace pellimor
