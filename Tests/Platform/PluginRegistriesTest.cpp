// The platform's plug-in services: the runner that reads a helper program's output (played by
// small scripts), the system-wide root, and the two registries this machine does not have.

#include "Platform/AudioUnitRegistry.h"
#include "Platform/FxPlugRegistry.h"
#include "Platform/ProgramOutput.h"
#include "Platform/RootFolder.h"
#include "Platform/Services.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

QString writeScript(const QString& folder, const QString& name, const QString& body, bool executable = true) {
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
}

} // namespace

TEST(ProgramOutput, ReadsAllOfALargeOutputWithoutTheErrorStreamWhateverTheExitStatus) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("runner"));
    // Far more than a pipe holds, so a runner that waited before reading would stall the
    // script; noise on the error stream between the lines, and a failing exit status.
    const QString script = writeScript(folder, QStringLiteral("lister"), QStringLiteral(R"(
i=0
while [ $i -lt 6000 ]; do
  printf 'line %05d /Plug-ins/Item %05d.fxplug\n' $i $i
  if [ $((i % 100)) -eq 0 ]; then echo "noise $i" >&2; fi
  i=$((i + 1))
done
exit 3)"));
    QByteArray expected;
    for (int i = 0; i < 6000; ++i)
        expected +=
            QStringLiteral("line %1 /Plug-ins/Item %1.fxplug\n").arg(i, 5, 10, QLatin1Char('0')).toUtf8();
    ASSERT_GT(expected.size(), 200 * 1000);

    const std::optional<QByteArray> output = ProgramOutput::read(script, {});
    ASSERT_TRUE(output.has_value());
    EXPECT_EQ(output->size(), expected.size());
    EXPECT_TRUE(*output == expected);
    EXPECT_FALSE(output->contains("noise"));
}

TEST(ProgramOutput, PassesTheArgumentsAsGivenAndTellsAProgramThatCannotStart) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("runner-arguments"));
    const QString echo = writeScript(folder, QStringLiteral("echo"),
                                     QStringLiteral(R"(for a in "$@"; do printf '[%s]\n' "$a"; done)"));
    EXPECT_EQ(ProgramOutput::read(echo, {QStringLiteral("-m"), QStringLiteral("two words"), QString()}),
              QByteArray("[-m]\n[two words]\n[]\n"));

    const QString reader = writeScript(folder, QStringLiteral("reader"), QStringLiteral("cat; echo read"));
    EXPECT_EQ(ProgramOutput::read(reader, {}), QByteArray("read\n")) << "no input to wait for";

    const QString silent = writeScript(folder, QStringLiteral("silent"), QStringLiteral("exit 0"));
    EXPECT_EQ(ProgramOutput::read(silent, {}), QByteArray());

    EXPECT_EQ(ProgramOutput::read(QDir(folder).filePath(QStringLiteral("absent")), {}), std::nullopt);
    const QString plain =
        writeScript(folder, QStringLiteral("not-executable"), QStringLiteral("echo hi"), false);
    EXPECT_EQ(ProgramOutput::read(plain, {}), std::nullopt);
    EXPECT_EQ(ProgramOutput::read(folder, {}), std::nullopt) << "a folder";
}

TEST(PluginPlatformServices, TheSystemAnswersAsThisMachineCan) {
    const platform::Services system = platform::Services::system();
    EXPECT_EQ(system.rootFolder->path(), QStringLiteral("/"));

    using Registry = platform::AudioUnitRegistry;
    EXPECT_EQ(system.audioUnits->matchCount(Registry::fourCharCode(u"aufx"), Registry::fourCharCode(u"ADR2"),
                                            Registry::fourCharCode(u"Actz")),
              std::nullopt);

    if (QFileInfo::exists(QStringLiteral("/usr/bin/pluginkit")))
        GTEST_SKIP() << "this machine has a program at the registry tool's path";
    EXPECT_EQ(system.fxplugs->listing(), std::nullopt);
}

TEST(PluginPlatformServices, FourCharacterCodesPackTheirBytesBigEndian) {
    using Registry = platform::AudioUnitRegistry;
    EXPECT_EQ(Registry::fourCharCode(u"aufx"), 0x61756678u);
    EXPECT_EQ(Registry::fourCharCode(u"ADR2"), 0x41445232u);
    EXPECT_EQ(Registry::fourCharCode(u" ~!0"), 0x207e2130u);
    EXPECT_EQ(Registry::fourCharCode(u"ab"), 0x61620000u) << "missing bytes are zeros";
    EXPECT_EQ(Registry::fourCharCode(u"abcdef"), 0x61626364u) << "only the first four count";
}
