#pragma once

#include "Platform/MailComposer.h"
#include "Platform/Services.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace pellimor::test {

// An e-mail composing service that opens nothing and remembers every message it was given.
// `accepts` false makes it decline each one (as a service that cannot take the text would);
// the message is still recorded. Main thread only.
//
//   auto mail = std::make_shared<test::FakeMailComposer>();
//   platform::ScopedServices scope(test::FakeMailComposer::services(mail));
class FakeMailComposer final : public platform::MailComposer {
public:
    struct Message {
        QStringList recipients;
        QString subject;
        QString body;
    };

    bool accepts = true;
    QList<Message> messages;

    bool compose(const QStringList& recipients, const QString& subject, const QString& body) override {
        messages.append({recipients, subject, body});
        return accepts;
    }

    // Services with only this service set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<platform::MailComposer> mail) {
        platform::Services s;
        s.mail = std::move(mail);
        return s;
    }
};

} // namespace pellimor::test
