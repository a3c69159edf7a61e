#include "widgets/clock_panel.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/res_string.h"
#include "platform/window/paint.h"
#include "widgets/widget_services.h"

namespace {

constexpr uint32_t kTimeId = 482;         // (h12, minute, second, day half)
constexpr uint32_t kMonthDateId = 495;    // (day, month name, year)
constexpr uint32_t kNumericDateId = 149;  // (month, day, year)
constexpr uint32_t kTimeAfterId = 188;    // (h12, minute, second, day half)
constexpr uint32_t kJanuaryId = 483;
constexpr uint32_t kBeforeNoonId = 496;
constexpr uint32_t kAfterNoonId = 497;
constexpr const char16_t* kTimePattern = u"%02d:%02d:%02d %s ";
constexpr const char16_t* kMonthDatePattern = u"%02d-%s-%02d";
constexpr const char16_t* kNumericDatePattern = u"%02d/%02d/%04d";
constexpr const char16_t* kTimeAfterPattern = u"%02d:%02d:%02d %s";
constexpr const char16_t* kBeforeNoon = u"AM";
constexpr const char16_t* kAfterNoon = u"PM";
constexpr size_t kMaxSpecLength = 16;

// One conversion of a pattern: flags, width and precision as written.
struct Conversion {
    std::string spec;  // "%-05.2" without the conversion letter
    char letter = 0;
};

// Reads the conversion at pattern[i] == '%'; advances i past it.
std::optional<Conversion> ReadConversion(const core::Text& p, size_t& i) {
    Conversion c;
    c.spec = "%";
    ++i;
    while (i < p.size() &&
           (p[i] == u'-' || p[i] == u'+' || p[i] == u' ' || p[i] == u'0' || p[i] == u'#'))
        c.spec += static_cast<char>(p[i++]);
    while (i < p.size() && p[i] >= u'0' && p[i] <= u'9') c.spec += static_cast<char>(p[i++]);
    if (i < p.size() && p[i] == u'.') {
        c.spec += static_cast<char>(p[i++]);
        while (i < p.size() && p[i] >= u'0' && p[i] <= u'9') c.spec += static_cast<char>(p[i++]);
    }
    if (i >= p.size() || c.spec.size() > kMaxSpecLength) return std::nullopt;
    const char16_t letter = p[i++];
    if (letter != u'd' && letter != u's') return std::nullopt;
    c.letter = static_cast<char>(letter);
    return c;
}

core::Text PadText(const core::Text& text, const std::string& spec) {
    // Width and precision of a %s conversion; '-' pads on the right.
    const bool left = spec.find('-') != std::string::npos;
    size_t pos = spec.find_first_of("123456789.");
    int width = 0, precision = -1;
    if (pos != std::string::npos && spec[pos] != '.') width = std::atoi(spec.c_str() + pos);
    if (size_t dot = spec.find('.'); dot != std::string::npos)
        precision = std::atoi(spec.c_str() + dot + 1);
    core::Text t = precision >= 0 ? text.substr(0, static_cast<size_t>(precision)) : text;
    if (static_cast<int>(t.size()) < width) {
        const core::Text pad(static_cast<size_t>(width) - t.size(), u' ');
        t = left ? t + pad : pad + t;
    }
    return t;
}

}  // namespace

std::optional<core::Text> CheckedFormat(const core::Text& pattern,
                                        std::initializer_list<FormatArg> args) {
    core::Text out;
    auto arg = args.begin();
    for (size_t i = 0; i < pattern.size();) {
        if (pattern[i] != u'%') {
            out += pattern[i++];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == u'%') {
            out += u'%';
            i += 2;
            continue;
        }
        const auto conv = ReadConversion(pattern, i);
        if (!conv || arg == args.end()) return std::nullopt;
        if (conv->letter == 'd') {
            const int* n = std::get_if<int>(&*arg);
            if (!n) return std::nullopt;
            char buf[64];
            std::snprintf(buf, sizeof buf, (conv->spec + "d").c_str(), *n);
            out += core::WidenBytes(buf);
        } else {
            const core::Text* t = std::get_if<core::Text>(&*arg);
            if (!t) return std::nullopt;
            out += PadText(*t, conv->spec);
        }
        ++arg;
    }
    if (arg != args.end()) return std::nullopt;
    return out;
}

