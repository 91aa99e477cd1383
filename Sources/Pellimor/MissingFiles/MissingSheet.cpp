// The missing-files sheet's lists, counts and texts.

#include "MissingFiles/MissingSheet.h"

#include "FreeUpSpace/CleanupFiles.h"
#include "MissingFiles/MissingFiles.h"
#include "Support/PathText.h"
#include "Support/TextCompare.h"

#include <QDir>
#include <algorithm>

namespace pellimor::MissingSheet {

namespace {

using MissingFiles::Candidate;
using MissingFiles::Match;

QString number(qsizetype value) {
    return QString::number(value);
}

QString plural(qsizetype count, const char* one, const char* many) {
    return QString::fromLatin1(count == 1 ? one : many);
}

} // namespace

// ---- What is listed --------------------------------------------------------------------------

QList<MissingFile> files(const MissingSheetState& state) {
    if (state.drive.isEmpty())
        return state.all;
    QList<MissingFile> shown;
    for (const MissingFile& file : state.all)
        if (file.drive == state.drive)
            shown.append(file);
    return shown;
}

QStringList drives(const MissingSheetState& state) {
    QSet<QString> seen;
    QStringList list;
    for (const MissingFile& file : state.all)
        if (!seen.contains(file.drive)) {
            seen.insert(file.drive);
            list.append(file.drive);
        }
    std::sort(list.begin(), list.end(), TextCompare::lessThan);
    return list;
}

QList<DriveChoice> driveChoices(const MissingSheetState& state) {
    const QStringList list = drives(state);
    if (list.size() < 2)
        return {};
    QList<DriveChoice> choices{{QStringLiteral("All drives (") + number(state.all.size()) + u')', QString()}};
    for (const QString& drive : list) {
        const qsizetype count = std::count_if(state.all.cbegin(), state.all.cend(),
                                              [&](const MissingFile& file) { return file.drive == drive; });
        choices.append({drive + QStringLiteral(" only (") + number(count) + u')', drive});
    }
    return choices;
}

QString iCloudPath(const QString& home) {
    return PathText::childPath(home, QStringLiteral("Library/Mobile Documents/com~apple~CloudDocs"));
}

QList<Place> places(const QString& home, const QStringList& volumes, const QStringList& extra) {
    QList<Place> list{{QStringLiteral("Home folder (Desktop, Documents, Downloads, Movies…)"), home}};
    if (const QString cloud = iCloudPath(home); CleanupFiles::isFolder(cloud))
        list.append({QStringLiteral("iCloud Drive"), cloud});
    for (const QString& volume : volumes)
        list.append({PathText::lastComponent(volume), volume});
    for (const QString& folder : extra)
        list.append({folder, folder});
    return list;
}

QStringList roots(const QList<Place>& shown, const QSet<QString>& chosen) {
    QStringList list;
    for (const Place& place : shown)
        if (chosen.contains(place.path) && !list.contains(place.path))
            list.append(place.path);
    return list;
}

QStringList searched(bool useCatalog, const QStringList& roots) {
    QStringList list;
    if (useCatalog)
        list.append(QStringLiteral("Tovlin's catalogue"));
    return list + roots;
}

void addFolders(MissingSheetState& state, const QStringList& folders) {
    for (const QString& folder : folders) {
        if (state.extra.contains(folder))
            continue;
        state.extra.append(folder);
        state.chosen.insert(folder);
    }
}

// ---- Judging what was found --------------------------------------------------------------------

QStringList foundList(const MissingSheetState& state, const MissingFile& file) {
    return state.found.value(file.wantedName());
}

Candidate choice(const MissingSheetState& state, const MissingFile& file) {
    const auto pick = state.picked.constFind(file.id());
    return MissingFiles::candidate(file, foundList(state, file),
                                   pick == state.picked.cend() ? std::nullopt : std::optional(*pick));
}

std::optional<MissingFile> firstOf(const QList<MissingFile>& files, const QSet<QString>& ids) {
    for (const MissingFile& file : files)
        if (ids.contains(file.id()))
            return file;
    return std::nullopt;
}

Counts counts(const MissingSheetState& state, const QList<MissingFile>& files, bool withStrong) {
    Counts counted;
    for (const MissingFile& file : files) {
        const QStringList list = foundList(state, file);
        if (MissingFiles::wasFound(list))
            ++counted.hits;
        else if (!list.isEmpty())
            ++counted.leadsOnly;
        if (withStrong && !list.isEmpty()) {
            const Candidate proposed = choice(state, file);
            if (proposed.match && proposed.match->isStrong())
                ++counted.strong;
        }
    }
    return counted;
}

// ---- Texts -------------------------------------------------------------------------------------

QString summary(const MissingSheetState& state) {
    if (state.loading)
        return QStringLiteral("Linked originals whose file can't be found.");
    const QList<MissingFile> shown = files(state);
    QString text;
    if (!shown.isEmpty()) {
        QSet<QString> libraries;
        for (const MissingFile& file : shown)
            libraries.insert(file.libraryPath);
        text = number(shown.size()) + QStringLiteral(" linked original") + plural(shown.size(), "", "s") +
               QStringLiteral(" can't be found, in ") + number(libraries.size()) + QStringLiteral(" librar") +
               plural(libraries.size(), "y", "ies") +
               QStringLiteral(". The library only holds a link to each file, and the file is no longer "
                              "where the link points.");
    } else {
        text = QStringLiteral("No missing files in the libraries listed.");
    }
    if (state.skipped >= 1)
        text += u' ' + number(state.skipped) + QStringLiteral(" librar") +
                plural(state.skipped, "y is", "ies are") +
                QStringLiteral(" on drives that aren't connected and could not be read.");
    return text;
}

QString progressLine(const MissingSheetState& state) {
    const QList<MissingFile> shown = files(state);
    const int hits = counts(state, shown, false).hits;
    QString text =
        number(hits) + QStringLiteral(" of ") + number(shown.size()) + QStringLiteral(" found so far");
    if (hits == shown.size())
        text += QStringLiteral(" — you can press Stop");
    if (!state.progress.isEmpty())
        text += QStringLiteral("  ·  ") + state.progress;
    return text;
}

QString searchNote(const Counts& counted, qsizetype count, bool stopped) {
    QString text = stopped ? QStringLiteral("Stopped early. ") : QString();
    if (counted.hits >= 1)
        text += number(counted.hits) + QStringLiteral(" of ") + number(count) +
                QStringLiteral(" found by name; ") + number(counted.strong) +
                QStringLiteral(" of them are strong matches (green in the Match column). Click a row for the "
                               "full paths and Quick Look.");
    else
        text += QStringLiteral("None of the ") + number(count) + QStringLiteral(" missing file") +
                plural(count, " was", "s were") + QStringLiteral(" found in the places searched.");
    if (counted.leadsOnly >= 1)
        text += u' ' + number(counted.leadsOnly) +
                QStringLiteral(" may be on a drive that isn't connected: click the row to see which drive, "
                               "connect it and press Find Again.");
    return text;
}

QString detailHint(const MissingSheetState& state) {
    if (state.loading || files(state).isEmpty())
        return QString();
    return QStringLiteral("Click a row above to see the full paths of every place the file was found, how "
                          "sure the match is, and to look at it with Quick Look.");
}

QString findTitle(const MissingSheetState& state) {
    return state.searchedIn ? QStringLiteral("Find Again") : QStringLiteral("Find Files");
}

bool canFind(const MissingSheetState& state) {
    return !state.searching && !files(state).isEmpty() && (state.useCatalog || !state.chosen.isEmpty());
}

bool canSave(const MissingSheetState& state) {
    return !state.searching && !files(state).isEmpty();
}

QString suggestedName(const MissingSheetState& state) {
    const QString name = QStringLiteral("missing files.txt");
    const QList<MissingFile> shown = files(state);
    const bool oneLibrary =
        !shown.isEmpty() && std::all_of(shown.cbegin(), shown.cend(), [&](const MissingFile& file) {
            return file.libraryPath == shown.front().libraryPath;
        });
    if (oneLibrary)
        return shown.front().library + QStringLiteral(" - ") + name;
    if (!state.drive.isEmpty())
        return state.drive + QStringLiteral(" - ") + name;
    return name;
}

QString listNameFilter() {
    return QStringLiteral("Plain text (*.txt)");
}

QString savedNote(const QString& fileName) {
    return QStringLiteral("Saved the list to ") + fileName + u'.';
}

QString saveFailedMessage(const QString& description) {
    return QStringLiteral("The list could not be saved: ") + description;
}

double placesPaneMaximum(qsizetype placeCount) {
    return 23.0 * double(placeCount) + 86;
}

// ---- The table ---------------------------------------------------------------------------------

const QList<Def>& defs() {
    static const QList<Def> table = {
        {QStringLiteral("File"), QStringLiteral("file"), std::nullopt, 140, 220, false},
        {QStringLiteral("Event"), QStringLiteral("event"), std::nullopt, 80, 130, false},
        {QStringLiteral("Library"), QStringLiteral("library"), std::nullopt, 80, 140, false},
        {QStringLiteral("Drive"), QStringLiteral("drive"), std::nullopt, 60, 90, false},
        {QStringLiteral("Was at"), QStringLiteral("wasAt"), std::nullopt, 100, 180, false},
        {QStringLiteral("Found"), QStringLiteral("found"), std::nullopt, 100, 200, false},
        {QStringLiteral("Match"), QStringLiteral("match"), std::nullopt, 90, 170, false},
    };
    return table;
}

CellTone tone(const Match& match) {
    return match.isStrong() ? CellTone::green : CellTone::orange;
}

QString explanation(const Match& match) {
    switch (match.kind) {
    case Match::Kind::sameEventInLibrary:
        return QStringLiteral("The link pointed at a file inside a library (often this library before it was "
                              "moved or renamed). A file with the same name was found in the same event of a "
                              "library. This is almost certainly the right file.");
    case Match::Kind::sameFolderOtherAccount:
        return QStringLiteral("Found in the same folders with the same name, under this Mac's current user "
                              "folder instead of the old one. Very likely the right file.");
    case Match::Kind::sameFoldersOtherDrive:
        return QStringLiteral("Found with the same name inside the same folders as before, on another drive: "
                              "only the drive changed (the folder tree was moved or copied). Very likely the "
                              "right file.");
    case Match::Kind::chosenByUser:
        return QStringLiteral("You looked at this file and marked it as the right one.");
    case Match::Kind::nameOnly:
        return QStringLiteral(
            "Only the name matches. Camera names repeat, so open it with Quick Look and make "
            "sure it is the clip you expect.");
    case Match::Kind::copiesAgree:
        return QStringLiteral(
            "Several files with this name were found and they are all exactly the same size, "
            "so they are copies of one file. Likely right, but look at it once.");
    case Match::Kind::unclear:
        return QStringLiteral(
            "Files with this name but different sizes were found, so Tovlin won't pick one "
            "for you. Look at each with Quick Look and press Use This One on the right file.");
    }
    return {};
}

QString wasAt(const MissingFile& file) {
    const qsizetype slash = file.target.lastIndexOf(u'/');
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : file.target.left(slash);
}

namespace {

// "  (+<n> more)" after the first text of a list of n + 1 ≥ 2.
QString more(const QStringList& list) {
    return list.size() >= 2 ? QStringLiteral("  (+") + number(list.size() - 1) + QStringLiteral(" more)")
                            : QString();
}

Cell foundCell(const QStringList& list, const QStringList& places, bool searched) {
    if (list.isEmpty())
        return searched ? Cell{QStringLiteral("Not found"), CellTone::orange, {}} : Cell{};
    const QString tip = list.join(u'\n');
    if (!MissingFiles::wasFound(list))
        return {QStringLiteral("Not found — may be on a drive that isn't connected"), CellTone::orange, tip};
    if (!places.isEmpty())
        return {places.front() + more(list), CellTone::green, tip};
    return {list.front() + more(list), CellTone::secondary, tip};
}

Cell matchCell(const QStringList& list, const Candidate& proposed) {
    if (proposed.match)
        return {proposed.match->label(), tone(*proposed.match), explanation(*proposed.match)};
    if (!list.isEmpty())
        return {QStringLiteral("Drive not connected"), CellTone::secondary,
                QStringLiteral("The catalogue lists a file with this name on a drive that isn't connected. "
                               "Connect that drive and press Find Files again to check it.")};
    return {};
}

} // namespace

Row row(const MissingSheetState& state, const MissingFile& file) {
    Row judged;
    judged.file = file;
    judged.list = foundList(state, file);
    if (!judged.list.isEmpty()) {
        judged.places = MissingFiles::realPlaces(file, judged.list);
        judged.choice = choice(state, file);
    }
    judged.found = foundCell(judged.list, judged.places, state.searchedIn.has_value());
    judged.match = matchCell(judged.list, judged.choice);
    return judged;
}

Cell cell(const Row& judged, Column column) {
    switch (column) {
    case Column::file:
        return {judged.file.name, CellTone::primary, {}};
    case Column::event:
        return {judged.file.event, CellTone::primary, {}};
    case Column::library:
        return {judged.file.library, CellTone::primary, {}};
    case Column::drive:
        return {judged.file.drive, CellTone::primary, {}};
    case Column::wasAt:
        return {wasAt(judged.file), CellTone::secondary, judged.file.target};
    case Column::found:
        return judged.found;
    case Column::match:
        return judged.match;
    }
    return {};
}

QHash<QString, double> columnWidths(const QList<Row>& rows, bool searched, const ColumnWidths& measure) {
    QHash<QString, double> widths;
    if (rows.isEmpty())
        return widths;
    const auto text = [&](const auto& of) {
        QStringList texts;
        texts.reserve(rows.size());
        for (const Row& judged : rows)
            texts.append(of(judged));
        return texts;
    };
    const auto put = [&](Column column, const QStringList& texts, double size) {
        const double width = measure.measure(texts, size);
        if (width <= 0)
            return;
        double& stored = widths[defs().at(int(column)).title];
        stored = std::max(stored, width);
    };
    put(Column::file, text([](const Row& r) { return r.file.name; }), 13);
    put(Column::event, text([](const Row& r) { return r.file.event; }), 13);
    put(Column::library, text([](const Row& r) { return r.file.library; }), 13);
    put(Column::drive, text([](const Row& r) { return r.file.drive; }), 13);
    put(Column::wasAt, text([](const Row& r) { return wasAt(r.file); }), 12);
    put(Column::found, text([&](const Row& r) {
            if (r.list.isEmpty())
                return searched ? QStringLiteral("Not found") : QString();
            return r.list.front() + more(r.list);
        }),
        12);
    put(Column::match, text([](const Row& r) { return r.match.text; }), 12);
    return widths;
}

std::optional<QString> firstExisting(const QStringList& list) {
    for (const QString& text : list)
        if (QDir::isAbsolutePath(text) && CleanupFiles::exists(text))
            return text;
    return std::nullopt;
}

} // namespace pellimor::MissingSheet
