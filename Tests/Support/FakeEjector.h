#pragma once

#include "Platform/Ejector.h"
#include "Platform/Services.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace pellimor::test {

// An ejector that answers from a script per mount path, the way the platform's does: each
// call answers once, later, on the main thread's event loop. A scripted drive can vanish —
// its folder under the test's volumes root is removed just before an answer, standing for a
// volume that went away — so the "is it still mounted" checks see what a real eject leaves.
// An unscripted mount answers `noDiskObject` to the unmount. Replies can be held and released
// one by one, so a test decides in which order several ejects hear back. Main thread only.
//
//   auto ejector = std::make_shared<FakeEjector>();
//   platform::ScopedServices scope(FakeEjector::services(ejector));
//   ejector->script(root + "/Studio", {Answer::done, Answer::unsupported, FakeEjector::Vanish::onUnmount});
class FakeEjector final : public platform::Ejector {
public:
    enum class Vanish { never, onUnmount, onEject };
    struct Script {
        Answer unmount = Answer::done;
        Answer eject = Answer::done;
        Vanish vanish = Vanish::onUnmount;
    };

    void script(const QString& mount, Script script) { m_scripts.insert(QDir::cleanPath(mount), script); }

    // While on, answers wait for release() instead of coming on the next turn.
    void hold(bool on) { m_holding = on; }
    qsizetype held() const { return m_held.size(); }
    // Delivers the held answer at `position` (in the order the calls came) at once.
    void release(qsizetype position) {
        const std::function<void()> answer = m_held.takeAt(position);
        answer();
    }

    // "unmount <mount>" and "eject <mount>", in the order of the calls.
    const QStringList& calls() const { return m_calls; }

    void unmount(const QString& mount, Reply reply) override {
        m_calls.append(QStringLiteral("unmount ") + mount);
        const QString key = QDir::cleanPath(mount);
        if (!m_scripts.contains(key)) {
            deliver([reply] { reply(Answer::noDiskObject); });
            return;
        }
        const Script script = m_scripts.value(key);
        deliver([reply, key, script] {
            if (script.vanish == Vanish::onUnmount)
                QDir(key).removeRecursively();
            reply(script.unmount);
        });
    }

    void eject(const QString& mount, Reply reply) override {
        m_calls.append(QStringLiteral("eject ") + mount);
        const QString key = QDir::cleanPath(mount);
        const Script script = m_scripts.value(key);
        deliver([reply, key, script] {
            if (script.vanish == Vanish::onEject)
                QDir(key).removeRecursively();
            reply(script.eject);
        });
    }

    // Services with only this ejector set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<FakeEjector> ejector) {
        platform::Services s;
        s.ejector = std::move(ejector);
        return s;
    }

private:
    void deliver(std::function<void()> answer) {
        if (m_holding)
            m_held.append(std::move(answer));
        else
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(answer), Qt::QueuedConnection);
    }

    QHash<QString, Script> m_scripts;
    QStringList m_calls;
    bool m_holding = false;
    QList<std::function<void()>> m_held;
};

} // namespace pellimor::test
