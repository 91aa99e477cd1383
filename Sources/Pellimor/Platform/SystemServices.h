#pragma once

// The Linux implementations behind Services::system().

#include "Platform/Services.h"

#include <QStringList>
#include <chrono>
#include <functional>

namespace pellimor::platform {

// Reveals through the freedesktop.org file-manager interface on D-Bus, falling back to
// opening the enclosing folder with xdg-open when the call fails or has no answer by the
// deadline. reveal() never waits: it starts the call and returns, and the outcome is decided
// on the event loop of the calling thread (the main thread). Each request has exactly one
// outcome, the first of answer, failure and deadline; whatever the call says after that is
// ignored, so a late answer never opens a second window beside the fallback's.
class SystemFileManagerShell final : public FileManagerShell {
public:
    enum class RevealOutcome { shown, fellBack };

    // What a reveal talks to, replaceable so tests can script the file manager's answers.
    struct Setup {
        // Called with the D-Bus call's arguments; exit status 0 means the item is shown.
        QString busProgram = QStringLiteral("dbus-send");
        QString openerProgram = QStringLiteral("xdg-open");
        // A file manager that D-Bus has to start first answers only once its window is up, so
        // falling back sooner would open a second window beside its own. Nothing waits for it.
        std::chrono::milliseconds answerDeadline{10000};
        // Starts a program that outlives the request (the opener); QProcess::startDetached
        // when empty.
        std::function<void(const QString& program, const QStringList& arguments)> startDetached;
        // Told each request's outcome once, when the request is over: its call has ended and
        // nothing more can come of it.
        std::function<void(const QString& path, RevealOutcome outcome)> settled;
    };

    SystemFileManagerShell();
    explicit SystemFileManagerShell(Setup setup);

    // Main thread only (any thread with a running event loop).
    void reveal(const QString& path) override;
    void open(const QString& path) override;
    // Through the opener program, as open() is.
    void openUrl(const QUrl& url) override;

private:
    Setup m_setup;
};

// The information list is compiled in: version and build number come from the build.
class SystemMainBundle final : public MainBundle {
public:
    QVariantMap infoDictionary() const override;
    QString bundlePath() const override;
    QString executablePath() const override;
};

std::shared_ptr<SettingsStore> makeSystemSettingsStore();
// Defined in SystemFinalCutApp.cpp and SystemVolumeFacts.cpp.
std::shared_ptr<FinalCutApp> makeSystemFinalCutApp();
std::shared_ptr<VolumeFacts> makeSystemVolumeFacts();
// FFmpeg's decoders and JPEG encoder; defined in SystemVideoFrames.cpp.
std::shared_ptr<VideoFrames> makeSystemVideoFrames();
// No Accessibility service on this system: never trusted; defined in SystemAccessibility.cpp.
std::shared_ptr<Accessibility> makeSystemAccessibility();
// Mount table and volumes-root watching; defined in SystemMountWatcher.cpp.
std::shared_ptr<MountWatcher> makeSystemMountWatcher();
// The system time, and waits through QTimer; defined in SystemClock.cpp.
std::shared_ptr<Clock> makeSystemClock();
// No update framework on this system: never available; defined in SystemUpdater.cpp.
std::shared_ptr<Updater> makeSystemUpdater();
// udisks2 on the system D-Bus; defined in SystemEjector.cpp.
std::shared_ptr<Ejector> makeSystemEjector();
// "/"; defined in SystemRootFolder.cpp.
std::shared_ptr<RootFolder> makeSystemRootFolder();
// No Audio Unit registry on this system: always unavailable; defined in SystemAudioUnitRegistry.cpp.
std::shared_ptr<AudioUnitRegistry> makeSystemAudioUnitRegistry();
// "/usr/bin/pluginkit", which cannot be started here; defined in SystemFxPlugRegistry.cpp.
std::shared_ptr<FxPlugRegistry> makeSystemFxPlugRegistry();
// The freedesktop.org Trash kept by the program itself; defined in SystemTrash.cpp.
std::shared_ptr<Trash> makeSystemTrash();
// /etc/machine-info, the user database, /sys and os-release; defined in SystemMachineFacts.cpp.
std::shared_ptr<MachineFacts> makeSystemMachineFacts();
// No e-mail composing service on this system: never composes; defined in SystemMailComposer.cpp.
std::shared_ptr<MailComposer> makeSystemMailComposer();
// "/bin/mkdir" and "/bin/mv", never with administrator rights; defined in SystemScriptedMove.cpp.
std::shared_ptr<ScriptedMove> makeSystemScriptedMove();
// A model server on this computer, when TOVLIN_MODEL_URL names one; defined in SystemLanguageModel.cpp.
std::shared_ptr<LanguageModel> makeSystemLanguageModel();

} // namespace pellimor::platform
