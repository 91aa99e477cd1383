// The system's scripted move: /bin/mkdir and /bin/mv as child processes, each path one
// argument of its own, and no administrator rights on this system.

#include "Platform/ScriptedMove.h"

#include "Platform/Services.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

platform::ScriptedMove::Outcome run(const QString& parent, const QString& source, const QString& destination,
                                    bool admin) {
    return platform::Services::system().scriptedMove->run(parent, source, destination, admin);
}

} // namespace

TEST(ScriptedMove, PathsReachTheCommandsIntactWhateverTheyHold) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("scripted-move"));
    // Everything a shell would read as syntax, in the folders and in the bundle's name.
    const QString odd = QStringLiteral("it's a \"quote\" \\ back $(touch pwned) `touch pwned` ; -x");
    const QString source = folder + "/from " + odd + "/DeRoom " + odd + ".component";
    test::writeFile(source + "/marker", "script");
    const QString destination = folder + "/to " + odd + "/deeper/DeRoom " + odd + ".component";

    const platform::ScriptedMove::Outcome outcome =
        run(QFileInfo(destination).absolutePath(), source, destination, false);
    EXPECT_TRUE(outcome.started) << outcome.startError.toStdString();
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.output.toStdString();
    EXPECT_EQ(test::readAll(destination + "/marker"), QByteArray("script"));
    EXPECT_FALSE(QFileInfo::exists(source));
    EXPECT_FALSE(QFileInfo::exists(folder + "/pwned"));
    EXPECT_FALSE(QFileInfo::exists(QDir::currentPath() + "/pwned"));
}

TEST(ScriptedMove, FailuresGiveTheStatusAndWhatTheCommandsSaid) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("scripted-move-fails"));
    const QString source = folder + "/DeRoom.component";
    test::writeFile(source + "/marker", "script");
    test::writeFile(folder + "/a file", "in the way");

    // The parent cannot be made: a file stands where a folder must; mv never runs.
    const platform::ScriptedMove::Outcome parent =
        run(folder + "/a file/below", source, folder + "/a file/below/DeRoom.component", false);
    EXPECT_TRUE(parent.started);
    EXPECT_NE(parent.exitStatus, 0);
    EXPECT_TRUE(parent.output.contains("mkdir")) << parent.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(source + "/marker"));

    // Nothing to move.
    const platform::ScriptedMove::Outcome missing =
        run(folder + "/to", folder + "/gone", folder + "/to/gone", false);
    EXPECT_TRUE(missing.started);
    EXPECT_NE(missing.exitStatus, 0);
    EXPECT_TRUE(missing.output.contains("gone")) << missing.output.toStdString();

    // No administrator rights here: nothing is started, nothing moves.
    const platform::ScriptedMove::Outcome admin =
        run(folder + "/admin", source, folder + "/admin/DeRoom.component", true);
    EXPECT_TRUE(admin.started);
    EXPECT_EQ(admin.exitStatus, 1);
    EXPECT_EQ(admin.output, QByteArray("Administrator rights are not available on this system."));
    EXPECT_TRUE(QFileInfo::exists(source + "/marker"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/admin"));
}
