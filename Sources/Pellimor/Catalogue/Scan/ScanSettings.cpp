#include "Catalogue/Scan/ScanSettings.h"

#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

namespace pellimor::ScanSettings {

bool skipSetting(const QString& key) {
    // flag() answers the default for a key that holds anything but a flag.
    const auto settings = platform::services().settings;
    return settings ? settings->flag(key, true) : true;
}

} // namespace pellimor::ScanSettings
