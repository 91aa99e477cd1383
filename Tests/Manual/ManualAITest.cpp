#include "Manual/ManualAI.h"

#include "Manual/ManualDoc.h"
#include "Platform/SystemLanguageModel.h"
#include "Support/WorkPool.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeLanguageModel.h"
#include "Tests/Support/LoopbackModelServer.h"
#include "Tests/Support/QtPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QTcpServer>
#include <QThread>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;
using Availability = platform::LanguageModel::Availability;

namespace {

ManualSection sectionOf(const QString& title, qsizetype length, const QString& unit = QStringLiteral("a")) {
    return {title.toLower(), title, unit.repeated(length)};
}

struct ModelScope {
    std::shared_ptr<test::FakeLanguageModel> model = std::make_shared<test::FakeLanguageModel>();
    platform::ScopedServices scope{test::FakeLanguageModel::services(model)};
};

} // namespace

TEST(ManualAI, TheExcerptsTakeTheBestSectionAndAShortOnesNeighbour) {
    const ManualSection second = sectionOf(QStringLiteral("Second"), 3000, QStringLiteral("b"));
    struct Case {
        const char* what;
        QList<ManualSection> sections;
        QString excerpts;
    };
    const Case cases[] = {
        {"one section of 300", {sectionOf("One", 300)}, "### One\n" + QString(300, u'a') + "\n\n"},
        {"a first of 899 brings the second, cut to 2500",
         {sectionOf("One", 899), second},
         "### One\n" + QString(899, u'a') + "\n\n### Second\n" + QString(2500, u'b') + "\n\n"},
        {"a first of 900 comes alone",
         {sectionOf("One", 900), second},
         "### One\n" + QString(900, u'a') + "\n\n"},
        {"a first of 8000 is cut to 5200",
         {sectionOf("One", 8000), second},
         "### One\n" + QString(5200, u'a') + "\n\n"},
        {"only two sections are ever used",
         {sectionOf("One", 10), sectionOf("Two", 10), sectionOf("Three", 10)},
         "### One\naaaaaaaaaa\n\n### Two\naaaaaaaaaa\n\n"},
        {"none", {}, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ManualAI::excerpts(c.sections), c.excerpts) << c.what;

    // Characters as the reader counts them: a decomposed "é" is one, so 899 of them are short.
    const QString accented = QStringLiteral("e\u0301");
    const QString excerpts =
        ManualAI::excerpts({sectionOf("One", 899, accented), sectionOf("Two", 2600, accented)});
    EXPECT_EQ(excerpts,
              "### One\n" + accented.repeated(899) + "\n\n### Two\n" + accented.repeated(2500) + "\n\n");
    EXPECT_EQ(ManualAI::excerpts({sectionOf("One", 6000, accented)}),
              "### One\n" + accented.repeated(5200) + "\n\n");
}

TEST(ManualAI, EveryBoldTermMustBeInTheManual) {
    const QString manual = QStringLiteral("Choose File \u25B8 Export CSV… or Free Up Space… in the browser.");
    struct Case {
        const char* what;
        QString reply;
        std::optional<QString> invented;
    };
    const Case cases[] = {
        {"terms of the manual pass, their ellipsis and case aside",
         "Use **Free Up Space…** in the **File** menu.", std::nullopt},
        {"a name the manual lacks", "Open **Pixel Wizard** first.", QStringLiteral("pixel wizard")},
        {"the first invented term in the reply's order", "**Pixel Wizard** then **Magic Box**",
         QStringLiteral("pixel wizard")},
        {"trimmed of blanks, full stops and colons", "Press ** Render Farm:. **",
         QStringLiteral("render farm")},
        {"two characters are never tested", "Press **OK**.", std::nullopt},
        {"an odd number of marks tests the last piece", "**File** and **Pixel Wizard",
         QStringLiteral("pixel wizard")},
        {"no bold passes", "Nothing in bold here, not even Pixel Wizard.", std::nullopt},
        {"an empty piece between marks", "****", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<ManualAI::Invented> found = ManualAI::inventedTerm(c.reply, manual);
        EXPECT_EQ(found ? std::optional<QString>(found->name) : std::nullopt, c.invented) << c.what;
    }
    EXPECT_EQ(ManualAI::Invented{QStringLiteral("pixel wizard")}.description(),
              QStringLiteral("its answer named \u201Cpixel wizard\u201D, which is not in the manual"));
}

TEST(ManualAI, TheModelIsToldTheInstructionsExcerptsAndQuestionOnly) {
    ModelScope fake;
    fake.model->reply(QStringLiteral("Choose **Free Up Space…**. Then press **OK**."));
    fake.model->reply(QStringLiteral("Second."));
    const QList<ManualSection> found = {sectionOf("Free up space", 40), sectionOf("Compare", 20)};
    const ManualAI::Answer first = ManualAI::answer(QStringLiteral("how do I free space"), found);
    ASSERT_TRUE(first.ok()) << first.error->description.toStdString();
    EXPECT_EQ(*first.text, "Choose **Free Up Space…**. Then press **OK**.") << "the answer comes unchanged";
    const ManualAI::Answer second = ManualAI::answer(QStringLiteral("again"), found);
    ASSERT_TRUE(second.ok());

    const QList<test::FakeLanguageModel::Call> calls = fake.model->calls();
    ASSERT_EQ(calls.size(), 2) << "a new conversation for every question";
    EXPECT_EQ(calls.at(0).instructions, ManualAI::instructions);
    EXPECT_EQ(calls.at(0).instructions.size(), 605);
    EXPECT_TRUE(ManualAI::instructions.startsWith("You are the help assistant inside Tovlin, a Mac app"));
    EXPECT_TRUE(ManualAI::instructions.endsWith("say only: The manual does not cover this."));
    EXPECT_EQ(calls.at(0).temperature, 0.1);
    EXPECT_EQ(calls.at(0).prompt, "Manual excerpts:\n\n### Free up space\n" + QString(40, u'a') +
                                      "\n\n### Compare\n" + QString(20, u'a') +
                                      "\n\n\nQuestion: how do I free space");
    EXPECT_EQ(calls.at(1).prompt.count(QStringLiteral("Question:")), 1) << "nothing of the first question";
}

TEST(ManualAI, FailuresSayWhy) {
    const QList<ManualSection> found = {sectionOf("Free up space", 40)};
    {
        ModelScope fake;
        const ManualAI::Answer none = ManualAI::answer(QStringLiteral("anything"), {});
        ASSERT_TRUE(none.error);
        EXPECT_EQ(none.error->kind, ManualAI::Error::Kind::featureUnsupported);
        EXPECT_EQ(fake.model->availabilityQuestions(), 0) << "no sections: the model is not touched";
        EXPECT_TRUE(fake.model->calls().isEmpty());
    }
    {
        ModelScope fake;
        fake.model->setAvailability(Availability::unsupported);
        const ManualAI::Answer none = ManualAI::answer(QStringLiteral("anything"), found);
        ASSERT_TRUE(none.error);
        EXPECT_EQ(none.error->kind, ManualAI::Error::Kind::featureUnsupported);
        EXPECT_TRUE(fake.model->calls().isEmpty()) << "nothing is sent to a model that is not there";
        EXPECT_EQ(fake.model->availabilityQuestions(), 0) << "told without asking the model";
    }
    {
        ModelScope fake;
        fake.model->fail(QStringLiteral("the model refused"));
        const ManualAI::Answer refused = ManualAI::answer(QStringLiteral("anything"), found);
        ASSERT_TRUE(refused.error);
        EXPECT_EQ(refused.error->kind, ManualAI::Error::Kind::model);
        EXPECT_EQ(refused.error->description, "the model refused") << "the model's own words";
    }
    {
        ModelScope fake;
        fake.model->reply(QStringLiteral("Open **Pixel Wizard** and press **File**."));
        const ManualAI::Answer invented = ManualAI::answer(QStringLiteral("anything"), found);
        ASSERT_TRUE(invented.error);
        EXPECT_EQ(invented.error->kind, ManualAI::Error::Kind::invented);
        EXPECT_EQ(invented.error->invented, ManualAI::Invented{QStringLiteral("pixel wizard")});
        EXPECT_EQ(invented.error->description,
                  "its answer named \u201Cpixel wizard\u201D, which is not in the manual");
        EXPECT_FALSE(invented.text);
    }
}

TEST(ManualAI, TheReferenceIsTheWholeManualOrElseTheExcerpts) {
    ASSERT_TRUE(ManualDoc::manual.text());
    const QList<ManualSection> found = {{"x", "Excerpt", "Only the Sprocket Tool is named here."}};
    {
        ModelScope fake;
        fake.model->reply(QStringLiteral("Use the **Sprocket Tool**."));
        const ManualAI::Answer answer = ManualAI::answer(QStringLiteral("q"), found);
        ASSERT_TRUE(answer.error) << "the manual holds no such tool, whatever the excerpt says";
        EXPECT_EQ(answer.error->kind, ManualAI::Error::Kind::invented);
    }
    ModelScope fake;
    ManualDoc::ScopedPlaces nowhere({QString(), QString()});
    fake.model->reply(QStringLiteral("Use the **Sprocket Tool**."));
    EXPECT_TRUE(ManualAI::answer(QStringLiteral("q"), found).ok()) << "without a manual, the excerpts decide";
}

TEST(ManualAI, EachAvailabilityHasItsSentence) {
    struct Case {
        Availability availability;
        std::optional<QString> reason;
    };
    const Case cases[] = {
        {Availability::available, std::nullopt},
        {Availability::unsupported,
         QStringLiteral("Written answers need Apple Intelligence, on macOS 26 or later.")},
        {Availability::deviceNotEligible, QStringLiteral("This Mac does not support Apple Intelligence.")},
        {Availability::switchedOff,
         QStringLiteral("Apple Intelligence is switched off. Turn it on in System Settings "
                        "\u25B8 Apple Intelligence & Siri to get written answers.")},
        {Availability::notReady,
         QStringLiteral(
             "Apple Intelligence is not ready yet (it may still be downloading). Try again later.")},
        {Availability::notAnswering,
         QStringLiteral("The model server at http://127.0.0.1:8080 did not answer.")},
    };
    for (const Case& c : cases) {
        ModelScope fake;
        fake.model->setAvailability(c.availability);
        fake.model->setServerAddress(QStringLiteral("http://127.0.0.1:8080"));
        EXPECT_EQ(ManualAI::unavailableReason(), c.reason) << int(c.availability);
    }
    ModelScope nameless;
    nameless.model->setAvailability(Availability::notAnswering);
    EXPECT_EQ(ManualAI::unavailableReason(), QStringLiteral("The model server did not answer."));
}

TEST(ManualAI, AvailabilityIsAskedOncePerQuestionNotBeforeEachAttempt) {
    ModelScope fake;
    fake.model->reply(QStringLiteral("Open **Pixel Wizard**."));
    fake.model->reply(QStringLiteral("Choose **Free Up Space…**."));
    const QList<ManualSection> found = {sectionOf("Free up space", 40)};
    // As the manual window asks: why not, then an answer, and once more after an invented name.
    EXPECT_EQ(ManualAI::unavailableReason(), std::nullopt);
    const ManualAI::Answer first = ManualAI::answer(QStringLiteral("q"), found);
    ASSERT_TRUE(first.error);
    EXPECT_EQ(first.error->kind, ManualAI::Error::Kind::invented);
    EXPECT_TRUE(ManualAI::answer(QStringLiteral("q"), found).ok());
    EXPECT_EQ(fake.model->availabilityQuestions(), 1);
    EXPECT_EQ(fake.model->calls().size(), 2);
}

TEST(ManualAI, AnswerLaterHandsTheAnswerBackOnTheMainThread) {
    ModelScope fake;
    fake.model->reply(QStringLiteral("Written."));
    QObject context;
    std::optional<ManualAI::Answer> got;
    Qt::HANDLE thread = nullptr;
    ManualAI::answerLater(QStringLiteral("q"), {sectionOf("One", 5)}, &context,
                          [&](const ManualAI::Answer& answer) {
                              got = answer;
                              thread = QThread::currentThreadId();
                          });
    ASSERT_TRUE(test::waitUntil([&] { return got.has_value(); }));
    EXPECT_EQ(got->text, QStringLiteral("Written."));
    EXPECT_EQ(thread, QThread::currentThreadId());

    // A receiver gone before the answer comes hears nothing.
    fake.model->reply(QStringLiteral("Late."));
    bool called = false;
    auto gone = std::make_unique<QObject>();
    ManualAI::answerLater(QStringLiteral("q"), {sectionOf("One", 5)}, gone.get(),
                          [&](const ManualAI::Answer&) { called = true; });
    gone.reset();
    workPool()->waitForDone();
    test::runQueued();
    EXPECT_EQ(fake.model->calls().size(), 2);
    EXPECT_FALSE(called);
}

TEST(ManualAI, AnswersFromTheModelServerOnThisComputer) {
    test::LoopbackModelServer server;
    ASSERT_TRUE(server.start());
    platform::SystemLanguageModel::Setup setup;
    setup.address = server.address();
    setup.probeLimit = std::chrono::seconds(30); // a busy machine must not make the model "unsupported"
    platform::ScopedServices scope(
        test::FakeLanguageModel::services(std::make_shared<platform::SystemLanguageModel>(setup)));
    const QList<ManualSection> found = {sectionOf("Free up space", 40)};

    EXPECT_EQ(ManualAI::unavailableReason(), std::nullopt);
    server.answer = QStringLiteral("Choose **Free Up Space…** from the library's menu.");
    const ManualAI::Answer good = ManualAI::answer(QStringLiteral("how do I free up space"), found);
    ASSERT_TRUE(good.ok()) << good.error->description.toStdString();
    EXPECT_EQ(*good.text, server.answer);

    server.answer = QStringLiteral("Open **Pixel Wizard**.");
    const ManualAI::Answer invented = ManualAI::answer(QStringLiteral("how do I free up space"), found);
    ASSERT_TRUE(invented.error);
    EXPECT_EQ(invented.error->kind, ManualAI::Error::Kind::invented);

    const QJsonObject sent = QJsonDocument::fromJson(server.requests().last().body).object();
    EXPECT_EQ(sent.value("messages").toArray().at(0).toObject().value("content").toString(),
              ManualAI::instructions);
    EXPECT_EQ(sent.value("messages").toArray().at(1).toObject().value("content").toString(),
              ManualAI::prompt(QStringLiteral("how do I free up space"), ManualAI::excerpts(found)));
}

TEST(ManualAI, AModelServerIsAskedWhateverRoutesItHasAndNamedWhenItDoesNotAnswer) {
    const QList<ManualSection> found = {sectionOf("Free up space", 40)};
    const auto modelAt = [](const QString& address) {
        platform::SystemLanguageModel::Setup setup;
        setup.address = address;
        setup.probeLimit = std::chrono::seconds(30);
        return std::make_shared<platform::SystemLanguageModel>(setup);
    };
    {
        // A server that only chats: it has no list of its models.
        test::LoopbackModelServer server;
        server.listsModels = false;
        server.answer = QStringLiteral("Choose **Free Up Space…** from the library's menu.");
        ASSERT_TRUE(server.start());
        platform::ScopedServices scope(test::FakeLanguageModel::services(modelAt(server.address())));
        EXPECT_EQ(ManualAI::unavailableReason(), std::nullopt);
        const ManualAI::Answer answer = ManualAI::answer(QStringLiteral("how do I free up space"), found);
        ASSERT_TRUE(answer.ok()) << answer.error->description.toStdString();
        EXPECT_EQ(*answer.text, server.answer);
        const QList<test::LoopbackModelServer::Request> requests = server.requests();
        ASSERT_EQ(requests.size(), 2);
        EXPECT_EQ(requests.at(0).method, "GET") << "asked once whether it is there";
        EXPECT_EQ(requests.at(1).path, "/v1/chat/completions");
    }
    // A server that is gone is named, not taken for a system without a model.
    int port = 0;
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
        port = closed.serverPort();
    }
    const QString gone = QStringLiteral("http://127.0.0.1:%1").arg(port);
    platform::ScopedServices scope(test::FakeLanguageModel::services(modelAt(gone)));
    EXPECT_EQ(ManualAI::unavailableReason(), "The model server at " + gone + " did not answer.");
}
