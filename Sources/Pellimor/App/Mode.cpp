#include "App/Mode.h"

namespace pellimor {

QString rawValue(Mode mode) {
    switch (mode) {
    case Mode::browser:
        return QStringLiteral("Browser");
    case Mode::libraries:
        return QStringLiteral("Libraries");
    case Mode::events:
        return QStringLiteral("Events");
    case Mode::projects:
        return QStringLiteral("Projects");
    case Mode::media:
        return QStringLiteral("Media Files");
    case Mode::plugins:
        return QStringLiteral("Plug-ins");
    case Mode::compare:
        return QStringLiteral("Compare");
    }
    return {};
}

std::optional<Mode> modeFromRawValue(const QString& raw) {
    for (const Mode mode : allModes()) {
        if (rawValue(mode) == raw)
            return mode;
    }
    return std::nullopt;
}

const QList<Mode>& allModes() {
    static const QList<Mode> modes{Mode::browser, Mode::libraries, Mode::events, Mode::projects,
                                   Mode::media,   Mode::plugins,   Mode::compare};
    return modes;
}

} // namespace pellimor
