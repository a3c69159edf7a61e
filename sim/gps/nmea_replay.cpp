#include "sim/gps/nmea_replay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string_view>

#include "platform/text/number_text.h"

namespace sim {

namespace {

constexpr double kSecondsPerDay = 86400;
constexpr double kMaxGapS = 2.0;  // a jump in the log (another recording) waits 1 s
constexpr double kDefaultGapS = 1.0;
constexpr uint64_t kFastestGapMs = 5;  // time_scale 0: as fast as that

// The sentences that carry the time of day, once each in a receiver's
// cycle, and the field that holds it.
size_t TimeField(std::string_view type) {
    if (type == "GGA" || type == "RMC" || type == "ZDA") return 1;
    if (type == "GLL") return 5;
    return 0;
}

struct SentenceTime {
    std::string type;  // "GGA"; empty for a sentence that carries no time
    double time = -1;  // seconds of the day; -1 when the field is empty (no fix yet)
};

SentenceTime TimeOf(const std::string& s) {
    std::vector<std::string> f;
    std::stringstream in(s);
    for (std::string field; std::getline(in, field, ',');) f.push_back(field);
    if (f.empty() || f[0].size() < 6) return {};
    SentenceTime st{f[0].substr(3, 3)};
    const size_t index = TimeField(st.type);
    if (!index) return {};
    if (index >= f.size() || f[index].size() < 6) return st;
    auto number = [](std::string_view part) {
        const std::optional<plat::NumberPrefix> n = plat::parse_number_prefix(part);
        return n ? n->value : 0.0;
    };
    const std::string_view time(f[index]);
    st.time =
        number(time.substr(0, 2)) * 3600 + number(time.substr(2, 2)) * 60 + number(time.substr(4));
    return st;
}

// The log's cycle: the gap between its timed epochs that most of them keep
// (the median of those up to kMaxGapS), 1 s when none does.
double CyclePeriod(const std::vector<NmeaReplay::Epoch>& epochs) {
    std::vector<double> gaps;
    for (size_t i = 1; i < epochs.size(); ++i) {
        const double gap = epochs[i].time_of_day - epochs[i - 1].time_of_day;
        if (epochs[i - 1].time_of_day >= 0 && gap > 0 && gap <= kMaxGapS) gaps.push_back(gap);
    }
    if (gaps.empty()) return kDefaultGapS;
    std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
    return gaps[gaps.size() / 2];
}

}  // namespace

// A cycle ends where the next one's time begins, or, before the receiver
// knows the time, where a sentence that carries it comes a second time.
std::vector<NmeaReplay::Epoch> NmeaReplay::SplitEpochs(const std::string& text) {
    std::vector<Epoch> epochs;
    std::vector<std::string> timed_types;  // of the last epoch
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const SentenceTime st = TimeOf(line);
        const bool repeated = !st.type.empty() && std::find(timed_types.begin(), timed_types.end(),
                                                            st.type) != timed_types.end();
        if (epochs.empty() || repeated ||
            (st.time >= 0 && epochs.back().time_of_day >= 0 &&
             std::fabs(st.time - epochs.back().time_of_day) > 1e-6)) {
            epochs.push_back({st.time, {}});
            timed_types.clear();
        }
        if (!st.type.empty()) timed_types.push_back(st.type);
        if (epochs.back().time_of_day < 0) epochs.back().time_of_day = st.time;
        epochs.back().bytes += line + "\r\n";
    }
    return epochs;
}

NmeaReplay::NmeaReplay(const std::string& log_text, double time_scale)
    : epochs_(SplitEpochs(log_text)), period_s_(CyclePeriod(epochs_)), time_scale_(time_scale) {}

uint64_t NmeaReplay::NextDue(uint64_t now_ms) const {
    if (epochs_.empty()) return 0;
    if (!started_) return now_ms;
    return time_scale_ > 0 ? due_ms_ : std::max(due_ms_, now_ms + kFastestGapMs);
}

std::string NmeaReplay::OnTime(uint64_t now_ms) {
    if (epochs_.empty()) return {};
    if (!started_) {
        started_ = true;
        due_ms_ = now_ms;
    }
    if (now_ms < due_ms_) return {};
    const Epoch& e = epochs_[next_];
    next_ = (next_ + 1) % epochs_.size();
    const Epoch& following = epochs_[next_];
    double gap = following.time_of_day - e.time_of_day;
    if (gap < 0) gap += kSecondsPerDay;
    // A cycle without a time (no fix yet) keeps the log's pace.
    if (e.time_of_day < 0 || following.time_of_day < 0) gap = period_s_;
    if (gap > kMaxGapS || next_ == 0) gap = kDefaultGapS;
    due_ms_ += static_cast<uint64_t>(gap * 1000 * time_scale_);
    if (due_ms_ < now_ms && time_scale_ > 0) due_ms_ = now_ms;
    return e.bytes;
}

}  // namespace sim
