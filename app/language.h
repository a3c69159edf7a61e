#pragma once
// The language of the user interface: the table of languages the program
// knows, the font sets the screens draw with, and the binding of a language
// library ("QXMandarinDll.dll") whose texts then come before the program's own.
#include <cstdint>
#include <string>
#include <string_view>

#include "language/language_abi.h"
#include "platform/module/library.h"

struct FontSet {
    std::u16string face = u"Tahoma";
    uint32_t height = 100;
    uint32_t width = 100;
    uint32_t weight = 280;
};

// The two font sets of the user interface: small texts and large texts.
struct UiFonts {
    FontSet small;
    FontSet large{u"Tahoma", 140, 120, 800};
};

// One row of the language table.
struct LanguageRow {
    int32_t id;
    uint32_t nameId;
    const char16_t* library;
    const char16_t* fontFile;
    bool fontFatal;
};

inline constexpr int32_t kLanguageEnglish = lang::kLanguageEnglish;
inline constexpr int32_t kLanguageMandarin = lang::kLanguageMandarin;

// The row of a language id, null when the table does not know it.
const LanguageRow* FindLanguage(int32_t id);
// Whether the program's own table serves the language (the English family).
bool IsBuiltInLanguage(int32_t id);

// The bound language library and help library. Binding a new language loads
// and checks the new library first; on failure the bound one stays.
class LanguageBinding {
  public:
    LanguageBinding() = default;
    ~LanguageBinding();
    LanguageBinding(const LanguageBinding&) = delete;
    LanguageBinding& operator=(const LanguageBinding&) = delete;

    // Binds the language `id` (with `forceEnglish`, English). True when the
    // language is served: by its library, or by the program's own table for
    // the English family when no English library is present. `fonts` takes
    // the language's font sets on success and stays as it was on failure.
    bool Load(int32_t id, bool forceEnglish, UiFonts& fonts);
    // Unbinds both libraries (texts come from the program's own table).
    void Free();

    int32_t bound_id() const { return bound_id_; }
    bool has_library() const { return static_cast<bool>(library_); }
    bool has_help() const { return static_cast<bool>(help_); }

  private:
    plat::Library library_;
    plat::Library help_;
    int32_t bound_id_ = kLanguageEnglish;
};

// The language library's file name for an id (the language dialog's list).
std::u16string LanguageLibraryName(int32_t id);
// The language's own name from its library, or empty when the library is
// absent or is not that language's.
std::u16string LanguageNameFromLibrary(int32_t id);
