// Serial lines: host ttys named by the registry, pseudo-terminal peers, the
// read time-outs on the platform clock, and plugged devices going away.
#include "platform/serial/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <utility>

#include "platform/fs/tests/test_support.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace {

using namespace plat;
using namespace plat::serial;

// A peer that answers every byte it gets with that byte plus one, once
// `go` is ready, and keeps its account of the bytes.
class EchoPlusOne : public IPeer {
  public:
    EchoPlusOne(int fd, std::shared_future<void> go)
        : fd_(fd), go_(std::move(go)), thread_([this] { Run(); }) {}
    ~EchoPlusOne() override {
        stop_ = true;
        thread_.join();
    }

  private:
    void Run() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN)) continue;
            unsigned char c;
            if (::read(fd_, &c, 1) != 1) continue;
            while (!stop_ &&
                   go_.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
            }
            ++c;
            peer_sent(fd_, 1);
            if (::write(fd_, &c, 1) != 1) peer_withdrawn(fd_, 1);
            peer_answered(fd_, 1);
        }
    }
    int fd_;
    std::shared_future<void> go_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

PeerFactory Echo() {
    std::promise<void> now;
    now.set_value();
    std::shared_future<void> ready = now.get_future().share();
    return [ready](int fd) { return std::make_unique<EchoPlusOne>(fd, ready); };
}

CommTimeouts FirstByte(uint32_t ms) {
    return {MAXDWORD, MAXDWORD, ms, 0, 0};
}

class SerialLines : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"serial"};
};

TEST_F(SerialLines, APortWithoutHostDeviceRunsItsPeerOnAPseudoTerminal) {
    set_port_peer(u"com1", Echo());
    CommFile line = CommFile::open(u"COM1:");
    ASSERT_TRUE(line);
    // Not shared.
    EXPECT_FALSE(CommFile::open(u"com1:"));
    EXPECT_EQ(get_last_error(), ERROR_ACCESS_DENIED);
    CommState state;
    ASSERT_TRUE(line.get_state(state));
    state.baud_rate = 9600;
    state.byte_size = 8;
    EXPECT_TRUE(line.set_state(state));
    state.baud_rate = 12345;
    EXPECT_FALSE(line.set_state(state));
    EXPECT_EQ(get_last_error(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(line.set_timeouts(FirstByte(5000)));
    uint32_t n = 0;
    ASSERT_TRUE(line.write("A", 1, &n));
    char c = 0;
    ASSERT_TRUE(line.read(&c, 1, &n));
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(c, 'B');
    uint32_t modem = 99;
    EXPECT_TRUE(line.get_modem_status(&modem));
    EXPECT_EQ(modem, 0u);  // a pseudo-terminal has no modem lines
    // Silence: the read gives up after its time-out with no byte.
    set_port_peer(u"com1", nullptr);
    ASSERT_TRUE(line.set_timeouts(FirstByte(50)));
    ASSERT_TRUE(line.read(&c, 1, &n));
    EXPECT_EQ(n, 0u);
    CommTimeouts none{MAXDWORD, 0, 0, 0, 0};
    ASSERT_TRUE(line.set_timeouts(none));
    ASSERT_TRUE(line.read(&c, 1, &n));
    EXPECT_EQ(n, 0u);
    line.close();
    EXPECT_TRUE(CommFile::open(u"com1:"));
    EXPECT_FALSE(CommFile::open(u"com7:"));
    EXPECT_EQ(get_last_error(), ERROR_FILE_NOT_FOUND);
}

TEST_F(SerialLines, TheRegistryNamesTheHostTty) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ::grantpt(master);
    ::unlockpt(master);
    char name[128];
    ::ptsname_r(master, name, sizeof name);
    RegKey key;
    hkey_local_machine().create(u"Drivers\\Ports\\com2", key);
    key.set_string(kHostDeviceValue, from_utf8(name));
    CommFile line = CommFile::open(u"com2:");
    ASSERT_TRUE(line);
    ASSERT_TRUE(line.set_timeouts(FirstByte(5000)));
    ASSERT_EQ(::write(master, "xyz", 3), 3);
    char buf[8] = {};
    uint32_t n = 0;
    ASSERT_TRUE(line.read(buf, sizeof buf, &n));
    EXPECT_GE(n, 1u);  // returns as soon as bytes are there
    EXPECT_EQ(buf[0], 'x');
    key.set_string(kHostDeviceValue, u"/nonexistent/tty");
    line.close();
    EXPECT_FALSE(CommFile::open(u"com2:"));
    ::close(master);
}

TEST_F(SerialLines, APluggedDeviceFailsWithNotConnectedOnceUnplugged) {
    unplug(u"UPM1");
    EXPECT_FALSE(CommFile::open(u"UPM1:"));
    EXPECT_EQ(get_last_error(), ERROR_DEVICE_NOT_CONNECTED);
    ASSERT_TRUE(plug(u"UPM1", Echo()));
    EXPECT_FALSE(plug(u"UPM1", Echo()));
    CommFile line = CommFile::open(u"upm1:");
    ASSERT_TRUE(line);
    ASSERT_TRUE(line.set_timeouts(FirstByte(5000)));
    uint32_t n = 0;
    char c = 0;
    ASSERT_TRUE(line.write("1", 1, &n));
    ASSERT_TRUE(line.read(&c, 1, &n));
    EXPECT_EQ(c, '2');
    unplug(u"UPM1");
    EXPECT_FALSE(line.read(&c, 1, &n));
    EXPECT_EQ(get_last_error(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(line.write("1", 1, &n));
    EXPECT_EQ(get_last_error(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(CommFile::open(u"UPM1:"));
    EXPECT_EQ(get_last_error(), ERROR_DEVICE_NOT_CONNECTED);
    ASSERT_TRUE(plug(u"UPM1", Echo()));
    EXPECT_TRUE(CommFile::open(u"UPM1:"));
    unplug(u"UPM1");
}

// On a virtual clock that moves by itself, a thread waiting for a device's
// answer with a time-out gets the answer however long the simulated device
// takes in real time: virtual time waits for the bytes on their way.
TEST_F(SerialLines, VirtualTimeWaitsForThePeersAnswer) {
    std::promise<void> go;
    std::shared_future<void> released = go.get_future().share();
    set_port_peer(u"com1",
                  [released](int fd) { return std::make_unique<EchoPlusOne>(fd, released); });
    CommFile line = CommFile::open(u"com1:");
    ASSERT_TRUE(line);
    ASSERT_TRUE(line.set_timeouts(FirstByte(5000)));
    {
        VirtualClock clock(/*auto_advance=*/true);
        const uint64_t start = clock.now();
        uint32_t n = 0;
        ASSERT_TRUE(line.write("A", 1, &n));
        const Event answered(true, false);
        char c = 0;
        std::thread reader([&] {
            uint32_t got = 0;
            if (line.read(&c, 1, &got) && got == 1) answered.set();
        });
        // The device takes its time (real time: the clock could jump to the
        // waiter's deadline many times over meanwhile).
        std::thread device([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            go.set_value();
        });
        EXPECT_TRUE(answered.wait(500)) << "virtual time ran out before the answer";
        device.join();
        reader.join();
        EXPECT_EQ(c, 'B');
        EXPECT_LT(clock.now() - start, 500u);
    }
    set_port_peer(u"com1", nullptr);
}

}  // namespace
