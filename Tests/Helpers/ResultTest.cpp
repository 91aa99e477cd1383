#include "Support/Result.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {
Result<QStringList> split(const QString& text) {
    if (text.isEmpty())
        return Failure{"nothing to split"};
    return text.split(u',');
}
} // namespace

TEST(Result, CarriesAValueOrTheReason) {
    const Result<QStringList> good = split("a,b");
    ASSERT_TRUE(good.ok());
    EXPECT_EQ(good->size(), 2);
    EXPECT_EQ(*good, (QStringList{"a", "b"}));
    EXPECT_TRUE(good.error().isEmpty());

    const Result<QStringList> bad = split("");
    EXPECT_FALSE(bad);
    EXPECT_EQ(bad.error(), "nothing to split");

    // A text value is a value, not an error, and an empty failure message is still failure.
    EXPECT_TRUE(Result<QString>(QString("oops")).ok());
    EXPECT_FALSE(Result<QString>::failure({}).ok());

    EXPECT_TRUE(Result<void>::success().ok());
    const Result<void> failed = Failure{"disk full"};
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(), "disk full");
}
