#include "Platform/AudioUnitRegistry.h"

#include <QByteArray>
#include <QString>

namespace pellimor::platform {

AudioUnitRegistry::Code AudioUnitRegistry::fourCharCode(QStringView text) {
    const QByteArray bytes = text.toUtf8();
    Code code = 0;
    for (qsizetype i = 0; i < 4; ++i)
        code = code << 8 | (i < bytes.size() ? Code(quint8(bytes[i])) : 0u);
    return code;
}

} // namespace pellimor::platform
