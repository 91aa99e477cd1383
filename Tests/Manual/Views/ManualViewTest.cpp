// The manual window's content offscreen: the answer panel with a scripted language model, and
// the page: loading, jumps, Find and links.

#include "Manual/Views/ManualView.h"

#include "App/AppSettings.h"
#include "Manual/ManualDoc.h"
#include "Manual/MarkdownHTML.h"
#include "Manual/Views/ManualText.h"
#include "Platform/LanguageModel.h"
#include "Platform/Services.h"
#include "Platform/SystemLanguageModel.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeLanguageModel.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/RecordingFileManager.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSemaphore>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// The scripted model, with each reply held back until the test lets it go, so the panel can be
// seen while an answer is being written.
class HeldModel final : public platform::LanguageModel {
public:
    explicit HeldModel(std::shared_ptr<test::FakeLanguageModel> script) : m_script(std::move(script)) {}

    Availability availability() override { return m_script->availability(); }
    Result<QString> respond(const QString& instructions, const QString& prompt, double temperature) override {
        m_asked.release();
        m_gate.acquire();
        return m_script->respond(instructions, prompt, temperature);
    }
    // Lets one reply go.
    void release() { m_gate.release(); }
    // How many replies have been asked for.
    int asked() const { return m_asked.available(); }

private:
    std::shared_ptr<test::FakeLanguageModel> m_script;
    QSemaphore m_gate;
    QSemaphore m_asked;
};

