#include "Platform/Services.h"

#include "Platform/Paths.h"
#include "Tests/Support/TestEnv.h"

#include <gtest/gtest.h>

using namespace pellimor;

TEST(Paths, DataFolderFollowsTheEnvironment) {
    EXPECT_EQ(Paths::dataFolder(), test::TestEnv::dataDir());
    EXPECT_EQ(Paths::programSupportFolder(), test::TestEnv::dataHome() + "/Pellimor");
    qunsetenv("TOVLIN_DATA_DIR");
    EXPECT_EQ(Paths::dataFolder(), Paths::programSupportFolder());
    qputenv("TOVLIN_DATA_DIR", test::TestEnv::dataDir().toUtf8());
}
