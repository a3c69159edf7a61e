// The far end of a simulated serial line: the peer's thread sleeps while the
// line is quiet and nothing is due, answers what the instrument writes at
// once, sends timed output when it falls due, and ends when destroyed.
#include "sim/sensors/line_peer.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>

namespace {

// Answers "go" with "ok" and then says "tick" every 50 ms, three times.
class Ticker : public sim::ILineDevice {
  public:
    std::string OnBytes(std::string_view in, uint64_t now_ms) override {
        if (in.find("go") == std::string_view::npos) return {};
        left_ = 3;
        due_ = now_ms + kPeriodMs;
        return "ok\n";
    }
    std::string OnTime(uint64_t now_ms) override {
        if (left_ == 0 || now_ms < due_) return {};
        --left_;
        due_ += kPeriodMs;
        return "tick\n";
    }
    uint64_t NextDue(uint64_t) const override { return left_ > 0 ? due_ : 0; }

  private:
    static constexpr uint64_t kPeriodMs = 50;
    int left_ = 0;
    uint64_t due_ = 0;
};

std::set<std::string> Threads() {
    std::set<std::string> out;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') out.insert(e->d_name);
        closedir(d);
    }
    return out;
}

// How often a thread of this process went to sleep so far.
long Sleeps(const std::string& tid) {
    std::ifstream in("/proc/self/task/" + tid + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
    return -1;
}

// Reads from the instrument's side of the line until `want` has come.
bool ReadUntil(int fd, const std::string& want, std::string& got) {
    char buf[64];
    while (got.find(want) == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) return false;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        got.append(buf, static_cast<size_t>(n));
    }
    return true;
}

TEST(LinePeer, SleepsWhileQuietAnswersAtOnceAndSendsWhatFallsDue) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    ::grantpt(master);
    ::unlockpt(master);
    char name[128];
    ASSERT_EQ(::ptsname_r(master, name, sizeof name), 0);
    const int line = ::open(name, O_RDWR | O_NOCTTY);
    ASSERT_GE(line, 0);
    termios raw{};
    ::tcgetattr(line, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(line, TCSANOW, &raw);

    const std::set<std::string> before = Threads();
    auto device = std::make_unique<Ticker>();
    auto peer = std::make_unique<sim::LinePeer>(master, std::move(device));
    std::string tid;
    for (const std::string& t : Threads())
        if (!before.count(t)) tid = t;
    ASSERT_FALSE(tid.empty());

    // Quiet, with nothing due: the thread sleeps (it used to look every 5 ms).
    const long quiet_start = Sleeps(tid);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LE(Sleeps(tid) - quiet_start, 3) << "wakeups of a quiet line peer in 300 ms";

    ASSERT_EQ(::write(line, "go", 2), 2);
    std::string got;
    EXPECT_TRUE(ReadUntil(line, "ok\n", got));
    EXPECT_TRUE(ReadUntil(line, "tick\ntick\ntick\n", got)) << got;

    peer.reset();  // ends its thread while it waits with nothing due
    ::close(line);
    ::close(master);
}

}  // namespace
