#include "Plugins/PluginChecker.h"

#include "Catalogue/Reader/Plugins.h"
#include "Platform/AudioUnitRegistry.h"
#include "Platform/Services.h"
#include "Plugins/FxPlugIndex.h"
#include "Plugins/PluginPlaces.h"

#include <QFileInfo>

namespace pellimor {

namespace {

// Anything at all: a file, a folder, or a link that leads to one.
bool exists(const QString& path) {
    return QFileInfo::exists(path);
}

PluginStatus audioUnitStatus(const QString& id) {
    const std::optional<Plugins::AudioUnitCodes> codes = Plugins::parseAudioUnit(id);
    if (!codes)
        return PluginStatus::unverified;
    // A code that is not printable comes back as "0x" and eight digits: not one to ask for.
    for (const QString* code : {&codes->type, &codes->subtype, &codes->manufacturer}) {
        if (code->size() != 4)
            return PluginStatus::unverified;
    }
    const std::shared_ptr<platform::AudioUnitRegistry> registry = platform::services().audioUnits;
    if (!registry)
        return PluginStatus::unverified;
    using Registry = platform::AudioUnitRegistry;
    const std::optional<qsizetype> matches =
        registry->matchCount(Registry::fourCharCode(codes->type), Registry::fourCharCode(codes->subtype),
                             Registry::fourCharCode(codes->manufacturer));
    // Without a registry to ask, nobody can tell: calling it missing would mark every Audio
    // Unit of every library as a false alarm.
    if (!matches)
        return PluginStatus::unverified;
    return *matches > 0 ? PluginStatus::installed : PluginStatus::missing;
}

} // namespace

PluginChecker& PluginChecker::shared() {
    static PluginChecker checker;
    return checker;
}

PluginStatus PluginChecker::status(const PluginUse& use) {
    const auto cached = m_cache.constFind(use.id);
    if (cached != m_cache.constEnd())
        return cached.value();
    const PluginStatus answer = compute(use);
    m_cache.insert(use.id, answer);
    return answer;
}

PluginStatus PluginChecker::compute(const PluginUse& use) {
    const QString& id = use.id;
    if (id.startsWith(QLatin1String("~/"))) {
        const QString rest = id.mid(2);
        if (exists(PluginPlaces::userTemplates() + rest) || exists(PluginPlaces::systemTemplates() + rest))
            return PluginStatus::installed;
        return PluginStatus::missing;
    }
    if (id.startsWith(QLatin1Char('/')))
        return exists(id) ? PluginStatus::installed : PluginStatus::missing;
    if (id.startsWith(QLatin1String("AudioUnit:")))
        return audioUnitStatus(id);
    static const QString fxPlug = QStringLiteral("FxPlug:");
    if (id.startsWith(fxPlug))
        return fxplug().contains(id.mid(fxPlug.size()).toUpper()) ? PluginStatus::installed
                                                                  : PluginStatus::unverified;
    return PluginStatus::unverified;
}

const QSet<QString>& PluginChecker::fxplug() {
    if (!m_fxplugIndex)
        m_fxplugIndex = FxPlugIndex::build();
    return *m_fxplugIndex;
}

void PluginChecker::forget() {
    m_cache.clear();
    m_fxplugIndex.reset();
}

} // namespace pellimor
