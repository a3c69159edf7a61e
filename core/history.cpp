#include "core/history.h"

#include <cstdio>

#include "platform/fs/atomic_save.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"

void CHistoryRing::Init(uint32_t mask) {
    {
        std::lock_guard lock(mutex_);
        next_ = 0;
        count_ = 0;
        mask_ = mask;
    }
    Add(1, u"init", kHistoryNoValue);
}

void CHistoryRing::Add(uint32_t bit, std::u16string_view text, uint32_t value) {
    std::lock_guard lock(mutex_);
    if ((mask_ & bit) == 0) return;
    Entry& e = entries_[next_];
    e.tick = plat::tick_count();
    e.text.assign(text.substr(0, kTextLimit));
    e.value = value;
    next_ = (next_ + 1) % kCapacity;
    if (count_ < kCapacity) ++count_;
}

size_t CHistoryRing::Count() const {
    std::lock_guard lock(mutex_);
    return count_;
}

std::string CHistoryRing::Format() const {
    plat::SystemTime now = plat::local_time();
    char line[160];
    std::string out;
    std::snprintf(line, sizeof line, "%02d/%02d %02d:%02d:%02d \n", now.month, now.day, now.hour,
                  now.minute, now.second);
    out += line;
    out += "*********** history *************\n";
    std::snprintf(line, sizeof line, "System Time Ref = %u ms\n", plat::tick_count());
    out += line;
    std::lock_guard lock(mutex_);
    size_t first = (next_ + kCapacity - count_) % kCapacity;
    for (size_t i = 0; i < count_; ++i) {
        const Entry& e = entries_[(first + i) % kCapacity];
        std::snprintf(line, sizeof line, "%u ms:", e.tick);
        out += line;
        out += core::LowBytes(e.text);
        if (e.value != kHistoryNoValue) {
            std::snprintf(line, sizeof line, ":0x%08x", e.value);
            out += line;
        }
        out += '\n';
    }
    out += "*********** end history *************\n\n";
    return out;
}

bool CHistoryRing::Dump(std::u16string_view path) const {
    if (!plat::atomic_save(path, Format())) {
        plat::debug_output("hist_printtofile() Error opening file.\n");
        return false;
    }
    return true;
}

CHistoryRing& HistoryRing() {
    static CHistoryRing ring;
    return ring;
}

void HistoryInit(uint32_t mask) {
    HistoryRing().Init(mask);
}
void HistoryAdd(uint32_t bit, std::u16string_view text, uint32_t value) {
    HistoryRing().Add(bit, text, value);
}
void HistoryAddText(uint32_t bit, std::u16string_view text) {
    HistoryRing().Add(bit, text, kHistoryNoValue);
}
bool HistoryDump() {
    return HistoryRing().Dump(u"\\FlashFX Disk\\HistoryLog.txt");
}
