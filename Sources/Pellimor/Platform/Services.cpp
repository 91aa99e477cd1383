#include "Platform/Services.h"

#include "Platform/SystemServices.h"

#include <mutex>

namespace pellimor::platform {

namespace {

std::mutex g_mutex;
bool g_overridden = false;
Services g_current;

Services& systemServices() {
    static Services s = Services::system();
    return s;
}

} // namespace

Services Services::system() {
    Services s;
    s.shell = std::make_shared<SystemFileManagerShell>();
    s.bundle = std::make_shared<SystemMainBundle>();
    s.settings = makeSystemSettingsStore();
    s.finalCut = makeSystemFinalCutApp();
    s.volumes = makeSystemVolumeFacts();
    s.videoFrames = makeSystemVideoFrames();
    s.accessibility = makeSystemAccessibility();
    s.mountWatcher = makeSystemMountWatcher();
    s.clock = makeSystemClock();
    s.updater = makeSystemUpdater();
    s.ejector = makeSystemEjector();
    s.rootFolder = makeSystemRootFolder();
    s.audioUnits = makeSystemAudioUnitRegistry();
    s.fxplugs = makeSystemFxPlugRegistry();
    s.trash = makeSystemTrash();
    s.machine = makeSystemMachineFacts();
    s.mail = makeSystemMailComposer();
    s.scriptedMove = makeSystemScriptedMove();
    s.languageModel = makeSystemLanguageModel();
    return s;
}

Services services() {
    {
        std::lock_guard lock(g_mutex);
        if (g_overridden)
            return g_current;
    }
    return systemServices();
}

ScopedServices::ScopedServices(Services replacement) {
    Services base = services();
    std::lock_guard lock(g_mutex);
    m_previous = g_current;
    m_hadOverride = g_overridden;
    if (!replacement.shell)
        replacement.shell = base.shell;
    if (!replacement.bundle)
        replacement.bundle = base.bundle;
    if (!replacement.settings)
        replacement.settings = base.settings;
    if (!replacement.finalCut)
        replacement.finalCut = base.finalCut;
    if (!replacement.volumes)
        replacement.volumes = base.volumes;
    if (!replacement.videoFrames)
        replacement.videoFrames = base.videoFrames;
    if (!replacement.accessibility)
        replacement.accessibility = base.accessibility;
    if (!replacement.mountWatcher)
        replacement.mountWatcher = base.mountWatcher;
    if (!replacement.clock)
        replacement.clock = base.clock;
    if (!replacement.updater)
        replacement.updater = base.updater;
    if (!replacement.ejector)
        replacement.ejector = base.ejector;
    if (!replacement.rootFolder)
        replacement.rootFolder = base.rootFolder;
    if (!replacement.audioUnits)
        replacement.audioUnits = base.audioUnits;
    if (!replacement.fxplugs)
        replacement.fxplugs = base.fxplugs;
    if (!replacement.trash)
        replacement.trash = base.trash;
    if (!replacement.machine)
        replacement.machine = base.machine;
    if (!replacement.mail)
        replacement.mail = base.mail;
    if (!replacement.scriptedMove)
        replacement.scriptedMove = base.scriptedMove;
    if (!replacement.languageModel)
        replacement.languageModel = base.languageModel;
    g_current = std::move(replacement);
    g_overridden = true;
}

ScopedServices::~ScopedServices() {
    std::lock_guard lock(g_mutex);
    g_current = std::move(m_previous);
    g_overridden = m_hadOverride;
}

} // namespace pellimor::platform
