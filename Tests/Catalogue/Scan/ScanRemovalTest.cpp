// Which catalogued libraries a finished root takes out of the catalogue: only what the walk
// could have seen and did not.

#include "Catalogue/Scan/ScanRemoval.h"

#include "Platform/VolumesRoot.h"
#include "Tests/Support/QtPrinters.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace pellimor;

namespace {

struct Case {
    const char* name;
    QString root;
    QStringList catalogued;
    QStringList found;
    std::optional<qint64> maxDepth;
    bool walkedWholeRoot;
    QStringList unlisted;
    QStringList recordedMounts;
    QStringList mountedNow;
    QStringList gone;
    int asked; // how often the platform's mounted volumes were asked for
};

QSet<QString> setOf(const QStringList& paths) {
    return QSet<QString>(paths.begin(), paths.end());
}

} // namespace

TEST(ScanRemoval, OnlyWhatTheWalkCouldHaveSeenAndDidNotIsGone) {
    const QString films = QStringLiteral("/home/me/Films");
    const auto in = [&](const char* relative) { return films + u'/' + QLatin1String(relative); };
    const QString volumes = VolumesRoot::root();
    const QString media = volumes + QStringLiteral("/Media");     // recorded and mounted now
    const QString travel = volumes + QStringLiteral("/Travel");   // recorded, unplugged since
    const QString archive = volumes + QStringLiteral("/Archive"); // mounted now, never recorded
    const QStringList startupOnly{QStringLiteral("/")};

    const std::vector<Case> cases = {
        {"missed under the root goes; found, beside the root and the root itself stay",
         films,
         {in("A.fcpbundle"), in("B.fcpbundle"), films + QStringLiteral("2/C.fcpbundle"), films,
          QStringLiteral("/home/me/D.fcpbundle")},
         {in("B.fcpbundle")},
         5,
         true,
         {},
         startupOnly,
         {},
         {in("A.fcpbundle")},
         0},
        {"at the walk's depth goes, deeper stays",
         films,
         {in("x/A.fcpbundle"), in("x/y/B.fcpbundle")},
         {},
         2,
         true,
         {},
         startupOnly,
         {},
         {in("x/A.fcpbundle")},
         0},
        {"no depth limit reaches any depth",
         films,
         {in("x/A.fcpbundle"), in("x/y/z/w/B.fcpbundle")},
         {},
         std::nullopt,
         true,
         {},
         startupOnly,
         {},
         {in("x/A.fcpbundle"), in("x/y/z/w/B.fcpbundle")},
         0},
        {"an unlisted folder keeps what lies at or below it, by whole components",
         films,
         {in("Share/A.fcpbundle"), in("Share/Deep/B.fcpbundle"), in("Share.fcpbundle"),
          in("Shared/C.fcpbundle")},
         {},
         5,
         true,
         {in("Share"), in("Share.fcpbundle")},
         startupOnly,
         {},
         {in("Shared/C.fcpbundle")},
         0},
        {"a root resumed without its unlisted folders removes nothing",
         films,
         {in("A.fcpbundle"), media + QStringLiteral("/B.fcpbundle")},
         {},
         5,
         false,
         {},
         {QStringLiteral("/"), media},
         {media},
         {},
         0},
        {"a drive's library goes only when the drive is recorded and mounted now, asked once",
         volumes,
         {media + QStringLiteral("/A.fcpbundle"), travel + QStringLiteral("/B.fcpbundle"),
          archive + QStringLiteral("/C.fcpbundle"), media + QStringLiteral("/Jobs/D.fcpbundle")},
         {},
         5,
         true,
         {},
         {QStringLiteral("/"), media, travel},
         {media + u'/', QString(), archive},
         {media + QStringLiteral("/A.fcpbundle"), media + QStringLiteral("/Jobs/D.fcpbundle")},
         1},
        {"the platform is not asked when no library lies on a recorded drive",
         volumes,
         {archive + QStringLiteral("/C.fcpbundle")},
         {},
         5,
         true,
         {},
         startupOnly,
         {archive},
         {},
         0},
        {"a root of \"/\" is its own prefix",
         QStringLiteral("/"),
         {QStringLiteral("/A.fcpbundle"), QStringLiteral("/home/B.fcpbundle")},
         {},
         1,
         true,
         {},
         startupOnly,
         {},
         {QStringLiteral("/A.fcpbundle")},
         0},
        {"a root written with a trailing slash",
         films + u'/',
         {in("A.fcpbundle"), films + QStringLiteral("2/C.fcpbundle")},
         {},
         1,
         true,
         {},
         startupOnly,
         {},
         {in("A.fcpbundle")},
         0},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int asked = 0;
        ScanRemoval::Facts facts;
        facts.root = c.root;
        facts.found = setOf(c.found);
        facts.maxDepth = c.maxDepth;
        facts.walkedWholeRoot = c.walkedWholeRoot;
        facts.unlisted = c.unlisted;
        facts.recordedMounts = setOf(c.recordedMounts);
        facts.mountedNow = [&] {
            ++asked;
            return c.mountedNow;
        };
        EXPECT_EQ(ScanRemoval::gone(c.catalogued, facts), setOf(c.gone));
        EXPECT_EQ(asked, c.asked);
    }
}
