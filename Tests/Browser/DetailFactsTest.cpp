#include "Browser/DetailFacts.h"

#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/PinnedLocale.h"

#include <QLocale>
#include <QScopeGuard>
#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;
using DetailFacts::Fact;

namespace {

const QDateTime kSpring = QDateTime(QDate(2025, 4, 2), QTime(10, 0), Qt::UTC);
const QDateTime kEpoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);

LibraryInfo library(const QString& path, const QString& volume) {
    LibraryInfo l;
    l.path = path;
    l.name = QFileInfo(path).completeBaseName();
    l.volumeName = volume;
    l.scannedAt = kSpring;
    return l;
}

EventInfo event(const QString& name) {
    EventInfo e;
    e.name = name;
    return e;
}

// The value of the row labelled `label`, or nothing when the row is left out.
std::optional<QString> valueOf(const QList<Fact>& facts, const QString& label) {
    for (const Fact& fact : facts) {
        if (fact.label == label)
            return fact.value;
    }
    return std::nullopt;
}

QStringList labelsOf(const QList<Fact>& facts) {
    QStringList labels;
    for (const Fact& fact : facts)
        labels.append(fact.label);
    return labels;
}

// Digit grouping and dates as an American reads them, whatever the machine's locale.
class DetailFactsTest : public ::testing::Test {
protected:
private:
    const test::PinnedLocale m_locale{QLocale(QLocale::English, QLocale::UnitedStates)};
};

} // namespace

TEST_F(DetailFactsTest, theRowsInOrderAndTheirFormats) {
    struct Case {
        const char* what;
        std::function<void(LibraryInfo&)> shape;
        const char* label;
        std::optional<QString> value; // nothing: the row is left out
    };
    const auto withEvents = [](const QList<EventInfo>& events) {
        return [events](LibraryInfo& l) { l.events = events; };
    };
    EventInfo oneBroken = event("A");
    oneBroken.brokenLinkCount = 1;
    EventInfo twoBroken = event("B");
    twoBroken.brokenLinkCount = 2;
    EventInfo many = event("Many");
    many.mediaFileCount = 12000;
    many.linkedMediaCount = 2;
    EventInfo more = event("More");
    more.mediaFileCount = 345;
    EventInfo unlinked = many;
    unlinked.linkedMediaCount = 0;
    EventInfo projects = event("P");
    projects.projects = {ProjectInfo(), ProjectInfo()};

    const Case cases[] = {
        // A library without events: its extra size, no counts, no missing files.
        {"no events: size", [](LibraryInfo& l) { l.extraSize = 8192; }, "Size", ByteCount::file(8192)},
        {"no events: counts", {}, "Events / projects", "0 / 0"},
        {"no events: media", {}, "Media files", "0"},
        {"no events: nothing missing", {}, "Missing files", std::nullopt},
        {"events and projects", withEvents({projects, event("Q")}), "Events / projects", "2 / 2"},
        {"one broken link", withEvents({oneBroken}), "Missing files", "1 linked media file can't be found"},
        {"three broken links", withEvents({oneBroken, twoBroken}), "Missing files",
         "3 linked media files can't be found"},
        {"five digits, two linked", withEvents({many, more}), "Media files", "12,345  (2 linked)"},
        {"five digits, none linked", withEvents({unlinked, more}), "Media files", "12,345"},
        {"network also flagged internal",
         [](LibraryInfo& l) {
             l.isNetwork = true;
             l.isInternal = true;
         },
         "Storage", "Network (NAS)"},
        {"internal", [](LibraryInfo& l) { l.isInternal = true; }, "Storage", "Internal"},
        {"neither", {}, "Storage", "External"},
        {"no version", {}, "Saved with FCP", "—"},
        {"a version", [](LibraryInfo& l) { l.fcpVersion = "10.6.5"; }, "Saved with FCP", "10.6.5"},
        {"no host", {}, "Last opened by", "—"},
        {"a host", [](LibraryInfo& l) { l.lastHost = "Edit Bay 2"; }, "Last opened by", "Edit Bay 2"},
        {"modified", [](LibraryInfo& l) { l.modified = kSpring; }, "Last modified", Fmt::date(kSpring)},
        {"modified at 1970", [](LibraryInfo& l) { l.modified = kEpoch; }, "Last modified", "—"},
        {"modified before 1970", [](LibraryInfo& l) { l.modified = kEpoch.addDays(-3); }, "Last modified",
         "—"},
        {"no modification date", {}, "Last modified", "—"},
        {"created", [](LibraryInfo& l) { l.created = kSpring; }, "Created", Fmt::date(kSpring)},
        {"created at 1970", [](LibraryInfo& l) { l.created = kEpoch; }, "Created", "—"},
        {"scanned", {}, "Scanned", Fmt::date(kSpring)},
        {"scanned at 1970", [](LibraryInfo& l) { l.scannedAt = kEpoch; }, "Scanned", "—"},
        {"a backup of Final Cut Pro", [](LibraryInfo& l) { l.isBackup = true; }, "Note",
         "This is an FCP backup"},
        {"not a backup", {}, "Note", std::nullopt},
        {"the folder", {}, "Folder", "/Volumes/Work/Jobs"},
    };
    for (const Case& c : cases) {
        LibraryInfo l = library("/Volumes/Work/Jobs/Wedding.fcpbundle", "Work");
        if (c.shape)
            c.shape(l);
        EXPECT_EQ(valueOf(DetailFacts::facts(l, {}), QLatin1String(c.label)), c.value) << c.what;
    }

    // The order, with every optional row present.
    LibraryInfo full = library("/Volumes/Work/Jobs/Wedding.fcpbundle", "Work");
    full.events = {oneBroken};
    full.isBackup = true;
    full.libraryIdentifier = "ID-1";
    LibraryInfo copy = library("/Volumes/B/Wedding.fcpbundle", "B");
    copy.libraryIdentifier = "ID-1";
    DetailFacts::Context context;
    context.comparable = {full, copy};
    EXPECT_EQ(
        labelsOf(DetailFacts::facts(full, context)),
        (QStringList{"Folder", "Size", "Events / projects", "Media files", "Missing files", "Last modified",
                     "Created", "Saved with FCP", "Last opened by", "Storage", "Scanned", "Copies", "Note"}));
}

