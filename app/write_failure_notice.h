#pragma once
// Says, once in the status line and once in the history, that a file the
// program keeps for itself (the registry, the history log) could not be
// written; a later successful write of the same file lets the next failure
// be said again.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CWriteFailureNotice {
  public:
    enum Kind { kRegistry, kHistory, kKindCount };
    // The status line: called on the user-interface thread with the text.
    using StatusLine = std::function<void(const std::u16string&)>;

    CWriteFailureNotice(uint32_t historyBit, StatusLine statusLine);

    // The user-interface thread that shows the status line; 0 until known.
    void SetUiThread(uint32_t threadId) { ui_thread_.store(threadId); }
    // Any thread.
    void Written(Kind kind, bool ok);

    static uint32_t TextId(Kind kind);

  private:
    void Say(Kind kind);

    const uint32_t history_bit_;
    // Set once; queued calls hold it weakly, so that one that runs after
    // the notice ended does nothing (both happen on the UI thread).
    const std::shared_ptr<const StatusLine> status_line_;
    std::atomic<uint32_t> ui_thread_{0};
    std::array<std::atomic<bool>, kKindCount> said_{};
};
