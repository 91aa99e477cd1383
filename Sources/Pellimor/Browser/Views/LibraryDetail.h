#pragma once

#include "Browser/DetailFacts.h"
#include "Browser/ProjectFocus.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <functional>
#include <optional>

class QAbstractButton;

namespace pellimor {

class Catalog;
class FirstThatFits;
class Prompts;

// The details of one catalogued library, in the window's details column: its header (name,
// favourite star, poster frame, drive, whether the drive is connected, the backup-drive badge
// and its path), the controls that act on it, its facts, where its space goes, an optional
// section the window adds (the library's plug-ins), and its events with their projects. Every
// text comes from the browser engine's functions (DetailFacts, DetailActions, SpaceBreakdown,
// EventBlockText); this widget only lays them out.
//
// It shows a snapshot the window hands it and rebuilds only when something shown differs (the
// record, the focus, whether the drive is connected or is a backup drive, the facts the
// catalogue adds, the font scale or the look), so the window can present on every redraw of
// its refresh scheduler. A control acts on the library as the catalogue holds it at that
// moment; once the catalogue no longer holds it, the controls do nothing until the window
// shows something else.
//
// Main thread only; the catalogue must outlive it.
class LibraryDetail final : public QScrollArea {
    Q_OBJECT
public:
    // What the panel asks of the window that holds it.
    struct Hooks {
        std::function<Prompts&()> prompts;                      // where the forget question goes
        std::function<void(const LibraryInfo&)> cleanup;        // opens the free-up-space sheet
        std::function<void(const QList<LibraryInfo>&)> missing; // opens the missing-files sheet
    };
    // Makes the section that follows the divider for a library (the window's plug-ins list), as
    // a child of `parent`; null, or no maker, leaves that place empty.
    using SectionMaker = std::function<QWidget*(const LibraryInfo& library, QWidget* parent)>;

    explicit LibraryDetail(Catalog& catalog, QWidget* parent = nullptr);

    void setHooks(Hooks hooks);
    void setSectionMaker(SectionMaker maker);

    // Shows `library` with the project `focus` picked out among its events.
    void present(const LibraryInfo& library, const std::optional<ProjectFocus>& focus);

    // The library shown, as it was handed in; nothing before the first present().
    const std::optional<LibraryInfo>& library() const { return m_shown.library; }
    // What the panel shows, line by line (tests and accessibility).
    QString shownText() const;
    // The action row in its titled (`words`) or icon-only form, and whether the titled one shows.
    QWidget* actionRow(bool words) const;
    bool showsTitledActions() const;
    // How many times the content was built (tests: a redraw of the same thing builds nothing).
    qint64 builds() const { return m_builds; }

protected:
    void changeEvent(QEvent* event) override;

private:
    // Everything the content is built from; the same again builds nothing.
    struct Shown {
        std::optional<LibraryInfo> library;
        std::optional<ProjectFocus> focus;
        bool online = false;
        bool backupDrive = false;
        QList<DetailFacts::Fact> facts;
        QString posterDir;
        double scale = 1.0;
        bool dark = false;
        bool operator==(const Shown&) const = default;
    };

    void build();
    QWidget* buildHeader(QWidget* parent);
    QWidget* buildActions(QWidget* parent);
    QWidget* buildActionRow(bool words, QWidget* parent);
    QWidget* buildFacts(QWidget* parent);
    QWidget* buildBreakdown(QWidget* parent);
    void rebuildLater();

    // The library as the catalogue holds it now; nothing once it has left the catalogue.
    std::optional<LibraryInfo> current() const;
    void reveal();
    void openFolder();
    void openInFinalCut();
    void copyPath();
    void forget();
    void cleanup();
    void findMissing();

    Catalog& m_catalog;
    Hooks m_hooks;
    SectionMaker m_sectionMaker;
    Shown m_shown;
    QPointer<FirstThatFits> m_actions;
    qint64 m_builds = 0;
    bool m_rebuildPending = false;
};

} // namespace pellimor
