// The safety checks and the rules of what may be offered, on fixture libraries.

#include "FreeUpSpace/Cleanup.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/FreeUpSpace/CleanupPrinters.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

struct ValidateCase {
    const char* what;
    QString target;
    QString library;
    QString event;
    QString reason; // empty: success
};

void expectValidate(const ValidateCase& c) {
    const Result<void> result = Cleanup::validate(c.target, c.library, c.event);
    if (c.reason.isEmpty())
        EXPECT_TRUE(result.ok()) << c.what << ": " << result.error().toStdString();
    else
        EXPECT_EQ(result.error(), c.reason) << c.what;
}

} // namespace

TEST(CleanupValidate, GivesTheFirstFailingCheckOfEachTarget) {
    const QString folder = TestEnv::freshDir(QStringLiteral("validate"));
    // A "Transcoded Media" elsewhere, which one event reaches through a link.
    FixtureFiles::writeRandom(folder + "/Elsewhere/Proxy Media/a.mov", 4000);

    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .media(QStringLiteral("a.mov"), 10'000)
        .proxy(QStringLiteral("a.mov"), 4000)
        .render(QStringLiteral("x"), 2000)
        .file(QStringLiteral("Transcoded Media/Analysis Files/x"), 100)
        .link(QStringLiteral("Render Files/dead"), QStringLiteral("nowhere"))
        .link(QStringLiteral("Render Files/jump"), QStringLiteral("../Original Media"));
    builder.event(QStringLiteral("Linked"))
        .media(QStringLiteral("a.mov"), 10'000)
        .link(QStringLiteral("Transcoded Media/Proxy Media"), QStringLiteral("../Original Media"));
    builder.event(QStringLiteral("Through"))
        .media(QStringLiteral("a.mov"), 10'000)
        .link(QStringLiteral("Transcoded Media"), folder + "/Elsewhere");
    builder.event(QStringLiteral("Bare")).media(QStringLiteral("a.mov"), 10'000);
    const QString lib = builder.write(folder);
    const QString alias = folder + "/Alias.fcpbundle";
    FixtureFiles::makeLink(alias, lib);

    const QString ev = lib + "/Ev";
    const QList<ValidateCase> cases = {
        {"the event folder", ev, lib, "Ev", "path is outside the event"},
        {"the library", lib, lib, "Ev", "path is outside the event"},
        {"another event", lib + "/Bare/Render Files/x", lib, "Ev", "path is outside the event"},
        {"a library that only begins like this one", lib + "x/Ev/Render Files/x", lib, "Ev",
         "path is outside the event"},
        {"event + Render Files", ev + "/Render Files", lib, "Ev", "not inside Render Files"},
        {"event + Original Media", ev + "/Original Media", lib, "Ev", "not inside Render Files"},
        {"an original", ev + "/Original Media/a.mov", lib, "Ev", "not inside Render Files"},
        {"dot-dot out of Render Files, standardised first", ev + "/Render Files/../Original Media/a.mov", lib,
         "Ev", "not inside Render Files"},
        {"Analysis Files under Transcoded Media", ev + "/Transcoded Media/Analysis Files/x", lib, "Ev",
         "protected folder"},
        {"Original Media under Render Files", ev + "/Render Files/Original Media/a.mov", lib, "Ev",
         "protected folder"},
        {"Proxy Media linked to Original Media", lib + "/Linked/Transcoded Media/Proxy Media", lib, "Linked",
         "Proxy Media is a link"},
        {"the linked Proxy Media with a trailing slash", lib + "/Linked/Transcoded Media/Proxy Media/", lib,
         "Linked", "Proxy Media is a link"},
        {"a dot-dot after a link leads where the link leads", ev + "/Render Files/jump/../Render Files/x",
         lib, "Ev", "path passes through a link"},
        {"a dangling link in Render Files", ev + "/Render Files/dead", lib, "Ev", "dead is a link"},
        {"a proxy folder that does not exist", lib + "/Bare/Transcoded Media/Proxy Media", lib, "Bare",
         "not found"},
        {"Proxy Media under a linked Transcoded Media", lib + "/Through/Transcoded Media/Proxy Media", lib,
         "Through", "path passes through a link"},
        {"the proxy folder of a library reached through a link", ev + "/Transcoded Media/Proxy Media", alias,
         "Ev", ""},
        {"a target spelled through the link to the library", alias + "/Ev/Transcoded Media/Proxy Media",
         alias, "Ev", "path is outside the event"},
        {"a render file", ev + "/Render Files/x", lib, "Ev", ""},
        {"a proxy file, with a trailing slash", ev + "/Transcoded Media/Proxy Media/a.mov/", lib, "Ev", ""},
        {"an event name that climbs out", lib + "/Ev/Render Files/x", lib, "Ev/..",
         "path is outside the event"},
    };
    for (const ValidateCase& c : cases)
        expectValidate(c);
}

TEST(CleanupBaseName, CutsTheExtensionAndTheGeneratedSuffixOnly) {
    const QString decomposedCafe = QStringLiteral("Cafe\u0301.MOV");
    ASSERT_NE(decomposedCafe, decomposedCafe.normalized(QString::NormalizationForm_C));
    const std::pair<QString, QString> cases[] = {
        {"IMG_1 (fcp2).mov", "img_1"},
        {"DJI_2 (fcp1).mp4", "dji_2"},
        {"IMG_8781 (fcp1).mov", "img_8781"},
        {"Clip (fcp).mov", "clip"},
        {"Clip (fcp1a).mov", "clip (fcp1a)"},
        {"A (fcp1) (final).mov", "a (fcp1) (final)"},
        {"a.b.mov", "a.b"},
        {"Clip (final).mov", "clip (final)"},
        {"Music Track.mov", "music track"},
        {"IMG_1.MP4", "img_1"},
        {"Take (fcp12)", "take"},
        {".hidden", ".hidden"},
        {decomposedCafe, QStringLiteral("caf\u00e9")},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(Cleanup::baseName(name), expected) << name.toStdString();
}

TEST(CleanupSafeSize, MeasuresAllocatedBlocksAndRefusesAnythingWithALink) {
    const QString folder = TestEnv::freshDir(QStringLiteral("safesize"));
    FixtureFiles::writeRandom(folder + "/plain/a.bin", 5000);
    FixtureFiles::writeRandom(folder + "/plain/deep/b.bin", 70'000);
    FixtureFiles::writeRandom(folder + "/plain/.hidden", 9000);
    FixtureFiles::writeRandom(folder + "/linked/a.bin", 5000);
    FixtureFiles::makeLink(folder + "/linked/deep/.up", QStringLiteral(".."));
    FixtureFiles::makeLink(folder + "/link", folder + "/plain");
    FixtureFiles::makeFolder(folder + "/empty");

    // Hidden files count: they take space like any other.
    EXPECT_EQ(Cleanup::safeSize(folder + "/plain"), FixtureFiles::allocatedSize(folder + "/plain"));
    EXPECT_GT(FixtureFiles::allocatedSize(folder + "/plain"), 80'000);
    EXPECT_EQ(Cleanup::safeSize(folder + "/plain/a.bin"),
              FixtureFiles::allocatedSize(folder + "/plain/a.bin"));
    EXPECT_EQ(Cleanup::safeSize(folder + "/empty"), 0);
    EXPECT_EQ(Cleanup::safeSize(folder + "/linked"), std::nullopt) << "a hidden link deep inside";
    EXPECT_EQ(Cleanup::safeSize(folder + "/link"), std::nullopt) << "a link itself";
    EXPECT_EQ(Cleanup::safeSize(folder + "/missing"), 0);
}

TEST(CleanupCandidates, OffersTheKindsFolderOrEveryVisibleRenderItem) {
    const QString folder = TestEnv::freshDir(QStringLiteral("candidates"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Ev"))
        .proxy(QStringLiteral("a.mov"), 100)
        .render(QStringLiteral("Peaks Data"), 100)
        .render(QStringLiteral("High Quality Media/r 10.mov"), 100)
        .render(QStringLiteral("High Quality Media/r 2.mov"), 100)
        .render(QStringLiteral(".DS_Store"), 10)
        .render(QStringLiteral("b 10"), 10)
        .render(QStringLiteral("b 2"), 10)
        .link(QStringLiteral("Render Files/dead"), QStringLiteral("nowhere"))
        .link(QStringLiteral("Render Files/loop"), QStringLiteral("loop"));
    builder.event(QStringLiteral("Bare")).media(QStringLiteral("a.mov"), 100);
    const QString lib = builder.write(folder);
    const QString ev = lib + "/Ev";
    const QString render = ev + "/Render Files/";

    EXPECT_EQ(Cleanup::candidates(GeneratedKind::proxy, ev),
              QStringList{ev + "/Transcoded Media/Proxy Media"});
    EXPECT_TRUE(Cleanup::candidates(GeneratedKind::optimized, ev).isEmpty()) << "no such folder";
    // In the file manager's order; the links are offered so that their refusal shows.
    EXPECT_EQ(Cleanup::candidates(GeneratedKind::render, ev),
              (QStringList{render + "b 2", render + "b 10", render + "dead", render + "High Quality Media",
                           render + "loop", render + "Peaks Data"}));
    for (const GeneratedKind kind : {GeneratedKind::proxy, GeneratedKind::optimized, GeneratedKind::render})
        EXPECT_TRUE(Cleanup::candidates(kind, lib + "/Bare").isEmpty());
}

TEST(CleanupFcpIsRunning, AsksThePlatformWhichProcessesRun) {
    const auto app = test::FakeFinalCutApp::installed(TestEnv::root() + "/Final Cut Pro.app", "11.0");
    test::ScopedFinalCutApp scope(app);
    EXPECT_FALSE(Cleanup::fcpIsRunning());
    app->setRunning({412});
    EXPECT_TRUE(Cleanup::fcpIsRunning());
    app->setRunning({});
    EXPECT_FALSE(Cleanup::fcpIsRunning());
}
