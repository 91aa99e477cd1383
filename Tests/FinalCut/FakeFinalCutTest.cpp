// The in-process fake Final Cut Pro that the process checks and the prompt search are tested
// against: it must behave as the application does where the program relies on it, or those
// tests prove nothing.

#include "Tests/Support/FakeFinalCut/FakeFinalCut.h"

#include "Catalogue/Reader/LibraryReader.h"
#include "FinalCut/AX.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/FakeFinalCut/ScriptFromJson.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/VirtualClock.h"

#include <QJsonObject>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace std::chrono_literals;
using fixtures::LibraryBuilder;
using test::FakeFinalCutScript;

namespace {

QString writeLibrary(const QString& name, const QString& version) {
    LibraryBuilder library(name);
    library.catalogVersion = fixtures::PlistValue(LibraryBuilder::catalogVersionText(version));
    library.stamp = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    return library.write(test::TestEnv::freshDir("fake-finalcut"));
}

} // namespace

TEST(FakeFinalCut, AnOlderLibraryGetsThePromptAndUpdateWritesTheNewVersion) {
    test::ScopedVirtualClock clock;
    test::FakeFinalCut finalCut;
    const QString library = writeLibrary("Trip", "10.4.6");
    const QString signature = LibraryReader::signature(library);
    QObject context;
    std::optional<std::optional<QString>> opened;
    platform::services().finalCut->open(library, &context,
                                        [&](const std::optional<QString>& e) { opened = e; });
    ASSERT_TRUE(clock->runUntil([&] { return opened.has_value(); }, 1s));
    EXPECT_EQ(*opened, std::nullopt);
    const QList<qint64> running = platform::services().finalCut->running();
    ASSERT_EQ(running.size(), 1);

    clock->advance(499ms);
    EXPECT_FALSE(AX::findUpdateDialog(running.first())) << "not before its delay";
    clock->advance(1ms);
    const std::optional<AX::UpdateDialog> prompt = AX::findUpdateDialog(running.first());
    ASSERT_TRUE(prompt);
    EXPECT_EQ(prompt->text,
              "The library “Trip” must be updated before it can be opened in this version of Final Cut Pro.");

    EXPECT_EQ(prompt->update->press(), 0);
    EXPECT_FALSE(AX::findUpdateDialog(running.first())) << "the prompt closed";
    EXPECT_EQ(prompt->update->press(), test::FakeFinalCutModel::invalidElement) << "its button is gone";
    clock->advance(1999ms);
    EXPECT_EQ(LibraryReader::fcpVersion(library), QStringLiteral("10.4.6"));
    clock->advance(1ms);
    EXPECT_EQ(LibraryReader::fcpVersion(library), QStringLiteral("11.1"));
    EXPECT_NE(LibraryReader::signature(library), signature);
}

