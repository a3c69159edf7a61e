#include "app/language.h"

#include <cstdlib>
#include <type_traits>
#include <utility>

#include "core/res_string.h"

static_assert(std::is_same_v<GetLanguageResFn, lang::GetLanguageResFn>,
              "the language hook is the library's export");

namespace {

constexpr LanguageRow kLanguages[] = {
    {9, 64371, u"QXEnglishDll.dll", u"Tahoma.ttf", false},
    {4, 64370, u"QXMandarinDll.dll", u"Sunfon.ttf", true},
    {10, 64371, u"QXEnglishDll.dll", u"Tahoma.ttf", false},
    {12, 64371, u"QXEnglishDll.dll", u"Tahoma.ttf", false},
    {18, 64371, u"QXEnglishDll.dll", u"Tahoma.ttf", true},
};

constexpr char16_t kEnglishHelp[] = u"QXEnglishHelp.dll";

void CopyFace(char16_t (&dst)[256], std::u16string_view src) {
    size_t n = std::min<size_t>(src.size(), 255);
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];
    dst[n] = 0;
}

std::u16string FaceOf(const char16_t (&src)[256]) {
    size_t n = 0;
    while (n < 256 && src[n]) ++n;
    return std::u16string(src, n);
}

// A library that answers for language `id`: both text exports and the id.
plat::Library LoadChecked(std::u16string_view name, int32_t id) {
    plat::Library lib = plat::Library::load(name);
    if (!lib) return lib;
    auto res = reinterpret_cast<lang::GetLanguageResFn>(lib.symbol(lang::kGetLanguageRes));
    auto getId = reinterpret_cast<lang::GetLangDllIdFn>(lib.symbol(lang::kGetLangDllId));
    if (!res || !getId || getId() != id) lib.unload();
    return lib;
}

}  // namespace

const LanguageRow* FindLanguage(int32_t id) {
    for (const auto& row : kLanguages)
        if (row.id == id) return &row;
    return nullptr;
}

bool IsBuiltInLanguage(int32_t id) {
    return id == 9 || id == 10 || id == 12 || id == 18;
}

LanguageBinding::~LanguageBinding() {
    Free();
}

void LanguageBinding::Free() {
    {
        LanguageHookChange change;
        change.Set(nullptr);
        library_.unload();
    }
    help_.unload();
}

bool LanguageBinding::Load(int32_t id, bool forceEnglish, UiFonts& fonts) {
    if (forceEnglish) id = kLanguageEnglish;
    const std::u16string name =
        id == kLanguageMandarin ? u"QXMandarinDll.dll" : u"QXEnglishDll.dll";

    plat::Library fresh = LoadChecked(name, id);
    if (!fresh && !(IsBuiltInLanguage(id) && !plat::Library::load(name))) {
        // Absent or refused: the bound language stays. (An English library
        // that exists but answers wrongly is refused too.)
        return false;
    }

    // The new language stands: its font sets start from the defaults.
    UiFonts next;
    if (id == kLanguageMandarin) {
        next.small = {lang::kMandarinFace, 100, 100, 280};
        next.large = {lang::kMandarinFace, 140, 120, 800};
    }
    GetLanguageResFn hook = nullptr;
    if (fresh) {
        hook = reinterpret_cast<lang::GetLanguageResFn>(fresh.symbol(lang::kGetLanguageRes));
        if (auto onLoad = reinterpret_cast<lang::LangOnLoadFn>(fresh.symbol(lang::kLangOnLoad))) {
            LangFontInfo info;
            info.height1 = next.small.height;
            info.width1 = next.small.width;
            info.weight1 = next.small.weight;
            CopyFace(info.face1, next.small.face);
            CopyFace(info.face2, next.large.face);
            info.height2 = next.large.height;
            info.width2 = next.large.width;
            info.weight2 = next.large.weight;
            onLoad(&info, 0);
            next.small = {FaceOf(info.face1), info.height1, info.width1, info.weight1};
            next.large = {FaceOf(info.face2), info.height2, info.width2, info.weight2};
        }
    }
    {
        // No thread is inside the old library while the hook changes.
        LanguageHookChange change;
        change.Set(hook);
        library_ = std::move(fresh);
    }
    bound_id_ = id;
    fonts = next;

    // The help library is English's; a wrong one is not kept. It does not
    // undo the language change that has already been made.
    help_.unload();
    help_ = LoadChecked(kEnglishHelp, kLanguageEnglish);
    return true;
}

std::u16string LanguageLibraryName(int32_t id) {
    switch (id) {
        case 4:
            return u"QXMandarinDll.dll";
        case 7:
            return u"QXGermanDll.dll";
        case 10:
            return u"QXSpanishDll.dll";
        case 12:
            return u"QXFrenchDll.dll";
        case 16:
            return u"QXItalianDll.dll";
        case 17:
            return u"QXJapaneseDll.dll";
        case 18:
            return u"QXKoreanDll.dll";
        case 22:
            return u"QXPortugueseDll.dll";
        default:
            return u"QXEnglishDll.dll";
    }
}

std::u16string LanguageNameFromLibrary(int32_t id) {
    plat::Library lib = LoadChecked(LanguageLibraryName(id), id);
    if (!lib) return {};
    auto res = reinterpret_cast<lang::GetLanguageResFn>(lib.symbol(lang::kGetLanguageRes));
    std::u16string name;
    if (char16_t* block = res(1)) {
        name = block;
        std::free(block);
    }
    return name;
}
