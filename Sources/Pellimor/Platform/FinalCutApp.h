#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace pellimor::platform {

// Final Cut Pro as an installed application, found by its bundle identifier
// ("com.apple.FinalCut"). This machine has no such application: the system implementation
// looks at the folder named by TOVLIN_FCP_APP, else "/Applications/Final Cut Pro.app", and
// answers "not installed" when neither is an application folder of that identifier.
class FinalCutApp {
public:
    virtual ~FinalCutApp() = default;
    static constexpr const char* bundleIdentifier = "com.apple.FinalCut";

    // The application folder, or nothing when Final Cut Pro is not installed.
    virtual std::optional<QString> location() const = 0;
    // The information list ("Contents/Info.plist") of an application folder; nothing when
    // the bundle or its list cannot be read.
    virtual std::optional<QVariantMap> infoDictionary(const QString& appPath) const = 0;
    // The process ids of the running instances of the installed application, in ascending
    // order; empty when it is not installed or none runs. This is the one test of whether
    // Final Cut Pro runs: whatever must not act while it runs asks this.
    virtual QList<qint64> running() const = 0;
};

} // namespace pellimor::platform
