#pragma once

#include <QString>
#include <optional>

namespace pellimor::platform {

// Facts about this computer and the account the program runs under: what a problem report
// states about the machine, and the names it must not give away. Each answer is read when
// asked, so a renamed computer shows at once. Safe from any thread.
class MachineFacts {
public:
    virtual ~MachineFacts() = default;

    // The account's login name; empty when the system does not say.
    virtual QString loginName() const = 0;
    // The account's full name as the user database records it (up to its first comma); empty
    // when none is recorded.
    virtual QString fullName() const = 0;
    // The computer's name as its owner set it, with spaces and capitals; nothing when none is
    // set.
    virtual std::optional<QString> computerName() const = 0;
    // The network host name; nothing when the system gives none.
    virtual std::optional<QString> hostName() const = 0;
    // The hardware model, for instance "Mac15,6" or a board's product name; empty when unknown.
    virtual QString model() const = 0;
    // The operating system's name and version with its kernel's release.
    virtual QString systemVersion() const = 0;
};

} // namespace pellimor::platform
