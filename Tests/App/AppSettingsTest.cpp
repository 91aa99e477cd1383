// The app-wide stored settings: keys, defaults and typed reads; the appearance rules.

#include "App/AppSettings.h"

#include "App/Appearance.h"
#include "Tests/Support/Scopes.h"

#include <gtest/gtest.h>

using namespace pellimor;
using Type = platform::SettingsStore::Type;

namespace {

TEST(AppSettingsTest, anEmptyStoreReadsTheDefaults) {
    test::ScopedSettings settings;
    EXPECT_FALSE(AppSettings::comfortable());
    EXPECT_EQ(AppSettings::appearance(), QStringLiteral("system"));
    EXPECT_FALSE(AppSettings::hideBackups());
    EXPECT_EQ(AppSettings::dateMode(), QStringLiteral("modified"));
    EXPECT_EQ(AppSettings::manualDoc(), QStringLiteral("Manual"));
    // Reading writes nothing.
    for (const char* key : {"comfortableText", "appearance", "hideBackupDrives", "dateMode", "manualDoc"})
        EXPECT_FALSE(settings.store->contains(QString::fromLatin1(key))) << key;
}

TEST(AppSettingsTest, writesKeepTheirTypesUnderTheDocumentedKeys) {
    test::ScopedSettings settings;
    AppSettings::setComfortable(true);
    AppSettings::setAppearance(QStringLiteral("dark"));
    AppSettings::setHideBackups(true);
    AppSettings::setDateMode(QStringLiteral("created"));
    const auto& s = *settings.store;
    EXPECT_TRUE(s.holds(QStringLiteral("comfortableText"), Type::Flag));
    EXPECT_TRUE(s.holds(QStringLiteral("hideBackupDrives"), Type::Flag));
    EXPECT_EQ(s.text(QStringLiteral("appearance")), QStringLiteral("dark"));
    EXPECT_EQ(s.text(QStringLiteral("dateMode")), QStringLiteral("created"));
    EXPECT_TRUE(AppSettings::comfortable());
}

TEST(AppSettingsTest, aValueOfAnotherTypeReadsAsTheDefault) {
    test::ScopedSettings settings;
    settings.store->setFlag(QStringLiteral("appearance"), true);
    settings.store->setInteger(QStringLiteral("comfortableText"), 1);
    EXPECT_EQ(AppSettings::appearance(), QStringLiteral("system"));
    EXPECT_FALSE(AppSettings::comfortable());
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

} // namespace
