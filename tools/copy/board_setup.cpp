#include "tools/copy/board_setup.h"

#include <cstdint>

#include "platform/kernel/debug_out.h"
#include "platform/module/library.h"

namespace qxcopy {

namespace {

using SelectOptionFn = int32_t(uint8_t option);
using SetKeyPadSizeFn = int32_t(uint8_t rows, uint8_t columns);
using InitDdrFn = int32_t(uint8_t direction);

constexpr uint8_t kKeypadOption = 2;

// The board I/O library and the three entry points QXCopy calls.
struct BoardIoLibrary {
    plat::Library library;
    SelectOptionFn* select_option = nullptr;
    SetKeyPadSizeFn* set_key_pad_size = nullptr;
    InitDdrFn* init_ddra = nullptr;

    BoardIoLibrary() {
        plat::debug_output("\r\nLoading SMARTIO.DLL...\r\n");
        library = plat::Library::load(std::u16string_view(u"SMARTIO.dll"));
        if (library) {
            plat::debug_output("\r\nSMARTIO.DLL Loaded successfully...\r\n");
        } else {
            plat::debug_output("\r\nCan't find SMARTIO.DLL\r\n");
            plat::debug_output("\r\nLoading KEYBDDR.DLL...\r\n");
            library = plat::Library::load(std::u16string_view(u"KEYBDDR.dll"));
            if (!library) {
                plat::debug_output("\r\nFailed to load OemSmartIO library!\r\n");
                return;
            }
            plat::debug_output("\r\nKEYBDDR.DLL Loaded successfully...\r\n");
        }
        select_option = library.bind<SelectOptionFn>("SIOSelectOption");
        set_key_pad_size = library.bind<SetKeyPadSizeFn>("SIOSetKeyPadSize");
        init_ddra = library.bind<InitDdrFn>("SIOInitDDRA");
    }
    bool ready() const { return static_cast<bool>(library); }
};

}  // namespace

void set_up_board_io() {
    BoardIoLibrary io;
    if (!io.ready()) return;
    if (io.select_option)
        io.select_option(kKeypadOption);
    else
        plat::debug_output("SIOSelectOption function not available\r\n");
    if (io.set_key_pad_size)
        io.set_key_pad_size(0, 0);
    else
        plat::debug_output("SIOSetKeyPadSize function not available\r\n");
    if (io.init_ddra)
        io.init_ddra(0);
    else
        plat::debug_output("SIOInitDDRA function not available\r\n");
}

}  // namespace qxcopy
