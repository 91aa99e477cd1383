#include "App/ToolbarContrast.h"

#include <atomic>

namespace pellimor::ToolbarContrast {

namespace {
std::atomic<bool> g_installed{false};
} // namespace

bool install() {
    g_installed.store(true);
    return true;
}

bool installed() {
    return g_installed.load();
}

} // namespace pellimor::ToolbarContrast
