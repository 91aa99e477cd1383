// The system ejector end to end: VolumeEject over the real udisks2 adapter, on a private
// D-Bus of the test's own (dbus-daemon) with a stand-in udisks2 service on it (fake-udisks2,
// built with the tests). Both processes are killed when the test ends, however it ends.

#include "Platform/SystemServices.h"
#include "Shell/VolumeEject.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <signal.h>
#include <sys/prctl.h>

using namespace pellimor;
using VolumeEject::Outcome;

namespace {

// A child process that dies with the test process and is killed when this object goes.
class Child {
public:
    explicit Child(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessEnvironment(environment);
        // Should the test process itself be killed, the child goes too.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start();
    }
    ~Child() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Its first line of output, once it has written one; empty when it ended without one.
    QString firstLine() {
        test::waitUntil(
            [this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; });
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    QString errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
};

class EjectOverPrivateBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            GTEST_SKIP()
                << "dbus-daemon is not installed (Debian package dbus-daemon): the ejector's private-bus "
                   "test needs it to start a bus of its own";
        bus = std::make_unique<Child>(daemon,
                                      QStringList{QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                  QStringLiteral("--print-address")});
        address = bus->firstLine();
        ASSERT_FALSE(address.isEmpty()) << "dbus-daemon gave no address: " << bus->errors().toStdString();
        busVariable.emplace("TOVLIN_UDISKS_BUS", address);
    }

    // The stand-in udisks2 on the private bus, serving these drives ("MOUNT|UNMOUNT|EJECT|KIND").
    void serve(const QStringList& drives) {
        QStringList arguments{QStringLiteral("--log"), log};
        for (const QString& drive : drives)
            arguments << QStringLiteral("--drive") << drive;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        service = std::make_unique<Child>(QStringLiteral(TOVLIN_FAKE_UDISKS), arguments, environment);
        ASSERT_EQ(service->firstLine(), QStringLiteral("ready")) << service->errors().toStdString();
    }

    QString plug(const QString& name) const {
        const QString mount = QDir(root).filePath(name);
        EXPECT_TRUE(QDir().mkpath(mount));
        return mount;
    }

    Outcome eject(const QString& mount, const QString& name) {
        std::optional<Outcome> heard;
        VolumeEject::eject(
            mount, name, [&](const Outcome& outcome) { heard = outcome; }, &window);
        EXPECT_TRUE(test::waitUntil([&] { return heard.has_value(); }));
        return heard.value_or(Outcome::failed(QStringLiteral("no answer")));
    }

    const QString root = test::TestEnv::freshDir(QStringLiteral("bus-volumes"));
    const QString log =
        QDir(test::TestEnv::freshDir(QStringLiteral("bus-log"))).filePath(QStringLiteral("calls.txt"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", root};
    // The adapter as the program has it, connecting at its first eject.
    platform::ScopedServices scope{[] {
        platform::Services s;
        s.ejector = platform::makeSystemEjector();
        return s;
    }()};
    QObject window;
    std::unique_ptr<Child> bus;
    std::unique_ptr<Child> service;
    QString address;
    std::optional<test::ScopedEnvironment> busVariable;
};

TEST_F(EjectOverPrivateBusTest, drivesEjectStayInUseOrAreRefusedAsTheServiceAnswers) {
    const QString studio = plug(QStringLiteral("Studio"));
    const QString disc = plug(QStringLiteral("Disc"));
    const QString busy = plug(QStringLiteral("Busy Drive"));
    const QString locked = plug(QStringLiteral("Locked"));
    const QString loop = plug(QStringLiteral("Loop"));
    const QString loose = plug(QStringLiteral("Loose")); // a folder the service knows nothing of
    serve({studio + QStringLiteral("|ok|ok|poweroff"), disc + QStringLiteral("|ok|ok|eject"),
           busy + QStringLiteral("|DeviceBusy|ok|poweroff"),
           locked + QStringLiteral("|NotAuthorized|ok|poweroff"), loop + QStringLiteral("|ok|ok|nodrive")});

    struct Case {
        QString mount;
        QString name;
        Outcome outcome;
        bool mountedAfter;
    };
    const Case cases[] = {
        {studio, QStringLiteral("Studio"), Outcome::ejected(), false},
        {disc, QStringLiteral("Disc"), Outcome::ejected(), false},
        {busy, QStringLiteral("Busy Drive"), Outcome::busy(), true},
        {locked, QStringLiteral("Locked"),
         Outcome::refused(QStringLiteral("Locked can’t be ejected, so it was left mounted.")), true},
        {loop, QStringLiteral("Loop"), Outcome::ejected(), false}, // unmounted; no drive to power off
        {loose, QStringLiteral("Loose"),
         Outcome::refused(QStringLiteral("Loose can’t be ejected, so it was left mounted.")), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(eject(c.mount, c.name), c.outcome);
        EXPECT_EQ(VolumeEject::isMounted(c.mount), c.mountedAfter);
    }

    // Powered off where the drive can be, else ejected; every unmount without options, so
    // never with "force".
    const QStringList expected = {
        QStringLiteral("Unmount ") + studio + QStringLiteral(" options="),
        QStringLiteral("PowerOff ") + studio,
        QStringLiteral("Unmount ") + disc + QStringLiteral(" options="),
        QStringLiteral("Eject ") + disc,
        QStringLiteral("Unmount ") + busy + QStringLiteral(" options="),
        QStringLiteral("Unmount ") + locked + QStringLiteral(" options="),
        QStringLiteral("Unmount ") + loop + QStringLiteral(" options="),
    };
    EXPECT_EQ(test::lines(log), expected);
}

TEST_F(EjectOverPrivateBusTest, aBusWithoutTheDiskServiceLeavesTheDriveMountedAndSaysItCouldNot) {
    const QString studio = plug(QStringLiteral("Studio"));
    EXPECT_EQ(eject(studio, QStringLiteral("Studio")),
              Outcome::failed(QStringLiteral("Couldn’t eject Studio. It was left mounted.")));
    EXPECT_TRUE(VolumeEject::isMounted(studio));
}

TEST_F(EjectOverPrivateBusTest, noBusAtAllLeavesTheDriveMountedAndSaysItCouldNot) {
    const QString studio = plug(QStringLiteral("Studio"));
    bus.reset(); // the bus goes away before the first eject connects
    EXPECT_EQ(eject(studio, QStringLiteral("Studio")),
              Outcome::failed(QStringLiteral("Couldn’t eject Studio. It was left mounted.")));
    EXPECT_TRUE(VolumeEject::isMounted(studio));
}

} // namespace