template <typename Widget> Widget* child(const QWidget& view, const char* name) {
    auto* found = view.findChild<Widget*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

bool shownIn(const QWidget& view, const char* name) {
    const QWidget* widget = child<QWidget>(view, name);
    return widget && widget->isVisibleTo(&view);
}

class ManualViewTest : public ::testing::Test {
protected:
    std::shared_ptr<test::FakeLanguageModel> script = std::make_shared<test::FakeLanguageModel>();
    std::shared_ptr<HeldModel> model = std::make_shared<HeldModel>(script);
    std::shared_ptr<test::RecordingFileManager> files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices scope{services()};
    std::function<void()> previousBeep;
    int beeps = 0;

    ManualViewTest() {
        AppSettings::setManualDoc(QStringLiteral("Manual"));
        AppSettings::setComfortable(false);
        previousBeep = ManualText::setBeep([this] { ++beeps; });
    }
    ~ManualViewTest() override {
        ManualText::setBeep(previousBeep);
        // Let a held reply go, so no worker waits past the test.
        for (int i = 0; i < 4; ++i)
            model->release();
        test::spin(50);
    }

    platform::Services services() {
        platform::Services s;
        s.languageModel = model;
        s.shell = files;
        return s;
    }

    static void type(ManualView& view, const QString& question) {
        child<QLineEdit>(view, "question")->setText(question);
    }

    static QStringList sectionButtons(const QWidget& view) {
        QStringList titles;
        for (const QPushButton* button : view.findChildren<QPushButton*>()) {
            if (button->objectName().startsWith(QStringLiteral("section ")) &&
                !button->testAttribute(Qt::WA_WState_Hidden))
                titles.append(button->text());
        }
        return titles;
    }

    static QString textOf(const QWidget& view, const char* name) {
        const QLabel* label = child<QLabel>(view, name);
        return label ? label->text() : QString();
    }
};

TEST_F(ManualViewTest, aQuestionMatchingNothingAsksNoModel) {
    ManualView view;
    type(view, QStringLiteral("zzqx wvkj"));
    view.ask();
    test::spin(100);
    EXPECT_TRUE(shownIn(view, "answerPanel"));
    EXPECT_EQ(textOf(view, "asked"), QStringLiteral("\u201Czzqx wvkj\u201D"));
    EXPECT_TRUE(shownIn(view, "noMatch"));
    EXPECT_EQ(textOf(view, "noMatch"),
              QStringLiteral("Nothing in the manual seems to match. Try other words, or pick "
                             "a section from the list on the left."));
    EXPECT_FALSE(shownIn(view, "aiNote"));
    EXPECT_EQ(script->availabilityQuestions(), 0);
    EXPECT_EQ(model->asked(), 0);
}

TEST_F(ManualViewTest, withoutAModelTheSectionsAndTheReasonShow) {
    platform::Services system;
    system.languageModel =
        std::make_shared<platform::SystemLanguageModel>(platform::SystemLanguageModel::Setup{});
    const platform::ScopedServices noModel(system);
    ManualView view;
    type(view, QStringLiteral("how do I free up space on a backup drive?"));
    view.ask();
    ASSERT_TRUE(test::waitUntil([&] { return view.panel().state() == ManualPanel::State::note; }));
    EXPECT_EQ(textOf(view, "sourcesLabel"), QStringLiteral("Read:"));
    EXPECT_FALSE(sectionButtons(view).isEmpty());
    EXPECT_EQ(sectionButtons(view).first(), QStringLiteral("Free up space"));
    EXPECT_TRUE(shownIn(view, "aiNote"));
    EXPECT_EQ(textOf(view, "aiNote"),
              QStringLiteral("Written answers need Apple Intelligence, on macOS 26 or later."));
    EXPECT_FALSE(shownIn(view, "writing"));
    EXPECT_TRUE(child<QPushButton>(view, "ask")->isEnabled());
}

// What the panel shows once the model has answered, for each way the model can answer.
struct Reply {
    const char* name;
    QList<std::optional<QString>> replies; // a text, or nothing for a model error
    bool invented;                         // the errors are invented answers, not model failures
    std::optional<QString> answer;         // the answer shown, if any
    std::optional<QString> note;           // the note shown, if any
    int attempts;
};

void PrintTo(const Reply& reply, std::ostream* out) {
    *out << reply.name;
}

class ManualAnswers : public ManualViewTest, public ::testing::WithParamInterface<Reply> {};

TEST_P(ManualAnswers, thePanelFollowsTheModel) {
    const Reply& reply = GetParam();
    for (const std::optional<QString>& text : reply.replies) {
        if (text)
            script->reply(*text);
        else if (reply.invented)
            script->reply(QStringLiteral("Use **Zorblax Mode** for that."));
        else
            script->fail(QStringLiteral("the model is busy"));
    }
    ManualView view;
    type(view, QStringLiteral("how do I free up space on a backup drive?"));
    view.ask();
    ASSERT_TRUE(test::waitUntil([&] { return model->asked() == 1; }));
    // While it writes: the progress row and "From:", and no second question.
    test::runQueued();
    EXPECT_EQ(view.panel().state(), ManualPanel::State::thinking);
    EXPECT_TRUE(shownIn(view, "writing"));
    EXPECT_EQ(textOf(view, "sourcesLabel"), QStringLiteral("From:"));
    EXPECT_FALSE(child<QPushButton>(view, "ask")->isEnabled());
    for (int i = 0; i < reply.attempts; ++i)
        model->release();
    ASSERT_TRUE(test::waitUntil([&] { return !view.panel().thinking; }));
    EXPECT_EQ(model->asked(), reply.attempts);
    EXPECT_FALSE(shownIn(view, "writing"));
    EXPECT_EQ(shownIn(view, "answer"), reply.answer.has_value());
    EXPECT_EQ(shownIn(view, "answerNote"), reply.answer.has_value());
    if (reply.answer) {
        EXPECT_EQ(child<QWidget>(view, "answer")->property("plainText").toString(), *reply.answer);
    }
    EXPECT_EQ(shownIn(view, "aiNote"), reply.note.has_value());
    if (reply.note) {
        EXPECT_EQ(textOf(view, "aiNote"), *reply.note);
    }
    EXPECT_EQ(textOf(view, "sourcesLabel"), reply.answer ? QStringLiteral("From:") : QStringLiteral("Read:"));
    EXPECT_TRUE(child<QPushButton>(view, "ask")->isEnabled());
}

const QString kAnswer = QStringLiteral("Choose **Free Up Space…** in the library's details.");
const QString kShown = QStringLiteral("Choose Free Up Space… in the library's details.");
const QString kInventedTwice = QStringLiteral(
    "Apple Intelligence did not produce an answer that could be trusted this time (its answer named "
    "\u201Czorblax mode\u201D, which is not in the manual). The sections above have the answer.");
const QString kModelFailed =
    QStringLiteral("Apple Intelligence did not produce an answer that could be trusted this "
                   "time (the model is busy). The sections above have the answer.");

INSTANTIATE_TEST_SUITE_P(
    Replies, ManualAnswers,
    ::testing::Values(
        Reply{"answered", {kAnswer}, false, kShown, std::nullopt, 1},
        Reply{"inventedThenGood", {std::nullopt, kAnswer}, true, kShown, std::nullopt, 2},
        Reply{"inventedTwice", {std::nullopt, std::nullopt}, true, std::nullopt, kInventedTwice, 2},
        Reply{"modelError", {std::nullopt}, false, std::nullopt, kModelFailed, 1}),
    [](const ::testing::TestParamInfo<Reply>& info) { return std::string(info.param.name); });

TEST_F(ManualViewTest, closingWhileWritingHidesTheLateAnswerAndTheNextQuestionStartsClean) {
    script->reply(kAnswer);
    script->fail(QStringLiteral("the model is busy"));
    ManualView view;
    type(view, QStringLiteral("how do I free up space on a backup drive?"));
    view.ask();
    ASSERT_TRUE(test::waitUntil([&] { return model->asked() == 1; }));
    test::runQueued();
    child<QPushButton>(view, "close")->click();
    EXPECT_FALSE(shownIn(view, "answerPanel"));
    EXPECT_FALSE(child<QPushButton>(view, "ask")->isEnabled());
    model->release();
    ASSERT_TRUE(test::waitUntil([&] { return !view.panel().thinking; }));
    EXPECT_FALSE(shownIn(view, "answerPanel"));
    EXPECT_TRUE(child<QPushButton>(view, "ask")->isEnabled());

    view.ask();
    test::runQueued();
    EXPECT_TRUE(shownIn(view, "answerPanel"));
    EXPECT_FALSE(shownIn(view, "answer"));
    EXPECT_FALSE(shownIn(view, "aiNote"));
}

TEST_F(ManualViewTest, closedBeforeTheModelAnswersTheAnswerIsStillWrittenForTheQuestionAsked) {
    script->reply(kAnswer);
    ManualView view;
    type(view, QStringLiteral("how do I free up space on a backup drive?"));
    view.ask();
    child<QPushButton>(view, "close")->click();
    ASSERT_TRUE(test::waitUntil([&] { return model->asked() == 1; }));
    model->release();
    ASSERT_TRUE(test::waitUntil([&] { return !view.panel().thinking; }));
    ASSERT_EQ(script->calls().size(), 1);
    EXPECT_TRUE(script->calls().first().prompt.endsWith(
        QStringLiteral("Question: how do I free up space on a backup drive?")));
    EXPECT_FALSE(shownIn(view, "answerPanel"));
}

TEST_F(ManualViewTest, blanksCannotBeAskedButCanBeFound) {
    ManualView view;
    type(view, QStringLiteral("   "));
    EXPECT_FALSE(child<QPushButton>(view, "ask")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(view, "find")->isEnabled());
    QTest::keyClick(child<QLineEdit>(view, "question"), Qt::Key_Return);
    view.ask();
    EXPECT_FALSE(shownIn(view, "answerPanel"));
    type(view, QString());
    EXPECT_FALSE(child<QPushButton>(view, "find")->isEnabled());
}

TEST_F(ManualViewTest, returnAsksAndTheTopBarCarriesItsTexts) {
    script->setAvailability(platform::LanguageModel::Availability::switchedOff);
    ManualView view;
    EXPECT_EQ(child<QLineEdit>(view, "question")->placeholderText(),
              QStringLiteral("Ask a question, e.g. how do I free up space on a backup drive?"));
    EXPECT_EQ(child<QPushButton>(view, "find")->toolTip(),
              QStringLiteral("Looks for these exact words in the text, one match after the other (Ctrl+G)."));
    type(view, QStringLiteral("\tfind missing files  "));
    QTest::keyClick(child<QLineEdit>(view, "question"), Qt::Key_Return);
    ASSERT_TRUE(test::waitUntil([&] { return view.panel().state() == ManualPanel::State::note; }));
    EXPECT_EQ(textOf(view, "asked"), QStringLiteral("\u201Cfind missing files\u201D"));
}

TEST_F(ManualViewTest, anotherStoredDocumentShowsTheManualWithNoSegmentChosen) {
    AppSettings::setManualDoc(QStringLiteral("manual"));
    ManualView view;
    EXPECT_FALSE(child<QPushButton>(view, "segment Manual")->isChecked());
    EXPECT_FALSE(child<QPushButton>(view, "segment What's New")->isChecked());
    EXPECT_TRUE(view.page()->toPlainText().contains(QStringLiteral("What Tovlin does")));
    child<QPushButton>(view, "segment What's New")->click();
    EXPECT_EQ(AppSettings::manualDoc(), QStringLiteral("What's New"));
    EXPECT_TRUE(child<QPushButton>(view, "segment What's New")->isChecked());
    EXPECT_TRUE(view.page()->toPlainText().startsWith(QStringLiteral("What's New in Tovlin")));
}

TEST_F(ManualViewTest, aMissingDocumentSaysWhichFileIsMissing) {
    const ManualDoc::ScopedPlaces nowhere({QString(), QString()});
    for (const auto& [stored, text] : {std::pair{"Manual", "MANUAL.md is missing from the app."},
                                       std::pair{"What's New", "CHANGELOG.md is missing from the app."}}) {
        AppSettings::setManualDoc(QString::fromUtf8(stored));
        ManualView view;
        EXPECT_TRUE(shownIn(view, "missing")) << stored;
        EXPECT_FALSE(shownIn(view, "contents")) << stored;
        EXPECT_EQ(textOf(view, "missingTitle"), QStringLiteral("Manual not found"));
        EXPECT_EQ(textOf(view, "missingText"), QString::fromUtf8(text));
        // Without a manual, asking does nothing at all.
        type(view, QStringLiteral("free up space"));
        view.ask();
        EXPECT_FALSE(shownIn(view, "answerPanel")) << stored;
        EXPECT_EQ(AppSettings::manualDoc(), QString::fromUtf8(stored));
    }
}

// The page, shown at the window's first size.
class ManualPageTest : public ManualViewTest {
protected:
    ManualView view;

    ManualPageTest() {
        view.resize(1080, 800);
        view.show();
        test::runQueued();
    }

    ManualText& page() { return *view.page(); }
    int scrolled() { return page().verticalScrollBar()->value(); }

    // Where the heading `title` stands in the page, as the scroll bar counts.
    int headingTop(const QString& title) {
        const std::optional<TextSpan> span = MarkdownHTML::range(title, page().document()->toPlainText());
        EXPECT_TRUE(span) << title.toStdString();
        if (!span)
            return -1;
        const QTextBlock block = page().document()->findBlock(int(span->start));
        return int(page().document()->documentLayout()->blockBoundingRect(block).top());
    }

    void chooseContentsRow(const QString& title) {
        auto* contents = child<QListWidget>(view, "contents");
        const QList<QListWidgetItem*> rows = contents->findItems(title, Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1) << title.toStdString();
        const QRect row = contents->visualItemRect(rows.first());
        QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, row.center());
    }
};

