#include "platform/devices/power_service.h"

#include <cstdint>

#include "platform/devices/device_manager.h"
#include "platform/kernel/debug_out.h"

namespace plat::power {
namespace {

// The I/O controller's control codes the transitions use.
constexpr char16_t kController[] = u"SPI1:";
constexpr uint32_t kEnterSleep = 0xBEEF001C;
constexpr uint32_t kPowerOff = 0xBEEF0020;
constexpr uint32_t kExitSleep = 0xBEEF0028;
constexpr uint32_t kArmShutdown = 0xBEEF0030;

bool tell_controller(uint32_t code, const void* input = nullptr, uint32_t input_size = 0) {
    auto controller = devices::StreamFile::open(kController);
    if (!controller) {
        debug_output("power: no I/O controller SPI1:\n");
        return false;
    }
    uint32_t returned = 0;
    return controller.io_control(code, input, input_size, nullptr, 0, &returned);
}

}  // namespace

bool sleep() {
    const bool told = tell_controller(kEnterSleep);
    devices::power_down_devices();
    return told;
}

bool wake() {
    devices::power_up_devices();
    return tell_controller(kExitSleep);
}

bool off() {
    const uint8_t armed[4] = {1, 0, 0, 0};
    return tell_controller(kArmShutdown, armed, sizeof armed) && tell_controller(kPowerOff);
}

}  // namespace plat::power
