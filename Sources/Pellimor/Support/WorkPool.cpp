#include "Support/WorkPool.h"

#include <QThreadPool>

namespace pellimor {

QThreadPool* workPool() {
    static QThreadPool pool;
    return &pool;
}

} // namespace pellimor
