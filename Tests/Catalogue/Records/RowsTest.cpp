#include "Catalogue/Records/LibraryRow.h"

#include <gtest/gtest.h>

using namespace pellimor;

namespace {

LibraryRow withPlugins(qint64 missing, qint64 partial) {
    LibraryRow row;
    row.missingPlugins = missing;
    row.partialPlugins = partial;
    return row;
}

TEST(LibraryRow, PluginProblemsRankMissingPacksBeforePartlyInstalledOnes) {
    const struct {
        qint64 missing, partial, expected;
    } cases[] = {{0, 0, 0}, {0, 5, 5}, {1, 0, 1000}, {1, 999, 1999}, {2, 3, 2003}};
    for (const auto& c : cases)
        EXPECT_EQ(withPlugins(c.missing, c.partial).pluginProblems(), c.expected)
            << c.missing << "/" << c.partial;

    EXPECT_GT(withPlugins(2, 3).pluginProblems(), withPlugins(1, 999).pluginProblems());
    EXPECT_GT(withPlugins(1, 0).pluginProblems(), withPlugins(0, 999).pluginProblems());
}

} // namespace