TEST_F(ManualPageTest, firstShownAtTheTopAndEveryChoiceOfARowScrolls) {
    EXPECT_EQ(scrolled(), 0);
    EXPECT_FALSE(page().textCursor().hasSelection());
    EXPECT_FALSE(page().flashed());

    chooseContentsRow(QStringLiteral("Free up space"));
    const int target = headingTop(QStringLiteral("Free up space")) - 10;
    EXPECT_GT(target, 0);
    EXPECT_EQ(scrolled(), std::min(target, page().verticalScrollBar()->maximum()));
    ASSERT_TRUE(page().flashed());

    // Scrolled away and chosen again: the same row scrolls again.
    page().verticalScrollBar()->setValue(0);
    chooseContentsRow(QStringLiteral("Free up space"));
    EXPECT_EQ(scrolled(), std::min(target, page().verticalScrollBar()->maximum()));

    // The page's own title stands at the very top: the page scrolls back to it, no further.
    page().scrollToHeading(QStringLiteral("tovlin-manual"));
    EXPECT_LE(scrolled(), 18);

    // An unknown heading does nothing.
    chooseContentsRow(QStringLiteral("Free up space"));
    page().scrollToHeading(QStringLiteral("no-such-heading"));
    EXPECT_EQ(scrolled(), std::min(target, page().verticalScrollBar()->maximum()));
}

