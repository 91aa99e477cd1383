// Another drive, or a bind mount of the same one, mounted inside what free up space would
// remove: the plan leaves such an item alone, and a run with a plan made before the mount
// appeared removes nothing of the mounted drive.

#include "FreeUpSpace/Cleanup.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/FreeUpSpace/CleanupPrinters.h"
#include "Tests/Support/FakeTrash.h"
#include "Tests/Support/ScopedMount.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

const QString kHolds = QStringLiteral(" holds another drive mounted inside it, so it was left alone.");
const QString kSafety = QStringLiteral(": failed the safety check just before deleting.");

struct Library {
    QString lib;
    QString day;
    QString at(const QString& relative) const { return day + u'/' + relative; }
};

// "Day 1": two originals with their proxies, and two render folders.
Library build(const QString& hint) {
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("A.mov"), 30'000)
        .media(QStringLiteral("B.mov"), 30'000)
        .proxy(QStringLiteral("A.mov"), 6000)
        .proxy(QStringLiteral("B.mov"), 6000)
        .render(QStringLiteral("Peaks Data/peak"), 4000)
        .render(QStringLiteral("Other/x"), 4000);
    const QString lib = builder.write(TestEnv::freshDir(hint));
    return {lib, lib + QStringLiteral("/Day 1")};
}

CleanupTarget target(const Library& l, const QString& relative, GeneratedKind kind) {
    return CleanupTarget{l.at(relative), kind, QStringLiteral("Day 1"), 4096};
}

} // namespace

TEST(CleanupMounts, AnItemWithAMountInsideIsLeftAloneByThePlanAndTheRun) {
    enum class Mount { originals, tmpfs };
    struct Case {
        const char* what;
        QString at;  // below the event
        Mount mount; // "Original Media" bound there, or a fresh tmpfs holding "kept.bin"
        QSet<GeneratedKind> kinds;
        QStringList plannedAfter; // the plan made with the mount in place: its targets (below the event)
        QStringList blockers;     // and its blockers
        // A plan made before the mount appeared, or what a plan that missed it would hold.
        std::function<QList<CleanupTarget>(const Library&)> stale;
        QStringList skipped; // the stale targets the run skips, by name; the rest go
    };
    const QString day = QStringLiteral("“Day 1”: ");
    const std::vector<Case> cases{
        {.what = "Original Media bound inside a render folder",
         .at = "Render Files/Peaks Data/bm",
         .mount = Mount::originals,
         .kinds = {GeneratedKind::render},
         .plannedAfter = {"Render Files/Other"},
         .blockers = {day + "Peaks Data" + kHolds},
         .stale =
             [](const Library& l) {
                 return QList<CleanupTarget>{target(l, "Render Files/Other", GeneratedKind::render),
                                             target(l, "Render Files/Peaks Data", GeneratedKind::render)};
             },
         .skipped = {"Peaks Data"}},
        {.what = "a tmpfs inside a render folder",
         .at = "Render Files/Peaks Data/cache",
         .mount = Mount::tmpfs,
         .kinds = {GeneratedKind::render},
         .plannedAfter = {"Render Files/Other"},
         .blockers = {day + "Peaks Data" + kHolds},
         .stale =
             [](const Library& l) {
                 return QList<CleanupTarget>{target(l, "Render Files/Peaks Data", GeneratedKind::render),
                                             target(l, "Render Files/Other", GeneratedKind::render)};
             },
         .skipped = {"Peaks Data"}},
        {.what = "a render item that is itself a bind mount of Original Media",
         .at = "Render Files/Bound",
         .mount = Mount::originals,
         .kinds = {GeneratedKind::render},
         .plannedAfter = {"Render Files/Other", "Render Files/Peaks Data"},
         .blockers = {day + "Bound" + kHolds},
         .stale =
             [](const Library& l) {
                 return QList<CleanupTarget>{target(l, "Render Files/Bound", GeneratedKind::render)};
             },
         .skipped = {"Bound"}},
        {.what = "Original Media bound inside the proxy folder",
         .at = "Transcoded Media/Proxy Media/bm",
         .mount = Mount::originals,
         .kinds = {GeneratedKind::proxy},
         .plannedAfter = {},
         .blockers = {day + "Proxy Media" + kHolds},
         .stale =
             [](const Library& l) {
                 return QList<CleanupTarget>{target(l, "Transcoded Media/Proxy Media", GeneratedKind::proxy)};
             },
         .skipped = {"Proxy Media"}},
        {.what = "Original Media bound at Render Files itself: every original looks like a render item",
         .at = "Render Files",
         .mount = Mount::originals,
         .kinds = {GeneratedKind::render},
         .plannedAfter = {},
         .blockers = {day + "A.mov" + kHolds, day + "B.mov" + kHolds},
         .stale =
             [](const Library& l) {
                 return QList<CleanupTarget>{target(l, "Render Files/A.mov", GeneratedKind::render),
                                             target(l, "Render Files/B.mov", GeneratedKind::render)};
             },
         .skipped = {"A.mov", "B.mov"}},
    };

    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Library l = build(QStringLiteral("mount%1").arg(index++));
        const QString mountPoint = l.at(c.at);
        FixtureFiles::makeFolder(mountPoint);
        // The plan made before anything was mounted: the folder that would hold the mount is
        // empty then.
        CleanupPlan stale{c.stale(l), {}};

        std::optional<test::ScopedMount> mount;
        if (c.mount == Mount::originals)
            mount.emplace(test::ScopedMount::bind(l.at("Original Media"), mountPoint));
        else
            mount.emplace(test::ScopedMount::tmpfs(mountPoint));
        if (!*mount)
            GTEST_SKIP() << mount->reason().toStdString();
        QStringList survivors{l.at("Original Media/A.mov"), l.at("Original Media/B.mov")};
        if (c.mount == Mount::tmpfs) {
            FixtureFiles::writeRandom(mountPoint + QStringLiteral("/kept.bin"), 5000);
            survivors.append(mountPoint + QStringLiteral("/kept.bin"));
        }

        const CleanupPlan plan = Cleanup::plan(l.lib, {"Day 1"}, c.kinds, false);
        QStringList planned;
        for (const CleanupTarget& t : plan.targets)
            planned.append(t.url.mid(l.day.size() + 1));
        EXPECT_EQ(planned, c.plannedAfter) << ::testing::PrintToString(plan);
        EXPECT_EQ(plan.blockers, c.blockers);
        EXPECT_EQ(Cleanup::safeSize(l.at(c.at.section(u'/', 0, 1))), std::nullopt);

        // Deleted for good, the way that lost the originals.
        const auto trash = std::make_shared<test::FakeTrash>();
        platform::ScopedServices scope(test::FakeTrash::services(trash));
        const Cleanup::Result2 result = Cleanup::run(stale, l.lib, true, false, std::nullopt);
        QStringList errors;
        for (const QString& name : c.skipped)
            errors.append(QStringLiteral("Skipped ") + name + kSafety);
        EXPECT_EQ(result.errors, errors);
        EXPECT_EQ(result.done.size() + c.skipped.size(), stale.targets.size());
        for (const QString& call : trash->calls()) {
            for (const QString& name : c.skipped)
                EXPECT_FALSE(call.endsWith(u'/' + name)) << call.toStdString();
        }
        for (const QString& path : survivors)
            EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    }
}
