#include "core/res_string.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/routines.h"
#include "core/string_table.h"
#include "platform/kernel/debug_out.h"

namespace {

// Held shared across every call into the library and the copy of its text;
// held exclusively while the hook (and with it the library) changes.
std::shared_mutex& HookLock() {
    static std::shared_mutex lock;
    return lock;
}

GetLanguageResFn g_languageHook = nullptr;

}  // namespace

namespace core_strings {

const char16_t* FindOwnString(uint32_t id) {
    const StringTableEntry* end = kStringTable + kStringTableSize;
    const StringTableEntry* it = std::lower_bound(
        kStringTable, end, id, [](const StringTableEntry& e, uint32_t v) { return e.id < v; });
    return it != end && it->id == id ? it->text : nullptr;
}

}  // namespace core_strings

LanguageHookChange::LanguageHookChange() : lock_(HookLock()) {}
LanguageHookChange::~LanguageHookChange() = default;
void LanguageHookChange::Set(GetLanguageResFn hook) {
    g_languageHook = hook;
}

void SetLanguageHook(GetLanguageResFn hook) {
    LanguageHookChange change;
    change.Set(hook);
}

GetLanguageResFn GetLanguageHook() {
    std::shared_lock lock(HookLock());
    return g_languageHook;
}

bool CResString::LoadById(uint32_t id) {
    {
        std::shared_lock lock(HookLock());
        if (g_languageHook) {
            if (char16_t* block = g_languageHook(static_cast<int32_t>(id))) {
                text_.clear();
                Assign(block);
                std::free(block);
                return true;
            }
        }
    }
    const char16_t* own = core_strings::FindOwnString(id);
    if (!own) return false;
    text_ = own;
    return true;
}

int CResString::ParseInt() {
    return ::ParseInt(text_);
}

bool CResString::AssignNarrow(const char* bytes, uint32_t count) {
    text_.clear();
    // The bytes are taken as a C text: a zero byte ends it.
    if (bytes) text_ = core::WidenBytes(std::string_view(bytes, strnlen(bytes, count)));
    return true;
}

void CResString::Assign(const char16_t* text) {
    text_ = text ? core::Text(text) : core::Text();
}

void RecordMissingText(uint32_t id) {
    plat::debug_printf("LoadResString: no text for id %u\n", id);
    // Test runs name a file that collects every such id, one a line, from
    // this process and the programs it starts.
    const char* file = std::getenv(kMissingTextsVariable);
    if (!file || !*file) return;
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const std::string line = std::to_string(id) + "\n";
    // One write of a short line: appends of several processes never mix.
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

core::Text LoadResString(uint32_t id) {
    CResString s;
    if (!s.LoadById(id)) {
        // A text id that neither table knows is a text the tables still lack
        // (0 names no text).
        if (id != 0) RecordMissingText(id);
        s.Assign(nullptr);
    }
    return s.GetText();
}
