#pragma once
// Texts by string id: first from the bound language library, then from the
// program's own table.
#include <cstdint>
#include <mutex>
#include <shared_mutex>

#include "core/text.h"

// The language library's export: a malloc'd, zero-terminated copy of the
// text of `id`, or null. The caller releases it with free().
using GetLanguageResFn = char16_t* (*)(int32_t id);

// Changes the language hook. While one exists, no thread is inside the bound
// library through LoadResString, so the owner may free the old library and
// bind a new one before it ends.
class LanguageHookChange {
  public:
    LanguageHookChange();
    ~LanguageHookChange();
    LanguageHookChange(const LanguageHookChange&) = delete;
    LanguageHookChange& operator=(const LanguageHookChange&) = delete;
    void Set(GetLanguageResFn hook);

  private:
    std::unique_lock<std::shared_mutex> lock_;
};

// Sets the hook in one step (null: no library).
void SetLanguageHook(GetLanguageResFn hook);
GetLanguageResFn GetLanguageHook();

class CResString {
  public:
    virtual ~CResString() = default;
    virtual bool LoadById(uint32_t id);
    // The text read as a decimal integer; 0 when it holds no number.
    virtual int ParseInt();
    virtual bool AssignNarrow(const char* bytes, uint32_t count);
    // A null pointer gives the empty text.
    void Assign(const char16_t* text);

    const core::Text& GetText() const { return text_; }

  private:
    core::Text text_;
};

// The text of `id`; the empty text when neither source has it. Such an id
// goes to the debug output and, when the environment variable below names a
// file, is appended to that file (the tests fail on what it collects).
core::Text LoadResString(uint32_t id);
inline constexpr char kMissingTextsVariable[] = "CELVANE_MISSING_TEXTS";
void RecordMissingText(uint32_t id);
