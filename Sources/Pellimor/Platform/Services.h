#pragma once

// The platform layer: every service the program needs from the operating system goes
// through one process-wide Services object, so tests can install fakes for their own
// length (ScopedServices) and every road, the "installed" ones included, runs here.

#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <memory>

namespace pellimor::platform {

// Shows files to the user in the desktop's file manager.
class FileManagerShell {
public:
    virtual ~FileManagerShell() = default;
    // Opens the file manager with `path` selected. Never fails towards the caller and never
    // waits for the file manager: it returns at once and the window follows.
    virtual void reveal(const QString& path) = 0;
    // Opens a folder (or file) with its default application.
    virtual void open(const QString& path) = 0;
    // Opens a link (a web page, a "mailto:" message) with the user's default program for it.
    // Returns at once, like open().
    virtual void openUrl(const QUrl& url) = 0;
};

// The program's own "bundle": its information list and where it lives.
class MainBundle {
public:
    virtual ~MainBundle() = default;
    // Keys as in an application's information list, e.g. "CFBundleShortVersionString",
    // "CFBundleVersion". An empty map means the program is not packaged.
    virtual QVariantMap infoDictionary() const = 0;
    virtual QString bundlePath() const = 0;
    // Empty when unknown.
    virtual QString executablePath() const = 0;
};

class SettingsStore;
class FinalCutApp;
class VolumeFacts;
class VideoFrames;
class Accessibility;
class MountWatcher;
class Clock;
class Updater;
class Ejector;
class RootFolder;
class AudioUnitRegistry;
class FxPlugRegistry;
class Trash;
class MachineFacts;
class MailComposer;
class ScriptedMove;
class LanguageModel;

struct Services {
    std::shared_ptr<FileManagerShell> shell;
    std::shared_ptr<MainBundle> bundle;
    std::shared_ptr<SettingsStore> settings;
    std::shared_ptr<FinalCutApp> finalCut;
    std::shared_ptr<VolumeFacts> volumes;
    std::shared_ptr<VideoFrames> videoFrames;     // poster frames (VideoFrames.h)
    std::shared_ptr<Accessibility> accessibility; // trust to press other programs' controls (Accessibility.h)
    std::shared_ptr<MountWatcher> mountWatcher;   // drives mounted and unmounted (MountWatcher.h)
    std::shared_ptr<Clock> clock;                 // the time and every wait (Clock.h)
    std::shared_ptr<Updater> updater;             // the program's own updates (Updater.h)
    std::shared_ptr<Ejector> ejector;             // unmounting and ejecting drives (Ejector.h)
    std::shared_ptr<RootFolder> rootFolder;       // where system-wide folders start (RootFolder.h)
    std::shared_ptr<AudioUnitRegistry> audioUnits; // installed Audio Units (AudioUnitRegistry.h)
    std::shared_ptr<FxPlugRegistry> fxplugs;       // the FxPlug registry's listing (FxPlugRegistry.h)
    std::shared_ptr<Trash> trash;                  // moving to the Trash and deleting (Trash.h)
    std::shared_ptr<MachineFacts> machine;         // this computer and its user (MachineFacts.h)
    std::shared_ptr<MailComposer> mail;            // new e-mail messages (MailComposer.h)
    std::shared_ptr<ScriptedMove> scriptedMove;    // moves by the system's commands (ScriptedMove.h)
    std::shared_ptr<LanguageModel> languageModel;  // written answers (LanguageModel.h)

    // The honest Linux implementations.
    static Services system();
};

// The services in force: the innermost ScopedServices override, else the system ones.
// Safe from any thread; returns shared pointers that stay valid while held.
Services services();

// Replaces the process-wide services for its own lifetime (tests). Members left null in
// `replacement` keep the current value. Overrides nest and must be destroyed in reverse order.
class ScopedServices {
public:
    explicit ScopedServices(Services replacement);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services m_previous;
    bool m_hadOverride = false;
};

} // namespace pellimor::platform
