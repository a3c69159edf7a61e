#include "instrument/status_text_line.h"

#include "core/res_string.h"

namespace {
constexpr char16_t kSeparator = u'\\';
constexpr char16_t kEllipsis[] = u"...";
}  // namespace

int CStatusTextLine::CountFitting(int extra, int limit) const {
    int used = extra, fitting = 0;
    for (int i = count_ - 1; i >= 0; --i) {
        used += lengths_[static_cast<size_t>(i)] + 1;
        if (used > limit) break;
        ++fitting;
    }
    return fitting;
}

int CStatusTextLine::GetLength() const {
    int total = 0;
    for (int i = 0; i < count_; ++i) total += lengths_[static_cast<size_t>(i)] + 1;
    return total;
}

core::Text CStatusTextLine::Compose(int limit) const {
    if (limit == 0) limit = kDefaultLimit;
    core::Text line = LoadResString(kPrefixText) + LoadResString(owner_id_);
    int first = 0;
    if (static_cast<int>(line.size()) + GetLength() > limit) {
        line += kEllipsis;
        first = count_ - CountFitting(static_cast<int>(line.size()), limit);
    }
    for (int i = first; i < count_; ++i) {
        line += kSeparator;
        line += LoadResString(ids_[static_cast<size_t>(i)]);
    }
    return line;
}

void CStatusTextLine::Pop() {
    if (count_ > 0) --count_;
}

void CStatusTextLine::Push(uint32_t id) {
    if (count_ >= kMaxIds) return;
    ids_[static_cast<size_t>(count_)] = id;
    lengths_[static_cast<size_t>(count_)] = static_cast<int>(LoadResString(id).size());
    ++count_;
}
