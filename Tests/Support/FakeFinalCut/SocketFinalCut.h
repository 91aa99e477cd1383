#pragma once

#include "Platform/Accessibility.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"

#include <QJsonObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

namespace pellimor::test {

// The test side of the fake Final Cut Pro program: the services that reach a running
// instance over its socket. The socket may close mid-reply or carry garbage; what cannot be
// read is unreadable, never a crash.
namespace SocketFinalCut {

// Sends one request to the instance `pid` and waits for its one-line reply until `deadline`
// has passed on the clock in force; nothing when there is none or it is no JSON object. Any
// thread; it blocks the calling one.
std::optional<QJsonObject> request(qint64 pid, const QJsonObject& message,
                                   std::chrono::milliseconds deadline);

// An Accessibility service that trusts the program and reads each instance's windows, and
// presses its buttons, over that instance's socket.
std::shared_ptr<platform::Accessibility> accessibility();

// The system's Final Cut Pro (finding, listing, opening and quitting real processes) whose
// answer probe asks the instance its name over the socket, giving up after the limit and 5 s.
std::shared_ptr<platform::FinalCutApp> finalCutApp();

// Builds "Final Cut Pro.app" in `folder`: the information list of `version` with the fake
// program copied (not linked) over its executable and `script` as its script. Its path.
QString installApp(const QString& folder, const QString& version, const QJsonObject& script);

} // namespace SocketFinalCut

// Puts the socket services in place, and TOVLIN_FCP_APP at `appPath`, for the scope's length;
// ends every instance still running when it goes.
class ScopedSocketFinalCut {
public:
    explicit ScopedSocketFinalCut(const QString& appPath);
    ~ScopedSocketFinalCut();
    ScopedSocketFinalCut(const ScopedSocketFinalCut&) = delete;
    ScopedSocketFinalCut& operator=(const ScopedSocketFinalCut&) = delete;

private:
    std::optional<QByteArray> m_previousVariable;
    std::unique_ptr<platform::ScopedServices> m_scope;
};

} // namespace pellimor::test
