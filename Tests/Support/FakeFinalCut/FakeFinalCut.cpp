#include "Tests/Support/FakeFinalCut/FakeFinalCut.h"

#include "Platform/Clock.h"

#include <QMap>
#include <QPointer>
#include <map>

namespace pellimor::test {

namespace {

// An element of an instance's window, read live: once its window closed or the instance
// quit, every attribute is unreadable and a press fails.
class ModelElement final : public platform::AccessibilityElement {
public:
    ModelElement(FakeFinalCutModel* model, int id) : m_model(model), m_id(id) {}

    std::optional<QVariant> role() const override {
        const auto element = current();
        return element ? std::optional<QVariant>(element->role) : std::nullopt;
    }
    std::optional<QVariant> title() const override { return attribute(&FakeFinalCutModel::Element::title); }
    std::optional<QVariant> value() const override { return attribute(&FakeFinalCutModel::Element::value); }
    std::optional<QList<platform::AccessibilityElementPtr>> children() const override {
        const auto element = current();
        if (!element)
            return std::nullopt;
        QList<platform::AccessibilityElementPtr> children;
        for (const int child : element->children)
            children.append(std::make_shared<ModelElement>(m_model.data(), child));
        return children;
    }
    int press() override { return m_model ? m_model->press(m_id) : FakeFinalCutModel::invalidElement; }

private:
    std::optional<FakeFinalCutModel::Element> current() const {
        if (!m_model || !m_model->running())
            return std::nullopt;
        return m_model->element(m_id);
    }
    std::optional<QVariant> attribute(std::optional<QString> FakeFinalCutModel::Element::*field) const {
        const auto element = current();
        if (!element || !((*element).*field))
            return std::nullopt;
        return QVariant(*((*element).*field));
    }

    QPointer<FakeFinalCutModel> m_model;
    int m_id;
};

} // namespace

class FakeFinalCut::Processes final : public FakeFinalCutApp::Processes {
public:
    explicit Processes(FakeFinalCutScript script) : m_script(std::move(script)) {}

    qint64 launch(const FakeFinalCutScript& script) {
        const qint64 pid = m_nextPid++;
        m_models.emplace(pid, std::make_unique<FakeFinalCutModel>(script));
        return pid;
    }

    const FakeFinalCutScript& script() const { return m_script; }
    void setNextScripts(const QList<FakeFinalCutScript>& scripts) { m_next = scripts; }

    FakeFinalCutModel* model(qint64 pid) const {
        const auto found = m_models.find(pid);
        return found == m_models.end() ? nullptr : found->second.get();
    }

    QList<qint64> pids() const {
        QList<qint64> all;
        for (const auto& [pid, model] : m_models)
            all.append(pid);
        return all;
    }

    QList<qint64> running() const override {
        QList<qint64> running;
        for (const auto& [pid, model] : m_models) {
            if (model->running())
                running.append(pid);
        }
        return running;
    }

    bool terminate(qint64 pid) override {
        FakeFinalCutModel* model = this->model(pid);
        if (!model || !model->running())
            return false;
        ++quitRequests;
        model->requestQuit();
        return true;
    }

    bool forceTerminate(qint64 pid) override {
        FakeFinalCutModel* model = this->model(pid);
        if (!model || !model->running())
            return false;
        ++forcedQuits;
        model->forceQuit();
        return true;
    }

    // As the system hands a document to an application: to the running instance, else to one
    // it starts.
    void open(const QString& library, QObject* context,
              platform::FinalCutApp::OpenCompletion completion) override {
        const QList<qint64> running = this->running();
        FakeFinalCutModel* model = this->model(
            running.isEmpty() ? launch(m_next.isEmpty() ? m_script : m_next.takeFirst()) : running.first());
        const QPointer<QObject> guard(context);
        model->open(library,
                    [guard, completion = std::move(completion)](const std::optional<QString>& error) {
                        if (guard)
                            completion(error);
                    });
    }

    void answers(qint64 pid, std::chrono::seconds limit, QObject* context,
                 std::function<void(bool)> done) override {
        ++answerQuestions;
        FakeFinalCutModel* model = this->model(pid);
        const bool hangs = model && model->running() && model->hangs();
        // A hanging instance is given up on where the question's own deadline lies: the limit
        // and 5 s beyond it.
        const std::chrono::milliseconds after =
            hangs ? limit + std::chrono::seconds(5) : std::chrono::milliseconds(0);
        platform::services().clock->after(after, context, [done = std::move(done), hangs] { done(!hangs); });
    }

    int quitRequests = 0;
    int forcedQuits = 0;
    int answerQuestions = 0;

private:
    FakeFinalCutScript m_script;
    QList<FakeFinalCutScript> m_next; // for the instances open() starts next
    std::map<qint64, std::unique_ptr<FakeFinalCutModel>> m_models;
    qint64 m_nextPid = 4101;
};

FakeFinalCut::FakeFinalCut(FakeFinalCutScript script, const QString& appPath)
    : m_processes(std::make_shared<Processes>(script)),
      m_app(FakeFinalCutApp::installed(appPath, script.version)),
      m_accessibility(FakeAccessibility::trusted()) {
    m_app->setProcesses(m_processes);
    m_accessibility->setWindowSource([processes = std::weak_ptr<Processes>(m_processes)](qint64 pid)
                                         -> std::optional<QList<platform::AccessibilityElementPtr>> {
        const std::shared_ptr<Processes> alive = processes.lock();
        FakeFinalCutModel* model = alive ? alive->model(pid) : nullptr;
        if (!model || !model->running())
            return std::nullopt;
        QList<platform::AccessibilityElementPtr> windows;
        for (const int window : model->windows())
            windows.append(std::make_shared<ModelElement>(model, window));
        return windows;
    });
    platform::Services services;
    services.finalCut = m_app;
    services.accessibility = m_accessibility;
    m_scope = std::make_unique<platform::ScopedServices>(services);
}

FakeFinalCut::~FakeFinalCut() {
    m_scope.reset();
    m_app->setProcesses(nullptr);
}

qint64 FakeFinalCut::launch() {
    return m_processes->launch(m_processes->script());
}

qint64 FakeFinalCut::launch(const FakeFinalCutScript& script) {
    return m_processes->launch(script);
}

void FakeFinalCut::setNextScripts(const QList<FakeFinalCutScript>& scripts) {
    m_processes->setNextScripts(scripts);
}

FakeFinalCutModel* FakeFinalCut::instance(qint64 pid) const {
    return m_processes->model(pid);
}

QList<qint64> FakeFinalCut::instances() const {
    return m_processes->pids();
}

int FakeFinalCut::quitRequests() const {
    return m_processes->quitRequests;
}

int FakeFinalCut::forcedQuits() const {
    return m_processes->forcedQuits;
}

int FakeFinalCut::answerQuestions() const {
    return m_processes->answerQuestions;
}

} // namespace pellimor::test
