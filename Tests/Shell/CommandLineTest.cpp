#include "Shell/CommandLine.h"

#include "Platform/Services.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/FakeAccessibility.h"
#include "Tests/Support/FakeMainBundle.h"
#include "Tests/Support/FileGates.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

using namespace pellimor;

namespace {

// A table whose actions record which row ran and with what, so the dispatcher's rules can be
// checked without running any diagnostic.
struct Recorder {
    QStringList ran;
    QList<QStringList> arguments;

    CommandLine::Switch row(const QString& label, const QString& name, qsizetype minimum, int status = 0) {
        return {name, minimum,
                [this, label, status](const QStringList& args, const CommandLine::Print& print) {
                    ran.append(label);
                    arguments.append(args);
                    print(label);
                    return status;
                }};
    }
};

struct Captured {
    QStringList lines;
    CommandLine::Print print() {
        return [this](const QString& line) { lines.append(line); };
    }
};

QStringList argv(std::initializer_list<const char*> items) {
    QStringList list{QStringLiteral("/usr/bin/tovlin")};
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

} // namespace

TEST(CommandLineTest, theProgramsSwitchesAreTriedInTheirOrderWithTheirMinimumCounts) {
    QList<QPair<QString, qsizetype>> rows;
    for (const CommandLine::Switch& row : CommandLine::switches())
        rows.append({row.name, row.minimumCount});
    const QList<QPair<QString, qsizetype>> expected = {{"--safetycopy", 4},
                                                       {"--axcheck", 2},
                                                       {"--check", 3},
                                                       {"--cleanup-plan", 3},
                                                       {"--missing-search", 4},
                                                       {"--missing-files", 3},
                                                       {"--plugins", 3},
                                                       {"--selftest-cleanup", 2},
                                                       {"--ask-manual", 3},
                                                       {"--selftest-prefs", 2},
                                                       {"--selftest-search", 2},
                                                       {"--selftest-eject", 2},
                                                       {"--selftest-bar", 2},
                                                       {"--selftest-deroom", 2},
                                                       {"--selftest-report", 2},
                                                       {"--discover", 3},
                                                       {"--dump", 3}};
    EXPECT_EQ(rows, expected);
}

TEST(CommandLineTest, dispatchRulesOnOrderCountsAndPosition) {
    struct Case {
        const char* what;
        QStringList args;
        std::optional<QString> ran; // the row that ran, nothing for the windowed start
    };
    const QList<Case> cases = {
        {"a switch with enough arguments runs", argv({"--a", "lib"}), "A"},
        {"arguments beyond the minimum are ignored", argv({"--a", "lib", "more", "--b"}), "A"},
        {"too few for the first row, the next row of that name with a lower minimum wins", argv({"--a"}),
         "A2"},
        {"a switch of minimum 2 runs alone", argv({"--b"}), "B"},
        {"the first of two matching rows wins", argv({"--c", "x"}), "C"},
        {"too few arguments for every row: windowed start", argv({"--d"}), std::nullopt},
        {"a switch as the third argument is ignored", argv({"lib", "--b"}), std::nullopt},
        {"a switch after a start-up switch is ignored", argv({"--resume", "--b"}), std::nullopt},
        {"the program's path alone: windowed start", argv({}), std::nullopt},
        {"no arguments at all: windowed start", QStringList(), std::nullopt},
        {"switches are compared case-sensitively", argv({"--B"}), std::nullopt},
        {"and exactly", argv({"--b "}), std::nullopt},
        {"a prefix is no match", argv({"--bb"}), std::nullopt},
        {"a single dash is no match", argv({"-b"}), std::nullopt},
        {"an unknown switch: windowed start", argv({"--scan", "/x"}), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder recorder;
        const QList<CommandLine::Switch> table = {
            recorder.row("A", "--a", 3), recorder.row("A2", "--a", 2), recorder.row("B", "--b", 2),
            recorder.row("C", "--c", 3), recorder.row("C2", "--c", 3), recorder.row("D", "--d", 4),
        };
        Captured out;
        const std::optional<int> status = CommandLine::dispatch(c.args, table, out.print());
        if (c.ran) {
            ASSERT_TRUE(status.has_value());
            EXPECT_EQ(recorder.ran, QStringList{*c.ran});
            EXPECT_EQ(recorder.arguments, QList<QStringList>{c.args}) << "the action gets the whole list";
            EXPECT_EQ(out.lines, QStringList{*c.ran}) << "output goes through the given writer";
        } else {
            EXPECT_FALSE(status.has_value());
            EXPECT_TRUE(recorder.ran.isEmpty());
            EXPECT_TRUE(out.lines.isEmpty());
        }
    }
}

TEST(CommandLineTest, theActionsExitStatusIsTheProgramsStatus) {
    for (const int wanted : {0, 1}) {
        Recorder recorder;
        const QList<CommandLine::Switch> table = {recorder.row("T", "--selftest-x", 2, wanted)};
        Captured out;
        EXPECT_EQ(CommandLine::dispatch(argv({"--selftest-x"}), table, out.print()),
                  std::optional<int>(wanted));
    }
}

TEST(CommandLineTest, theProgramsSwitchesWithTooFewArgumentsGoOnToTheWindowedStart) {
    // None of these may run a diagnostic; each must print nothing.
    const QList<QStringList> cases = {
        argv({}),
        argv({"--check"}),
        argv({"--safetycopy"}),
        argv({"--safetycopy", "/tmp"}),
        argv({"--cleanup-plan"}),
        argv({"--missing-files"}),
        argv({"--plugins"}),
        argv({"--discover"}),
        argv({"--dump"}),
        argv({"--resume"}),
        argv({"--scan", "/tmp"}),
        argv({"/tmp", "--check", "/tmp"}),
        argv({"--Check", "/tmp"}),
        argv({"--check=/tmp", "/tmp"}),
        argv({"/tmp", "--axcheck"}),
        argv({"--AXcheck"}),
        argv({"-axcheck"}),
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        Captured out;
        EXPECT_FALSE(CommandLine::dispatch(args, out.print()).has_value());
        EXPECT_TRUE(out.lines.isEmpty());
    }
}

TEST(CommandLineTest, axcheckAnswersThroughThePlatformLayerWithoutAPrompt) {
    struct Case {
        const char* what;
        bool trusted;
        QString executable;
        QStringList args;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"trusted",
         true,
         "/opt/Tovlin/bin/tovlin",
         argv({"--axcheck"}),
         {"AXIsProcessTrusted: true", "bundle: /opt/Tovlin/bin", "executable: /opt/Tovlin/bin/tovlin"}},
        {"not trusted, later arguments ignored",
         false,
         "/opt/Tovlin/bin/tovlin",
         argv({"--axcheck", "--check", "/tmp"}),
         {"AXIsProcessTrusted: false", "bundle: /opt/Tovlin/bin", "executable: /opt/Tovlin/bin/tovlin"}},
        {"no executable known",
         false,
         "",
         argv({"--axcheck"}),
         {"AXIsProcessTrusted: false", "bundle: /opt/Tovlin/bin", "executable: ?"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto accessibility = std::make_shared<test::FakeAccessibility>(c.trusted);
        platform::Services fakes;
        fakes.accessibility = accessibility;
        fakes.bundle = std::make_shared<test::FakeMainBundle>(QVariantMap(), "/opt/Tovlin/bin", c.executable);
        const platform::ScopedServices scope(fakes);

        Captured out;
        EXPECT_EQ(CommandLine::dispatch(c.args, out.print()), std::optional<int>(0));
        EXPECT_EQ(out.lines, c.expected);
        EXPECT_EQ(accessibility->questions(), 1);
        EXPECT_EQ(accessibility->prompts(), 0) << "a diagnostic never puts up the permission prompt";
    }
}

TEST(CommandLineTest, wholeNumbersForTheDepthArgument) {
    struct Case {
        QString text;
        std::optional<qint64> value;
    };
    const QList<Case> cases = {
        {"5", 5},
        {"0", 0},
        {"1", 1},
        {"-1", -1},
        {"+2", 2},
        {"007", 7},
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"9223372036854775808", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"abc", std::nullopt},
        {"5a", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"5.0", std::nullopt},
        {"0x10", std::nullopt},
        {"1e3", std::nullopt},
        {QStringLiteral("\u0665"), std::nullopt}, // a digit of another script
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(CommandLine::wholeNumber(c.text), c.value);
    }
}

TEST(CommandLineTest, pathArgumentsAreAbsoluteAndClean) {
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(CommandLine::pathArgument("Lib.fcpbundle"), cwd + "/Lib.fcpbundle");
    EXPECT_EQ(CommandLine::pathArgument("a/../Lib.fcpbundle/"), cwd + "/Lib.fcpbundle");
    EXPECT_EQ(CommandLine::pathArgument("/Volumes//Media/Lib.fcpbundle/"), "/Volumes/Media/Lib.fcpbundle");
    EXPECT_EQ(CommandLine::pathArgument("/Volumes/Media/My Lib é.fcpbundle"),
              "/Volumes/Media/My Lib é.fcpbundle");
}

TEST(CommandLineTest, onlyWhatHoldsNothingOfALibraryIsUnreadable) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("unreadable"));
    const auto bundle = [&](const char* name, const std::function<void(const QString&)>& fill) {
        const QString path = QDir(folder).filePath(QString::fromUtf8(name));
        QDir().mkpath(path);
        fill(path);
        return path;
    };
    const auto write = [](const QString& path) { fixtures::FixtureFiles::writeBytes(path, "x"); };
    std::vector<std::unique_ptr<test::NamedPipe>> pipes;
    struct Case {
        const char* what;
        QString path;
        bool unreadable;
    };
    const Case cases[] = {
        {"no such path", folder + "/Gone.fcpbundle", true},
        {"an empty folder", bundle("Empty.fcpbundle", [](const QString&) {}), true},
        {"a folder whose subfolder is no event",
         bundle("Plain", [&](const QString& p) { write(p + "/Day 1/A001.mov"); }), true},
        {"a file",
         [&] {
             write(folder + "/File.fcpbundle");
             return folder + "/File.fcpbundle";
         }(),
         true},
        {"a database link to nothing",
         bundle("Dangling.fcpbundle",
                [](const QString& p) { QFile::link(p + "/nowhere", p + "/CurrentVersion.flexolibrary"); }),
         true},
        {"a database",
         bundle("Db.fcpbundle", [&](const QString& p) { write(p + "/CurrentVersion.flexolibrary"); }), false},
        {"a version list only",
         bundle("Plist.fcpbundle", [&](const QString& p) { write(p + "/CurrentVersion.plist"); }), false},
        {"a database that is a pipe",
         bundle("Pipe.fcpbundle",
                [&](const QString& p) {
                    pipes.push_back(std::make_unique<test::NamedPipe>(p + "/CurrentVersion.flexolibrary"));
                }),
         false},
        {"an event only",
         bundle("Events.fcpbundle", [&](const QString& p) { write(p + "/Day 1/CurrentVersion.fcpevent"); }),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<QString> line = CommandLine::unreadableLibrary(c.path);
        if (c.unreadable)
            EXPECT_EQ(line, "Can't read the library at " + c.path + ".");
        else
            EXPECT_EQ(line, std::nullopt);
    }
}

TEST(CommandLineTest, argumentsKeepEveryByteOfAFileName) {
    const char* raw[] = {"/usr/bin/tovlin", "--dump", "/Volumes/Média/Lib.fcpbundle"};
    EXPECT_EQ(CommandLine::arguments(3, raw),
              (QStringList{"/usr/bin/tovlin", "--dump", QString::fromUtf8("/Volumes/Média/Lib.fcpbundle")}));
}
