// The stored settings: keys, defaults, typed reads, and the Settings window's choices.

#include "Shell/AppSettings.h"

#include "Shell/Appearance.h"
#include "Shell/SettingsModel.h"
#include "Tests/Shell/Engine/ShellTestSupport.h"

#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;
using Type = platform::SettingsStore::Type;

namespace {

TEST(AppSettingsTest, anEmptyStoreReadsTheDefaults) {
    test::ScopedSettings settings;
    EXPECT_FALSE(AppSettings::comfortable());
    EXPECT_EQ(AppSettings::appearance(), QStringLiteral("system"));
    EXPECT_FALSE(AppSettings::hideBackups());
    EXPECT_FALSE(AppSettings::fullRescan());
    EXPECT_TRUE(AppSettings::makePosters());
    EXPECT_EQ(AppSettings::scanThreads(), 2);
    EXPECT_EQ(AppSettings::dateMode(), QStringLiteral("modified"));
    EXPECT_TRUE(AppSettings::autoRefresh());
    EXPECT_EQ(AppSettings::folderDepth(), 5);
    EXPECT_TRUE(AppSettings::skipSafetyNet());
    EXPECT_TRUE(AppSettings::skipFCPBackups());
    EXPECT_EQ(AppSettings::manualDoc(), QStringLiteral("Manual"));
    // Reading writes nothing.
    for (const char* key :
         {"comfortableText", "appearance", "hideBackupDrives", "fullRescan", "makePosters", "scanThreads",
          "dateMode", "autoRefresh", "folderDepth", "skipSafetyNet", "skipFCPBackups", "manualDoc"})
        EXPECT_FALSE(settings.store->contains(QString::fromLatin1(key))) << key;
}

TEST(AppSettingsTest, writesKeepTheirTypesUnderTheDocumentedKeys) {
    test::ScopedSettings settings;
    AppSettings::setComfortable(true);
    AppSettings::setAppearance(QStringLiteral("dark"));
    AppSettings::setHideBackups(true);
    AppSettings::setFullRescan(true);
    AppSettings::setMakePosters(false);
    AppSettings::setScanThreads(4);
    AppSettings::setDateMode(QStringLiteral("created"));
    AppSettings::setFolderDepth(8);
    const auto& s = *settings.store;
    EXPECT_TRUE(s.holds(QStringLiteral("comfortableText"), Type::Flag));
    EXPECT_TRUE(s.holds(QStringLiteral("hideBackupDrives"), Type::Flag));
    EXPECT_TRUE(s.holds(QStringLiteral("fullRescan"), Type::Flag));
    EXPECT_TRUE(s.holds(QStringLiteral("makePosters"), Type::Flag));
    EXPECT_TRUE(s.holds(QStringLiteral("scanThreads"), Type::Integer));
    EXPECT_TRUE(s.holds(QStringLiteral("folderDepth"), Type::Integer));
    EXPECT_EQ(s.text(QStringLiteral("appearance")), QStringLiteral("dark"));
    EXPECT_EQ(s.text(QStringLiteral("dateMode")), QStringLiteral("created"));
    EXPECT_TRUE(AppSettings::comfortable());
    EXPECT_FALSE(AppSettings::makePosters());
    EXPECT_EQ(AppSettings::scanThreads(), 4);
    EXPECT_EQ(AppSettings::folderDepth(), 8);
}

TEST(AppSettingsTest, aValueOfAnotherTypeReadsAsTheDefault) {
    test::ScopedSettings settings;
    settings.store->setText(QStringLiteral("makePosters"), QStringLiteral("no"));
    settings.store->setText(QStringLiteral("scanThreads"), QStringLiteral("4"));
    settings.store->setFlag(QStringLiteral("appearance"), true);
    settings.store->setInteger(QStringLiteral("comfortableText"), 1);
    EXPECT_TRUE(AppSettings::makePosters());
    EXPECT_EQ(AppSettings::scanThreads(), 2);
    EXPECT_EQ(AppSettings::appearance(), QStringLiteral("system"));
    EXPECT_FALSE(AppSettings::comfortable());
}

TEST(AppSettingsTest, hugeThreadCountsNarrowWithoutWrapping) {
    test::ScopedSettings settings;
    AppSettings::setScanThreads(qint64(1) << 40);
    EXPECT_EQ(AppSettings::scanConcurrency(), std::numeric_limits<int>::max());
    AppSettings::setScanThreads(-(qint64(1) << 40));
    EXPECT_EQ(AppSettings::scanConcurrency(), std::numeric_limits<int>::min());
    AppSettings::setScanThreads(4);
    EXPECT_EQ(AppSettings::scanConcurrency(), 4);
}

TEST(AppearanceTest, onlyExactLowerCaseWordsForceAScheme) {
    using S = Appearance::ColorScheme;
    const QList<std::pair<QString, S>> cases{{QStringLiteral("dark"), S::dark},
                                             {QStringLiteral("light"), S::light},
                                             {QStringLiteral("system"), S::system},
                                             {QStringLiteral("Dark"), S::system},
                                             {QStringLiteral("LIGHT"), S::system},
                                             {QStringLiteral(" dark"), S::system},
                                             {QString(), S::system},
                                             {QStringLiteral("sepia"), S::system}};
    for (const auto& [text, scheme] : cases)
        EXPECT_EQ(Appearance::colorScheme(text), scheme) << text.toStdString();
}

TEST(AppearanceTest, largerTextScalesFontsAndMinimumSize) {
    EXPECT_DOUBLE_EQ(Appearance::fontScale(false), 1.0);
    EXPECT_DOUBLE_EQ(Appearance::fontScale(true), 1.3);
    EXPECT_DOUBLE_EQ(Appearance::mainFontPoints(false), 13.0);
    EXPECT_DOUBLE_EQ(Appearance::mainFontPoints(true), 16.9);
    EXPECT_EQ(Appearance::mainMinimumSize(false), QSize(1000, 640));
    EXPECT_EQ(Appearance::mainMinimumSize(true), QSize(1250, 760));
    EXPECT_EQ(Appearance::listRowMinimumHeight(false), 24);
    EXPECT_EQ(Appearance::listRowMinimumHeight(true), 34);
    EXPECT_EQ(Appearance::mainDefaultSize(), QSize(1400, 900));
    EXPECT_EQ(Appearance::reportDefaultSize(), QSize(700, 720));
}

TEST(SettingsModelTest, choicesStoreTheirValuesAndUnknownValuesSelectNothing) {
    QStringList titles;
    QStringList values;
    for (const auto& choice : SettingsModel::appearanceChoices()) {
        titles.append(choice.title);
        values.append(choice.value);
    }
    EXPECT_EQ(titles, (QStringList{"Match my Mac", "Light", "Dark"}));
    EXPECT_EQ(values, (QStringList{"system", "light", "dark"}));

    QStringList depthTitles;
    for (const auto& choice : SettingsModel::folderDepthChoices())
        depthTitles.append(choice.title + '=' + QString::number(choice.value));
    EXPECT_EQ(depthTitles, (QStringList{"3=3", "5=5", "8=8"}));
    QStringList threadTitles;
    for (const auto& choice : SettingsModel::scanThreadsChoices())
        threadTitles.append(choice.title + '=' + QString::number(choice.value));
    EXPECT_EQ(threadTitles, (QStringList{"1 (slow NAS)=1", "2=2", "4 (fast SSD)=4"}));

    EXPECT_EQ(SettingsModel::indexOf(SettingsModel::appearanceChoices(), QStringLiteral("dark")), 2);
    EXPECT_EQ(SettingsModel::indexOf(SettingsModel::appearanceChoices(), QStringLiteral("Dark")),
              std::nullopt);
    EXPECT_EQ(SettingsModel::indexOf(SettingsModel::folderDepthChoices(), 5), 1);
    EXPECT_EQ(SettingsModel::indexOf(SettingsModel::folderDepthChoices(), 7), std::nullopt);
    EXPECT_EQ(SettingsModel::indexOf(SettingsModel::scanThreadsChoices(), 4), 2);
    EXPECT_EQ(SettingsModel::indexOf(SettingsModel::scanThreadsChoices(), 3), std::nullopt);
}

TEST(SettingsModelTest, scanningTogglesInOrderWithTheirKeysAndDefaults) {
    QStringList rows;
    for (const auto& toggle : SettingsModel::scanningToggles())
        rows.append(QString(toggle.key) + '|' + toggle.title + '|' + (toggle.defaultValue ? "on" : "off"));
    EXPECT_EQ(rows, (QStringList{"autoRefresh|Refresh watched folders when a drive is plugged in|on",
                                 "skipSafetyNet|Ignore Carbon Copy Cloner SafetyNet folders|on",
                                 "skipFCPBackups|Ignore Final Cut's automatic backups|on",
                                 "fullRescan|Full rescan (ignore unchanged check)|off",
                                 "makePosters|Make poster frames|on"}));
    EXPECT_EQ(
        SettingsModel::scanningToggles()[2].help,
        QStringLiteral("Final Cut saves a small copy of each library every few minutes in Movies ▸ Final Cut "
                       "Backups. They are named by date and time and hold no media."));
    EXPECT_EQ(QString(SettingsModel::largerTextToggle().key), QStringLiteral("comfortableText"));
    EXPECT_EQ(SettingsModel::largerTextToggle().title, QStringLiteral("Larger Text"));
}

} // namespace
