#pragma once
// Pictures of the display as Windows bitmap files (16 bits a pixel,
// bottom-up rows) in "\FlashFX Disk\My Pictures", optionally followed by the
// graph's 1,792-byte waterfall state block; saved crash-safe and loaded back.
#include <cstdint>
#include <span>

#include "files/formats/tagged_file.h"
#include "platform/gfx/bitmap.h"

class CBitmapFile : public CTaggedFile {
  public:
    static constexpr size_t kStateBlockBytes = 1792;
    static constexpr int kBitsPerPixel = 16;
    static constexpr uint32_t kNoSpaceId = 749, kSavingId = 748, kCannotCreateId = 64496;
    static constexpr uint32_t kCannotOpenId = 64494, kExclamation = 0x30;

    // The bytes a picture of that size takes (with the block when asked).
    static uint64_t FileSize(int width, int height, bool with_block);

    // Saves the bitmap, and the state block behind the pixels when
    // `append_block` is set. False, with the reason shown, when the volume
    // or the memory is short, the file cannot be created or written; the
    // file that was there before then stays as it was.
    bool SaveFile(const plat::Bitmap& bitmap, const core::Text& path,
                  std::span<const uint8_t, kStateBlockBytes> block, bool append_block);
    // Saves the bitmap alone (a screen picture).
    bool SaveFile(const plat::Bitmap& bitmap, const core::Text& path);
    // Loads a picture; false and "Cannot open file:" + path for a missing or
    // damaged file.
    bool LoadBitmap(const core::Text& path, plat::Bitmap& out);
};

// The name of a picture taken now in the picture folder: `prefix` ("Screen"
// or "WF"), the day with "%2d", hour, minute and second with "%02d", ".bmp".
core::Text PictureName(const char* prefix);
inline constexpr const char16_t* kPictureFolder = u"\\FlashFX Disk\\My Pictures";
