#include "Tests/Support/FakeFinalCut/SocketFinalCut.h"

#include "Platform/Clock.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCutWire.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

#ifndef TOVLIN_FAKE_FINALCUT
#error "TOVLIN_FAKE_FINALCUT names the fake program"
#endif

namespace pellimor::test {

namespace {

// Error codes of a press, as the Accessibility service gives them.
constexpr int cannotComplete = -25204;

using Clock = std::chrono::nanoseconds;

// An element as the program described it when its window was read; a press goes back to the
// program by the element's number.
class SocketElement final : public platform::AccessibilityElement {
public:
    SocketElement(qint64 pid, QJsonObject json) : m_pid(pid), m_json(std::move(json)) {}

    std::optional<QVariant> role() const override { return attribute("role"); }
    std::optional<QVariant> title() const override { return attribute("title"); }
    std::optional<QVariant> value() const override { return attribute("value"); }
    std::optional<QList<platform::AccessibilityElementPtr>> children() const override {
        const QJsonValue children = m_json.value("children");
        if (!children.isArray())
            return std::nullopt;
        return elements(m_pid, children.toArray());
    }
    int press() override {
        const QJsonValue id = m_json.value("id");
        if (!id.isDouble())
            return FakeFinalCutModel::invalidElement;
        const std::optional<QJsonObject> reply =
            SocketFinalCut::request(m_pid, {{"op", "press"}, {"id", id.toInt()}}, std::chrono::seconds(30));
        if (!reply || !reply->value("code").isDouble())
            return cannotComplete;
        return reply->value("code").toInt();
    }

    static QList<platform::AccessibilityElementPtr> elements(qint64 pid, const QJsonArray& array) {
        QList<platform::AccessibilityElementPtr> list;
        for (const QJsonValue& item : array)
            list.append(std::make_shared<SocketElement>(pid, item.toObject()));
        return list;
    }

private:
    std::optional<QVariant> attribute(const char* name) const {
        const QJsonValue value = m_json.value(QLatin1String(name));
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        return value.toVariant();
    }

    qint64 m_pid;
    QJsonObject m_json;
};

class SocketAccessibility final : public platform::Accessibility {
public:
    bool isProcessTrusted(bool) const override { return true; }
    bool openSettings() const override { return false; }
    std::optional<QList<platform::AccessibilityElementPtr>> windows(qint64 pid) const override {
        const std::optional<QJsonObject> reply =
            SocketFinalCut::request(pid, {{"op", "windows"}}, std::chrono::seconds(30));
        if (!reply || !reply->value("windows").isArray())
            return std::nullopt;
        return SocketElement::elements(pid, reply->value("windows").toArray());
    }
};

// The system's application, but asking an instance whether it answers over its socket.
class SocketFinalCutApp final : public platform::FinalCutApp {
public:
    SocketFinalCutApp() : m_system(platform::Services::system().finalCut) {}

    std::optional<QString> location() const override { return m_system->location(); }
    std::optional<QVariantMap> infoDictionary(const QString& appPath) const override {
        return m_system->infoDictionary(appPath);
    }
    QList<qint64> running() const override { return m_system->running(); }
    bool terminate(qint64 pid) const override { return m_system->terminate(pid); }
    bool forceTerminate(qint64 pid) const override { return m_system->forceTerminate(pid); }
    void open(const QString& library, QObject* context, OpenCompletion completion) override {
        m_system->open(library, context, std::move(completion));
    }
    void answers(qint64 pid, std::chrono::seconds limit, QObject* context,
                 std::function<void(bool)> done) override {
        const QPointer<QObject> guard(context);
        workPool()->start([pid, limit, guard, done = std::move(done)] {
            const std::optional<QJsonObject> reply =
                SocketFinalCut::request(pid, {{"op", "name"}}, limit + std::chrono::seconds(5));
            const bool answered = reply && reply->value("name").isString();
            // The context may go meanwhile on the main thread: the answer goes there through
            // the application object, which outlives every request, and is dropped there.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [guard, done, answered] {
                    if (guard)
                        done(answered);
                },
                Qt::QueuedConnection);
        });
    }

private:
    std::shared_ptr<platform::FinalCutApp> m_system;
};

} // namespace

std::optional<QJsonObject> SocketFinalCut::request(qint64 pid, const QJsonObject& message,
                                                   std::chrono::milliseconds deadline) {
    const std::shared_ptr<platform::Clock> clock = platform::services().clock;
    const Clock end = clock->monotonic() + deadline;
    // The waits are short slices of real time, and the deadline is the clock's, so a scaled
    // clock gives up as soon in its own time as the real one would.
    const auto timeLeft = [&] { return clock->monotonic() < end; };
    QLocalSocket socket;
    socket.connectToServer(FakeFinalCutWire::serverName(pid));
    while (socket.state() != QLocalSocket::ConnectedState) {
        if (!timeLeft() || socket.state() == QLocalSocket::UnconnectedState)
            return std::nullopt;
        socket.waitForConnected(20);
    }
    socket.write(FakeFinalCutWire::line(message));
    while (!socket.canReadLine()) {
        if (!timeLeft() || socket.state() != QLocalSocket::ConnectedState)
            return std::nullopt;
        socket.waitForReadyRead(20);
    }
    return FakeFinalCutWire::parse(socket.readLine());
}

std::shared_ptr<platform::Accessibility> SocketFinalCut::accessibility() {
    return std::make_shared<SocketAccessibility>();
}

std::shared_ptr<platform::FinalCutApp> SocketFinalCut::finalCutApp() {
    return std::make_shared<SocketFinalCutApp>();
}

QString SocketFinalCut::installApp(const QString& folder, const QString& version, const QJsonObject& script) {
    const QString app = QDir(folder).filePath(QStringLiteral("Final Cut Pro.app"));
    fixtures::FixtureFiles::writeFinalCutApp(app, version);
    const QString executable = app + QStringLiteral("/Contents/MacOS/Final Cut Pro");
    QFile::remove(executable);
    if (!QFile::copy(QStringLiteral(TOVLIN_FAKE_FINALCUT), executable))
        return {};
    QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    fixtures::FixtureFiles::writeBytes(app + QStringLiteral("/Contents/Resources/fake-finalcut.json"),
                                       QJsonDocument(script).toJson());
    return app;
}

ScopedSocketFinalCut::ScopedSocketFinalCut(const QString& appPath) {
    if (qEnvironmentVariableIsSet("TOVLIN_FCP_APP"))
        m_previousVariable = qgetenv("TOVLIN_FCP_APP");
    qputenv("TOVLIN_FCP_APP", appPath.toUtf8());
    platform::Services services;
    services.finalCut = SocketFinalCut::finalCutApp();
    services.accessibility = SocketFinalCut::accessibility();
    m_scope = std::make_unique<platform::ScopedServices>(services);
}

ScopedSocketFinalCut::~ScopedSocketFinalCut() {
    const std::shared_ptr<platform::FinalCutApp> app = platform::services().finalCut;
    for (const qint64 pid : app->running())
        app->forceTerminate(pid);
    m_scope.reset();
    if (m_previousVariable)
        qputenv("TOVLIN_FCP_APP", *m_previousVariable);
    else
        qunsetenv("TOVLIN_FCP_APP");
}

} // namespace pellimor::test
