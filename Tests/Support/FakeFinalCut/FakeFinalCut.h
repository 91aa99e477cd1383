#pragma once

#include "Platform/Services.h"
#include "Tests/Support/FakeAccessibility.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCutModel.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCutScript.h"
#include "Tests/Support/FakeFinalCutApp.h"

#include <QList>
#include <QString>
#include <memory>

namespace pellimor::test {

// A fake Final Cut Pro inside the test process: for the object's life it is the installed
// application (its process side: what runs, quitting, opening, answering) and a trusted
// Accessibility service that shows its windows. It runs on the clock in force, so on a
// VirtualClock the four- and fifteen-minute waits of the code under test take microseconds.
// Instances get made-up process ids. Main thread only.
//
//   test::ScopedVirtualClock clock;
//   test::FakeFinalCut finalCut(script);
//   const qint64 pid = finalCut.launch();
class FakeFinalCut {
public:
    // Installed at `appPath` (a folder the fake never reads) with the script's version; new
    // instances follow `script` unless launch() is given another.
    explicit FakeFinalCut(FakeFinalCutScript script = {},
                          const QString& appPath = QStringLiteral("/Applications/Final Cut Pro.app"));
    ~FakeFinalCut();
    FakeFinalCut(const FakeFinalCut&) = delete;
    FakeFinalCut& operator=(const FakeFinalCut&) = delete;

    // Starts an instance, as the user would; its process id.
    qint64 launch();
    qint64 launch(const FakeFinalCutScript& script);

    // The instances that opening a library starts from now on follow these scripts, one each
    // in order; those after them follow the default script again.
    void setNextScripts(const QList<FakeFinalCutScript>& scripts);

    // The instance of that process id (also after it quit), or null.
    FakeFinalCutModel* instance(qint64 pid) const;
    // Every instance ever started, in the order they were.
    QList<qint64> instances() const;
    // How often each kind of request reached the instances: normal quits, forced quits, and
    // questions whether one answers.
    int quitRequests() const;
    int forcedQuits() const;
    int answerQuestions() const;

    const std::shared_ptr<FakeFinalCutApp>& app() const { return m_app; }
    const std::shared_ptr<FakeAccessibility>& accessibility() const { return m_accessibility; }

private:
    class Processes;
    std::shared_ptr<Processes> m_processes;
    std::shared_ptr<FakeFinalCutApp> m_app;
    std::shared_ptr<FakeAccessibility> m_accessibility;
    std::unique_ptr<platform::ScopedServices> m_scope;
};

} // namespace pellimor::test
