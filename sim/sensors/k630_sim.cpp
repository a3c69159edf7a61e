#include "sim/sensors/k630_sim.h"

#include <cctype>
#include <cstdio>

#include "instrument/sensors/sensor_protocol.h"
#include "platform/text/number_text.h"

namespace sp = sensor_protocol;

namespace sim {

namespace {
constexpr uint32_t kSourceWord = 64001;
constexpr double kCcdfPercent = 1.0;
constexpr double kDutyPercent = 100.0;
// The G command's fields: kind, full scale, CCDF limit, second digit, filter.
constexpr size_t kGFilterField = 5;

// The field'th comma-separated field of a command ("" when it has fewer).
std::string_view Field(std::string_view text, size_t field) {
    for (size_t i = 0; i < field; ++i) {
        const size_t comma = text.find(',');
        if (comma == std::string_view::npos) return {};
        text.remove_prefix(comma + 1);
    }
    return text.substr(0, text.find_first_of(", \r"));
}
}  // namespace

K630Sim::K630Sim(const std::string& model, bool serial, const SensorSignalState& signal)
    : model_(model), serial_(serial), physics_(signal, sensor_spec(model), 630) {}

std::string K630Sim::OnBytes(std::string_view in, uint64_t now_ms) {
    std::string out;
    for (char c : in) {
        if (in_g_) {
            pending_ += c;
            // "G,<digit>,...\r" is ours; "G,F" and "G,N" stop a K610.
            if (pending_.size() == 3 && !std::isdigit(static_cast<unsigned char>(c))) {
                in_g_ = false;
                continue;
            }
            if (c != '\r') continue;
            in_g_ = false;
            if (auto n = plat::parse_number_prefix(std::string(Field(pending_, kGFilterField))))
                filter_ = n->value;
            out += Reply("G," + plat::format_number("%1.5e", double(kSourceWord)) + ",ACK");
            continue;
        }
        switch (c) {
            case sp::kWake:
                out += Reply(model_);
                break;
            case 'F':
                if (serial_ && !announced_) {
                    announced_ = true;
                    out += Reply(sp::kSerialAnnounce);
                } else {
                    out += Reply("F," + model_ + ",ACK");
                }
                break;
            case 'G':
                in_g_ = true;
                pending_.clear();
                pending_.push_back(c);
                break;
            case 'D':
                running_ = true;
                next_ms_ = now_ms;
                break;
            case 'U':
                running_ = false;
                break;
            case 'Z':
                if (physics_.ignores_zero()) break;
                physics_.zero();
                out += Reply("Z,ACK");
                break;
            default:
                break;  // line ends and bytes of other models' commands
        }
    }
    return out;
}

std::string K630Sim::Reading(uint64_t now_ms) {
    const double w = physics_.measure(now_ms);
    // Value 8 is the linear peak-to-average ratio; value 6 the filter of the
    // last G.
    const double crest = physics_.crest_ratio();
    const double values[sp::key::kCount] = {w,
                                            physics_.temperature_c(),
                                            w,
                                            w * physics_.reflected_share(),
                                            w * crest,
                                            filter_,
                                            kCcdfPercent,
                                            crest,
                                            kDutyPercent};
    std::string text = "D";
    for (double v : values) text += "," + plat::format_number("%1.5e", v);
    return Reply(text + ",ACK");
}

std::string K630Sim::OnTime(uint64_t now_ms) {
    if (!running_ || now_ms < next_ms_) return {};
    next_ms_ = now_ms + sp::kReadingPeriodMs;
    return Reading(now_ms);
}

}  // namespace sim
