#pragma once
// The files of the flash volume that the application object reads and writes.

namespace app_files {
inline constexpr char16_t kLanguageFile[] = u"\\FlashFX Disk\\System\\language.txt";
inline constexpr char16_t kModeFile[] = u"\\FlashFX Disk\\System\\mode.txt";
inline constexpr char16_t kSystemFolder[] = u"\\FlashFX Disk\\System\\";
}  // namespace app_files
