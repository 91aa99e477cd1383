// The problem report's facts about this program.

#include "Manual/ProblemReport.h"

#include "Platform/Services.h"
#include "Tests/Support/FakeMainBundle.h"

#include <gtest/gtest.h>

using namespace pellimor;

namespace {
QString versionWith(QVariantMap info) {
    platform::ScopedServices scope(test::FakeMainBundle::services(
        std::make_shared<test::FakeMainBundle>(std::move(info), QStringLiteral("/opt/Tovlin"))));
    return ProblemReport::appVersion();
}
} // namespace

TEST(ProblemReport, AppVersionFromTheInformationList) {
    EXPECT_EQ(versionWith({{"CFBundleShortVersionString", "1.17.0"}, {"CFBundleVersion", "61"}}),
              "Tovlin 1.17.0 (61)");
    EXPECT_EQ(versionWith({{"CFBundleShortVersionString", "1.2"}}), "Tovlin 1.2 ()");
    EXPECT_EQ(versionWith({{"CFBundleShortVersionString", "1.2"}, {"CFBundleVersion", 5}}), "Tovlin 1.2 ()");
    EXPECT_EQ(versionWith({{"CFBundleShortVersionString", 3}}), "Tovlin (not packaged)");
    EXPECT_EQ(versionWith({}), "Tovlin (not packaged)");
    // Outside any override the built-in information list answers.
    EXPECT_TRUE(ProblemReport::appVersion().startsWith("Tovlin "));
}
