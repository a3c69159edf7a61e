// A language library for the tests: the three exports of the language
// libraries, with the id and the texts given at build time.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "language/language_abi.h"

#ifndef TEST_LANGUAGE_ID
#error TEST_LANGUAGE_ID must be defined
#endif

namespace {

const char16_t* Find(int32_t id) {
    switch (id) {
        case 1:
            return u"\u4e2d\u6587";  // the language's name
        case 57344:
            return u"\u5854\u6069\u7ef4\u514b";  // the product title
        case 64250:
            return u"\u51fa\u9519";
        default:
            return nullptr;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) char16_t* GetLanguageRes(int32_t id) {
    const char16_t* text = Find(id);
    if (!text) return nullptr;
    size_t n = 0;
    while (text[n]) ++n;
    auto* block = static_cast<char16_t*>(std::calloc(n + 1, sizeof(char16_t)));
    if (block) std::memcpy(block, text, n * sizeof(char16_t));
    return block;
}

extern "C" __attribute__((visibility("default"))) int32_t GetLangDllId() {
    return TEST_LANGUAGE_ID;
}

extern "C" __attribute__((visibility("default"))) int32_t LangOnLoad(LangFontInfo* info, int32_t) {
    static const char16_t face[] = u"SC_Song";
    std::memset(info->face1, 0, sizeof info->face1);
    std::memset(info->face2, 0, sizeof info->face2);
    std::memcpy(info->face1, face, sizeof face);
    std::memcpy(info->face2, face, sizeof face);
    return 1;
}
