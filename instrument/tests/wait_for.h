#pragma once
// Polls a condition in real time until it holds or the time runs out.
#include <chrono>
#include <thread>

namespace instrument_test {

// True as soon as done() holds; checks once more when real_ms have passed.
template <typename F>
bool WaitFor(F done, int real_ms = 5000) {
    for (int i = 0; i < real_ms; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

}  // namespace instrument_test
