#include "Platform/MachineFacts.h"
#include "Platform/SystemServices.h"

#include <QFile>
#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace pellimor::platform {

namespace {

// The account's entry in the user database, read with the reentrant call so any thread may ask.
struct Account {
    QString login;
    QString gecos;
};

std::optional<Account> account() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    return Account{QString::fromLocal8Bit(found->pw_name),
                   QString::fromLocal8Bit(found->pw_gecos ? found->pw_gecos : "")};
}

// One value of a shell-style "KEY=value" file, its quotes removed; empty when absent.
QString keyValue(const QString& file, const QString& key) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QString prefix = key + u'=';
    for (const QString& line : QString::fromUtf8(in.readAll()).split(u'\n')) {
        if (!line.startsWith(prefix))
            continue;
        QString value = line.mid(prefix.size()).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

// A firmware text: up to its first zero byte, blanks trimmed.
QString firmwareText(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = in.readAll();
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes).trimmed();
}

class SystemMachineFacts final : public MachineFacts {
public:
    QString loginName() const override {
        if (const std::optional<Account> entry = account())
            return entry->login;
        return qEnvironmentVariable("USER");
    }

    QString fullName() const override {
        const std::optional<Account> entry = account();
        return entry ? entry->gecos.section(u',', 0, 0).trimmed() : QString();
    }

    std::optional<QString> computerName() const override {
        const QString pretty =
            keyValue(QStringLiteral("/etc/machine-info"), QStringLiteral("PRETTY_HOSTNAME"));
        return pretty.isEmpty() ? std::nullopt : std::optional(pretty);
    }

    std::optional<QString> hostName() const override {
        const QString host = QSysInfo::machineHostName();
        return host.isEmpty() ? std::nullopt : std::optional(host);
    }

    QString model() const override {
        const QString product = firmwareText(QStringLiteral("/sys/class/dmi/id/product_name"));
        if (!product.isEmpty())
            return product;
        return firmwareText(QStringLiteral("/proc/device-tree/model"));
    }

    QString systemVersion() const override {
        QString name = keyValue(QStringLiteral("/etc/os-release"), QStringLiteral("PRETTY_NAME"));
        if (name.isEmpty())
            name = QSysInfo::prettyProductName();
        return name + QStringLiteral(" (kernel ") + QSysInfo::kernelVersion() + u')';
    }
};

} // namespace

std::shared_ptr<MachineFacts> makeSystemMachineFacts() {
    return std::make_shared<SystemMachineFacts>();
}

} // namespace pellimor::platform