TEST_F(ManualPageTest, findSelectsTheNextMatchWrapsAndBeepsWhenAbsent) {
    // A word the manual uses once, capitalised, typed in lower case.
    const QString text = page().document()->toPlainText();
    const qsizetype at = text.indexOf(QStringLiteral("Ollama"));
    ASSERT_GE(at, 0);
    ASSERT_LT(text.indexOf(QStringLiteral("ollama"), at + 1, Qt::CaseInsensitive), 0);
    type(view, QStringLiteral("ollama"));

    child<QPushButton>(view, "find")->click();
    EXPECT_EQ(page().textCursor().selectionStart(), at);
    EXPECT_EQ(page().textCursor().selectedText(), QStringLiteral("Ollama"));
    EXPECT_GT(scrolled(), 0);
    // Found again from after itself: the search wraps to the start.
    QTest::keyClick(&view, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(page().textCursor().selectionStart(), at);
    EXPECT_EQ(beeps, 0);

    const QTextCursor before = page().textCursor();
    type(view, QStringLiteral("qqzzxxnotthere"));
    child<QPushButton>(view, "find")->click();
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(page().textCursor().selectionStart(), before.selectionStart());
    EXPECT_EQ(page().textCursor().selectionEnd(), before.selectionEnd());
}

TEST_F(ManualPageTest, largerTextReloadsThePageAtTheTopAndTypingDoesNot) {
    QScrollBar* bar = page().verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    type(view, QStringLiteral("anything"));
    EXPECT_EQ(scrolled(), bar->maximum() / 2);

    const QTextDocument* before = page().document();
    const qreal height = before->size().height();
    AppSettings::setComfortable(true);
    test::runQueued();
    EXPECT_NE(page().document(), before);
    EXPECT_EQ(scrolled(), 0);
    // Larger, not smaller: the page's sizes reached the laid-out text.
    EXPECT_GT(page().document()->size().height(), height * 1.15);
    AppSettings::setComfortable(false);
}

TEST_F(ManualPageTest, askingOnWhatsNewSwitchesToTheManualThenJumps) {
    script->setAvailability(platform::LanguageModel::Availability::unsupported);
    AppSettings::setManualDoc(QStringLiteral("What's New"));
    test::runQueued();
    ASSERT_TRUE(page().toPlainText().startsWith(QStringLiteral("What's New in Tovlin")));
    type(view, QStringLiteral("how do I free up space on a backup drive?"));
    view.ask();
    EXPECT_EQ(AppSettings::manualDoc(), QStringLiteral("Manual"));
    EXPECT_TRUE(child<QPushButton>(view, "segment Manual")->isChecked());
    const int target = headingTop(QStringLiteral("Free up space")) - 10;
    EXPECT_EQ(scrolled(), std::min(target, page().verticalScrollBar()->maximum()));
    EXPECT_GT(scrolled(), 0);
}

// A page of our own with every kind of link.
class ManualLinksTest : public ManualViewTest {
protected:
    ManualText text;
    MarkdownHTML::Rendered rendered = MarkdownHTML::render(
        QStringLiteral(
            "# Links\n\nGo to [the clips](#caf%C3%A9-clips) now.\n\n[Shouting](HTTPS://example.com/loud) "
            "and [a file](file:///etc/hostname) and [the site](https://example.com/quiet) and "
            "[mail](mailto:support@tovlin.app).\n\n") +
        QStringLiteral("Filler line.\n\n").repeated(80) + QStringLiteral("## Caf\u00E9 clips\n\nThe end.\n"));

    ManualLinksTest() {
        text.resize(700, 400);
        text.show();
        ManualText::Inputs inputs;
        inputs.html = MarkdownHTML::page(rendered.body, 1.0, false);
        inputs.headings = rendered.headings;
        text.update(inputs);
        test::runQueued();
    }

    void click(const QString& words) {
        const qsizetype at = text.document()->toPlainText().indexOf(words);
        ASSERT_GE(at, 0) << words.toStdString();
        QTextCursor cursor(text.document());
        cursor.setPosition(int(at + 1));
        const QPoint point = text.cursorRect(cursor).center();
        QTest::mouseClick(text.viewport(), Qt::LeftButton, {}, point);
    }
};

TEST_F(ManualLinksTest, onlyLinksIntoTheManualAndWebOrMailLinksDoAnything) {
    click(QStringLiteral("Shouting"));
    click(QStringLiteral("a file"));
    EXPECT_TRUE(files->openedUrls.isEmpty());
    EXPECT_TRUE(files->opened.isEmpty());
    EXPECT_EQ(text.verticalScrollBar()->value(), 0);

    click(QStringLiteral("the site"));
    click(QStringLiteral("mail"));
    EXPECT_EQ(files->openedUrls, (QList<QUrl>{QUrl(QStringLiteral("https://example.com/quiet")),
                                              QUrl(QStringLiteral("mailto:support@tovlin.app"))}));

    // A percent-escaped link into the manual jumps to its heading.
    click(QStringLiteral("the clips"));
    EXPECT_GT(text.verticalScrollBar()->value(), 0);
    EXPECT_EQ(files->openedUrls.size(), 2);
}

} // namespace
