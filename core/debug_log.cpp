#include "core/debug_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/scoped_lock.h"
#include "platform/fs/device_path.h"
#include "platform/kernel/debug_out.h"

namespace {
std::atomic<CDebugLog*> g_debugLog{nullptr};
}

void SetDebugLog(CDebugLog* log) {
    g_debugLog.store(log);
}
CDebugLog* GetDebugLog() {
    return g_debugLog.load();
}

CDebugLog::CDebugLog(uint32_t mask, std::u16string_view file_name)
    : mask_(mask), file_name_(file_name) {}

bool CDebugLog::Lock() {
    return mutex_.wait(kLockTimeoutMs);
}
void CDebugLog::Unlock() {
    mutex_.unlock();
}

void CDebugLog::Emit(std::string body) {
    if (!Lock()) return;  // the line is dropped
    ScopedLock held(*this, std::adopt_lock);
    if (mask_ & kToDebugger) {
        plat::debug_output(body);  // the debugger adds the prefix itself
    } else {
        Write(plat::debug_prefix() + body);
    }
}

void CDebugLog::Write(std::string_view line) {
    if (mask_ & kToDebugger) {
        plat::debug_output(line);
        return;
    }
    auto host = plat::host_path(file_name_);
    if (!host) return;
    std::error_code ec;
    auto size = std::filesystem::file_size(*host, ec);
    auto mode = std::ios::binary | (!ec && size > kRestartSize ? std::ios::trunc : std::ios::app);
    std::ofstream out(*host, mode);
    if (out) out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void CDebugLog::WriteText(uint32_t bit, std::string_view text) {
    if (Enabled(bit)) Emit(std::string(text));
}

void CDebugLog::WriteText(uint32_t bit, std::u16string_view text) {
    if (Enabled(bit)) Emit(core::LowBytes(text));
}

void CDebugLog::Printf(uint32_t bit, const char* format, ...) {
    if (!Enabled(bit)) return;
    va_list args;
    va_start(args, format);
    std::string body = core::LowBytes(core::FormatTextV(format, args));
    va_end(args);
    Emit(std::move(body));
}

void CDebugLog::HexDump(uint32_t bit, const void* data, size_t count) {
    if (!Enabled(bit)) return;
    std::string body;
    const auto* bytes = static_cast<const uint8_t*>(data);
    char cell[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(cell, sizeof cell, "%02x ", bytes[i]);
        body += cell;
    }
    body += '\n';
    Emit(std::move(body));
}

void CDebugLog::MessageData(uint32_t bit, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (!Enabled(bit)) return;
    char text[160];
    std::snprintf(text, sizeof text,
                  "Windows Message Data: \n msg 0x%08x wParam 0x%08lx lParam 0x%08lx\n", message,
                  static_cast<unsigned long>(wparam), static_cast<unsigned long>(lparam));
    Emit(text);
}

void CDebugLog::MemoryLoad(uint32_t bit, uint32_t load_percent) {
    if (!Enabled(bit)) return;
    char text[48];
    std::snprintf(text, sizeof text, " MemoryLoad: %d%%\n", static_cast<int>(load_percent));
    Emit(text);
}
