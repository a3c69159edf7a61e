#include "files/bitmap_file.h"

#include <vector>

#include "core/res_string.h"
#include "platform/fs/atomic_save.h"
#include "platform/fs/device_path.h"
#include "platform/fs/file_system.h"
#include "platform/gfx/image_file.h"
#include "platform/kernel/clock.h"

namespace {
constexpr uint32_t kNoSpace = 749;
constexpr uint32_t kCannotOpen = 64494;
constexpr uint32_t kCannotCreate = 64496;
}  // namespace

uint64_t CBitmapFile::FileSize(int width, int height) {
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 2 +
           plat::BMP_HEADERS_SIZE;
}

bool CBitmapFile::SaveFile(const plat::Bitmap& bitmap, const core::Text& path,
                           std::span<const uint8_t> state_block) {
    message_.clear();
    if (!bitmap || (!state_block.empty() && state_block.size() != kStateBlockSize)) return false;
    const uint64_t size = FileSize(bitmap.width(), bitmap.height());
    plat::DiskSpace space;
    const uint64_t avail = plat::global_memory_status().avail_phys;
    const size_t cut = path.find_last_of(u'\\');
    const core::Text folder = cut == core::Text::npos ? core::Text(u"\\") : path.substr(0, cut + 1);
    const bool room = plat::disk_free_space(folder, space) && space.free_to_caller > size;
    if (!room || size + avail / 10 >= avail) {
        message_ = LoadResString(kNoSpace);
        return false;
    }
    std::vector<uint8_t> bytes;
    {
        auto lock = bitmap.lock();
        bytes = plat::encode_bmp(bitmap, kBitsPerPixel);
    }
    bytes.insert(bytes.end(), state_block.begin(), state_block.end());
    if (!plat::atomic_save(std::u16string_view(path), std::as_bytes(std::span(bytes)))) {
        message_ = LoadResString(kCannotCreate) + path;
        return false;
    }
    return true;
}

bool CBitmapFile::LoadBitmap(const core::Text& path, plat::Bitmap& out) {
    message_.clear();
    const auto host = plat::host_path(std::u16string_view(path));
    plat::BmpReadResult r;
    if (host) r = plat::read_bmp_file(*host);
    if (!r) {
        message_ = LoadResString(kCannotOpen) + path;
        return false;
    }
    out = r.bitmap;
    return true;
}

core::Text PictureName(const char* prefix) {
    const plat::SystemTime t = plat::local_time();
    return core::Text(kPictureFolder) + u"\\" +
           core::FormatText("%s%2d%02d%02d%02d.bmp", prefix, t.day, t.hour, t.minute, t.second);
}
