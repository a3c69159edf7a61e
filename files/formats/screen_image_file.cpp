#include "files/formats/screen_image_file.h"

#include <array>
#include <vector>

#include "core/res_string.h"
#include "files/unused_path.h"
#include "platform/gfx/image_file.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/errors.h"

namespace {

// Progress marks of a save, in percent of the file.
constexpr uint64_t kPreparedPercent = 20, kWrittenPercent = 50;
// A save leaves this share of the available memory free.
constexpr uint64_t kMemoryReserveDivisor = 10;

std::string_view Bytes(const std::vector<uint8_t>& data, size_t from, size_t count) {
    return {reinterpret_cast<const char*>(data.data()) + from, count};
}

}  // namespace

uint64_t CBitmapFile::FileSize(int width, int height, bool with_block) {
    uint64_t pixels = uint64_t(width) * uint64_t(height) * (kBitsPerPixel / 8);
    return pixels + plat::BMP_HEADERS_SIZE + (with_block ? kStateBlockBytes : 0);
}

bool CBitmapFile::SaveFile(const plat::Bitmap& bitmap, const core::Text& path,
                           std::span<const uint8_t, kStateBlockBytes> block, bool append_block) {
    IFileServices& services = FileServices();
    if (!bitmap) return false;
    const uint64_t size = FileSize(bitmap.width(), bitmap.height(), false);
    std::optional<uint64_t> free_bytes = services.GetFreeBytes(path);
    const uint64_t memory = services.GetAvailableMemory();
    if ((free_bytes && *free_bytes <= size) || size + memory / kMemoryReserveDivisor >= memory) {
        services.ShowMessage(LoadResString(kNoSpaceId), kExclamation);
        return false;
    }
    if (!OpenForWriteDirect(path)) {
        services.ShowMessage(LoadResString(kCannotCreateId) + path, kExclamation);
        return false;
    }
    const int total = static_cast<int>(size);
    OpenProgress(0, total, LoadResString(kSavingId) + path);
    StepProgress(0, total);
    std::vector<uint8_t> image = plat::encode_bmp(bitmap, kBitsPerPixel);
    StepProgress(static_cast<int>(size * kPreparedPercent / 100), total);
    WriteBytes(Bytes(image, 0, plat::BMP_FILE_HEADER_SIZE));
    WriteBytes(Bytes(image, plat::BMP_FILE_HEADER_SIZE, plat::BMP_INFO_HEADER_SIZE));
    WriteBytes(Bytes(image, plat::BMP_HEADERS_SIZE, image.size() - plat::BMP_HEADERS_SIZE));
    if (append_block) WriteBytes({reinterpret_cast<const char*>(block.data()), block.size()});
    StepProgress(static_cast<int>(size * kWrittenPercent / 100), total);
    StepProgress(total, total);
    CloseProgress();
    if (Close()) return true;
    services.ShowMessage(GetWriteError() == plat::ERROR_DISK_FULL
                             ? LoadResString(kNoSpaceId)
                             : LoadResString(kCannotCreateId) + path,
                         kExclamation);
    return false;
}

bool CBitmapFile::SaveFile(const plat::Bitmap& bitmap, const core::Text& path) {
    static constexpr std::array<uint8_t, kStateBlockBytes> kNoBlock{};
    return SaveFile(bitmap, path, kNoBlock, false);
}

bool CBitmapFile::LoadBitmap(const core::Text& path, plat::Bitmap& out) {
    plat::BmpReadResult read;
    if (LoadFile(path) != 0) {
        const std::string& data = GetLoadedBytes();
        read = plat::decode_bmp(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    }
    if (!read) {
        FileServices().ShowMessage(LoadResString(kCannotOpenId) + path, kExclamation);
        return false;
    }
    out = std::move(read.bitmap);
    return true;
}

core::Text PictureName(const char* prefix) {
    const plat::SystemTime t = plat::local_time();
    return files::UnusedFilePath(
        core::Text(kPictureFolder) + u"\\" +
        core::FormatText("%s%2d%02d%02d%02d.bmp", prefix, t.day, t.hour, t.minute, t.second));
}
