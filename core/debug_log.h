#pragma once
// The debug log: time-stamped lines to "qxdbg.txt" (restarted beyond 50,000
// bytes) or, with mask bit 31, to the debugger.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text.h"
#include "platform/kernel/sync.h"

class CDebugLog {
  public:
    static constexpr uint32_t kToDebugger = 0x80000000u;
    static constexpr uintmax_t kRestartSize = 50000;
    static constexpr uint32_t kLockTimeoutMs = 500;

    explicit CDebugLog(uint32_t mask, std::u16string_view file_name = u"qxdbg.txt");

    // Waits at most 500 ms; false when the mutex stayed taken.
    bool Lock();
    void Unlock();

    // Line writers: each writes only when `bit` is in the mask.
    void WriteText(uint32_t bit, std::string_view text);
    void WriteText(uint32_t bit, std::u16string_view text);
    void Printf(uint32_t bit, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void HexDump(uint32_t bit, const void* data, size_t count);
    void MessageData(uint32_t bit, uint32_t message, uintptr_t wparam, intptr_t lparam);
    void MemoryLoad(uint32_t bit, uint32_t load_percent);

    // Appends one finished line (its prefix included) to the file, or hands
    // it to the debugger with mask bit 31.
    void Write(std::string_view line);

    uint32_t GetMask() const { return mask_; }

  private:
    bool Enabled(uint32_t bit) const { return (mask_ & bit) != 0; }
    void Emit(std::string body);

    uint32_t mask_;
    core::Text file_name_;
    plat::Mutex mutex_{false};
};

// The program's one debug log (none until start-up creates it).
void SetDebugLog(CDebugLog* log);
CDebugLog* GetDebugLog();
