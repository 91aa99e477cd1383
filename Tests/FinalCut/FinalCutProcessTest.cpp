// Quitting Final Cut Pro and asking whether it answers, against the in-process fake on a
// virtual clock: the waits of a quarter of a second to half a minute run at once, and when an
// answer came is exact.

#include "FinalCut/FinalCutProcess.h"

#include "Tests/Support/FakeFinalCut/FakeFinalCut.h"
#include "Tests/Support/FakeFinalCut/ScriptFromJson.h"
#include "Tests/Support/VirtualClock.h"

#include <QJsonObject>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace std::chrono_literals;

TEST(FinalCutProcess, QuitsAndAsksWhatRunsAndWaitsOnTheClock) {
    enum class Ask { quit, forcedQuit, answers };
    struct Case {
        const char* name;
        QList<QJsonObject> instances; // one script per running instance
        Ask ask;
        bool expected;
        std::chrono::milliseconds at; // clock time of the answer (a floor where `floor`)
        bool floor;
        int quitRequests;
        int forcedQuits;
        int answerQuestions;
    };
    const Case cases[] = {
        {"nothing runs: quit", {}, Ask::quit, true, 0ms, false, 0, 0, 0},
        {"nothing runs: forced quit", {}, Ask::forcedQuit, true, 0ms, false, 0, 0, 0},
        {"nothing runs: answers", {}, Ask::answers, true, 0ms, false, 0, 0, 0},
        // Gone between the second look (1 s) and the third (1.5 s).
        {"gone at the third look", {{{"quitDelayMs", 1100}}}, Ask::quit, true, 1500ms, false, 1, 0, 0},
        {"ignores quit", {{{"ignoreQuit", true}}}, Ask::quit, false, 15000ms, false, 1, 0, 0},
        {"ignores quit, forced", {{{"ignoreQuit", true}}}, Ask::forcedQuit, true, 250ms, false, 0, 1, 0},
        {"two instances, the second late",
         {{{"quitDelayMs", 200}}, {{"quitDelayMs", 3200}}},
         Ask::quit,
         true,
         3500ms,
         false,
         2,
         0,
         0},
        {"answers", {QJsonObject()}, Ask::answers, true, 0ms, false, 0, 0, 1},
        {"hangs, limit 20", {{{"hang", true}}}, Ask::answers, false, 25000ms, true, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedVirtualClock clock;
        test::FakeFinalCut finalCut;
        for (const QJsonObject& instance : c.instances)
            finalCut.launch(test::scriptFromJson(instance));
        QObject context;
        std::optional<bool> answer;
        std::chrono::nanoseconds answeredAt{};
        const auto done = [&](bool value) {
            EXPECT_FALSE(answer) << "answered twice";
            answer = value;
            answeredAt = clock->monotonic();
        };
        if (c.ask == Ask::answers)
            FinalCutProcess::finalCutAnswers(20s, &context, done);
        else
            FinalCutProcess::quitFinalCut(c.ask == Ask::forcedQuit, &context, done);
        ASSERT_TRUE(clock->runUntil([&] { return answer.has_value(); }, 120s, 2s));
        EXPECT_EQ(*answer, c.expected);
        if (c.floor) {
            EXPECT_GE(answeredAt, c.at);
        } else {
            EXPECT_EQ(answeredAt, c.at);
        }
        EXPECT_EQ(finalCut.quitRequests(), c.quitRequests);
        EXPECT_EQ(finalCut.forcedQuits(), c.forcedQuits);
        EXPECT_EQ(finalCut.answerQuestions(), c.answerQuestions);
        if (c.expected && c.ask != Ask::answers) {
            EXPECT_TRUE(finalCut.app()->running().isEmpty());
        }
        // Nothing is left waiting: the looks end with the answer.
        clock->advance(60s);
        EXPECT_EQ(clock->pendingCalls(), 0);
    }
}

TEST(FinalCutProcess, QuittingOneInstanceAsksOnlyThatOneAndWaitsForAllToGo) {
    struct Case {
        const char* name;
        QList<QJsonObject> instances; // one script per running instance
        int asked;                    // the index of the instance asked to quit
        bool expected;
        std::chrono::milliseconds at; // clock time of the answer
        QList<int> quitRequests;      // per instance
    };
    const Case cases[] = {
        {"nothing runs", {}, 0, true, 0ms, {}},
        {"the one asked quits", {{{"quitDelayMs", 1100}}}, 0, true, 1500ms, {1}},
        {"the other keeps running", {QJsonObject(), QJsonObject()}, 0, false, 15000ms, {1, 0}},
        {"the second asked, the first keeps running",
         {QJsonObject(), QJsonObject()},
         1,
         false,
         15000ms,
         {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedVirtualClock clock;
        test::FakeFinalCut finalCut;
        QList<qint64> pids;
        for (const QJsonObject& instance : c.instances)
            pids.append(finalCut.launch(test::scriptFromJson(instance)));
        QObject context;
        std::optional<bool> answer;
        std::chrono::nanoseconds answeredAt{};
        FinalCutProcess::quitInstance(pids.value(c.asked, 4101), FinalCutProcess::quitLooks,
                                      FinalCutProcess::quitPause, &context, [&](bool gone) {
                                          EXPECT_FALSE(answer) << "answered twice";
                                          answer = gone;
                                          answeredAt = clock->monotonic();
                                      });
        ASSERT_TRUE(clock->runUntil([&] { return answer.has_value(); }, 120s, 2s));
        EXPECT_EQ(*answer, c.expected);
        EXPECT_EQ(answeredAt, c.at);
        QList<int> requests;
        for (const qint64 pid : pids)
            requests.append(int(finalCut.instance(pid)->log().count("quit request")));
        EXPECT_EQ(requests, c.quitRequests);
        EXPECT_EQ(finalCut.forcedQuits(), 0);
        clock->advance(60s);
        EXPECT_EQ(clock->pendingCalls(), 0);
    }
}

TEST(FinalCutProcess, AQuitWhoseContextWentFirstNeverAnswers) {
    test::ScopedVirtualClock clock;
    test::FakeFinalCut finalCut;
    finalCut.launch(test::scriptFromJson({{"ignoreQuit", true}}));
    finalCut.launch(test::scriptFromJson({{"hang", true}}));
    bool answered = false;
    {
        QObject context;
        FinalCutProcess::quitFinalCut(false, &context, [&](bool) { answered = true; });
        FinalCutProcess::finalCutAnswers(20s, &context, [&](bool) { answered = true; });
    }
    clock->advance(120s);
    EXPECT_FALSE(answered);
    EXPECT_EQ(clock->pendingCalls(), 0);
}
