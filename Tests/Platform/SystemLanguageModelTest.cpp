#include "Platform/SystemLanguageModel.h"

#include "Platform/ProblemReporter.h"
#include "Tests/Support/LoopbackModelServer.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/Scopes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace pellimor;
using platform::SystemLanguageModel;
using Availability = platform::LanguageModel::Availability;
using namespace std::chrono_literals;

namespace {

SystemLanguageModel modelAt(const QString& address, std::chrono::milliseconds answerLimit = 30s) {
    SystemLanguageModel::Setup setup;
    setup.address = address;
    setup.probeLimit = 30s;
    setup.answerLimit = answerLimit;
    return SystemLanguageModel(setup);
}

// Every problem reported while it lives.
struct ReportedProblems {
    QList<platform::ProblemReporter::Problem> problems;
    platform::ProblemReporter::Scoped scope{
        [this](const platform::ProblemReporter::Problem& problem) { problems.append(problem); }};
};

} // namespace

TEST(SystemLanguageModel, OnlyALoopbackAddressIsUsed) {
    struct Case {
        const char* address;
        std::optional<QString> root;
    };
    const Case cases[] = {
        {"http://127.0.0.1:8080", QStringLiteral("http://127.0.0.1:8080/v1")},
        {"http://127.0.0.1:8080/", QStringLiteral("http://127.0.0.1:8080/v1")},
        {"http://localhost:11434/v1/", QStringLiteral("http://localhost:11434/v1")},
        {"http://LOCALHOST:11434/api/v1", QStringLiteral("http://localhost:11434/api/v1")},
        {"http://[::1]:9000", QStringLiteral("http://[::1]:9000/v1")},
        {"https://127.0.0.1:8443/v1?key=x#top", QStringLiteral("https://127.0.0.1:8443/v1")},
        {"http://192.168.1.20:8080", std::nullopt},
        {"http://example.com/v1", std::nullopt},
        {"http://127.0.0.1.example.com", std::nullopt},
        {"http://localhost.example:80", std::nullopt},
        {"http://127.0.0.2:8080", std::nullopt},
        {"ftp://127.0.0.1/v1", std::nullopt},
        {"127.0.0.1:8080", std::nullopt},
        {"/v1/chat/completions", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SystemLanguageModel::apiRoot(QString::fromUtf8(c.address)), c.root) << c.address;
}

TEST(SystemLanguageModel, UnsetOrRefusedMeansUnsupportedAndNothingIsSent) {
    test::LoopbackModelServer server;
    ASSERT_TRUE(server.start());
    {
        const test::ScopedEnvironment unset("TOVLIN_MODEL_URL", std::nullopt);
        SystemLanguageModel model;
        EXPECT_FALSE(model.configured());
        EXPECT_EQ(model.availability(), Availability::unsupported);
        EXPECT_FALSE(model.respond("i", "p", 0.1).ok());
    }
    ReportedProblems reported;
    // The same server under a name that is not this computer's: refused, and said so once.
    const QString elsewhere = QStringLiteral("http://192.0.2.7:%1").arg(server.port());
    const test::ScopedEnvironment set("TOVLIN_MODEL_URL", elsewhere);
    SystemLanguageModel model;
    EXPECT_FALSE(model.configured());
    EXPECT_EQ(model.availability(), Availability::unsupported);
    EXPECT_EQ(model.availability(), Availability::unsupported);
    const Result<QString> reply = model.respond("i", "p", 0.1);
    EXPECT_FALSE(reply.ok());
    ASSERT_EQ(reported.problems.size(), 1);
    EXPECT_EQ(reported.problems.first().level, platform::ProblemReporter::Level::warn);
    EXPECT_TRUE(reported.problems.first().message.contains(elsewhere));
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST(SystemLanguageModel, AGoodAnswerIsTheRepliesText) {
    test::LoopbackModelServer server;
    server.answer = QStringLiteral("Choose **Free Up Space…** in the row's menu.");
    ASSERT_TRUE(server.start());
    SystemLanguageModel model = modelAt(server.address());
    EXPECT_EQ(model.availability(), Availability::available);
    const Result<QString> first =
        model.respond(QStringLiteral("Rules."), QStringLiteral("Question: how?"), 0.1);
    ASSERT_TRUE(first.ok()) << first.error().toStdString();
    EXPECT_EQ(*first, server.answer);
    ASSERT_TRUE(model.respond(QStringLiteral("Rules."), QStringLiteral("Question: again?"), 0.1).ok());

    const QList<test::LoopbackModelServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 3) << "the probe, then a new request for each question";
    EXPECT_EQ(requests.at(0).method, "GET");
    EXPECT_EQ(requests.at(0).path, "/v1/models");
    EXPECT_EQ(requests.at(1).method, "POST");
    EXPECT_EQ(requests.at(1).path, "/v1/chat/completions");
    const QJsonObject sent = QJsonDocument::fromJson(requests.at(1).body).object();
    EXPECT_EQ(sent.keys(), (QStringList{"messages", "model", "temperature"})) << "nothing else is sent";
    EXPECT_EQ(sent.value("model").toString(), "test-model");
    EXPECT_EQ(sent.value("temperature").toDouble(), 0.1);
    EXPECT_EQ(sent.value("messages").toArray(),
              (QJsonArray{QJsonObject{{"role", "system"}, {"content", "Rules."}},
                          QJsonObject{{"role", "user"}, {"content", "Question: how?"}}}));
    const QJsonObject again = QJsonDocument::fromJson(requests.at(2).body).object();
    EXPECT_EQ(again.value("messages").toArray().size(), 2) << "no earlier question goes along";
}

TEST(SystemLanguageModel, ASlowOrFailingModelGivesAnError) {
    test::LoopbackModelServer server;
    server.respond = [](const test::LoopbackModelServer::Request& request)
        -> std::optional<test::LoopbackModelServer::Reply> {
        if (request.body.contains("slow"))
            return test::LoopbackModelServer::Reply{200, {}, {}, true};
        if (request.body.contains("broken"))
            return test::LoopbackModelServer::json({{"error", QJsonObject{{"message", "the model crashed"}}}},
                                                   500);
        if (request.body.contains("empty"))
            return test::LoopbackModelServer::json({{"choices", QJsonArray{}}});
        return std::nullopt;
    };
    ASSERT_TRUE(server.start());
    // Only the reply that never comes meets the short limit; the others may take their time.
    const Result<QString> slow = modelAt(server.address(), 200ms).respond("i", "slow", 0.1);
    ASSERT_FALSE(slow.ok());
    EXPECT_EQ(slow.error(), "the language model did not answer within 0.2 s");
    SystemLanguageModel model = modelAt(server.address());
    const Result<QString> broken = model.respond("i", "broken", 0.1);
    ASSERT_FALSE(broken.ok());
    EXPECT_EQ(broken.error(), "the language model answered with HTTP status 500: the model crashed");
    const Result<QString> empty = model.respond("i", "empty", 0.1);
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error(), "the language model's reply holds no answer");
    EXPECT_TRUE(model.respond("i", "fine", 0.1).ok()) << "each call stands alone";
}

