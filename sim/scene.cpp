#include "sim/scene.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>
#include <type_traits>

namespace sim {

namespace {

using nlohmann::json;

// The physical range of a number in the scene file.
struct Range {
    double lo = -std::numeric_limits<double>::max();
    double hi = std::numeric_limits<double>::max();
    bool lo_open = false;  // lo itself is outside
    const char* what = nullptr;
};

constexpr double kMaxFrequencyHz = 10e9;
constexpr Range kFrequency{0, kMaxFrequencyHz, false, "a frequency from 0 to 10 GHz"};
constexpr Range kFraction{0, 1, false, "from 0 to 1"};
constexpr Range kVelocityFactor{0, 1, true, "above 0 and at most 1"};
constexpr Range kLevel{-300, 100, false, "a level from -300 to +100 dBm"};
constexpr Range kAudioTone{0, 10e3, true, "a tone above 0 and at most 10 kHz"};
constexpr Range kNoiseFigure{0, 60, false, "a noise figure from 0 to 60 dB"};
constexpr Range kReturnLoss{0, 200, false, "a return loss from 0 to 200 dB"};
constexpr Range kSweepTime{0, 3.6e6, false, "a time from 0 to 3,600,000 ms"};
constexpr Range kDistance{0, 10e3, false, "a distance from 0 to 10,000 m"};
constexpr Range kGain{-100, 100, false, "a gain from -100 to +100 dB"};
// 300 dB stands for an ideal reflectometer.
constexpr Range kMatch{0, 300, false, "from 0 to 300 dB"};
constexpr Range kVoltage{0, 100, false, "a voltage from 0 to 100 V"};
constexpr Range kCurrent{0, 100, false, "a current from 0 to 100 A"};

// Every struct of the scene lists its fields once, for reading and writing:
// fields(visitor, value) calls visitor(key, member[, range]) for each.
template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Signal>
void fields(V& v, S& s) {
    v("frequency_hz", s.frequency_hz, kFrequency);
    v("level_dbm", s.level_dbm, kLevel);
    v("bandwidth_hz", s.bandwidth_hz, kFrequency);
    v("modulation", s.modulation);
    v("tone_hz", s.tone_hz, kAudioTone);
    v("am_depth", s.am_depth, kFraction);
    v("fm_deviation_hz", s.fm_deviation_hz, Range{0, 1e6, false, "from 0 to 1 MHz"});
    v("off_after_s", s.off_after_s, Range{0, 1e6, false, "from 0 (never) to 1,000,000 s"});
    v("off_event", s.off_event);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Burst>
void fields(V& v, S& s) {
    v("period_ms", s.period_ms, Range{0, 3.6e6, true, "a time above 0 and at most 3,600,000 ms"});
    v("on_ms", s.on_ms, kSweepTime);
    v("level_dbm", s.level_dbm, kLevel);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Receiver>
void fields(V& v, S& s) {
    v("noise_figure_db", s.noise_figure_db, kNoiseFigure);
    v("preamp_noise_figure_db", s.preamp_noise_figure_db, kNoiseFigure);
    v("sweep_factor", s.sweep_factor, Range{0, 1000, true, "above 0 and at most 1000"});
    v("min_sweep_ms", s.min_sweep_ms, kSweepTime);
    v("max_sweep_ms", s.max_sweep_ms, kSweepTime);
    v("noise_variation", s.noise_variation);
    v("seed", s.seed);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Fault>
void fields(V& v, S& s) {
    v("distance_m", s.distance_m, kDistance);
    v("return_loss_db", s.return_loss_db, kReturnLoss);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, CurvePoint>
void fields(V& v, S& s) {
    v("frequency_hz", s.frequency_hz, kFrequency);
    v("return_loss_db", s.return_loss_db, kReturnLoss);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Cable>
void fields(V& v, S& s) {
    v("length_m", s.length_m, kDistance);
    v("velocity_factor", s.velocity_factor, kVelocityFactor);
    v("loss_db_per_m", s.loss_db_per_m, Range{0, 10, false, "a loss from 0 to 10 dB/m"});
    v("impedance_ohm", s.impedance_ohm, Range{1, 1000, false, "an impedance from 1 to 1000 ohm"});
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, DeviceUnderTest>
void fields(V& v, S& s) {
    v("cable", s.cable);
    v("faults", s.faults);
    v("termination", s.termination);
    v("antenna", s.antenna);
    v("load_return_loss_db", s.load_return_loss_db, kReturnLoss);
    v("gain_db", s.gain_db, kGain);
    v("bias_current_a", s.bias_current_a, Range{0, 10, false, "a current from 0 to 10 A"});
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Standards>
void fields(V& v, S& s) {
    v("open_return_loss_db", s.open_return_loss_db, kReturnLoss);
    v("short_return_loss_db", s.short_return_loss_db, kReturnLoss);
    v("load_return_loss_db", s.load_return_loss_db, kReturnLoss);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, ErrorTerms>
void fields(V& v, S& s) {
    v("directivity_db", s.directivity_db, kMatch);
    v("source_match_db", s.source_match_db, kMatch);
    v("reflection_tracking_db", s.reflection_tracking_db, kGain);
    v("tracking_delay_ns", s.tracking_delay_ns,
      Range{-1000, 1000, false, "a delay from -1000 to +1000 ns"});
    v("transmission_tracking_db", s.transmission_tracking_db, kGain);
    v("isolation_db", s.isolation_db, kReturnLoss);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Unanswered>
void fields(V& v, S& s) {
    v("message", s.message, Range{0, 65535, false, "a message id from 0 to 65535"});
    v("replies", s.replies, Range{0, 1e6, false, "a count from 0 to 1,000,000"});
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, BoardIdentity>
void fields(V& v, S& s) {
    v("option_bit", s.option_bit);
    v("version", s.version);
    v("dsp_date", s.dsp_date);
    v("fpga_date", s.fpga_date);
    v("serial", s.serial);
    v("command_log", s.command_log);
    v("temperature_c", s.temperature_c, Range{-273.15, 1000, false, "a temperature in °C"});
    v("temperature_limit_c", s.temperature_limit_c,
      Range{-273.15, 1000, false, "a temperature in °C"});
    v("supply_v", s.supply_v, kVoltage);
    v("light", s.light, Range{0, 1023, false, "a reading from 0 to 1023"});
    v("unanswered", s.unanswered);
    v("dtf_sweep_ms", s.dtf_sweep_ms, Range{0, 3.6e6, false, "a time from 0 to 3,600,000 ms"});
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Battery>
void fields(V& v, S& s) {
    v("charge_percent", s.charge_percent, Range{0, 100, false, "a charge from 0 to 100 %"});
    v("charge_rate_percent_per_min", s.charge_rate_percent_per_min,
      Range{-100, 100, false, "a rate from -100 to +100 % a minute"});
    v("external_power", s.external_power);
    v("voltage_v", s.voltage_v, kVoltage);
    v("current_a", s.current_a, kCurrent);
    v("capacity_ah", s.capacity_ah, Range{0, 1000, true, "a capacity above 0 and at most 1000 Ah"});
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, SensorSignal>
void fields(V& v, S& s) {
    v("frequency_hz", s.frequency_hz, kFrequency);
    v("level_dbm", s.level_dbm, kLevel);
    v("return_loss_db", s.return_loss_db, kReturnLoss);
    v("crest_db", s.crest_db, Range{0, 100, false, "a crest factor from 0 to 100 dB"});
    v("ignores_zero", s.ignores_zero);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Peripherals>
void fields(V& v, S& s) {
    v("com1", s.com1);
    v("usb", s.usb);
    v("gps_log", s.gps_log);
    v("sensor", s.sensor);
}

template <typename V, typename S>
requires std::is_same_v<std::remove_const_t<S>, Scene>
void fields(V& v, S& s) {
    v("signals", s.signals);
    v("receiver", s.receiver);
    v("burst", s.burst);
    v("dut", s.dut);
    v("standards", s.standards);
    v("error_terms", s.terms);
    v("board", s.board);
    v("battery", s.battery);
    v("peripherals", s.peripherals);
    v("time_scale", s.time_scale, Range{0, 1000, false, "a scale from 0 to 1000"});
}

template <typename E>
struct Names {
    E value;
    const char* name;
};
constexpr Names<Termination> kTerminations[] = {
    {Termination::Antenna, "antenna"},
    {Termination::Open, "open"},
    {Termination::Short, "short"},
    {Termination::Load, "load"},
};
constexpr Names<Modulation> kModulations[] = {
    {Modulation::None, "none"},
    {Modulation::Am, "am"},
    {Modulation::Fm, "fm"},
};

template <typename E>
std::span<const Names<E>> names_of();
template <>
std::span<const Names<Termination>> names_of() {
    return kTerminations;
}
template <>
std::span<const Names<Modulation>> names_of() {
    return kModulations;
}

template <typename T>
concept Enum = std::is_enum_v<T>;

// Writes a struct's fields into a JSON object.
struct Writer {
    json& j;

    template <typename T>
    void operator()(const char* key, const T& value, Range = {}) {
        j[key] = to_json(value);
    }

    static json to_json(double v) { return v; }
    static json to_json(bool v) { return v; }
    static json to_json(std::uint32_t v) { return v; }
    static json to_json(const std::string& v) { return v; }
    static json to_json(const std::array<std::uint16_t, 4>& v) { return v; }
    template <Enum E>
    static json to_json(E v) {
        for (const auto& n : names_of<E>())
            if (n.value == v) return n.name;
        return nullptr;
    }
    template <typename T>
    static json to_json(const std::vector<T>& items) {
        json a = json::array();
        for (const T& item : items) a.push_back(to_json(item));
        return a;
    }
    template <typename S>
    requires std::is_class_v<S>
    static json to_json(const S& s) {
        json o = json::object();
        Writer w{o};
        fields(w, s);
        return o;
    }
};

std::size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

const char* type_name(const json& j) {
    return j.type_name();
}

// Reads a struct's fields from a JSON object at `path`, noting each problem
// with its path; a field with a problem keeps its default.
class Reader {
  public:
    Reader(const json& j, std::string path, std::vector<std::string>& problems)
        : j_(j), path_(std::move(path)), problems_(problems) {}

    template <typename T>
    void operator()(const char* key, T& value, Range range = {}) {
        known_.push_back(key);
        const auto it = j_.find(key);
        if (it == j_.end()) return;
        read(*it, at(key), value, range);
    }

    // Each key of the object that no field took.
    void report_unknown_keys() {
        for (const auto& [key, unused] : j_.items()) {
            if (std::find(known_.begin(), known_.end(), key) != known_.end()) continue;
            std::string msg = "unknown key \"" + key + "\"";
            const std::string* best = nullptr;
            std::size_t best_distance = 3;  // a typo is at most two edits away
            for (const std::string& k : known_) {
                const std::size_t d = edit_distance(key, k);
                if (d < best_distance) best_distance = d, best = &k;
            }
            if (best) msg += " (did you mean \"" + *best + "\"?)";
            note(path_, msg);
        }
    }

    template <typename S>
    static void read_object(const json& j, const std::string& path, S& s,
                            std::vector<std::string>& problems) {
        if (!j.is_object()) {
            problems.push_back((path.empty() ? std::string("the scene") : path) +
                               ": an object {...} is needed, not " + type_name(j));
            return;
        }
        Reader r(j, path, problems);
        fields(r, s);
        r.report_unknown_keys();
    }

  private:
    std::string at(const std::string& key) const { return path_.empty() ? key : path_ + "." + key; }
    void note(const std::string& where, const std::string& what) {
        problems_.push_back((where.empty() ? std::string("the scene") : where) + ": " + what);
    }
    void wrong_type(const json& j, const std::string& where, const char* needed) {
        note(where, std::string(needed) + " is needed, not " + type_name(j));
    }

    void read(const json& j, const std::string& where, double& out, Range r) {
        if (!j.is_number()) return wrong_type(j, where, "a number");
        const double v = j.get<double>();
        if (!std::isfinite(v) || v < r.lo || (r.lo_open && v == r.lo) || v > r.hi) {
            std::ostringstream msg;
            msg << v << " is out of range (" << (r.what ? r.what : "a finite number") << ")";
            return note(where, msg.str());
        }
        out = v;
    }
    void read(const json& j, const std::string& where, bool& out, Range) {
        if (!j.is_boolean()) return wrong_type(j, where, "true or false");
        out = j.get<bool>();
    }
    template <std::unsigned_integral T>
    bool whole_number(const json& j, const std::string& where, T& out) {
        if (!j.is_number()) return wrong_type(j, where, "a whole number"), false;
        const bool whole = j.is_number_integer() || std::trunc(j.get<double>()) == j.get<double>();
        const double v = j.get<double>();
        const bool in_range =
            j.is_number_unsigned()
                ? j.get<std::uint64_t>() <= std::numeric_limits<T>::max()
                : v >= 0 && v <= static_cast<double>(std::numeric_limits<T>::max());
        if (!whole || !in_range) {
            std::ostringstream msg;
            msg << j.dump() << " is out of range (a whole number from 0 to "
                << static_cast<std::uint64_t>(std::numeric_limits<T>::max()) << ")";
            note(where, msg.str());
            return false;
        }
        out = static_cast<T>(j.is_number_unsigned() ? j.get<std::uint64_t>() : v);
        return true;
    }
    void read(const json& j, const std::string& where, std::uint32_t& out, Range r) {
        std::uint32_t v = out;
        if (!whole_number(j, where, v)) return;
        if (r.what && (v < r.lo || v > r.hi)) {
            std::ostringstream msg;
            msg << v << " is out of range (" << r.what << ")";
            return note(where, msg.str());
        }
        out = v;
    }
    void read(const json& j, const std::string& where, std::string& out, Range) {
        if (!j.is_string()) return wrong_type(j, where, "a text \"...\"");
        out = j.get<std::string>();
    }
    void read(const json& j, const std::string& where, std::array<std::uint16_t, 4>& out, Range) {
        if (!j.is_array() || j.size() != out.size())
            return wrong_type(j, where, "an array of four whole numbers");
        std::array<std::uint16_t, 4> v = out;
        bool ok = true;
        for (std::size_t i = 0; i < v.size(); ++i)
            ok = whole_number(j[i], where + "[" + std::to_string(i) + "]", v[i]) && ok;
        if (ok) out = v;
    }
    template <Enum E>
    void read(const json& j, const std::string& where, E& out, Range) {
        std::string choices;
        for (const auto& n : names_of<E>()) {
            choices += (choices.empty() ? "\"" : ", \"") + std::string(n.name) + "\"";
            if (j.is_string() && j.get<std::string>() == n.name) {
                out = n.value;
                return;
            }
        }
        note(where, j.dump() + " is not one of " + choices);
    }
    template <typename T>
    void read(const json& j, const std::string& where, std::vector<T>& out, Range) {
        if (!j.is_array()) return wrong_type(j, where, "an array [...]");
        const std::size_t before = problems_.size();
        std::vector<T> items(j.size());
        for (std::size_t i = 0; i < j.size(); ++i)
            read_object(j[i], where + "[" + std::to_string(i) + "]", items[i], problems_);
        if (problems_.size() == before) out = std::move(items);
    }
    template <typename S>
    requires std::is_class_v<S>
    void read(const json& j, const std::string& where, S& out, Range) {
        read_object(j, where, out, problems_);
    }

    const json& j_;
    std::string path_;
    std::vector<std::string>& problems_;
    std::vector<std::string> known_;
};

bool is_usb_device(const std::string& name) {
    for (const char* known : {"none", "K630", "K640", "K650", "K660", "K670"})
        if (name == known) return true;
    return false;
}

bool is_com1_device(const std::string& name) {
    for (const char* known : {"gps", "K610", "K610M", "K615"})
        if (name == known) return true;
    return is_usb_device(name);
}

// What the fields' own ranges cannot say: how fields relate, and which
// devices exist.
void check_relations(const Scene& s, std::vector<std::string>& problems) {
    if (!is_com1_device(s.peripherals.com1))
        problems.push_back("peripherals.com1: \"" + s.peripherals.com1 +
                           "\" is not \"gps\", \"none\" or a sensor model (K610, K610M, K615, "
                           "K630 ... K670)");
    if (!is_usb_device(s.peripherals.usb))
        problems.push_back("peripherals.usb: \"" + s.peripherals.usb +
                           "\" is not \"none\" or a K630-family model (K630 ... K670)");
    if (s.receiver.min_sweep_ms > s.receiver.max_sweep_ms)
        problems.push_back("receiver.min_sweep_ms: the minimum sweep time is above the maximum");
    if (s.burst.on_ms > s.burst.period_ms)
        problems.push_back("burst.on_ms: the burst is on longer than its period");
}

std::size_t line_of(const std::string& text, std::size_t byte) {
    byte = std::min(byte, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + byte, '\n'));
}

// Where the JSON reader stopped: reads the text again, keeping the path of
// keys and indices down to the value being read, and holds the line and the
// path at the reader's error ("dut.faults[0].distance_m").
class ErrorPlace : public nlohmann::json_sax<json> {
  public:
    explicit ErrorPlace(const std::string& text) : text_(text) {
        (void)json::sax_parse(text, this);
    }
    std::string describe() const {
        std::string where = "line " + std::to_string(line_);
        return path_.empty() ? where : where + ", " + path_;
    }

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override { return open(false); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& k) override {
        if (!levels_.empty()) levels_.back().name = k;
        return true;
    }
    bool parse_error(std::size_t byte, const std::string&,
                     const nlohmann::detail::exception&) override {
        line_ = line_of(text_, byte > 0 ? byte - 1 : 0);
        for (const Level& l : levels_) {
            if (l.array)
                path_ += "[" + std::to_string(l.index) + "]";
            else if (!l.name.empty())
                path_ += (path_.empty() ? "" : ".") + l.name;
        }
        return false;
    }

  private:
    struct Level {
        bool array = false;
        std::size_t index = 0;
        std::string name;
    };
    bool value() {
        if (!levels_.empty() && levels_.back().array) ++levels_.back().index;
        return true;
    }
    bool open(bool array) {
        levels_.push_back({array, 0, {}});
        return true;
    }
    bool close() {
        if (!levels_.empty()) levels_.pop_back();
        return value();
    }

    const std::string& text_;
    std::vector<Level> levels_;
    std::size_t line_ = 1;
    std::string path_;
};

std::string joined(const std::vector<std::string>& problems) {
    std::string out;
    for (const std::string& p : problems) out += (out.empty() ? "" : "; ") + p;
    return out;
}

}  // namespace

Scene default_scene() {
    return Scene{};
}

SceneLoad parse_scene(const std::string& json_text) {
    SceneLoad out;
    try {
        const json j = json::parse(json_text);
        Scene s;
        Reader::read_object(j, "", s, out.problems);
        // The relations and device names are checked whatever else is wrong,
        // so that one run names every mistake of the file.
        check_relations(s, out.problems);
        if (out.problems.empty()) {
            // Points that share a frequency keep their order: a step in the curve.
            std::stable_sort(s.dut.antenna.begin(), s.dut.antenna.end(),
                             [](const CurvePoint& a, const CurvePoint& b) {
                                 return a.frequency_hz < b.frequency_hz;
                             });
            out.scene = std::move(s);
        }
    } catch (const json::exception& e) {
        // Every error of the JSON reader (a syntax error, a number beyond a
        // double) is reported with its place; the world stays the default.
        out.problems.push_back(ErrorPlace(json_text).describe() + ": " + e.what());
    }
    out.error = joined(out.problems);
    return out;
}

std::string scene_json(const Scene& s) {
    return Writer::to_json(s).dump(2) + "\n";
}

SceneLoad load_scene(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return SceneLoad{default_scene(), {}, {}};
    std::ostringstream text;
    text << in.rdbuf();
    SceneLoad out = parse_scene(text.str());
    if (out.problems.empty()) return out;
    out.error = file.string() + ": " + out.error;
    for (std::string& p : out.problems) p = file.string() + ": " + p;
    return out;
}

std::filesystem::path scene_path(const std::filesystem::path& device_root) {
    return device_root / "scene.json";
}

}  // namespace sim
