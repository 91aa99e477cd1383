#pragma once

#include "MissingFiles/MissingSheet.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTableView;
class QVBoxLayout;
class QWidget;

namespace pellimor {

class ColumnAutoFit;
class MissingDetailPanel;
class MissingFilesController;
class MissingTableModel;
class Prompts;

// The sheet in which the user sees the broken links of one or more libraries, ticks the places
// to look in, has the files looked for, marks the right found files, puts them back and saves
// the list. Top to bottom: the title with the drive picker (two drives or more), the summary,
// three panes one above the other (what is missing, the details of a row, where to look), the
// search row, the repair step (once a search has completed), the note, and "Close" and "Save
// List…". It only draws its controller's state and hands the user's presses to it; the
// controller outlives it, drops what a search brings after it closed, and carries a started
// repair through to its end. The folder and save choices and the repair's confirmation go
// through `prompts`.
//
// Window-modal over its parent, shown with open(); "Close" and Escape stop a search under way
// and close it. The sheet itself changes nothing on disk: a save writes through the controller,
// a confirmed repair runs in the engine. Main thread only.
class MissingFilesSheet final : public QDialog {
    Q_OBJECT
public:
    MissingFilesSheet(MissingFilesController& controller, std::function<Prompts&()> prompts, QWidget* parent);
    ~MissingFilesSheet() override;

    // The work it draws; nothing once that has gone.
    MissingFilesController* controller() const;

    // A numbered step header: the number on an accent-coloured circle, and the title.
    QWidget* step(int number, const QString& title);

    // The table's context menu for the rows with these identities, acting on the first of
    // them in the table: "Quick Look Found File" and "Reveal Found File in Finder" when it
    // has a found file that exists, then "Copy File Name" and "Reveal Library in Finder". Null
    // when none of them is shown.
    std::unique_ptr<QMenu> rowMenu(const QSet<QString>& ids);
    // The table's double click on these rows: reveals the first found text of the first of
    // them that exists on disk; nothing when there is none.
    void openRows(const QSet<QString>& ids);

    // The widest content of each column by title, as handed to the column fitter.
    QHash<QString, double> columnWidths() const;

    QTableView* table() const { return m_table; }
    MissingTableModel* model() const { return m_model; }
    MissingDetailPanel* detailPanel() const { return m_detail; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    QWidget* buildTitleRow();
    QWidget* buildMissingPane();
    QWidget* buildDetailPane();
    QWidget* buildPlacesPane();
    QWidget* buildSearchRow();
    QWidget* buildRepairStep();
    QWidget* buildBottomRow();
    int points(double length) const; // × the font scale, in pixels

    void changed();
    void sync();
    void syncPicker();
    void syncPlaces();
    void syncTable();
    void syncDetail();
    void syncRepair();
    QSet<QString> selectedIds() const; // of the table's selected rows
    void selectionEdited();
    void menuRequested(const QPoint& at);
    void addFolder();
    void save();
    // "Repair Links…" and "Copy Into Library…": the question, then the answer to the work.
    void confirmRepair(MissingFiles::RepairMode mode);
    void refont();

    QPointer<MissingFilesController> m_controller;
    std::function<Prompts&()> m_prompts;
    double m_scale = 1.0;
    bool m_syncQueued = false;
    bool m_searchingShown = false; // what is drawn is of a search under way
    bool m_updating = false;       // the sheet is putting the table's selection back
    bool m_sized = false;          // the panes have had their first heights

    QLabel* m_title = nullptr;
    QWidget* m_picker = nullptr;
    QComboBox* m_driveBox = nullptr;
    QList<MissingSheet::DriveChoice> m_driveChoices;
    QLabel* m_summary = nullptr;
    QSplitter* m_split = nullptr;
    QStackedWidget* m_missing = nullptr;
    QWidget* m_loadingRow = nullptr;
    QTableView* m_table = nullptr;
    MissingTableModel* m_model = nullptr;
    ColumnAutoFit* m_fit = nullptr;
    MissingDetailPanel* m_detail = nullptr;
    QWidget* m_placesPane = nullptr;
    QWidget* m_placesBox = nullptr;
    QCheckBox* m_useCatalog = nullptr;
    QVBoxLayout* m_placeRows = nullptr;
    QList<MissingSheet::Place> m_placesShown;
    QList<QCheckBox*> m_placeBoxes;
    QPushButton* m_addFolder = nullptr;
    QWidget* m_searching = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_hint = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_find = nullptr;
    QWidget* m_repairStep = nullptr;
    QLabel* m_repairCount = nullptr;
    QLabel* m_nothingToRepair = nullptr;
    QPushButton* m_repairLinks = nullptr;
    QPushButton* m_copyIntoLibrary = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_save = nullptr;
};

} // namespace pellimor
