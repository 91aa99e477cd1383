// The Settings window's choices and toggles, as plain values.

#include "Shell/SettingsModel.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

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
