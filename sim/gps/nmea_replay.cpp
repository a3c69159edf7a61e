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

// The time of day a sentence carries (GGA, RMC, GLL, ZDA), or -1.
double SentenceTime(const std::string& s) {
    std::vector<std::string> f;
    std::stringstream in(s);
    for (std::string field; std::getline(in, field, ',');) f.push_back(field);
    if (f.empty() || f[0].size() < 6) return -1;
    const std::string type = f[0].substr(3, 3);
    size_t index = 0;
    if (type == "GGA" || type == "RMC" || type == "ZDA") index = 1;
    if (type == "GLL") index = 5;
    if (!index || index >= f.size() || f[index].size() < 6) return -1;
    const std::string& t = f[index];
    auto number = [](std::string_view part) {
        const std::optional<plat::NumberPrefix> n = plat::parse_number_prefix(part);
        return n ? n->value : 0.0;
    };
    const std::string_view time(t);
    return number(time.substr(0, 2)) * 3600 + number(time.substr(2, 2)) * 60 +
           number(time.substr(4));
}

}  // namespace

std::vector<NmeaReplay::Epoch> NmeaReplay::SplitEpochs(const std::string& text) {
    std::vector<Epoch> epochs;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const double t = SentenceTime(line);
        if (epochs.empty() || (t >= 0 && epochs.back().time_of_day >= 0 &&
                               std::fabs(t - epochs.back().time_of_day) > 1e-6))
            epochs.push_back({t, {}});
        if (epochs.back().time_of_day < 0) epochs.back().time_of_day = t;
        epochs.back().bytes += line + "\r\n";
    }
    return epochs;
}

NmeaReplay::NmeaReplay(const std::string& log_text, double time_scale)
    : epochs_(SplitEpochs(log_text)), time_scale_(time_scale) {}

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
    if (e.time_of_day < 0 || following.time_of_day < 0 || gap > kMaxGapS || next_ == 0)
        gap = kDefaultGapS;
    due_ms_ += static_cast<uint64_t>(gap * 1000 * time_scale_);
    if (due_ms_ < now_ms && time_scale_ > 0) due_ms_ = now_ms;
    return e.bytes;
}

}  // namespace sim
