#include "Widgets/UiFont.h"

#include "App/AppSettings.h"
#include "Tests/Support/Scopes.h"

#include <gtest/gtest.h>

using namespace pellimor;

TEST(UiFont, sizesFollowLargerTextAndWeightsDefaultToRegular) {
    test::ScopedSettings settings;
    struct Case {
        bool larger;
        qreal points;
        std::optional<QFont::Weight> weight;
        qreal expectedPoints;
        QFont::Weight expectedWeight;
    };
    const Case cases[] = {
        {false, 13, std::nullopt, 13.0, QFont::Normal},
        {true, 13, std::nullopt, 16.9, QFont::Normal},
        {false, 12, QFont::DemiBold, 12.0, QFont::DemiBold},
        {true, 12, QFont::DemiBold, 15.6, QFont::DemiBold},
    };
    for (const Case& c : cases) {
        AppSettings::setComfortable(c.larger);
        const QFont font = uiFont(c.points, c.weight);
        EXPECT_NEAR(font.pointSizeF(), c.expectedPoints, 0.01) << c.points << " larger=" << c.larger;
        EXPECT_EQ(font.weight(), c.expectedWeight);
    }
}

TEST(UiFont, watchersHearOnlyLargerTextAndStopWithTheirContext) {
    test::ScopedSettings settings;
    int refonts = 0;
    {
        QObject context;
        UiFont::watchComfortableText(&context, [&] { ++refonts; });
        AppSettings::setComfortable(true);
        AppSettings::setAppearance(QStringLiteral("dark"));
        EXPECT_EQ(refonts, 1);
    }
    AppSettings::setComfortable(false);
    EXPECT_EQ(refonts, 1);
}
