// The scan's stored settings: keys, defaults, typed reads and the rules that make a stored
// value usable.

#include "Catalogue/Scan/ScanSettings.h"

#include "Tests/Support/Scopes.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

using namespace pellimor;
using Type = platform::SettingsStore::Type;

namespace {

TEST(ScanSettingsTest, anEmptyStoreReadsTheDefaults) {
    test::ScopedSettings settings;
    EXPECT_FALSE(ScanSettings::fullRescan());
    EXPECT_TRUE(ScanSettings::makePosters());
    EXPECT_EQ(ScanSettings::scanThreads(), 2);
    EXPECT_TRUE(ScanSettings::autoRefresh());
    EXPECT_EQ(ScanSettings::folderDepth(), 5);
    EXPECT_TRUE(ScanSettings::skipSafetyNet());
    EXPECT_TRUE(ScanSettings::skipFCPBackups());
    // Reading writes nothing.
    for (const char* key : {"fullRescan", "makePosters", "scanThreads", "autoRefresh", "folderDepth",
                            "skipSafetyNet", "skipFCPBackups"})
        EXPECT_FALSE(settings.store->contains(QString::fromLatin1(key))) << key;
}

TEST(ScanSettingsTest, writesKeepTheirTypesUnderTheDocumentedKeys) {
    test::ScopedSettings settings;
    ScanSettings::setFullRescan(true);
    ScanSettings::setMakePosters(false);
    ScanSettings::setScanThreads(4);
    ScanSettings::setFolderDepth(8);
    ScanSettings::setAutoRefresh(false);
    ScanSettings::setSkipSafetyNet(false);
    ScanSettings::setSkipFCPBackups(false);
    const auto& s = *settings.store;
    for (const char* key : {"fullRescan", "makePosters", "autoRefresh", "skipSafetyNet", "skipFCPBackups"})
        EXPECT_TRUE(s.holds(QString::fromLatin1(key), Type::Flag)) << key;
    EXPECT_TRUE(s.holds(QStringLiteral("scanThreads"), Type::Integer));
    EXPECT_TRUE(s.holds(QStringLiteral("folderDepth"), Type::Integer));
    EXPECT_TRUE(ScanSettings::fullRescan());
    EXPECT_FALSE(ScanSettings::makePosters());
    EXPECT_EQ(ScanSettings::scanThreads(), 4);
    EXPECT_EQ(ScanSettings::folderDepth(), 8);
    EXPECT_FALSE(ScanSettings::autoRefresh());
    EXPECT_FALSE(ScanSettings::skipSafetyNet());
    EXPECT_FALSE(ScanSettings::skipFCPBackups());
}

TEST(ScanSettingsTest, aFlagOfAnotherTypeReadsAsTheDefault) {
    test::ScopedSettings settings;
    settings.store->setText(QStringLiteral("makePosters"), QStringLiteral("no"));
    settings.store->setInteger(QStringLiteral("fullRescan"), 1);
    // The "skip" settings stay on, so a damaged file lets no safety-net or backup copy in.
    settings.store->setInteger(QStringLiteral("skipSafetyNet"), 0);
    settings.store->setText(QStringLiteral("skipFCPBackups"), QStringLiteral("false"));
    EXPECT_TRUE(ScanSettings::makePosters());
    EXPECT_FALSE(ScanSettings::fullRescan());
    EXPECT_TRUE(ScanSettings::skipSafetyNet());
    EXPECT_TRUE(ScanSettings::skipFCPBackups());
}

// What each stored value of "folderDepth" and "scanThreads" means to a scan.
TEST(ScanSettingsTest, storedCountsFollowTheirRules) {
    constexpr qint64 huge = qint64(1) << 40;
    struct Case {
        const char* name;
        std::function<void(platform::SettingsStore&, const QString&)> store;
        qint64 depth;
        int threads;
    };
    const std::vector<Case> cases = {
        {"absent", [](platform::SettingsStore&, const QString&) {}, 5, 2},
        {"0", [](platform::SettingsStore& s, const QString& key) { s.setInteger(key, 0); }, 5, 1},
        {"-1", [](platform::SettingsStore& s, const QString& key) { s.setInteger(key, -1); }, 5, 1},
        {"1", [](platform::SettingsStore& s, const QString& key) { s.setInteger(key, 1); }, 1, 1},
        {"3", [](platform::SettingsStore& s, const QString& key) { s.setInteger(key, 3); }, 3, 3},
        {"12", [](platform::SettingsStore& s, const QString& key) { s.setInteger(key, 12); }, 12, 12},
        // Far beyond an int: narrowed to the largest one, never wrapped.
        {"2^40", [](platform::SettingsStore& s, const QString& key) { s.setInteger(key, huge); }, huge,
         std::numeric_limits<int>::max()},
        {"-2^40", [](platform::SettingsStore& s, const QString& key) { s.setInteger(key, -huge); }, 5, 1},
        // Not an integer: as if absent.
        {"the text \"3\"",
         [](platform::SettingsStore& s, const QString& key) { s.setText(key, QStringLiteral("3")); }, 5, 2},
        {"the number 3.0", [](platform::SettingsStore& s, const QString& key) { s.setNumber(key, 3.0); }, 5,
         2},
        {"a flag", [](platform::SettingsStore& s, const QString& key) { s.setFlag(key, true); }, 5, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedSettings settings;
        c.store(*settings.store, QStringLiteral("folderDepth"));
        c.store(*settings.store, QStringLiteral("scanThreads"));
        EXPECT_EQ(ScanSettings::folderDepth(), c.depth);
        EXPECT_EQ(ScanSettings::scanThreads(), c.threads);
    }
}

} // namespace