TEST(FakeFinalCut, FollowsItsScript) {
    struct Case {
        const char* name;
        QJsonObject script;
        QString libraryVersion;
        bool press;          // press "Cancel" (false) or "Update" (true) on the prompt
        bool prompt;         // the search finds the prompt
        QString textHas;     // in the prompt's text
        int pressCode;       // what the press answers
        QString versionThen; // the library's version 10 s after the press
        bool touched;        // its signature changed by then
        bool runningThen;
    };
    const Case cases[] = {
        {"Cancel changes nothing", {}, "10.4.6", false, true, "“Trip”", 0, "10.4.6", false, true},
        {"a current library gets no prompt", {}, "11.1.2", true, false, {}, 0, "11.1.2", false, true},
        {"a newer minor version", {{"version", "11.2"}}, "11.1", true, true, {}, 0, "11.2", true, true},
        {"another library named",
         {{"promptName", "Other"}},
         "10.4.6",
         false,
         true,
         "“Other”",
         0,
         "10.4.6",
         false,
         true},
        {"a text of its own",
         {{"promptText", "Upgrade it?"}},
         "10.4.6",
         false,
         false,
         {},
         0,
         "10.4.6",
         false,
         true},
        {"no Update button", {{"omit", "Update"}}, "10.4.6", false, false, {}, 0, "10.4.6", false, true},
        {"presses fail", {{"pressError", -25204}}, "10.4.6", true, true, {}, -25204, "10.4.6", false, true},
        {"buttons at depth 6", {{"extraDepth", 4}}, "10.4.6", true, true, {}, 0, "11.1", true, true},
        {"buttons at depth 7", {{"extraDepth", 5}}, "10.4.6", true, false, {}, 0, "10.4.6", false, true},
        {"past 400 elements", {{"filler", 400}}, "10.4.6", true, false, {}, 0, "10.4.6", false, true},
        {"never updates", {{"neverUpdate", true}}, "10.4.6", true, true, {}, 0, "10.4.6", false, true},
        {"touches without updating",
         {{"neverUpdate", true}, {"touchEveryMs", 1000}, {"touchForMs", 3000}},
         "10.4.6",
         true,
         true,
         {},
         0,
         "10.4.6",
         true,
         true},
        {"quits during the update",
         {{"quitDuringUpdate", true}},
         "10.4.6",
         true,
         true,
         {},
         0,
         "10.4.6",
         false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedVirtualClock clock;
        test::FakeFinalCut finalCut(test::scriptFromJson(c.script));
        const QString library = writeLibrary("Trip", c.libraryVersion);
        const QString signature = LibraryReader::signature(library);
        QObject context;
        platform::services().finalCut->open(library, &context, [](const std::optional<QString>&) {});
        clock->advance(1s);
        const qint64 pid = finalCut.instances().value(0);
        const std::optional<AX::UpdateDialog> prompt = AX::findUpdateDialog(pid);
        ASSERT_EQ(prompt.has_value(), c.prompt);
        if (prompt) {
            EXPECT_TRUE(prompt->text.contains(c.textHas));
            EXPECT_EQ((c.press ? prompt->update : prompt->cancel)->press(), c.pressCode);
        }
        clock->advance(10s);
        EXPECT_EQ(LibraryReader::fcpVersion(library), c.versionThen);
        EXPECT_EQ(LibraryReader::signature(library) != signature, c.touched);
        EXPECT_EQ(finalCut.instance(pid)->running(), c.runningThen);
    }
}

TEST(FakeFinalCut, AfterAnUpdateItsDialogHoldsNormalQuitsButNotAForcedOne) {
    test::ScopedVirtualClock clock;
    test::FakeFinalCut finalCut(test::scriptFromJson({{"dialogAfterUpdate", true}, {"pressError", 0}}));
    const QString library = writeLibrary("Trip", "10.4.6");
    QObject context;
    platform::services().finalCut->open(library, &context, [](const std::optional<QString>&) {});
    clock->advance(1s);
    const qint64 pid = finalCut.instances().value(0);
    const std::optional<AX::UpdateDialog> prompt = AX::findUpdateDialog(pid);
    ASSERT_TRUE(prompt);
    prompt->update->press();
    clock->advance(3s);
    ASSERT_EQ(finalCut.instance(pid)->windows().size(), 1) << "the dialog after the update";
    EXPECT_TRUE(finalCut.app()->terminate(pid));
    clock->advance(3s);
    EXPECT_TRUE(finalCut.instance(pid)->running());
    EXPECT_TRUE(finalCut.instance(pid)->log().contains("quit ignored"));
    EXPECT_TRUE(finalCut.app()->forceTerminate(pid));
    EXPECT_FALSE(finalCut.instance(pid)->running());
    EXPECT_FALSE(finalCut.app()->terminate(pid)) << "gone: nothing to ask";
    EXPECT_FALSE(platform::services().accessibility->windows(pid)) << "a process that quit has no windows";
}

TEST(FakeFinalCut, OpenAnswersAsScripted) {
    struct Case {
        QJsonObject script;
        std::optional<std::optional<QString>> answer; // nothing: never answered
        bool opened;
    };
    const Case cases[] = {
        {{}, std::optional<QString>(), true},
        {{{"openAnswer", "error:The file couldn’t be opened."}},
         std::optional<QString>("The file couldn’t be opened."),
         false},
        {{{"openAnswer", "never"}}, std::nullopt, true},
    };
    for (const Case& c : cases) {
        test::ScopedVirtualClock clock;
        test::FakeFinalCut finalCut(test::scriptFromJson(c.script));
        const QString library = writeLibrary("Trip", "11.1");
        QObject context;
        std::optional<std::optional<QString>> answer;
        platform::services().finalCut->open(library, &context,
                                            [&](const std::optional<QString>& e) { answer = e; });
        clock->advance(60s);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(finalCut.instance(finalCut.instances().value(0))->libraries().contains(library), c.opened);
    }

    for (const char* bad :
         {R"({"openAnswer": "maybe"})", R"({"omit": "OK"})", R"({"updateMs": "soon"})", "[1]", "{"}) {
        QString error;
        EXPECT_FALSE(FakeFinalCutScript::fromJson(QByteArray(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}
