// libFuzzer target: the bitmap file reader must refuse or read any input
// without touching memory it does not own, and what it reads must survive
// writing and reading again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "platform/gfx/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plat::BmpReadResult r = plat::decode_bmp(std::span<const uint8_t>(data, size));
    if (!r) {
        if (r.error.empty()) std::abort();
        return 0;
    }
    const plat::Bitmap& b = r.bitmap;
    if (b.width() < 1 || b.height() < 1) std::abort();
    // 24-bit storage is lossless for 8-bit channels.
    plat::BmpReadResult again = plat::decode_bmp(plat::encode_bmp(b, 24));
    if (!again || again.bitmap.size() != b.size()) std::abort();
    if (std::memcmp(again.bitmap.pixels(), b.pixels(),
                    static_cast<size_t>(b.width()) * b.height() * 4) != 0)
        std::abort();
    return 0;
}
