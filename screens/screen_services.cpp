#include "screens/screen_services.h"

#include <atomic>

namespace {
std::atomic<ScreenServices*> g_services{nullptr};
}

ScreenServices* ScreenServices::current() {
    return g_services.load(std::memory_order_acquire);
}

void ScreenServices::set_current(ScreenServices* services) {
    g_services.store(services, std::memory_order_release);
}
