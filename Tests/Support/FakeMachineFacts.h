#pragma once

#include "Platform/MachineFacts.h"
#include "Platform/Services.h"

#include <QString>
#include <memory>
#include <optional>

namespace pellimor::test {

// This computer and its user as a test describes them: plain fields, read as they stand.
// Never looks at the system.
//
//   auto machine = std::make_shared<test::FakeMachineFacts>();
//   machine->computer = std::nullopt;
//   platform::ScopedServices scope(test::FakeMachineFacts::services(machine));
class FakeMachineFacts final : public platform::MachineFacts {
public:
    QString login = QStringLiteral("jsmith");
    QString full = QStringLiteral("Jane Smith");
    std::optional<QString> computer = QStringLiteral("Jane's MacBook Pro");
    std::optional<QString> host = QStringLiteral("janes-laptop");
    QString hardware = QStringLiteral("Mac15,6");
    QString system = QStringLiteral("Version 26.1 (Build 25B78)");

    QString loginName() const override { return login; }
    QString fullName() const override { return full; }
    std::optional<QString> computerName() const override { return computer; }
    std::optional<QString> hostName() const override { return host; }
    QString model() const override { return hardware; }
    QString systemVersion() const override { return system; }

    // Services with only these facts set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<platform::MachineFacts> machine) {
        platform::Services s;
        s.machine = std::move(machine);
        return s;
    }
};

} // namespace pellimor::test