TEST(SystemLanguageModel, AServerThatAnswersIsAvailableWhateverItSaysOfItsModels) {
    struct Case {
        const char* what;
        bool listsModels;
        int listStatus;                   // of the model list, when it is a route
        std::optional<QString> modelSent; // the model the chat request names
    };
    const Case cases[] = {
        {"the loaded model is listed", true, 200, QStringLiteral("test-model")},
        {"no model list: a server that only chats", false, 404, std::nullopt},
        {"the list fails: the chat will say why, if it must", true, 500, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::LoopbackModelServer server;
        server.listsModels = c.listsModels;
        const int listStatus = c.listStatus;
        server.respond = [listStatus](const test::LoopbackModelServer::Request& request)
            -> std::optional<test::LoopbackModelServer::Reply> {
            if (listStatus == 500 && request.path.endsWith("/models"))
                return test::LoopbackModelServer::json({{"error", "no list"}}, 500);
            return std::nullopt;
        };
        ASSERT_TRUE(server.start());
        SystemLanguageModel model = modelAt(server.address());
        EXPECT_TRUE(model.configured());
        EXPECT_EQ(model.availability(), Availability::available);
        const Result<QString> reply = model.respond("i", "p", 0.1);
        ASSERT_TRUE(reply.ok()) << reply.error().toStdString();
        EXPECT_EQ(*reply, server.answer);

        const QList<test::LoopbackModelServer::Request> requests = server.requests();
        ASSERT_EQ(requests.size(), 2) << "one look at the server, then the question";
        EXPECT_EQ(requests.at(0).method, "GET");
        const QJsonObject sent = QJsonDocument::fromJson(requests.at(1).body).object();
        EXPECT_EQ(sent.contains("model"), c.modelSent.has_value());
        EXPECT_EQ(sent.value("model").toString(), c.modelSent.value_or(QString()));
    }
}

TEST(SystemLanguageModel, AServerThatDoesNotAnswerIsNamedAsNotAnswering) {
    test::LoopbackModelServer holding;
    holding.respond = [](const test::LoopbackModelServer::Request&) {
        return std::optional(test::LoopbackModelServer::Reply{200, {}, {}, true});
    };
    ASSERT_TRUE(holding.start());
    SystemLanguageModel::Setup setup;
    setup.address = holding.address();
    setup.probeLimit = 200ms;
    SystemLanguageModel slow(setup);
    EXPECT_EQ(slow.availability(), Availability::notAnswering);
    EXPECT_EQ(slow.serverAddress(), holding.address());

    // A port nobody listens on: a server that was there and is gone. The address is the one
    // set up, as the user wrote it.
    int port = 0;
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
        port = closed.serverPort();
    }
    const QString gone = QStringLiteral("http://localhost:%1/v1/").arg(port);
    SystemLanguageModel model = modelAt(gone);
    EXPECT_TRUE(model.configured());
    EXPECT_EQ(model.availability(), Availability::notAnswering);
    EXPECT_EQ(model.serverAddress(), gone);

    const test::ScopedEnvironment unset("TOVLIN_MODEL_URL", std::nullopt);
    EXPECT_EQ(SystemLanguageModel().serverAddress(), QString()) << "no server, no address";
}

TEST(SystemLanguageModel, ARedirectIsNeverFollowed) {
    test::LoopbackModelServer target;
    ASSERT_TRUE(target.start());
    test::LoopbackModelServer redirecting;
    const QByteArray location = "Location: " + target.address().toUtf8() + "/v1/chat/completions\r\n";
    redirecting.respond = [location](const test::LoopbackModelServer::Request&) {
        return std::optional(test::LoopbackModelServer::Reply{307, {}, location, false});
    };
    ASSERT_TRUE(redirecting.start());
    const Result<QString> reply = modelAt(redirecting.address()).respond("i", "p", 0.1);
    ASSERT_FALSE(reply.ok());
    EXPECT_EQ(reply.error(), "the language model answered with HTTP status 307");
    EXPECT_TRUE(target.requests().isEmpty());
}
