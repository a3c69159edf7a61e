#pragma once
// Programs of the system started as processes by their instrument path
// ("\FlashFX Disk\Startup\QXCopy\TWDiag.exe"). The child shares the device
// root and learns its own instrument path.
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// A handle to a process. Handles to the same process share its state; the
// process goes on when every handle is gone.
class Process {
  public:
    Process() = default;

    // Starts the host program that the instrument path maps to, with the
    // given arguments after the device root option. Invalid on failure with
    // ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED or
    // ERROR_BAD_EXE_FORMAT.
    static Process start(std::u16string_view instrument_path,
                         const std::vector<std::u16string>& arguments = {});
    // A handle to a running process by id; invalid with
    // ERROR_INVALID_PARAMETER when there is none.
    static Process open(uint32_t id);

    explicit operator bool() const { return state_ != nullptr; }
    uint32_t id() const;
    // STILL_ACTIVE (259) while it runs, else its exit code.
    bool exit_code(uint32_t& code) const;
    bool running() const;
    // Ends the process at once; its exit code becomes `code`.
    bool terminate(uint32_t code);
    // Waits up to `timeout_ms` for the end; false on time-out.
    bool wait(uint32_t timeout_ms) const;
    void close() { state_.reset(); }

    struct State;

  private:
    std::shared_ptr<State> state_;
};

// The instrument path of the running program: the one it was started by, or
// where its executable lies below the device root, else "\Windows\<name>".
std::u16string program_path();

// The environment variable through which a started program learns its path.
inline constexpr const char* kProgramPathVariable = "CELVANE_PROGRAM";

}  // namespace plat
