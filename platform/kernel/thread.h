#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/kernel/sync.h"

namespace plat {

// The calling thread's id (unique in the system while the thread lives).
uint32_t current_thread_id();

struct ThreadOptions {
    size_t stack_size = 0;   // bytes; a minimum, raised to what the host needs
    bool suspended = false;  // start only at resume()
    int priority = 0;        // a hint; kept and reported, not enforced
};

// A kernel thread. The handle is waitable: it is signalled once the thread
// has ended. Dropping every handle does not stop the thread.
class Thread : public Waitable {
  public:
    Thread() = default;
    static Thread start(std::function<uint32_t()> body, const ThreadOptions& options = {});

    void resume() const;
    uint32_t id() const;
    // Waits for the end of the thread; false on time-out.
    bool join(uint32_t timeout_ms = INFINITE) const { return wait(timeout_ms); }
    // STILL_ACTIVE while the thread runs, else what its body returned.
    uint32_t exit_code() const;
    int priority() const;
    void set_priority(int priority) const;

  private:
    using Waitable::Waitable;
};

}  // namespace plat
