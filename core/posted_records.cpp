#include "core/posted_records.h"

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
