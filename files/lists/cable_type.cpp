#include "files/lists/cable_type.h"

#include <cstdio>

#include "platform/text/number_text.h"
#include "platform/text/utf.h"

namespace {

core::Text FormatLoss(float value) {
    return plat::from_utf8(plat::format_number("%06.4f", static_cast<double>(value)));
}

}  // namespace

CCableType::CCableType(int32_t id, core::Text name, float vp, float loss_per_foot,
                       float loss_per_metre, bool has_table)
    : loss_per_metre_(loss_per_metre),
      loss_per_foot_(loss_per_foot),
      vp_(vp),
      name_(std::move(name)),
      id_(id),
      has_table_(has_table) {}

CCableType::CCableType(int32_t id, core::Text name, float vp, const Losses& losses, bool has_table)
    : vp_(vp), name_(std::move(name)), losses_(losses), id_(id), has_table_(has_table) {}

CCableType::~CCableType() {
    std::unique_ptr<CCableType> next = std::move(next_);
    while (next) next = std::move(next->next_);
}

CCableType* CCableType::FindById(int32_t id) {
    for (CCableType* c = this; c; c = c->next_.get())
        if (c->id_ == id) return c;
    return nullptr;
}

CCableType* CCableType::FindByName(std::u16string_view name) {
    for (CCableType* c = this; c; c = c->next_.get())
        if (c->name_ == name) return c;
    return nullptr;
}

uint32_t CCableType::CountCustom() const {
    uint32_t n = 0;
    for (const CCableType* c = this; c; c = c->next_.get()) n += c->has_table_ ? 0 : 1;
    return n;
}

CCableType* CCableType::FindFirstSelected() {
    for (CCableType* c = this; c; c = c->next_.get())
        if (c->selected_) return c;
    return nullptr;
}

CCableType* CCableType::FindNextSelected() {
    return next_ ? next_->FindFirstSelected() : nullptr;
}

bool CCableType::AnySelected() const {
    for (const CCableType* c = this; c; c = c->next_.get())
        if (c->selected_) return true;
    return false;
}

uint32_t CCableType::GetCount() const {
    uint32_t n = 0;
    for (const CCableType* c = this; c; c = c->next_.get()) ++n;
    return n;
}

uint32_t CCableType::Append(std::unique_ptr<CCableType> entry) {
    uint32_t before = count_;
    if (!entry) return before;
    CCableType* last = this;
    while (last->next_) last = last->next_.get();
    last->next_ = std::move(entry);
    ++count_;
    return before;
}

void CCableType::Remove(CCableType* entry) {
    for (CCableType* c = this; c->next_; c = c->next_.get()) {
        if (c->next_.get() != entry) continue;
        std::unique_ptr<CCableType> gone = std::move(c->next_);
        c->next_ = std::move(gone->next_);
        return;
    }
}

float CCableType::GetColumnLoss(int index) const {
    return index >= 0 && index < kColumns ? losses_[index] : 0.0f;
}

float CCableType::GetLossAt(int64_t hertz) const {
    if (hertz <= kColumnHertz.front()) return losses_.front();
    if (hertz >= kColumnHertz.back()) return losses_.back();
    int hi = 1;
    while (kColumnHertz[hi] < hertz) ++hi;
    int lo = hi - 1;
    float fraction = static_cast<float>(hertz - kColumnHertz[lo]) /
                     static_cast<float>(kColumnHertz[hi] - kColumnHertz[lo]);
    return (losses_[hi] - losses_[lo]) * fraction + losses_[lo];
}

core::Text CCableType::GetNameById(int32_t id) {
    CCableType* c = FindById(id);
    return c ? c->name_ : core::Text();
}

core::Text CCableType::FormatLossPerMetre() const {
    return FormatLoss(loss_per_metre_);
}
core::Text CCableType::FormatLossPerFoot() const {
    return FormatLoss(loss_per_foot_);
}
core::Text CCableType::FormatVp() const {
    return FormatLoss(vp_);
}

core::Text CCableType::FormatLossPerMetreById(int32_t id) {
    CCableType* c = FindById(id);
    return c ? c->FormatLossPerMetre() : core::Text();
}
core::Text CCableType::FormatLossPerFootById(int32_t id) {
    CCableType* c = FindById(id);
    return c ? c->FormatLossPerFoot() : core::Text();
}
core::Text CCableType::FormatVpById(int32_t id) {
    CCableType* c = FindById(id);
    return c ? c->FormatVp() : core::Text();
}
