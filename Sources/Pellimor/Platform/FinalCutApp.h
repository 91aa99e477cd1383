#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>
#include <chrono>
#include <functional>
#include <optional>

class QObject;

namespace pellimor::platform {

// Final Cut Pro as an installed application, found by its bundle identifier
// ("com.apple.FinalCut"). This machine has no such application: the system implementation
// looks at the folder named by TOVLIN_FCP_APP, else "/Applications/Final Cut Pro.app", and
// answers "not installed" when neither is an application folder of that identifier.
//
// The process side (running, terminate, open, answers) is the one way the program reaches a
// running Final Cut Pro; an instance is a process of the application's own executable,
// "Contents/MacOS/" + its "CFBundleExecutable".
class FinalCutApp {
public:
    virtual ~FinalCutApp() = default;
    static constexpr const char* bundleIdentifier = "com.apple.FinalCut";
    // What the user is told wherever Final Cut Pro is needed and not installed.
    static QString notInstalledText() { return QStringLiteral("Final Cut Pro isn't installed on this Mac."); }

    // The application folder, or nothing when Final Cut Pro is not installed.
    virtual std::optional<QString> location() const = 0;
    // The information list ("Contents/Info.plist") of an application folder; nothing when
    // the bundle or its list cannot be read.
    virtual std::optional<QVariantMap> infoDictionary(const QString& appPath) const = 0;
    // The process ids of the running instances of the installed application, in ascending
    // order; empty when it is not installed or none runs. This is the one test of whether
    // Final Cut Pro runs: whatever must not act while it runs asks this.
    virtual QList<qint64> running() const = 0;

    // Asks the instance `pid` to quit (terminate) or ends it at once (forceTerminate). The
    // signal goes out only when the process still runs the application's executable right
    // before it is sent, so a process id that was reused meanwhile is never signalled; a
    // process that is gone is no error. True when the request was sent. Any thread.
    virtual bool terminate(qint64 pid) const = 0;
    virtual bool forceTerminate(qint64 pid) const = 0;

    // Hands a library to Final Cut Pro, starting it when it does not run. `completion` gets
    // nothing on success or the reason it failed, on the main thread, once or never (a
    // request the application never answers); never after `context` is gone. Returns at once.
    // Main thread only.
    using OpenCompletion = std::function<void(const std::optional<QString>& error)>;
    virtual void open(const QString& library, QObject* context, OpenCompletion completion) = 0;

    // Whether the instance `pid` answers a request within `limit`; asked off the main thread,
    // `done` gets the answer on the main thread, never after `context` is gone. Main thread
    // only. Where nothing can ask another program, it reports answered: a guess must never
    // make the program offer to force an application to quit.
    virtual void answers(qint64 pid, std::chrono::seconds limit, QObject* context,
                         std::function<void(bool answered)> done) = 0;
};

} // namespace pellimor::platform
