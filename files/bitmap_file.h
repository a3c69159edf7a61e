#pragma once
// Pictures of the display as 16-bit bitmap files: the screen and waterfall
// pictures in "\FlashFX Disk\My Pictures". A waterfall picture carries the
// graph's 1,792-byte state block behind its pixels. The object is made for
// one call; after a false result Message() holds the line to show the user.
#include <array>
#include <cstdint>
#include <span>

#include "core/text.h"
#include "platform/gfx/bitmap.h"

class CBitmapFile {
  public:
    static constexpr size_t kStateBlockSize = 1792;
    static constexpr int kBitsPerPixel = 16;

    // Writes `bitmap` (16-bit X1R5G5B5 rows, bottom-up) to the instrument
    // path `path`, followed by `state_block` when it is given (its size must
    // be kStateBlockSize). Refuses when the volume has no more free bytes
    // than the file takes or the memory check fails (string 749), and when
    // the file cannot be created (string 64496 and the path).
    bool SaveFile(const plat::Bitmap& bitmap, const core::Text& path,
                  std::span<const uint8_t> state_block = {});
    // Reads a bitmap file (any trailer behind the pixels is ignored); a
    // missing or unreadable picture gives string 64494 and the path.
    bool LoadBitmap(const core::Text& path, plat::Bitmap& out);

    // The bytes a picture of w x h pixels takes without a state block.
    static uint64_t FileSize(int width, int height);

    const core::Text& Message() const { return message_; }

  private:
    core::Text message_;
};

// The picture folder and the name of a picture taken now: `prefix` (
// "Screen" or "WF"), the day with "%2d", hour, minute and second with "%02d",
// ".bmp".
core::Text PictureName(const char* prefix);
inline constexpr const char16_t* kPictureFolder = u"\\FlashFX Disk\\My Pictures";
