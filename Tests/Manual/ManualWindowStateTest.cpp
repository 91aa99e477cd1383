// What the manual window shows, decided without a window: the answer panel through a question's
// steps, the document switch, the version line, and when the page reloads, jumps and finds.

#include "Manual/ManualWindowState.h"

#include "Manual/ProblemReport.h"
#include "Platform/Services.h"
#include "Tests/Support/FakeMainBundle.h"
#include "Tests/Support/QtPrinters.h"

#include <gtest/gtest.h>
#include <variant>

using namespace pellimor;

namespace {

using State = ManualPanel::State;

// A manual of three sections; the first answers the question below best.
const QString kManual = QStringLiteral("# Manual\n"
                                       "## Free up space\n"
                                       "Move old libraries off a full backup drive to free up space.\n"
                                       "## Scan drives\n"
                                       "Scanning finds every library on a drive.\n"
                                       "## Backup drives\n"
                                       "A backup drive keeps copies of libraries.\n");
const QString kMatching = QStringLiteral("how do I free up space on a backup drive?");
const QString kNonMatching = QStringLiteral("zebra giraffe");
const QString kReason = QStringLiteral("Written answers need Apple Intelligence, on macOS 26 or later.");
const QString kGood = QStringLiteral("Choose **Free Up Space** and pick the drive.");

ManualAI::Answer good() {
    return {kGood, std::nullopt};
}

ManualAI::Answer failed(ManualAI::Error::Kind kind, const QString& description) {
    return {std::nullopt, ManualAI::Error{kind, description, std::nullopt}};
}

ManualAI::Answer invented(const QString& name) {
    const ManualAI::Invented term{name};
    return {std::nullopt, ManualAI::Error{ManualAI::Error::Kind::invented, term.description(), term}};
}

// One step of asking, as the window takes it, with what the step answered.
struct Begin {
    QString question;
};
struct Reason {
    std::optional<QString> reason;
};
struct Reply {
    ManualAI::Answer answer;
    bool secondAttempt = false;
};
struct Close {};
using Step = std::variant<Begin, Reason, Reply, Close>;

// Runs the steps on a fresh panel; the answers of begin(), reasonKnown() and answered() in order.
QList<bool> run(ManualPanel& panel, const QList<Step>& steps) {
    QList<bool> answers;
    for (const Step& step : steps) {
        if (const auto* begin = std::get_if<Begin>(&step)) {
            panel.question = begin->question;
            answers.append(panel.begin(kManual));
        } else if (const auto* reason = std::get_if<Reason>(&step)) {
            answers.append(panel.reasonKnown(reason->reason));
        } else if (const auto* reply = std::get_if<Reply>(&step)) {
            answers.append(panel.answered(reply->answer, reply->secondAttempt));
        } else {
            panel.close();
        }
    }
    return answers;
}

QString failureOf(const QString& description) {
    return QStringLiteral("Apple Intelligence did not produce an answer that could be trusted this time (") +
           description + QStringLiteral("). The sections above have the answer.");
}

} // namespace

