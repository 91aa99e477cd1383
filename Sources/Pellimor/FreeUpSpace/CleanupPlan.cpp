#include "FreeUpSpace/CleanupPlan.h"

#include "Support/ByteSum.h"

namespace pellimor {

qint64 CleanupPlan::totalBytes() const {
    qint64 total = 0;
    for (const CleanupTarget& target : targets)
        total = ByteSum::saturatingAdd(total, target.bytes);
    return total;
}

} // namespace pellimor
