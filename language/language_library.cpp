// A language library: its string table behind the three exports the main
// program binds by name. The same source builds every member of the family;
// the build gives the language id and whether the language brings its font.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "language/language_abi.h"
#include "language/string_table.h"
#include "platform/framework/message_box.h"
#include "platform/gfx/font.h"
#include "platform/window/message_loop.h"

#ifndef LANGUAGE_ID
#error LANGUAGE_ID must be defined
#endif

#define LANGUAGE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const char16_t* Find(int32_t id) {
    if (id < 0) return nullptr;
    const auto key = static_cast<uint32_t>(id);
    const lang::StringTableEntry* end = lang::kStringTable + lang::kStringTableSize;
    const lang::StringTableEntry* it =
        std::lower_bound(lang::kStringTable, end, key,
                         [](const lang::StringTableEntry& e, uint32_t v) { return e.id < v; });
    return it != end && it->id == key ? it->text : nullptr;
}

// The length as a 512-unit buffer would take it: at most kTextLimit.
size_t BoundedLength(const char16_t* text) {
    size_t n = 0;
    while (n < lang::kTextLimit && text[n]) ++n;
    return n;
}

}  // namespace

LANGUAGE_EXPORT char16_t* GetLanguageRes(int32_t id) {
    const char16_t* text = Find(id);
    if (!text) return nullptr;
    const size_t n = BoundedLength(text);
    if (n == 0 || n >= lang::kTextLimit) return nullptr;
    auto* copy = static_cast<char16_t*>(std::calloc(n + 1, sizeof(char16_t)));
    if (copy) std::memcpy(copy, text, n * sizeof(char16_t));
    return copy;
}

LANGUAGE_EXPORT int32_t GetLangDllId() {
    return LANGUAGE_ID;
}

#if LANGUAGE_HAS_FONT
namespace {

void SetFace(char16_t (&field)[256]) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, lang::kMandarinFace, sizeof lang::kMandarinFace);
}

}  // namespace

LANGUAGE_EXPORT int32_t LangOnLoad(LangFontInfo* info, int32_t /*unused*/) {
    if (info) {
        SetFace(info->face1);
        SetFace(info->face2);
    }
    if (plat::add_font_resource(lang::kMandarinFontFile) > 0)
        return static_cast<int32_t>(plat::broadcast_message(plat::WM_FONTCHANGE, 0, 0));
    return plat::message_box(nullptr, u"Load Font Failed.", u"", plat::MB_ICONEXCLAMATION);
}
#endif