TEST_F(DetailFactsTest, copiesCountTheLibrariesSharingTheIdentifier) {
    LibraryInfo mine = library("/Volumes/A/Film.fcpbundle", "A");
    mine.libraryIdentifier = "ID-7";
    LibraryInfo onB = library("/Volumes/B/Film.fcpbundle", "B");
    onB.libraryIdentifier = "ID-7";
    LibraryInfo alsoOnB = library("/Volumes/B/Old/Film.fcpbundle", "B");
    alsoOnB.libraryIdentifier = "ID-7";
    LibraryInfo stranger = library("/Volumes/C/Other.fcpbundle", "C");
    stranger.libraryIdentifier = "ID-8";

    struct Case {
        const char* what;
        QList<LibraryInfo> comparable;
        std::optional<QString> copies;
    };
    const Case cases[] = {
        {"alone", {mine, stranger}, std::nullopt},
        {"one other on B", {mine, onB, stranger}, "2 libraries share this ID: B"},
        {"two others on B", {mine, onB, stranger, alsoOnB}, "3 libraries share this ID: B, B"},
        // Counted among the comparable libraries even when the library itself is left out there.
        {"itself not listed", {onB, alsoOnB}, "2 libraries share this ID: B, B"},
    };
    for (const Case& c : cases) {
        DetailFacts::Context context;
        context.comparable = c.comparable;
        EXPECT_EQ(valueOf(DetailFacts::facts(mine, context), "Copies"), c.copies) << c.what;
    }

    // Libraries without an identifier are no copies of each other, however many there are.
    LibraryInfo plain = library("/Volumes/A/Plain.fcpbundle", "A");
    DetailFacts::Context crowd;
    crowd.comparable = {plain, library("/Volumes/B/Plain.fcpbundle", "B"),
                        library("/Volumes/C/Plain.fcpbundle", "C")};
    EXPECT_EQ(valueOf(DetailFacts::facts(plain, crowd), "Copies"), std::nullopt);
    EXPECT_EQ(DetailFacts::copiesCount(plain, crowd.comparable), 0);
}

TEST_F(DetailFactsTest, theVersionNoteFollowsTheInstalledFinalCutPro) {
    struct Case {
        const char* what;
        std::optional<QString> installed; // nothing: Final Cut Pro is not installed
        std::optional<QString> saved;
        QString value;
    };
    const Case cases[] = {
        {"older library", "10.6.5", "10.4.10",
         "10.4.10  — needs updating for FCP 10.6.5; FCP will offer when you open it"},
        {"newer library", "10.6.5", "11.0",
         "11.0  — newer than your FCP 10.6.5; update Final Cut Pro to open it"},
        {"same version", "10.6.5", "10.6.1", "10.6.1"},
        {"no Final Cut Pro", std::nullopt, "10.4.10", "10.4.10"},
        {"no version", "10.6.5", std::nullopt, "—"},
    };
    for (const Case& c : cases) {
        test::CatalogTestEnv env(QStringLiteral("facts-version"));
        if (c.installed) {
            env.finalCut->setLocation(QStringLiteral("/Applications/Final Cut Pro.app"));
            env.finalCut->setVersion(*c.installed);
        }
        const std::unique_ptr<Catalog> catalog = env.makeCatalog();
        LibraryInfo l = library("/Volumes/A/Cut.fcpbundle", "A");
        l.fcpVersion = c.saved;
        catalog->seed({.libraries = QList<LibraryInfo>{l}});
        EXPECT_EQ(valueOf(DetailFacts::facts(l, DetailFacts::Context::of(*catalog, l)), "Saved with FCP"),
                  c.value)
            << c.what;
    }
}
