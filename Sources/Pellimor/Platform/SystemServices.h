#pragma once

// The Linux implementations behind Services::system().

#include "Platform/Services.h"

namespace pellimor::platform {

// Reveals through the freedesktop.org file-manager interface on D-Bus, falling back to
// opening the enclosing folder with xdg-open.
class SystemFileManagerShell final : public FileManagerShell {
public:
    void reveal(const QString& path) override;
    void open(const QString& path) override;
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

} // namespace pellimor::platform
