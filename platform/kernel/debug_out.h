#pragma once
// Debugger output: each line carries the prefix
// "<MM/DD hh:mm:ss> tttttttt " (local time, thread id in hex).
#include <cstdarg>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The environment variable naming a file that takes the debug lines in place
// of stderr (appended to; every program of the system shares it).
inline constexpr const char* kDebugLogVariable = "CELVANE_DEBUG_LOG";

// Writes `text` with the prefix to stderr (or the file CELVANE_DEBUG_LOG
// names) and to the capture sinks.
void debug_output(std::string_view text);
void debug_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The prefix for the calling thread and the current local time.
std::string debug_prefix();

// Silences stderr (the sinks still get every line), for quiet test runs.
void set_debug_to_stderr(bool enabled);

// Collects every debug line while it exists (tests read them).
class DebugCapture {
  public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;
    std::vector<std::string> lines() const;

  private:
    int id_;
};

}  // namespace plat
