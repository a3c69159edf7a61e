#pragma once
// What the main program and its language libraries ("QXMandarinDll.dll",
// "QXEnglishDll.dll") share: the exported entry points with their C
// signatures, the font record that LangOnLoad fills, and the language ids.
// Texts cross as 16-bit units (char16_t); the library allocates a text with
// malloc and the caller releases it with free.
#include <cstddef>
#include <cstdint>

// The font sets of the user interface as a language sets them up: set 1
// (small texts) and set 2 (large texts). 1052 bytes, faces at 16 and 528.
struct LangFontInfo {
    uint32_t size = sizeof(LangFontInfo);
    uint32_t height1 = 100;
    uint32_t width1 = 100;
    uint32_t weight1 = 280;
    char16_t face1[256] = {};
    char16_t face2[256] = {};
    uint32_t height2 = 140;
    uint32_t width2 = 120;
    uint32_t weight2 = 800;
};
static_assert(sizeof(LangFontInfo) == 1052);
static_assert(offsetof(LangFontInfo, face1) == 16);
static_assert(offsetof(LangFontInfo, face2) == 528);
static_assert(offsetof(LangFontInfo, height2) == 1040);

namespace lang {

// The exports, bound by these names.
inline constexpr char kGetLanguageRes[] = "GetLanguageRes";
inline constexpr char kGetLangDllId[] = "GetLangDllId";
inline constexpr char kLangOnLoad[] = "LangOnLoad";

extern "C" {
// A malloc'd, zero-terminated copy of the text of `id`; null when the table
// has no text for it, or when the text is kTextLimit units or longer.
using GetLanguageResFn = char16_t* (*)(int32_t id);
// The library's language id.
using GetLangDllIdFn = int32_t (*)();
// Sets up the language's font: writes the face names of `info` (its numbers
// stay) and installs the font; answers the font-change broadcast's result,
// or the message box's when the font cannot be installed.
using LangOnLoadFn = int32_t (*)(LangFontInfo* info, int32_t unused);
}

// Texts of this many units or more are never returned (a 512-unit buffer
// holds at most 511 and a terminator, so 511 may have been cut).
inline constexpr size_t kTextLimit = 511;

inline constexpr int32_t kLanguageMandarin = 4;
inline constexpr int32_t kLanguageEnglish = 9;

// The Mandarin library's font: the face its texts are drawn in and the file
// that holds it.
inline constexpr char16_t kMandarinFace[] = u"SC_Song";
inline constexpr char16_t kMandarinFontFile[] = u"\\FlashFx Disk\\System\\sunfon.ttf";

}  // namespace lang
