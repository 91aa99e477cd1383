// The problem report's facts about this program.

#include "Manual/ProblemReport.h"

#include "Platform/Services.h"

#include <gtest/gtest.h>

using namespace pellimor;

namespace {
class FixedBundle final : public platform::MainBundle {
public:
    explicit FixedBundle(QVariantMap info) : m_info(std::move(info)) {}
    QVariantMap infoDictionary() const override { return m_info; }
    QString bundlePath() const override { return "/opt/Tovlin"; }
    QString executablePath() const override { return {}; }

private:
    QVariantMap m_info;
};

QString versionWith(QVariantMap info) {
    platform::Services s;
    s.bundle = std::make_shared<FixedBundle>(std::move(info));
    platform::ScopedServices scope(s);
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
