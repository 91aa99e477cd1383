#include "MissingFiles/MissingFile.h"

#include "MissingFiles/MissingFiles.h"
#include "Support/PathText.h"

#include <QHashFunctions>

namespace pellimor {

QString MissingFile::id() const {
    return libraryPath + u'|' + event + u'|' + name;
}

QString MissingFile::wantedName() const {
    return MissingFiles::nameKey(PathText::lastComponent(target));
}

size_t qHash(const MissingFile& file, size_t seed) noexcept {
    return qHashMulti(seed, file.library, file.libraryPath, file.drive, file.event, file.name, file.target);
}

} // namespace pellimor
