#pragma once

#include "Platform/LanguageModel.h"
#include "Platform/Services.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <memory>

namespace pellimor::test {

// A language model that answers as a test scripts it: its availability (set up unless it is
// `unsupported`) and server address, and for each call of respond() the next scripted reply or
// error (a model error "no reply scripted" once they run out). It remembers every conversation
// it was given and counts the availability questions. Safe from any thread.
//
//   auto model = std::make_shared<test::FakeLanguageModel>();
//   model->reply(QStringLiteral("Use **Free Up Space…**."));
//   platform::ScopedServices scope(test::FakeLanguageModel::services(model));
class FakeLanguageModel final : public platform::LanguageModel {
public:
    struct Call {
        QString instructions;
        QString prompt;
        double temperature = 0;
    };

    void setAvailability(Availability availability) {
        QMutexLocker lock(&m_mutex);
        m_availability = availability;
    }
    void setServerAddress(const QString& address) {
        QMutexLocker lock(&m_mutex);
        m_address = address;
    }
    void reply(const QString& text) {
        QMutexLocker lock(&m_mutex);
        m_script.append(Result<QString>(text));
    }
    void fail(const QString& message) {
        QMutexLocker lock(&m_mutex);
        m_script.append(Result<QString>(Failure{message}));
    }

    QList<Call> calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    int availabilityQuestions() const {
        QMutexLocker lock(&m_mutex);
        return m_questions;
    }

    Availability availability() override {
        QMutexLocker lock(&m_mutex);
        ++m_questions;
        return m_availability;
    }

    bool configured() override {
        QMutexLocker lock(&m_mutex);
        return m_availability != Availability::unsupported;
    }

    QString serverAddress() override {
        QMutexLocker lock(&m_mutex);
        return m_address;
    }

    Result<QString> respond(const QString& instructions, const QString& prompt, double temperature) override {
        QMutexLocker lock(&m_mutex);
        m_calls.append({instructions, prompt, temperature});
        if (m_script.isEmpty())
            return Failure{QStringLiteral("no reply scripted")};
        return m_script.takeFirst();
    }

    // Services with only this service set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<platform::LanguageModel> model) {
        platform::Services s;
        s.languageModel = std::move(model);
        return s;
    }

private:
    mutable QMutex m_mutex;
    Availability m_availability = Availability::available;
    QString m_address;
    QList<Result<QString>> m_script;
    QList<Call> m_calls;
    int m_questions = 0;
};

} // namespace pellimor::test
