#pragma once

#include <QString>
#include <QStringList>

namespace pellimor::platform {

// The system's e-mail composing service: a new message in the user's mail program, filled in
// and left for the user to send. Nothing is sent by the program itself.
//
// This machine has none: the system implementation is never available. Main thread only.
class MailComposer {
public:
    virtual ~MailComposer() = default;

    // Opens a new message to `recipients` with `subject` and `body`. False when there is no
    // such service or it declines the text; the caller then finds another way.
    virtual bool compose(const QStringList& recipients, const QString& subject, const QString& body) = 0;
};

} // namespace pellimor::platform