TEST(ManualPanel, StatesThroughTheStepsOfAsking) {
    const QString second = ManualAI::Invented{QStringLiteral("turbo mode")}.description();
    struct Case {
        const char* what;
        QList<Step> steps;
        QList<bool> answers; // of begin(), reasonKnown() and answered(), in order
        State state;
        bool canAsk;
        const char* sourcesLabel;
        bool showsNote;
        QString answer;
        std::optional<QString> note;
        int jumpTick; // the best section, "free-up-space", is jumped to once per matching question
    };
    const Case cases[] = {
        {"a question typed, not asked", {}, {}, State::hidden, true, "Read:", false, {}, {}, 0},
        {"no section matches: no model asked, no jump",
         {Begin{kNonMatching}},
         {false},
         State::noMatch,
         true,
         "Read:",
         false,
         {},
         {},
         0},
        {"sections listed while the model is asked about",
         {Begin{kMatching}},
         {true},
         State::sectionsOnly,
         false,
         "Read:",
         false,
         {},
         {},
         1},
        {"the model cannot answer here",
         {Begin{kMatching}, Reason{kReason}},
         {true, false},
         State::note,
         true,
         "Read:",
         true,
         {},
         kReason,
         1},
        {"an answer being written",
         {Begin{kMatching}, Reason{}},
         {true, true},
         State::thinking,
         false,
         "From:",
         false,
         {},
         {},
         1},
        {"a good answer",
         {Begin{kMatching}, Reason{}, Reply{good()}},
         {true, true, false},
         State::answer,
         true,
         "From:",
         false,
         kGood,
         {},
         1},
        {"invented once, then good: only the second answer, no note",
         {Begin{kMatching}, Reason{}, Reply{invented("turbo mode")}, Reply{good(), true}},
         {true, true, true, false},
         State::answer,
         true,
         "From:",
         false,
         kGood,
         {},
         1},
        {"invented while the first attempt is still being tried: thinking stays on",
         {Begin{kMatching}, Reason{}, Reply{invented("turbo mode")}},
         {true, true, true},
         State::thinking,
         false,
         "From:",
         false,
         {},
         {},
         1},
        {"invented twice: the failure from the second error, no third attempt",
         {Begin{kMatching}, Reason{}, Reply{invented("warp drive")}, Reply{invented("turbo mode"), true}},
         {true, true, true, false},
         State::note,
         true,
         "Read:",
         true,
         {},
         failureOf(second),
         1},
        {"invented, then another error on the second attempt",
         {Begin{kMatching}, Reason{}, Reply{invented("warp drive")},
          Reply{failed(ManualAI::Error::Kind::model, "the model stopped"), true}},
         {true, true, true, false},
         State::note,
         true,
         "Read:",
         true,
         {},
         failureOf("the model stopped"),
         1},
        {"a model error: the failure at once",
         {Begin{kMatching}, Reason{}, Reply{failed(ManualAI::Error::Kind::model, "the model is busy")}},
         {true, true, false},
         State::note,
         true,
         "Read:",
         true,
         {},
         failureOf("the model is busy"),
         1},
        {"closed while writing: hidden, and Ask waits for the answer",
         {Begin{kMatching}, Reason{}, Close{}},
         {true, true},
         State::hidden,
         false,
         "From:",
         false,
         {},
         {},
         1},
        {"closed while writing, then the late answer: still hidden, Ask again",
         {Begin{kMatching}, Reason{}, Close{}, Reply{good()}},
         {true, true, false},
         State::hidden,
         true,
         "From:",
         false,
         kGood,
         {},
         1},
        {"closed, late answer, asked again: no answer and no note",
         {Begin{kMatching}, Reason{}, Close{}, Reply{good()}, Begin{kMatching}},
         {true, true, false, true},
         State::sectionsOnly,
         false,
         "Read:",
         false,
         {},
         {},
         2},
        {"closed, late failure, asked again with no match: the old note is gone",
         {Begin{kMatching}, Reason{}, Close{}, Reply{failed(ManualAI::Error::Kind::model, "x")},
          Begin{kNonMatching}},
         {true, true, false, false},
         State::noMatch,
         true,
         "Read:",
         false,
         {},
         {},
         1},
        {"a note, then a new question with no match: the note is gone",
         {Begin{kMatching}, Reason{kReason}, Begin{kNonMatching}},
         {true, false, false},
         State::noMatch,
         true,
         "Read:",
         false,
         {},
         {},
         1},
        {"closed after an answer",
         {Begin{kMatching}, Reason{}, Reply{good()}, Close{}},
         {true, true, false},
         State::hidden,
         true,
         "Read:",
         false,
         {},
         {},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ManualPanel panel;
        panel.question = kMatching;
        EXPECT_EQ(run(panel, c.steps), c.answers);
        EXPECT_EQ(panel.state(), c.state);
        EXPECT_EQ(panel.canAsk(), c.canAsk);
        EXPECT_TRUE(panel.canFind());
        EXPECT_EQ(panel.sourcesLabel(), QString::fromUtf8(c.sourcesLabel));
        EXPECT_EQ(panel.showsNote(), c.showsNote);
        EXPECT_EQ(panel.answer, c.answer);
        EXPECT_EQ(panel.aiNote, c.note);
        EXPECT_EQ(panel.jumpTick, c.jumpTick);
        EXPECT_EQ(panel.jump, c.jumpTick > 0 ? QStringLiteral("free-up-space") : QString());
        EXPECT_EQ(panel.findTick, 0);
    }
}

TEST(ManualPanel, AQuestionListsItsSectionsBestFirst) {
    ManualPanel panel;
    panel.question = kMatching;
    ASSERT_TRUE(panel.begin(kManual));
    EXPECT_EQ(panel.asked, kMatching);
    ASSERT_FALSE(panel.matches.isEmpty());
    EXPECT_LE(panel.matches.size(), 4);
    EXPECT_EQ(panel.matches.first().id, "free-up-space");
    EXPECT_EQ(panel.matches.first().title, "Free up space");

    // A jump by hand raises the same counter; the same section twice scrolls twice.
    panel.jumpTo(QStringLiteral("scan-drives"));
    panel.jumpTo(QStringLiteral("scan-drives"));
    EXPECT_EQ(panel.jump, "scan-drives");
    EXPECT_EQ(panel.jumpTick, 3);
}

TEST(ManualPanel, QuestionsOfBlanksAndQuestionsWhileAnswering) {
    {
        SCOPED_TRACE("blanks only: nothing to ask, but Find looks for them");
        ManualPanel panel;
        panel.question = QStringLiteral(" \t  ");
        EXPECT_FALSE(panel.canAsk());
        EXPECT_TRUE(panel.canFind());
        EXPECT_FALSE(panel.begin(kManual));
        EXPECT_EQ(panel.state(), State::hidden);
        EXPECT_TRUE(panel.asked.isEmpty());
        EXPECT_EQ(panel.jumpTick, 0);
        panel.find();
        EXPECT_EQ(panel.findTick, 1);
        EXPECT_EQ(panel.question, " \t  ");
    }
    {
        SCOPED_TRACE("nothing typed");
        ManualPanel panel;
        EXPECT_FALSE(panel.canAsk());
        EXPECT_FALSE(panel.canFind());
        EXPECT_FALSE(panel.begin(kManual));
    }
    {
        SCOPED_TRACE("spaces and tabs trimmed from what is asked, not from the field");
        ManualPanel panel;
        panel.question = QStringLiteral("\t free up space \t");
        EXPECT_TRUE(panel.begin(kManual));
        EXPECT_EQ(panel.asked, "free up space");
        EXPECT_EQ(panel.question, "\t free up space \t");
    }
    for (const bool modelAnswering : {false, true}) {
        SCOPED_TRACE(modelAnswering ? "a question while an answer is written"
                                    : "a question while the model is asked about");
        ManualPanel panel;
        panel.question = kMatching;
        ASSERT_TRUE(panel.begin(kManual));
        if (modelAnswering) {
            ASSERT_TRUE(panel.reasonKnown(std::nullopt));
        }
        panel.question = QStringLiteral("scan drives");
        EXPECT_FALSE(panel.canAsk());
        EXPECT_FALSE(panel.begin(kManual));
        EXPECT_EQ(panel.asked, kMatching);
        EXPECT_EQ(panel.jump, "free-up-space");
        EXPECT_EQ(panel.jumpTick, 1);
    }
}

TEST(ManualPanel, TrimmedTakesSpacesAndTabsOnly) {
    const std::pair<QString, QString> cases[] = {
        {"  free space  ", "free space"}, {"\t\tfree\t", "free"},       {" \t ", ""},     {"", ""},
        {"\nfree\n", "\nfree\n"},         {"\u00A0free", "\u00A0free"}, {"a  b", "a  b"},
    };
    for (const auto& [question, trimmed] : cases)
        EXPECT_EQ(ManualPanel::trimmed(question), trimmed) << question.toStdString();
}

TEST(ManualShown, FromTheStoredDocumentName) {
    struct Case {
        QString stored;
        ManualDoc doc;
        int segment;
    };
    const Case cases[] = {
        {"Manual", ManualDoc::manual, 0},
        {"What\u2019s New", ManualDoc::manual, -1},
        {"What's New", ManualDoc::whatsNew, 1},
        {"manual", ManualDoc::manual, -1},
        {"", ManualDoc::manual, -1},
        {"Whats New", ManualDoc::manual, -1},
        {" Manual", ManualDoc::manual, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        const ManualShown shown = ManualShown::of(c.stored);
        EXPECT_EQ(shown.doc.rawValue(), c.doc.rawValue());
        EXPECT_EQ(shown.segment, c.segment);
    }
}

TEST(ManualWindowText, VersionLineFromTheInformationList) {
    const QString rest =
        QStringLiteral(". The manual is part of the app, so it always matches this version.");
    struct Case {
        const char* what;
        QVariantMap info;
        std::optional<QString> version;
    };
    const Case cases[] = {
        {"version and build",
         {{"CFBundleShortVersionString", "1.0"}, {"CFBundleVersion", "12"}},
         "Tovlin 1.0 (12)"},
        {"no build number", {{"CFBundleShortVersionString", "1.0"}}, "Tovlin 1.0 ()"},
        {"a build number not text",
         {{"CFBundleShortVersionString", "1.0"}, {"CFBundleVersion", 12}},
         "Tovlin 1.0 ()"},
        {"no version", {{"CFBundleVersion", "12"}}, std::nullopt},
        {"a version not text", {{"CFBundleShortVersionString", 1}}, std::nullopt},
        {"not packaged", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::ScopedServices scope(
            test::FakeMainBundle::services(std::make_shared<test::FakeMainBundle>(c.info)));
        const std::optional<QString> version = ProblemReport::packagedVersion();
        EXPECT_EQ(version, c.version);
        EXPECT_EQ(ManualWindowText::versionLine(version),
                  QStringLiteral("For ") + c.version.value_or(QStringLiteral("this version of Tovlin")) +
                      rest);
    }
    EXPECT_EQ(ManualWindowText::versionLine(QStringLiteral("Tovlin 1.0 ()")),
              "For Tovlin 1.0 (). The manual is part of the app, so it always matches this version.");
    EXPECT_EQ(
        ManualWindowText::versionLine(std::nullopt),
        "For this version of Tovlin. The manual is part of the app, so it always matches this version.");
}

TEST(ManualWindowText, MissingDocumentNamesItsFile) {
    EXPECT_EQ(ManualWindowText::missingTitle(), "Manual not found");
    EXPECT_EQ(ManualWindowText::missingText(ManualDoc::manual), "MANUAL.md is missing from the app.");
    EXPECT_EQ(ManualWindowText::missingText(ManualDoc::whatsNew), "CHANGELOG.md is missing from the app.");
}

TEST(ManualWindowText, PanelTexts) {
    EXPECT_EQ(ManualWindowText::quoted("free up space"), "\u201Cfree up space\u201D");
    EXPECT_EQ(
        ManualWindowText::failure("its answer named \u201Cx\u201D, which is not in the manual"),
        "Apple Intelligence did not produce an answer that could be trusted this time (its answer named "
        "\u201Cx\u201D, which is not in the manual). The sections above have the answer.");
}

TEST(ManualPageState, ActsOnlyOnWhatChanged) {
    const QMap<QString, QString> headings{{"free-up-space", "Free up space"}};
    const auto inputs = [&](const QString& html, int jumpTick, int findTick) {
        return ManualPageState::Inputs{html, headings, jumpTick, findTick};
    };
    struct Case {
        const char* what;
        ManualPageState::Inputs inputs;
        bool reload, jump, find;
    };
    // One page's life, each row after the one before.
    const Case cases[] = {
        {"first shown: loaded, no jump, no find", inputs("<p>manual</p>", 0, 0), true, false, false},
        {"redrawn with the same page", inputs("<p>manual</p>", 0, 0), false, false, false},
        {"a jump", inputs("<p>manual</p>", 1, 0), false, true, false},
        {"the same section again", inputs("<p>manual</p>", 2, 0), false, true, false},
        {"a find", inputs("<p>manual</p>", 2, 1), false, false, true},
        {"a find again", inputs("<p>manual</p>", 2, 2), false, false, true},
        {"another page with a jump: loaded, then jumped", inputs("<p>larger</p>", 3, 2), true, true, false},
        {"all three at once", inputs("<p>manual</p>", 4, 3), true, true, true},
        {"nothing new", inputs("<p>manual</p>", 4, 3), false, false, false},
    };
    ManualPageState page;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ManualPageState::Steps steps = page.update(c.inputs);
        EXPECT_EQ(steps.reload, c.reload);
        EXPECT_EQ(steps.jump, c.jump);
        EXPECT_EQ(steps.find, c.find);
        EXPECT_EQ(page.html, c.inputs.html);
        EXPECT_EQ(page.headings, headings);
    }

    // The headings are kept even when nothing else changed.
    const QMap<QString, QString> other{{"scan", "Scan"}};
    EXPECT_FALSE(page.update({"<p>manual</p>", other, 4, 3}).reload);
    EXPECT_EQ(page.headings, other);
}

TEST(ManualPage, FindNextFromTheSelectionWrappingOnce) {
    const QString text = QStringLiteral("Scan the drive. Then scan again.");
    struct Case {
        const char* what;
        QString text;
        QString needle;
        qsizetype from;
        std::optional<TextSpan> found;
    };
    const Case cases[] = {
        {"from the start", text, "scan", 0, TextSpan{0, 4}},
        {"from the selection's end", text, "scan", 4, TextSpan{21, 4}},
        {"an occurrence right at the start point", text, "scan", 21, TextSpan{21, 4}},
        {"nothing after: wraps to the start", text, "scan", 25, TextSpan{0, 4}},
        {"one occurrence found again from after itself", "Only one word here", "one", 8, TextSpan{5, 3}},
        {"case ignored", text, "SCAN AGAIN", 0, TextSpan{21, 10}},
        {"blanks are looked for as typed", text, "  ", 0, std::nullopt},
        {"a blank found", text, " ", 30, TextSpan{4, 1}},
        {"absent", text, "zebra", 0, std::nullopt},
        {"empty needle", text, "", 0, std::nullopt},
        {"from beyond the text", text, "again", 1000, TextSpan{26, 5}},
        {"from before the text", text, "drive", -5, TextSpan{9, 5}},
        {"empty text", "", "scan", 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ManualPage::findNext(c.text, c.needle, c.from), c.found);
    }
}

TEST(ManualPage, JumpStopsJustAboveTheHeadingNeverAboveThePage) {
    const std::pair<double, double> cases[] = {{0, 0},  {4, 0},     {10, 0},
                                               {18, 8}, {300, 290}, {1234.5, 1224.5}};
    for (const auto& [titleTop, offset] : cases)
        EXPECT_DOUBLE_EQ(ManualPage::jumpOffset(titleTop), offset) << titleTop;
}

TEST(ManualPage, LinkActions) {
    enum class Kind { none, jump, open };
    struct Case {
        QString href;
        Kind kind;
        QString target; // the heading id, or the address opened
    };
    const Case cases[] = {
        {"tovlin-manual://section/free-up-space", Kind::jump, "free-up-space"},
        {"tovlin-manual://section/what%E2%80%99s-new", Kind::jump, "what\u2019s-new"},
        {"https://example.com", Kind::open, "https://example.com"},
        {"https://example.com/a?b=c#d", Kind::open, "https://example.com/a?b=c#d"},
        {"http://example.com/help", Kind::open, "http://example.com/help"},
        {"mailto:support@tovlin.app", Kind::open, "mailto:support@tovlin.app"},
        {"HTTPS://example.com", Kind::none, {}},
        {"Https://example.com", Kind::none, {}},
        {"Mailto:x@y", Kind::none, {}},
        {"file:///etc/passwd", Kind::none, {}},
        {"ftp://x", Kind::none, {}},
        {"javascript:alert(1)", Kind::none, {}},
        {"tovlin-manual://other/free-up-space", Kind::none, {}},
        {"", Kind::none, {}},
        {"settings", Kind::none, {}},
        {"#free-up-space", Kind::none, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.href.toStdString());
        const ManualPage::LinkAction action = ManualPage::linkAction(c.href);
        switch (c.kind) {
        case Kind::none:
            EXPECT_TRUE(std::holds_alternative<std::monostate>(action));
            break;
        case Kind::jump:
            ASSERT_TRUE(std::holds_alternative<ManualPage::Jump>(action));
            EXPECT_EQ(std::get<ManualPage::Jump>(action).id, c.target);
            break;
        case Kind::open:
            ASSERT_TRUE(std::holds_alternative<ManualPage::Open>(action));
            EXPECT_EQ(std::get<ManualPage::Open>(action).url.toString(), c.target);
            break;
        }
    }
}

TEST(ManualWindowText, InlineMarkdownKeepsLinesAsWritten) {
    const QString nbsp(QChar(0x00A0));
    struct Case {
        const char* what;
        QString answer;
        QString markdown;
    };
    const Case cases[] = {
        {"plain text unchanged", "Choose the drive.", "Choose the drive."},
        {"every line break a hard one", "one\ntwo\nthree", "one\\\ntwo\\\nthree"},
        {"Windows line ends", "one\r\ntwo", "one\\\ntwo"},
        {"an empty line kept", "one\n\ntwo", "one\\\n\\\ntwo"},
        {"a heading", "# Title", "\\# Title"},
        {"a heading on a later line", "Steps:\n## Two", "Steps:\\\n\\## Two"},
        {"a list item", "- item", "\\- item"},
        {"other list marks", "+ item\n* item", "\\+ item\\\n\\* item"},
        {"a numbered item", "1. step", "1\\. step"},
        {"a numbered item with a parenthesis", "12) step", "12\\) step"},
        {"a number that opens nothing", "10 steps", "10 steps"},
        {"a quote", "> quote", "\\> quote"},
        {"a rule", "---", "\\---"},
        {"a rule of stars", "* * *", "\\* * *"},
        {"a heading's underline", "Title\n===", "Title\\\n\\==="},
        {"a code fence", "```", "\\```"},
        {"a tilde fence", "~~~", "\\~~~"},
        {"bold at the start stays bold", "**bold** at the start", "**bold** at the start"},
        {"leading spaces kept, unbreakable", "  two spaces", nbsp + nbsp + "two spaces"},
        {"indented code kept as text", "    code", nbsp.repeated(4) + "code"},
        {"an indented list item", "   - item", nbsp.repeated(3) + "\\- item"},
        {"inline marks kept", "Use `Scan` and *this*.", "Use `Scan` and *this*."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ManualWindowText::inlineMarkdown(c.answer), c.markdown);
    }
}
