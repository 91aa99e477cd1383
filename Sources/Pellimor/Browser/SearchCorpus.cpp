#include "Browser/SearchCorpus.h"

namespace pellimor {

qint64 SearchCorpus::foldedBytes() const {
    qint64 bytes = 0;
    for (const Library& library : libraries)
        bytes += library.blob.size();
    return bytes;
}

qint64 SearchCorpus::itemCount() const {
    qint64 items = 0;
    for (const Library& library : libraries)
        items += library.itemCount();
    return items;
}

} // namespace pellimor
