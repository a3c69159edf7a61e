#pragma once
// The records worker threads and screens post to the frame window with
// WM_COMMAND: a command record (kCmdCommandRecord), which the current screen
// receives and deletes, and a buffer pair of six texts (kCmdBufferPair),
// which the screen hands to its draw panel and the view then frees and
// deletes. With no current screen the view deletes either. They travel only
// through PostCommandObject and TakeCommandObject (core/app_commands.h).
#include <array>
#include <cstdint>
#include <memory>

#include "core/text.h"

class CCommandRecord {
  public:
    // The form the widgets and screens use: value 0.
    CCommandRecord(int32_t group, int32_t sub, int32_t count, int32_t a1, int32_t a2, int32_t a3,
                   int32_t a4);
    // The form the measurements use: a 64-bit value, an index and a flag.
    CCommandRecord(int32_t group, int32_t sub, int32_t count, uint64_t value, int32_t index,
                   uint8_t flag);
    virtual ~CCommandRecord();
    CCommandRecord(const CCommandRecord&) = delete;
    CCommandRecord& operator=(const CCommandRecord&) = delete;

    int32_t group = 0;
    int32_t sub = 0;
    int32_t count = 0;
    uint64_t value = 0;
    std::array<int32_t, 4> args{};
    std::array<uint32_t, 8> words{};
    uint8_t flag = 1;
    uint32_t extra = 0;
    // Owned; null until the sender fills it.
    std::unique_ptr<core::Text> text;
};

// Six owned texts: 0 and 1 for the two boxes of the draw panel's first row,
// 2 and 3 for those of its second row, 4 the second row's plain text and 5
// the third row's.
class CBufferPair {
  public:
    static constexpr int kTextCount = 6;
    CBufferPair() = default;
    virtual ~CBufferPair() { Free(); }
    CBufferPair(const CBufferPair&) = delete;
    CBufferPair& operator=(const CBufferPair&) = delete;

    // Deletes each text that is present.
    void Free();
    // Text i (0..5), or null.
    const core::Text* Get(int i) const;
    void Set(int i, core::Text text);

  private:
    std::array<std::unique_ptr<core::Text>, kTextCount> texts_;
};