namespace {

core::Text Checked(uint32_t id, const char16_t* english, std::initializer_list<FormatArg> args) {
    if (auto t = CheckedFormat(LoadResString(id), args)) return *t;
    return CheckedFormat(english, args).value_or(core::Text());
}

core::Text TextOr(uint32_t id, const char16_t* english) {
    core::Text t = LoadResString(id);
    return t.empty() ? core::Text(english) : t;
}

}  // namespace

core::Text FormatClockText(const plat::SystemTime& t, uint32_t format) {
    constexpr int kNoon = 12;
    const int hour = t.hour;
    const int h12 = hour == 0 ? kNoon : (hour > kNoon ? hour - kNoon : hour);
    const core::Text half =
        hour < kNoon ? TextOr(kBeforeNoonId, kBeforeNoon) : TextOr(kAfterNoonId, kAfterNoon);
    const int minute = t.minute, second = t.second, day = t.day, year = t.year;
    const int month = (t.month >= 1 && t.month <= 12) ? t.month : 1;
    if (format == kTimeFormatTimeFirst) {
        const core::Text month_name = LoadResString(kJanuaryId + static_cast<uint32_t>(month - 1));
        return Checked(kTimeId, kTimePattern, {h12, minute, second, half}) +
               Checked(kMonthDateId, kMonthDatePattern, {day, month_name, year});
    }
    return Checked(kNumericDateId, kNumericDatePattern, {month, day, year}) + u"  " +
           Checked(kTimeAfterId, kTimeAfterPattern, {h12, minute, second, half});
}

core::Text CClockPanel::Text() const {
    return FormatClockText(fixed_ ? *fixed_ : plat::local_time(), WidgetTimeFormat());
}

void CClockPanel::Draw(plat::Dc& dc) {
    DrawCentredText(dc, rect_, Text(), SchemeColor(ci::kTitleText), SchemeColor(colorIndex_));
}

void CClockPanel::CollectTexts(DrawnTexts& out) const {
    out.push_back({"clock", Text(), font_, rect_,
                   plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX});
}

int CClockPanel::Redraw() {
    WithOwnerDc([&](plat::Dc& dc) { Draw(dc); });
    return 1;
}

// --- CSignalBar -------------------------------------------------------------

namespace {
constexpr COLORREF kEmptyColor = plat::RGB(0, 0, 0);
constexpr COLORREF kFilledColor = plat::RGB(255, 0, 0);
}  // namespace

CSignalBar::CSignalBar(int id, int left, int top, int right, int bottom, int maximum)
    : rect_(plat::Rect{left, top, right, bottom}.normalized()), id_(id), maximum_(maximum) {}

void CSignalBar::SetValue(int value) {
    if (value == value_) return;
    value_ = std::clamp(value, 0, std::max(maximum_, 0));
}

plat::Rect CSignalBar::FilledRect() const {
    if (maximum_ <= 0) return {rect_.left, rect_.bottom, rect_.right, rect_.bottom};
    const int64_t h = rect_.height();
    const int f = static_cast<int>(static_cast<int64_t>(value_) * h / maximum_);
    return {rect_.left, rect_.bottom - f, rect_.right, rect_.bottom};
}

void CSignalBar::Draw(plat::Dc& dc) const {
    const plat::Rect filled = FilledRect();
    dc.fill_rect(filled, kFilledColor);
    dc.fill_rect({rect_.left, rect_.top, rect_.right, filled.top}, kEmptyColor);
}

void CSignalBar::Draw() {
    plat::Dc dc(plat::screen_surface());
    Draw(dc);
    plat::note_screen_changed(dc.changed_area());
}
