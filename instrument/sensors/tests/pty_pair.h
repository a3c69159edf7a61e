#pragma once
// A pseudo-terminal pair for tests: the test works the master end, the code
// under test opens the slave by its path (mapped to "com1:" in the registry).
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/registry/registry.h"
#include "platform/serial/serial_port.h"
#include "platform/text/utf.h"

namespace sensor_test {

class PtyPair {
  public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master_);
        ::unlockpt(master_);
        char name[128] = {};
        ::ptsname_r(master_, name, sizeof name);
        slave_path_ = name;
        // Keep the slave open (raw, no echo) so the master never hangs up.
        keeper_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        ::tcgetattr(keeper_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(keeper_, TCSANOW, &tio);
    }
    ~PtyPair() {
        ::close(keeper_);
        ::close(master_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    const std::string& slave_path() const { return slave_path_; }
    void Write(std::string_view bytes) const {
        size_t put = 0;
        while (put < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + put, bytes.size() - put);
            if (n > 0) put += static_cast<size_t>(n);
        }
    }
    // What the far end wrote within the wait (real milliseconds).
    std::string Read(int wait_ms = 0) const {
        std::string out;
        pollfd p{master_, POLLIN, 0};
        while (::poll(&p, 1, wait_ms) > 0 && (p.revents & POLLIN)) {
            char buf[256];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
            wait_ms = 0;
        }
        return out;
    }

  private:
    int master_ = -1;
    int keeper_ = -1;
    std::string slave_path_;
};

// Maps "com1:" to a host tty through the registry.
inline void MapCom1(const std::string& host_path) {
    plat::RegKey key;
    plat::hkey_local_machine().create(std::u16string(plat::serial::kPortsKey) + u"\\com1", key);
    key.set_string(plat::serial::kHostDeviceValue, plat::from_utf8(host_path));
}

}  // namespace sensor_test
