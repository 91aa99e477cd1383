// The system Trash on real files: where moved items land, that nothing is ever replaced or
// copied, and that deleting for good never reaches through a link.

#include "Platform/Trash.h"

#include "Platform/Services.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pellimor;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

// A Trash of the test's own: XDG_DATA_HOME in a fresh folder beside the items, under the test
// main's HOME, so everything is on one file system and the home Trash is the one used.
class TrashTest : public ::testing::Test {
protected:
    TrashTest()
        : m_dataHome(TestEnv::freshDir(QStringLiteral("trash-data"))), m_scope("XDG_DATA_HOME", m_dataHome) {}

    QString trashFiles() const { return m_dataHome + QStringLiteral("/Trash/files"); }
    QString trashInfo() const { return m_dataHome + QStringLiteral("/Trash/info"); }
    QStringList entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

    const std::shared_ptr<platform::Trash> trash = platform::Services::system().trash;

private:
    const QString m_dataHome;
    test::ScopedEnvironment m_scope;
};

// The call as the run makes it: the item's folder held open and the item named in it.
template <typename Call> Result<void> atPath(const QString& path, Call call) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const OpenFolder folder = OpenFolder::open(path.left(slash), OpenFolder::LastLink::followed);
    const QByteArray name = QFile::encodeName(path.mid(slash + 1));
    const platform::TrashItem item{folder, name, path, folder.entryFacts(name).value_or(ItemFacts{})};
    return call(item);
}

ino_t inode(const QString& path) {
    struct stat facts {};
    return ::lstat(QFile::encodeName(path).constData(), &facts) == 0 ? facts.st_ino : 0;
}

} // namespace

TEST_F(TrashTest, MovesIntoTheHomeTrashByRenamingAndNeverReplacesAnItemOfTheSameName) {
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-items"));
    const QString first = dir + QStringLiteral("/A/Proxy Media");
    const QString second = dir + QStringLiteral("/B/Proxy Media");
    FixtureFiles::writeRandom(first + QStringLiteral("/one.mov"), 5000);
    FixtureFiles::makeLink(first + QStringLiteral("/link.mov"), QStringLiteral("/nowhere/link.mov"));
    FixtureFiles::writeRandom(second + QStringLiteral("/two.mov"), 7000);
    const QStringList firstTree = test::treeListing(first);
    const ino_t firstInode = inode(first);

    ASSERT_TRUE(
        atPath(first, [&](const platform::TrashItem& item) { return trash->moveToTrash(item); }).ok());
    const Result<void> again =
        atPath(second, [&](const platform::TrashItem& item) { return trash->moveToTrash(item); });
    ASSERT_TRUE(again.ok()) << again.error().toStdString();

    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_EQ(entries(trashFiles()), (QStringList{"Proxy Media", "Proxy Media-0001"}));
    EXPECT_EQ(entries(trashInfo()), (QStringList{"Proxy Media-0001.trashinfo", "Proxy Media.trashinfo"}));
    // Renamed, not copied: the same folder, everything in it as it was, the link a link.
    EXPECT_EQ(inode(trashFiles() + QStringLiteral("/Proxy Media")), firstInode);
    EXPECT_EQ(test::treeListing(trashFiles() + QStringLiteral("/Proxy Media")), firstTree);
    EXPECT_TRUE(QFileInfo::exists(trashFiles() + QStringLiteral("/Proxy Media-0001/two.mov")));

    const QString info =
        QString::fromUtf8(test::readAll(trashInfo() + QStringLiteral("/Proxy Media.trashinfo")));
    EXPECT_TRUE(info.startsWith(QStringLiteral("[Trash Info]\n"))) << info.toStdString();
    // Where it came from, percent-encoded or not as Qt's version writes it.
    const QStringList infoLines = info.split(u'\n');
    EXPECT_TRUE(infoLines.contains(QStringLiteral("Path=") + first) ||
                infoLines.contains(QStringLiteral("Path=") +
                                   QString::fromLatin1(QUrl::toPercentEncoding(first, "/"))))
        << info.toStdString();
}

TEST_F(TrashTest, AnItemThatIsNotThereFailsWithTheSystemsDescriptionAndLeavesNoTrace) {
    const QString missing = TestEnv::freshDir(QStringLiteral("trash-missing")) + QStringLiteral("/gone.mov");
    const Result<void> trashed =
        atPath(missing, [&](const platform::TrashItem& item) { return trash->moveToTrash(item); });
    EXPECT_FALSE(trashed.ok());
    EXPECT_FALSE(trashed.error().isEmpty());
    EXPECT_TRUE(entries(trashInfo()).isEmpty());
    EXPECT_TRUE(entries(trashFiles()).isEmpty());
}

TEST_F(TrashTest, RemovingForGoodTakesLinksThemselvesAndNeverWhatTheyPointTo) {
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-remove"));
    const QString elsewhere = dir + QStringLiteral("/Elsewhere");
    FixtureFiles::writeRandom(elsewhere + QStringLiteral("/data.mov"), 9000);
    FixtureFiles::writeRandom(elsewhere + QStringLiteral("/Deep/more.mov"), 3000);
    const QStringList elsewhereTree = test::treeListing(elsewhere);

    // A folder holding links to a file and to a folder elsewhere, one of them deep down.
    const QString folder = dir + QStringLiteral("/Proxy Media");
    FixtureFiles::writeRandom(folder + QStringLiteral("/own.mov"), 2000);
    FixtureFiles::makeLink(folder + QStringLiteral("/data.mov"), elsewhere + QStringLiteral("/data.mov"));
    FixtureFiles::makeLink(folder + QStringLiteral("/Sub/Deep"), elsewhere + QStringLiteral("/Deep"));
    // A link on its own, to a folder.
    const QString link = dir + QStringLiteral("/Render Link");
    FixtureFiles::makeLink(link, elsewhere);

    ASSERT_TRUE(atPath(folder, [&](const platform::TrashItem& item) { return trash->remove(item); }).ok());
    ASSERT_TRUE(atPath(link, [&](const platform::TrashItem& item) { return trash->remove(item); }).ok());

    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(test::treeListing(elsewhere), elsewhereTree);
    EXPECT_TRUE(entries(trashFiles()).isEmpty()) << "deleting for good puts nothing in the Trash";
}

TEST_F(TrashTest, RemovingWhatCannotBeRemovedFailsWithTheSystemsDescription) {
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-remove-fail"));
    FixtureFiles::writeBytes(dir + QStringLiteral("/plain"), "keep");
    // A name longer than the file system allows can name nothing to remove (permissions would
    // not do: tests may run as root); what lies beside it stays.
    const Result<void> removed = atPath(dir + u'/' + QString(300, u'n'),
                                        [&](const platform::TrashItem& item) { return trash->remove(item); });
    EXPECT_FALSE(removed.ok());
    EXPECT_FALSE(removed.error().isEmpty());
    EXPECT_EQ(test::readAll(dir + QStringLiteral("/plain")), "keep");
}
