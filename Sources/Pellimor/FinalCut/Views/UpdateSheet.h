#pragma once

#include "FinalCut/UpdateRequest.h"
#include "FinalCut/UpdateSheetState.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace pellimor {

class Catalog;
class LibraryUpdater;
class Prompts;

// The sheet in which the user updates a request's libraries for the installed Final Cut Pro:
// which libraries, whether safety copies are made first and where, whether this is a practice
// run, whether the program may press Final Cut Pro's buttons, and whether Final Cut Pro is
// open; then the run, library by library, and a stop after the library in hand. The sheet
// itself touches no library: its own LibraryUpdater, made with it and gone with it, does the
// work. What it shows is its UpdateSheetState, worked out again at every redraw; the
// Accessibility trust is asked again every second on the program's clock, and each of those
// redraws reads again whether Final Cut Pro runs.
//
// While a run goes on, Escape, the first button and the window's close button ask for a stop
// after the current library and keep the sheet open: closing never cuts a run short. Once a
// run has begun the options never come back; a new run needs a new sheet.
//
// Window-modal over its parent, shown with open(). Main thread only; the catalogue outlives it.
class UpdateSheet final : public QDialog {
    Q_OBJECT
public:
    // `prompts` answers "Choose…" (the window's; none: the sheet's own dialogs).
    UpdateSheet(Catalog& catalog, const UpdateRequest& request, std::function<Prompts&()> prompts,
                QWidget* parent);
    ~UpdateSheet() override;

    // What the sheet shows, as last drawn.
    const UpdateSheetState& state() const { return m_state; }
    LibraryUpdater& updater() const { return *m_updater; }

    // Escape and the window's close button: the first button's action.
    void reject() override;

protected:
    bool event(QEvent* event) override;

private:
    struct RowParts {
        QWidget* row = nullptr;
        QCheckBox* tick = nullptr;
        QLabel* icon = nullptr;
        QWidget* spinner = nullptr;
        QLabel* name = nullptr;
        QLabel* detail = nullptr;
    };

    void build();
    QWidget* buildSafety();
    QWidget* buildPermission();
    int points(double length) const; // × the font scale, in pixels
    void readWorld();
    void sync();
    void syncRows();
    void rebuildRows(const QList<UpdateSheetState::Row>& rows);
    void tick();
    void checkTrust();
    void start();
    void chooseFolder();
    void grantAccess();
    void revealApp();
    Prompts& prompts();

    Catalog& m_catalog;
    const UpdateRequest m_request;
    std::function<Prompts&()> m_prompts;
    std::shared_ptr<Prompts> m_ownPrompts;
    LibraryUpdater* m_updater = nullptr;
    UpdateSheetState m_state;
    double m_scale = 1.0;

    QLabel* m_title = nullptr;
    QWidget* m_backupLine = nullptr;
    QWidget* m_rowHolder = nullptr;
    QVBoxLayout* m_rowLayout = nullptr;
    QList<RowParts> m_rows;
    QStringList m_rowIds; // the rows built, by id
    bool m_rowsBegun = false;

    QWidget* m_options = nullptr;
    QCheckBox* m_safetyCopy = nullptr;
    QWidget* m_savedToRow = nullptr;
    QLabel* m_savedTo = nullptr;
    QLabel* m_explanation = nullptr;
    QCheckBox* m_practice = nullptr;
    QLabel* m_permissionIcon = nullptr;
    QLabel* m_permissionText = nullptr;
    QList<QPushButton*> m_permissionButtons;
    QLabel* m_staleNote = nullptr;
    QWidget* m_finalCutOpen = nullptr;

    QLabel* m_message = nullptr;
    QPushButton* m_first = nullptr;
    QPushButton* m_start = nullptr;
};

} // namespace pellimor
