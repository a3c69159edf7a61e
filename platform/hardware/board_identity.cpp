#include "platform/hardware/board_identity.h"

#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/registry/registry.h"

namespace plat::hw {

BoardLayout read_board_layout(const char* no_key, const char* no_value) {
    RegKey key;
    if (hkey_local_machine().open(kIdentKey, key) != ERROR_SUCCESS) {
        if (no_key && *no_key) debug_output(no_key);
        return BoardLayout::Standard;
    }
    const auto name = key.get_string(kIdentName);
    if (!name) {
        if (no_value && *no_value) debug_output(no_value);
        return BoardLayout::Standard;
    }
    return *name == kSecondLayoutName ? BoardLayout::Second : BoardLayout::Standard;
}

}  // namespace plat::hw
