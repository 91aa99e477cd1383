#include "Support/DirectoryListing.h"

#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;

namespace {

using Entry = DirectoryListing::Entry;

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

void touch(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ::close(fd);
}

void setTime(const QByteArray& path, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW), 0) << path.constData();
}

std::vector<QByteArray> sortedNames(const DirectoryListing& listing) {
    std::vector<QByteArray> names;
    for (const Entry& entry : listing.entries())
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

const Entry* find(const DirectoryListing& listing, const QByteArray& name) {
    for (const Entry& entry : listing.entries())
        if (entry.name == name)
            return &entry;
    return nullptr;
}

} // namespace

TEST(DirectoryListing, ListsVisibleEntriesWithTheirBytesAndKinds) {
    const QByteArray dir = native(test::TestEnv::freshDir("listing-kinds"));
    ASSERT_EQ(::mkdir((dir + "/folder").constData(), 0755), 0);
    touch(dir + "/file");
    touch(dir + "/.hidden");
    ASSERT_EQ(::mkdir((dir + "/.hidden folder").constData(), 0755), 0);
    ASSERT_EQ(::symlink("folder", (dir + "/link").constData()), 0);
    ASSERT_EQ(::mkfifo((dir + "/pipe").constData(), 0600), 0);
    touch(dir + "/bad\xff");

    const DirectoryListing listing(dir);
    EXPECT_EQ(sortedNames(listing), (std::vector<QByteArray>{"bad\xff", "file", "folder", "link", "pipe"}));
    EXPECT_EQ(find(listing, "bad\xff")->text, QStringLiteral("bad\uFFFD"));
    // Only what is surely no folder is marked so; where the file system does not say, an
    // entry may be one.
    EXPECT_TRUE(find(listing, "folder")->mayBeFolder);
    EXPECT_TRUE(find(listing, "link")->mayBeFolder);
    EXPECT_FALSE(find(listing, "pipe")->mayBeFolder);
}

TEST(DirectoryListing, ReadsFoldersLargerThanOneListingBuffer) {
    const QString dir = test::TestEnv::freshDir("listing-large");
    std::vector<QByteArray> expected;
    // Long names, so the listing needs many reads of the file system's records.
    for (int i = 0; i < 600; ++i) {
        const QByteArray name = QByteArray("entry-") + QByteArray(120, 'x') + '-' + QByteArray::number(i);
        touch(native(dir) + '/' + name);
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sortedNames(DirectoryListing(native(dir))), expected);
}

TEST(DirectoryListing, LooksUpItemsFromTheOpenFolder) {
    const QByteArray dir = native(test::TestEnv::freshDir("listing-lookup"));
    ASSERT_EQ(::mkdir((dir + "/target").constData(), 0755), 0);
    touch(dir + "/target/inner");
    setTime(dir + "/target/inner", 1733650000, 250000000);
    ASSERT_EQ(::symlink("target", (dir + "/link").constData()), 0);
    setTime(dir + "/link", 1733650100, 0);
    ASSERT_EQ(::symlink("nothing", (dir + "/dangling").constData()), 0);

    const DirectoryListing listing(dir);
    // A link is looked up as itself, and followed only when asked whether something is there.
    const auto link = listing.item("link");
    ASSERT_TRUE(link.has_value());
    EXPECT_TRUE(link->isLink);
    EXPECT_EQ(link->modifiedSeconds, 1733650100.0);
    EXPECT_EQ(listing.modifiedSeconds("link/inner"), 1733650000.25);
    EXPECT_FALSE(listing.item("target/inner")->isLink);
    EXPECT_TRUE(listing.exists("link/inner"));
    EXPECT_TRUE(listing.item("dangling").has_value());
    EXPECT_FALSE(listing.exists("dangling"));
    EXPECT_FALSE(listing.item("missing").has_value());
    EXPECT_FALSE(listing.modifiedSeconds("missing").has_value());

    // A folder inside is opened from its parent, through a link like any path.
    const DirectoryListing inside(listing, "link");
    EXPECT_EQ(sortedNames(inside), std::vector<QByteArray>{"inner"});
    EXPECT_EQ(inside.modifiedSeconds("inner"), 1733650000.25);

    // Unless the walk asks not to go through a link: then a link opens nothing, a folder as usual.
    const DirectoryListing notThrough(listing, "link", DirectoryListing::Links::notFollowed);
    EXPECT_TRUE(notThrough.entries().empty());
    EXPECT_FALSE(notThrough.exists("inner"));
    const DirectoryListing folder(listing, "target", DirectoryListing::Links::notFollowed);
    EXPECT_EQ(sortedNames(folder), std::vector<QByteArray>{"inner"});
}

TEST(DirectoryListing, WhatCannotBeOpenedIsEmpty) {
    const QByteArray dir = native(test::TestEnv::freshDir("listing-missing"));
    touch(dir + "/file");
    for (const QByteArray& path : {dir + "/missing", dir + "/file", QByteArray()}) {
        SCOPED_TRACE(path.constData());
        const DirectoryListing listing(path);
        EXPECT_TRUE(listing.entries().empty());
        EXPECT_FALSE(listing.item("anything").has_value());
        // Nothing below it is reached from elsewhere (such as the working directory).
        const DirectoryListing below(listing, "file");
        EXPECT_TRUE(below.entries().empty());
        EXPECT_FALSE(below.exists("."));
    }
}

TEST(DirectoryListing, AFolderThatCannotBeReadStillAnswersLookups) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not hold for the superuser";
    const QByteArray dir = native(test::TestEnv::freshDir("listing-unreadable"));
    ASSERT_EQ(::mkdir((dir + "/closed").constData(), 0755), 0);
    touch(dir + "/closed/inside");
    ASSERT_EQ(::chmod((dir + "/closed").constData(), 0111), 0);
    const DirectoryListing closed(dir + "/closed");
    EXPECT_TRUE(closed.entries().empty());
    EXPECT_TRUE(closed.item("inside").has_value());
    ::chmod((dir + "/closed").constData(), 0755);
}

TEST(DirectoryListing, FinderOrderWithByteOrderForTextsItCannotTellApart) {
    const auto entry = [](const QByteArray& name) { return Entry{name, QFile::decodeName(name), true}; };
    std::vector<Entry> entries{entry("Event 10"),
                               entry("b\xfe"),
                               entry("event 1"),
                               entry("Event 2"),
                               entry("b\xff"),
                               entry("B"),
                               entry("\xc3\x89"
                                     "clair")};
    std::vector<QByteArray> expected{"B",
                                     "b\xfe",
                                     "b\xff",
                                     "\xc3\x89"
                                     "clair",
                                     "event 1",
                                     "Event 2",
                                     "Event 10"};
    for (int round = 0; round < 2; ++round) {
        std::sort(entries.begin(), entries.end(), DirectoryListing::finderLess);
        std::vector<QByteArray> names;
        for (const Entry& e : entries)
            names.push_back(e.name);
        EXPECT_EQ(names, expected);
        // The same order from the opposite start.
        std::reverse(entries.begin(), entries.end());
    }
}
