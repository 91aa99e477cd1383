#include "Platform/SystemLanguageModel.h"

#include "Platform/ProblemReporter.h"
#include "Platform/SystemServices.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace pellimor::platform {

namespace {

const char* const addressVariable = "TOVLIN_MODEL_URL";

// What one HTTP exchange with the server came to.
struct Exchange {
    int status = 0;  // the HTTP status; 0 when no answer came
    QByteArray body; // the answer's body
    QString error;   // why no usable answer came; empty when one did
};

QString seconds(std::chrono::milliseconds limit) {
    return QString::number(double(limit.count()) / 1000.0, 'g', 3);
}

// One request, answered or given up on within `limit`. A redirect is never followed: the
// place it points at may not be this computer.
Exchange exchange(const QUrl& url, const QByteArray* postBody, std::chrono::milliseconds limit) {
    Exchange result;
    if (!QCoreApplication::instance()) {
        result.error = QStringLiteral("the language model cannot be asked without an application object");
        return result;
    }
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply* reply = nullptr;
    if (postBody) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        reply = manager.post(request, *postBody);
    } else {
        reply = manager.get(request);
    }

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
        loop.quit();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(limit);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();

    if (timedOut) {
        result.error = QStringLiteral("the language model did not answer within %1 s").arg(seconds(limit));
        return result;
    }
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    if (result.status == 0)
        result.error =
            QStringLiteral("the language model could not be reached (%1)").arg(reply->errorString());
    else if (result.status < 200 || result.status > 299)
        result.error = QStringLiteral("the language model answered with HTTP status %1").arg(result.status);
    return result;
}

// The message of an OpenAI-style error body ({"error": {"message": ...}} or {"error": "..."}).
QString errorMessage(const QByteArray& body) {
    const QJsonValue error = QJsonDocument::fromJson(body).object().value(QStringLiteral("error"));
    if (error.isString())
        return error.toString();
    return error.toObject().value(QStringLiteral("message")).toString();
}

} // namespace

SystemLanguageModel::SystemLanguageModel() : SystemLanguageModel(Setup{}) {}

SystemLanguageModel::SystemLanguageModel(Setup setup) : m_setup(std::move(setup)) {}

std::optional<QString> SystemLanguageModel::apiRoot(const QString& address) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return std::nullopt;
    const QString host = url.host().toLower();
    if (host != QLatin1String("127.0.0.1") && host != QLatin1String("::1") &&
        host != QLatin1String("localhost"))
        return std::nullopt;
    QUrl root = url;
    root.setQuery(QString());
    root.setFragment(QString());
    QString path = root.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    root.setPath(path.isEmpty() ? QStringLiteral("/v1") : path);
    return root.toString();
}

QString SystemLanguageModel::address() const {
    return (m_setup.address ? *m_setup.address : qEnvironmentVariable(addressVariable)).trimmed();
}

std::optional<QString> SystemLanguageModel::root() {
    const QString address = this->address();
    if (address.isEmpty())
        return std::nullopt;
    if (std::optional<QString> api = apiRoot(address))
        return api;
    QMutexLocker lock(&m_mutex);
    if (!m_refused.contains(address)) {
        m_refused.insert(address);
        lock.unlock();
        ProblemReporter::report({ProblemReporter::Level::warn, QStringLiteral("manual-answers"),
                                 QStringLiteral("The language model address \"%1\" is not on this computer "
                                                "(127.0.0.1, ::1 or localhost), so it is not used: questions "
                                                "and the manual's text never leave the computer.")
                                     .arg(address),
                                 std::nullopt});
    }
    return std::nullopt;
}

bool SystemLanguageModel::configured() {
    return root().has_value();
}

QString SystemLanguageModel::serverAddress() {
    return configured() ? address() : QString();
}

LanguageModel::Availability SystemLanguageModel::availability() {
    const std::optional<QString> api = root();
    if (!api)
        return Availability::unsupported;
    // The model list is where a server names the model it has loaded, but servers that only
    // chat have no such route: any answer at all, an error or a missing route included, shows
    // the server is there, and its chat answer says the rest.
    const Exchange probe = exchange(QUrl(*api + QStringLiteral("/models")), nullptr, m_setup.probeLimit);
    if (probe.status == 0)
        return Availability::notAnswering;
    // Servers that hold several models want one named; the first one listed is the loaded one.
    QString model;
    if (probe.error.isEmpty()) {
        const QJsonArray models =
            QJsonDocument::fromJson(probe.body).object().value(QStringLiteral("data")).toArray();
        if (!models.isEmpty())
            model = models.first().toObject().value(QStringLiteral("id")).toString();
    }
    QMutexLocker lock(&m_mutex);
    m_model = model;
    return Availability::available;
}

Result<QString> SystemLanguageModel::respond(const QString& instructions, const QString& prompt,
                                             double temperature) {
    const std::optional<QString> api = root();
    if (!api)
        return Failure{QStringLiteral("no language model is set up on this computer")};
    QJsonObject body;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_model.isEmpty())
            body.insert(QStringLiteral("model"), m_model);
    }
    body.insert(QStringLiteral("messages"),
                QJsonArray{QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                                       {QStringLiteral("content"), instructions}},
                           QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                                       {QStringLiteral("content"), prompt}}});
    body.insert(QStringLiteral("temperature"), temperature);
    const QByteArray bytes = QJsonDocument(body).toJson(QJsonDocument::Compact);
    const Exchange answer =
        exchange(QUrl(*api + QStringLiteral("/chat/completions")), &bytes, m_setup.answerLimit);
    if (!answer.error.isEmpty()) {
        const QString detail = errorMessage(answer.body);
        return Failure{detail.isEmpty() ? answer.error : answer.error + QStringLiteral(": ") + detail};
    }
    const QJsonValue content = QJsonDocument::fromJson(answer.body)
                                   .object()
                                   .value(QStringLiteral("choices"))
                                   .toArray()
                                   .at(0)
                                   .toObject()
                                   .value(QStringLiteral("message"))
                                   .toObject()
                                   .value(QStringLiteral("content"));
    if (!content.isString())
        return Failure{QStringLiteral("the language model's reply holds no answer")};
    return content.toString();
}

std::shared_ptr<LanguageModel> makeSystemLanguageModel() {
    return std::make_shared<SystemLanguageModel>();
}

} // namespace pellimor::platform
