// The signal watcher in a child process of its own (the signals it blocks
// and takes are process-wide).
#include "platform/display/signal_watcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/kernel/sync.h"

namespace plat {
namespace {

// Each signal reaches the handler once; the watcher then ends at once.
void WatchTwoSignalsAndExit() {
    Event got(false, false);
    int calls = 0;
    {
        SignalWatcher watcher([&] {
            ++calls;
            got.set();
        });
        for (int sig : {SIGTERM, SIGINT}) {
            ::kill(::getpid(), sig);
            got.wait();
        }
    }
    std::_Exit(calls == 2 ? 0 : 1);
}

TEST(SignalWatcher, TurnsInterruptAndTerminationIntoCallsAndStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(WatchTwoSignalsAndExit(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace plat
