#include "core/posted_records.h"

#include "platform/window/message_loop.h"
#include "platform/window/messages.h"

CCommandRecord::CCommandRecord(int32_t g, int32_t s, int32_t c, int32_t a1, int32_t a2, int32_t a3,
                               int32_t a4)
    : group(g), sub(s), count(c), args{a1, a2, a3, a4} {}

CCommandRecord::CCommandRecord(int32_t g, int32_t s, int32_t c, uint64_t v, int32_t index,
                               uint8_t f)
    : group(g), sub(s), count(c), value(v), args{index, 0, 0, 0}, flag(f) {}

CCommandRecord::~CCommandRecord() = default;

void CBufferPair::Free() {
    for (auto& t : texts_) t.reset();
}

const core::Text* CBufferPair::Get(int i) const {
    if (i < 0 || i >= kTextCount) return nullptr;
    return texts_[static_cast<size_t>(i)].get();
}

void CBufferPair::Set(int i, core::Text text) {
    if (i < 0 || i >= kTextCount) return;
    texts_[static_cast<size_t>(i)] = std::make_unique<core::Text>(std::move(text));
}

namespace {

template <typename T>
bool post_owned(plat::Window* frame, uint32_t id, std::unique_ptr<T> object) {
    if (!object) return false;
    T* raw = object.get();
    if (!plat::post_message(frame, plat::WM_COMMAND, id, reinterpret_cast<intptr_t>(raw)))
        return false;  // `object` still owns it and deletes it here
    object.release();
    return true;
}

}  // namespace

bool PostCommandRecord(plat::Window* frame, std::unique_ptr<CCommandRecord> record) {
    if (!frame) return false;
    return post_owned(frame, kCmdCommandRecordId, std::move(record));
}

bool PostBufferPair(plat::Window* frame, std::unique_ptr<CBufferPair> pair) {
    if (!frame) return false;
    return post_owned(frame, kCmdBufferPairId, std::move(pair));
}

std::unique_ptr<CCommandRecord> TakeCommandRecord(intptr_t lparam) {
    return std::unique_ptr<CCommandRecord>(reinterpret_cast<CCommandRecord*>(lparam));
}

std::unique_ptr<CBufferPair> TakeBufferPair(intptr_t lparam) {
    return std::unique_ptr<CBufferPair>(reinterpret_cast<CBufferPair*>(lparam));
}
