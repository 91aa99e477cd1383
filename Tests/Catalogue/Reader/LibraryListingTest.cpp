// Event and project folders and the change signature where a bundle holds links, odd kinds
// of entries and names that are not UTF-8: the listing must find what a path lookup would.

#include "Catalogue/Reader/LibraryReader.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
namespace Files = fixtures::FixtureFiles;
namespace LR = pellimor::LibraryReader;

namespace {

const QDateTime kStamp = QDateTime::fromSecsSinceEpoch(1733650000, Qt::UTC);
const QString kMarker = QStringLiteral("CurrentVersion.fcpevent");

QString seconds(const QDateTime& when) {
    return QString::number(when.toSecsSinceEpoch()) + QStringLiteral(".0");
}

QStringList names(const QStringList& paths) {
    QStringList result;
    for (const QString& path : paths)
        result.append(path.mid(path.lastIndexOf('/') + 1));
    return result;
}

// A folder whose name is the given bytes (not UTF-8), holding an event database.
void writeUndecodableHolder(const QString& parent, const QByteArray& name) {
    const QByteArray folder = QFile::encodeName(parent) + '/' + name;
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const int fd = ::open((folder + "/CurrentVersion.fcpevent").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
}

} // namespace

TEST(LibraryBundleListing, FoldersAreFoundAsAPathLookupFindsThem) {
    const QString outside = test::TestEnv::freshDir(QStringLiteral("listing-outside"));
    Files::writeBytes(outside + "/Elsewhere/" + kMarker, "x");
    Files::writeBytes(outside + "/Project Elsewhere/" + kMarker, "x");
    Files::writeBytes(outside + "/database", "x");

    LibraryBuilder lib(QStringLiteral("Odd"));
    lib.event(QStringLiteral("Plain"));
    const QString bundle = lib.write(test::TestEnv::freshDir(QStringLiteral("listing-odd")));
    // A link to an event folder elsewhere, and a folder whose database is itself a link, are
    // events: their database is there for whoever opens it.
    Files::makeLink(bundle + "/Linked", outside + "/Elsewhere");
    Files::makeLink(bundle + "/Marker Link/" + kMarker, outside + "/database");
    // A folder in place of the database is there too.
    Files::makeFolder(bundle + "/Folder Marker/" + kMarker);
    // Links to nothing, a database link to nothing, a plain file and a pipe are not.
    Files::makeLink(bundle + "/Dangling", outside + "/Gone");
    Files::makeLink(bundle + "/Broken Marker/" + kMarker, outside + "/gone");
    Files::writeBytes(bundle + "/File", "x");
    ASSERT_EQ(::mkfifo(QFile::encodeName(bundle + "/Pipe").constData(), 0600), 0);
    // A name that is not UTF-8 cannot be given back as a path that reaches it.
    writeUndecodableHolder(bundle, "Bad\xff");

    EXPECT_EQ(names(LR::eventFolders(bundle)),
              (QStringList{"Folder Marker", "Linked", "Marker Link", "Plain"}));

    const QString event = bundle + "/Plain";
    Files::writeBytes(event + "/Cut/" + kMarker, "x");
    Files::makeLink(event + "/Linked Cut", outside + "/Project Elsewhere");
    Files::makeLink(event + "/Dangling Cut", outside + "/Gone");
    writeUndecodableHolder(event, "Cut\xfe");
    EXPECT_EQ(names(LR::projectFolders(event)), (QStringList{"Cut", "Linked Cut"}));
    // The event reached through a link lists its projects like any other.
    Files::writeBytes(outside + "/Elsewhere/Inside/" + kMarker, "x");
    EXPECT_EQ(names(LR::projectFolders(bundle + "/Linked")), QStringList{"Inside"});
}

TEST(LibrarySignatureListing, LinksCountWithTheirOwnTimes) {
    const QString outside = test::TestEnv::freshDir(QStringLiteral("sig-links-outside"));
    Files::writeBytes(outside + "/Elsewhere/" + kMarker, "x");
    Files::writeBytes(outside + "/Renders/one.rnd", "x");
    Files::writeBytes(outside + "/database", "x");

    LibraryBuilder lib(QStringLiteral("Links"));
    lib.event(QStringLiteral("Day"));
    const QString bundle = lib.write(test::TestEnv::freshDir(QStringLiteral("sig-links")));
    const QString day = bundle + "/Day";
    Files::makeLink(bundle + "/Linked", outside + "/Elsewhere");
    QFile::remove(day + "/" + kMarker);
    Files::makeLink(day + "/" + kMarker, outside + "/database");
    Files::makeLink(day + "/Render Files", outside + "/Renders");
    Files::makeLink(outside + "/Renders/link.rnd", QStringLiteral("one.rnd"));
    Files::writeBytes(day + "/Transcoded Media", "not a folder");

    // Every item's own time differs from what a link points at, so a followed link shows.
    const QDateTime target = kStamp.addSecs(-3600);
    for (const QString& path : {outside + "/Elsewhere", outside + "/Elsewhere/" + kMarker,
                                outside + "/database", outside + "/Renders", outside + "/Renders/one.rnd"})
        Files::setModified(path, target);
    int step = 0;
    const auto own = [&](const QString& path) {
        const QDateTime when = kStamp.addSecs(++step);
        Files::setModified(path, when);
        return seconds(when);
    };
    const QString databaseTime = own(bundle + "/CurrentVersion.flexolibrary");
    const QString dayMarkerTime = own(day + "/" + kMarker);
    const QString renderLinkTime = own(day + "/Render Files");
    const QString entryLinkTime = own(outside + "/Renders/link.rnd");
    const QString transcodedTime = own(day + "/Transcoded Media");
    const QString dayTime = own(day);
    const QString linkedTime = own(bundle + "/Linked");
    const QString bundleTime = own(bundle);
    const QString t = seconds(target);

    const QString project = QStringList{databaseTime, "Day", dayMarkerTime, "Linked", t}.join('|');
    const QString size =
        QStringList{bundleTime,     "Day",      dayTime,
                    "0.0", // no "Original Media"
                    renderLinkTime, "link.rnd", entryLinkTime, "one.rnd", t,
                    transcodedTime, // a file: its own time, no entries
                    "0.0",          "Linked",   linkedTime,    "0.0",     "0.0", "0.0", "0.0"}
            .join('|');
    EXPECT_EQ(LR::signature(bundle), project + QStringLiteral("|@size|") + size);
}
