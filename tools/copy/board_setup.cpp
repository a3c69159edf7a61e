#include "tools/copy/board_setup.h"

#include <cstdint>

#include "drivers/smartio/smart_io.h"
#include "platform/kernel/debug_out.h"

namespace qxcopy {

namespace {

constexpr uint32_t kKeypadOption = 2;

}  // namespace

void set_up_board_io() {
    const CSmartIO io;
    if (!io.IsReady()) return;
    if (io.SIOSelectOption)
        io.SIOSelectOption(kKeypadOption);
    else
        plat::debug_output("SIOSelectOption function not available\r\n");
    if (io.SIOSetKeyPadSize)
        io.SIOSetKeyPadSize(0, 0);
    else
        plat::debug_output("SIOSetKeyPadSize function not available\r\n");
    if (io.SIOInitDDRA)
        io.SIOInitDDRA(0);
    else
        plat::debug_output("SIOInitDDRA function not available\r\n");
}

}  // namespace qxcopy
