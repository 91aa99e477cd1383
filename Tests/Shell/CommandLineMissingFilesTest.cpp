// The missing-files switches in-process: the self-test chain stops at the first failure, and
// "--missing-search" is not recognised without its folder.

#include "Shell/CommandLine.h"

#include <gtest/gtest.h>

using namespace pellimor;

TEST(CommandLineMissingFiles, theSelfTestChainStopsAtTheFirstFailure) {
    struct Case {
        const char* what;
        QList<bool> outcomes;
        int status;
        QList<int> ran;
    };
    const Case cases[] = {
        {"all pass", {true, true, true}, 0, {0, 1, 2}},
        {"the first fails", {false, true, true}, 1, {0}},
        {"the second fails", {true, false, true}, 1, {0, 1}},
        {"the last fails", {true, true, false}, 1, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QList<int> ran;
        QList<std::function<bool()>> tests;
        for (int i = 0; i < c.outcomes.size(); ++i)
            tests.append([&ran, i, outcome = c.outcomes.at(i)] {
                ran.append(i);
                return outcome;
            });
        EXPECT_EQ(CommandLine::selfTestChain(tests), c.status);
        EXPECT_EQ(ran, c.ran);
    }
}

TEST(CommandLineMissingFiles, theSearchWithoutItsFolderGoesOnToTheWindowedStart) {
    QStringList printed;
    const CommandLine::Print print = [&printed](const QString& line) { printed.append(line); };
    for (const QStringList& args : {QStringList{"/usr/bin/tovlin", "--missing-search"},
                                    QStringList{"/usr/bin/tovlin", "--missing-search", "/tmp"},
                                    QStringList{"/usr/bin/tovlin", "/tmp", "--selftest-cleanup"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_FALSE(CommandLine::dispatch(args, print).has_value());
    }
    EXPECT_TRUE(printed.isEmpty());
}
