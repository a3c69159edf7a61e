#include "screens/screen_services.h"

#include <atomic>

namespace {
std::atomic<IScreenServices*> g_services{nullptr};
}

IScreenServices* IScreenServices::current() {
    return g_services.load(std::memory_order_acquire);
}

void IScreenServices::set_current(IScreenServices* services) {
    g_services.store(services, std::memory_order_release);
}
