#include "screens/power/power_meter_readout.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <tuple>

#include "core/res_string.h"
#include "platform/gfx/artwork.h"
#include "screens/power/readout_math.h"
#include "screens/power/sensor_families.h"
#include "widgets/widget_services.h"

using namespace power_readout;
namespace dw = display_word;

namespace {

std::atomic<CPowerMeterReadout*> g_current_readout{nullptr};

// Texts of the readout.
constexpr uint32_t kTitleForward = 63034;
constexpr uint32_t kTitleReflected = 63035;
constexpr uint32_t kTitleCcdf = 63036;
constexpr uint32_t kTitleCrest = 63037;
constexpr uint32_t kTitleBurst = 63038;
constexpr uint32_t kTitlePeak = 63039;
constexpr uint32_t kTitleReflectedPct = 63040;
constexpr uint32_t kTitleEfficiency = 63041;
constexpr uint32_t kTitleRho = 63042;
constexpr uint32_t kTitleReturnLoss = 63043;
constexpr uint32_t kTitleVswr = 63044;
constexpr uint32_t kTitlePeakAverage = 63104;
constexpr uint32_t kCaptionCcdfLimit = 2622;
constexpr uint32_t kRhoUnit = 2623;
constexpr uint32_t kRhoBar = 2624;
constexpr uint32_t kPercentUnit = 2625;
constexpr uint32_t kEfficiencyBar = 2626;
constexpr uint32_t kCaptionInputOffset = 2627;
constexpr uint32_t kIdleCaption1 = 63203;
constexpr uint32_t kIdleCaption2 = 63205;
constexpr uint32_t kZeroingHint = 63093;

// Bitmaps of the frame.
constexpr int kLeftBorder = 266, kRightBorder = 267, kTopBorder = 268, kBottomBorder = 269;
constexpr int kBarStrip = 270, kMeterPicture = 239, kIcon = 273;
constexpr int kFaceLow = 235, kFaceMiddle = 236, kFaceHigh = 237;

// The layout (screen pixels).
constexpr plat::Rect kLeftBorderRect{0, 30, 11, 559};
constexpr plat::Rect kRightBorderRect{694, 30, 704, 559};
constexpr plat::Rect kTopBorderRect{0, 30, 704, 40};
constexpr plat::Rect kBottomBorderRect{0, 549, 704, 559};
constexpr plat::Rect kBarStripRect{11, 206, 696, 245};
constexpr plat::Rect kFaceRect{12, 40, 693, 547};
constexpr plat::Rect kMeterRect{72, 174, 628, 402};
constexpr plat::Rect kIdle1{72, 184, 628, 288}, kIdle1Shadow{76, 188, 632, 292};
constexpr plat::Rect kIdle2{72, 278, 628, 392}, kIdle2Shadow{76, 282, 632, 396};
constexpr plat::Rect kIconRect{346, 260, 380, 292};
constexpr plat::Rect kValueRect{17, 40, 375, 174}, kValueShadow{22, 44, 380, 178};
constexpr plat::Rect kUnitRect{372, 40, 685, 174}, kUnitShadow{377, 44, 690, 178};
constexpr plat::Rect kCentredRect{17, 40, 685, 174}, kCentredShadow{21, 44, 689, 178};
constexpr plat::Rect kBarRect{15, 211, 685, 235};
constexpr plat::Rect kTitleRect{212, 170, 490, 204};
constexpr plat::Rect kLeftValue{15, 248, 260, 302}, kLeftCaption{15, 303, 260, 325};
constexpr plat::Rect kRightValue{468, 248, 670, 302}, kRightCaption{468, 303, 670, 325};
constexpr plat::Rect kHeadings[3] = {
    {15, 340, 123, 500}, {242, 340, 351, 500}, {463, 340, 580, 500}};
constexpr plat::Rect kColumns[3] = {
    {124, 340, 241, 500}, {352, 340, 462, 500}, {581, 340, 685, 500}};
constexpr plat::Rect kHintRect{22, 500, 680, 540};

constexpr COLORREF kWhite = 0xFFFFFF, kBlack = 0;
constexpr COLORREF kIdleShadow = 0xDCB4B4, kValueShadowColour = 0xFAD2D2, kColumnColour = 0xE00000;
constexpr int kIdlePt = 500, kValuePt = 920, kReadingPt = 340, kTitlePt = 186, kSmallPt = 160,
              kBarPt = 140;
constexpr uint32_t kCentred = plat::DT_CENTER | plat::DT_VCENTER;
constexpr uint32_t kRightCentred = plat::DT_RIGHT | plat::DT_VCENTER;
constexpr uint32_t kLeftCentred = plat::DT_VCENTER;
constexpr uint32_t kLeftTop = 0;
constexpr uint32_t kRightNoClip = plat::DT_RIGHT | plat::DT_NOCLIP;
constexpr uint32_t kFrameEvery = 101;
constexpr int kBarPen = 24;
constexpr float kKind5Scale = 6.68f, kRhoScale = 734.0659f;
constexpr float kAutoFloor = 1e-5f;

// The analog display.
constexpr plat::Point kPivot{352, 442};
constexpr double kDegrees = 0.017453292519943295;

core::Text Res(uint32_t id) {
    return LoadResString(id);
}

// A line break of the detail texts ("\n\r") is one break on the screen.
core::Text OneBreak(core::Text text) {
    for (size_t i = 0; (i = text.find(u"\n\r", i)) != core::Text::npos;) text.erase(i + 1, 1);
    return text;
}

}  // namespace

CPowerMeterReadout::CPowerMeterReadout() {
    InitFields();
}

CPowerMeterReadout::~CPowerMeterReadout() {
    CPowerMeterReadout* self = this;
    g_current_readout.compare_exchange_strong(self, nullptr);
}

CPowerMeterReadout* CPowerMeterReadout::Current() {
    return g_current_readout.load();
}

void CPowerMeterReadout::InitFields() {
    std::lock_guard lock(mutex_);
    g_current_readout.store(this);
    enabled_ = true;
    hint_background_ = kWhite;
    values_ = Values{};
    values_.filter_bandwidth = 10000;
    value_ = sweep_top_ = sweep_middle_ = sweep_bottom_ = 1.0e-18f;
    full_scale_ = 1.0f;
}

int CPowerMeterReadout::Create(plat::Window* owner, int left, int top, int right, int bottom,
                               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    std::lock_guard lock(mutex_);
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    enabled_ = true;
    return 1;
}

int CPowerMeterReadout::Redraw() {
    std::lock_guard lock(mutex_);
    CScreenWidget::Redraw();
    Update();
    return 1;
}

void CPowerMeterReadout::Update() {
    std::lock_guard lock(mutex_);
    WithOwnerDc([&](plat::Dc& dc) { Paint(dc); });
}

void CPowerMeterReadout::Draw(plat::Dc& dc) {
    std::lock_guard lock(mutex_);
    if (idle_) {
        DrawIdleFace(dc);
        return;
    }
    frame_counter_ = 0;
    Paint(dc);
}

// ------------------------------------------------------------------ state

void CPowerMeterReadout::SetHint(const core::Text& hint) {
    std::lock_guard lock(mutex_);
    hint_ = hint;
}

void CPowerMeterReadout::SetHint(const core::Text& hint, COLORREF background) {
    std::lock_guard lock(mutex_);
    hint_ = hint;
    hint_background_ = background;
}

void CPowerMeterReadout::SetHintBackground(COLORREF background) {
    std::lock_guard lock(mutex_);
    hint_background_ = background;
}

core::Text CPowerMeterReadout::GetHint() const {
    std::lock_guard lock(mutex_);
    return hint_;
}

void CPowerMeterReadout::SetHeadings(const core::Text& a, const core::Text& b,
                                     const core::Text& c) {
    std::lock_guard lock(mutex_);
    headings_ = {a, b, c};
}

void CPowerMeterReadout::SetRangeCaptions(const core::Text& forward, const core::Text& reflected) {
    std::lock_guard lock(mutex_);
    forward_range_caption_ = forward;
    reflected_range_caption_ = reflected;
}

void CPowerMeterReadout::SetFullScales(float forward, float reflected) {
    std::lock_guard lock(mutex_);
    full_scale_ = forward;
    reflected_full_scale_ = reflected;
}

float CPowerMeterReadout::GetFullScale() const {
    std::lock_guard lock(mutex_);
    return full_scale_;
}

float CPowerMeterReadout::GetReflectedFullScale() const {
    std::lock_guard lock(mutex_);
    return reflected_full_scale_;
}

CPowerMeterReadout::Values CPowerMeterReadout::GetValues() const {
    std::lock_guard lock(mutex_);
    return values_;
}

void CPowerMeterReadout::SetValues(const Values& v) {
    std::lock_guard lock(mutex_);
    values_ = v;
}

float CPowerMeterReadout::GetValue() const {
    std::lock_guard lock(mutex_);
    return value_;
}

float CPowerMeterReadout::GetForwardPower() const {
    std::lock_guard lock(mutex_);
    return forward_power_;
}

float CPowerMeterReadout::GetReflectedPower() const {
    std::lock_guard lock(mutex_);
    return reflected_power_;
}

uint32_t CPowerMeterReadout::GetFrameCounter() const {
    std::lock_guard lock(mutex_);
    return frame_counter_;
}

bool CPowerMeterReadout::IsAnalog() const {
    std::lock_guard lock(mutex_);
    return analog_;
}

void CPowerMeterReadout::SetReadings(uint32_t word, float main_value, float, float forward,
                                     float reflected) {
    std::lock_guard lock(mutex_);
    if ((word & dw::kAnalog) != last_analog_bit_) {
        last_analog_bit_ = word & dw::kAnalog;
        analog_ = last_analog_bit_ != 0;
    }
    value_ = main_value;
    if ((flags_ & dw::kResetReflectedScale) || reflected_full_scale_ == 0)
        reflected_full_scale_ = full_scale_ * 0.1f;
    forward_power_ = forward;
    reflected_power_ = reflected;
    if (word & dw::kRedraw) frame_counter_ = 0;
    flags_ = word;
    idle_ = false;
    Update();
}

void CPowerMeterReadout::SetSweepRange(double bottom, double top) {
    std::lock_guard lock(mutex_);
    sweep_top_ = static_cast<float>(top);
    sweep_bottom_ = static_cast<float>(bottom);
    sweep_middle_ = static_cast<float>(bottom + (top - bottom) * 0.5);
}

void CPowerMeterReadout::OnRecord(int kind, const uint32_t* record, size_t words) {
    constexpr int kRecordKind = 3;
    constexpr float kSweepStep = 0.25f;
    if (kind != kRecordKind || !record) return;
    std::lock_guard lock(mutex_);
    auto word = [&](size_t i) {
        float f = 0;
        if (i < words) std::memcpy(&f, &record[i], sizeof f);
        return f;
    };
    switch (value_source_) {
        case 0:
            value_ = word(31);
            break;
        case 1:
            value_ = word(33);
            break;
        case 2:
            value_ = word(34);
            break;
        case 3:
        case 4:
        case 6:
            value_ = word(35);
            break;
        case 5:
            value_ = value_ > sweep_bottom_ ? value_ - kSweepStep : sweep_top_;
            break;
        default:
            break;
    }
    Update();
}

void CPowerMeterReadout::Reset() {
    std::lock_guard lock(mutex_);
    idle_ = true;
    if (fields_ && fields_->IsZeroingInProgress()) hint_ = Res(kZeroingHint);
    WithOwnerDc([&](plat::Dc& dc) { DrawIdleFace(dc); });
}

void CPowerMeterReadout::DrawIdleFace(plat::Dc& dc) {
    DrawFrame(dc, false, true);
    // The hint says what the screen waits for.
    DrawTextBox(dc, hint_, kHintRect, kCentred, kBlack, hint_background_, kSmallPt, true);
}

// ------------------------------------------------------------------ drawing

const plat::Font& CPowerMeterReadout::FontOf(int pt10) {
    auto it = fonts_.find(pt10);
    if (it == fonts_.end())
        it = fonts_.emplace(pt10, plat::Font::create_point(pt10, WidgetFontFace())).first;
    return it->second;
}

void CPowerMeterReadout::DrawTextBox(plat::Dc& dc, const core::Text& text, const plat::Rect& r,
                                     uint32_t format, COLORREF color, COLORREF back, int pt10,
                                     bool fill) {
    if (fill) dc.fill_rect(r, back);
    const plat::Font old = dc.select_font(FontOf(pt10));
    const int old_mode = dc.set_bk_mode(plat::TRANSPARENT);
    dc.set_text_color(color);
    dc.set_bk_color(back);
    plat::Rect box = r;
    dc.draw_text(OneBreak(text), box, format | plat::DT_NOPREFIX);
    dc.set_bk_mode(old_mode);
    dc.select_font(old);
}

void CPowerMeterReadout::DrawFrame(plat::Dc& dc, bool show_bar, bool clear_face) {
    if (clear_face) dc.fill_rect(kFaceRect, kWhite);
    auto blit = [&](int id, const plat::Rect& at) {
        const plat::Bitmap b = plat::load_bitmap(id);
        if (b) dc.bit_blt(at.left, at.top, b.width(), b.height(), b, 0, 0);
    };
    blit(kLeftBorder, kLeftBorderRect);
    blit(kRightBorder, kRightBorderRect);
    blit(kTopBorder, kTopBorderRect);
    blit(kBottomBorder, kBottomBorderRect);
    if (show_bar && fields_ && fields_->GetIconFlag())
        blit(kIcon, kIconRect);
    else
        dc.fill_rect(kIconRect, kWhite);
    if (show_bar) {
        blit(kBarStrip, kBarStripRect);
        return;
    }
    blit(kMeterPicture, kMeterRect);
    for (const auto& [id, box, shadow] :
         {std::tuple{kIdleCaption1, kIdle1, kIdle1Shadow}, {kIdleCaption2, kIdle2, kIdle2Shadow}}) {
        DrawTextBox(dc, Res(id), shadow, kCentred, kIdleShadow, kWhite, kIdlePt, false);
        DrawTextBox(dc, Res(id), box, kCentred, kBlack, kWhite, kIdlePt, false);
    }
}

void CPowerMeterReadout::Paint(plat::Dc& dc) {
    if (!enabled_) return;
    if (analog_) {
        AnalogStep();
        return;
    }
    const uint32_t c = frame_counter_;
    frame_counter_ = c + 1;
    if (c < kFrameEvery && frame_counter_ == 1) DrawFrame(dc, true, true);
    if (c >= kFrameEvery) frame_counter_ = 0;
    const Texts t = Compose();
    PaintReadings(dc, t, frame_counter_ == 1);
    PaintBar(dc, t);
}

void CPowerMeterReadout::PaintReadings(plat::Dc& dc, const Texts& t, bool headings) {
    if (t.centred_value) {
        DrawTextBox(dc, t.value, kCentredShadow, kCentred, kValueShadowColour, kWhite, kValuePt,
                    true);
        DrawTextBox(dc, t.value, kCentredRect, kCentred, kBlack, kWhite, kValuePt, false);
    } else {
        DrawTextBox(dc, t.value, kValueShadow, kRightCentred, kValueShadowColour, kWhite, kValuePt,
                    true);
        DrawTextBox(dc, t.value, kValueRect, kRightCentred, kBlack, kWhite, kValuePt, false);
        DrawTextBox(dc, t.unit, kUnitShadow, kLeftCentred, kValueShadowColour, kWhite, kValuePt,
                    true);
        DrawTextBox(dc, t.unit, kUnitRect, kLeftCentred, kBlack, kWhite, kValuePt, false);
    }
    DrawTextBox(dc, t.left_value, kLeftValue, kCentred, kBlack, kWhite, kReadingPt, true);
    DrawTextBox(dc, t.right_value, kRightValue, kCentred, kBlack, kWhite, kReadingPt, true);
    DrawTextBox(dc, t.title, kTitleRect, kCentred, kBlack, kWhite, kTitlePt, true);
    DrawTextBox(dc, t.left_caption, kLeftCaption, kCentred, kBlack, kWhite, kSmallPt, true);
    DrawTextBox(dc, t.right_caption, kRightCaption, kCentred, kBlack, kWhite, kSmallPt, true);
    for (int i = 0; i < 3; ++i) {
        if (headings)
            DrawTextBox(dc, headings_[i], kHeadings[i], kLeftTop, kBlack, kWhite, kSmallPt, true);
        DrawTextBox(dc, t.columns[i], kColumns[i], kLeftTop, kColumnColour, kWhite, kSmallPt, true);
    }
    DrawTextBox(dc, hint_, kHintRect, kCentred, kBlack, hint_background_, kSmallPt, true);
}

void CPowerMeterReadout::PaintBar(plat::Dc& dc, const Texts& t) {
    if (!(full_scale_ > 0)) return;
    // The bar is a band of kBarPen rows centred on its row, with square ends.
    const int end =
        kBarOrigin + SaturatingCast<int>(static_cast<double>(t.bar_scale * t.bar_value));
    auto band = [&](int from, int to, COLORREF colour) {
        dc.fill_rect({std::min(from, to), kBarRow - kBarPen / 2, std::max(from, to) + 1,
                      kBarRow + kBarPen / 2},
                     colour);
    };
    const int erase_from = std::max(end, kBarLeft);
    if (erase_from < kBarRight) band(kBarRight, erase_from, kWhite);
    const bool over = t.bar_value > t.bar_limit && !t.bar_stays_green;
    const int draw_to = std::min(end, kBarRight);
    if (draw_to > kBarLeft) band(kBarLeft, draw_to, over ? kBarRed : kBarGreen);
    DrawTextBox(dc, t.bar_caption + u" ", kBarRect, kRightNoClip,
                t.bar_value >= t.bar_limit ? kWhite : kColumnColour, kWhite, kBarPt, false);
}

// ------------------------------------------------------------------ composition

// What the composition's steps share.
struct CPowerMeterReadout::Work {
    uint32_t kind = 0;
    int type = 0;
    bool dbm = false;
    bool single = false;
    float f = 1, ff = 1, fr = 0.1f, fp = 1, fb = 1;
    bool peak_decades = false;
    core::Text u, uf, ur;
    core::Text column_caption, peak_caption, burst_caption;
    core::Text fw, fd, rw, rd, mo;
    core::Text rho, vs, me, rp, rl;
    Reflection match;
};

CPowerMeterReadout::Texts CPowerMeterReadout::Compose() {
    std::lock_guard lock(mutex_);
    Texts t;
    Work w;
    w.kind = flags_ & dw::kKindMask;
    w.dbm = flags_ & dw::kDbm;
    w.single = flags_ & dw::kSingleChannel;
    w.type = fields_ ? fields_->GetSensorType() : 0;

    // Full scales.
    t.bar_limit = w.kind == 8 ? reflected_full_scale_ : full_scale_;
    w.f = DecadeFullScale(w.kind == 8 ? reflected_power_ : forward_power_);
    w.ff = DecadeFullScale(forward_power_);
    w.fr = DecadeFullScale(reflected_power_, 0.1f);
    w.peak_decades = values_.auto_range && power_families::IsPeak(w.type);
    w.fp = w.peak_decades ? DecadeFullScale(values_.peak_power) : 1.0f;
    w.fb = w.peak_decades ? DecadeFullScale(values_.burst_average) : 1.0f;

    // Range captions.
    if (!values_.auto_range) {
        t.bar_caption = w.kind == 8 ? reflected_range_caption_ : forward_range_caption_;
        w.column_caption = forward_range_caption_ + u"\n";
    } else if (!(flags_ & (dw::kKeepRange1 | dw::kKeepRange2))) {
        t.bar_caption = RangeCaption(w.f);
        t.bar_limit = w.f;
        full_scale_ = w.f;
        w.column_caption = t.bar_caption;
    }
    if (w.peak_decades) {
        w.peak_caption = RangeCaption(w.fp);
        w.burst_caption = RangeCaption(w.fb);
    }

    // Defaults.
    w.u = UnitText(w.f);
    w.uf = UnitText(w.ff);
    if (w.dbm) {
        t.value = WattsToDbmText(value_, false) + u" ";
        t.unit = u"dBm ";
    } else {
        t.value = ScaleText(w.f, value_);
        t.unit = w.u;
    }
    t.bar_value = value_;
    t.bar_scale = kBarPixels / (w.kind == 8 ? reflected_full_scale_ : t.bar_limit);
    w.fw = ScaleText(w.ff, forward_power_) + w.uf + u"\n\r";
    w.fd = WattsToDbmText(forward_power_, true);

    if (!w.single) ComposeReflected(t, w);
    if (w.single) {
        t.left_caption = u"Forward Average";
        t.right_caption = u"Input Offset";
        t.left_value =
            w.dbm ? ScaleText(w.f, value_) + w.u : WattsToDbmText(value_, false) + u" dBm";
        t.right_value = ScaleText(100, values_.input_offset) + u" dB";
    }
    ComposeKind(t, w);
    ComposeColumns(t, w);
    return t;
}

void CPowerMeterReadout::ComposeReflected(Texts& t, Work& w) {
    w.ur = w.dbm ? core::Text(u" dBm ") : UnitText(w.fr);
    w.rw = ScaleText(w.fr, reflected_power_) + UnitText(w.fr) + u"\n\r";
    w.rd = WattsToDbmText(reflected_power_, false);
    // The offset is shown as the loss it stands for (0 without a sign).
    const float loss = values_.coupling_offset == 0 ? 0.0f : -values_.coupling_offset;
    w.mo = core::FormatText("%0.1f dB\n\r", double(loss));
    w.match = ComputeReflection(forward_power_, reflected_power_, values_.coupling_offset);
    const Reflection& m = w.match;
    if (m.valid) {
        w.rho = core::FormatText("%0.2f", m.rho);
        if (m.vswr_valid) {
            w.vs = core::FormatText("%0.2f", m.vswr);
            if (fields_) fields_->SetVswrValue(static_cast<float>(m.vswr));
        } else {
            w.vs = u"N/A";
        }
        if (m.efficiency > 0) w.me = core::FormatText("%0.1f", m.efficiency);
        w.rp = core::FormatText("%0.1f", m.reflected_pct);
        w.rl = core::FormatText("%0.1f", m.return_loss);
    } else {
        w.rho = w.vs = w.me = w.rp = w.rl = u"N/A";
    }
    core::Text value, unit;
    switch (flags_ & dw::kMatchField) {
        case dw::kEfficiency:
            t.right_caption += Res(kTitleEfficiency);
            value = w.me;
            unit = u" %";
            break;
        case dw::kReturnLoss:
            t.right_caption += Res(kTitleReturnLoss);
            value = w.rl;
            unit = u" dB";
            break;
        case dw::kRho:
            t.right_caption += Res(kTitleRho);
            value = w.rho;
            unit = u" p ";
            break;
        case dw::kReflectedPct:
            t.right_caption += Res(kTitleReflectedPct);
            value = w.rp;
            unit = u" %";
            break;
        default:
            t.right_caption += u"VSWR";
            value = w.vs;
            break;
    }
    t.right_value = value.empty() ? core::Text(u"N/A") : value + unit;
}

void CPowerMeterReadout::ComposeKind(Texts& t, Work& w) {
    const Values& v = values_;
    auto watts_or_dbm = [&](float full, float x, const core::Text& unit, const char16_t* dbm_tail) {
        return w.dbm ? WattsToDbmText(x, false) + dbm_tail : ScaleText(full, x) + unit;
    };
    switch (w.kind) {
        case 1:
            t.title = Res(kTitleForward);
            if (w.single) break;
            t.left_caption = Res(kTitleReflected);
            t.left_value = (w.dbm ? WattsToDbmText(reflected_power_, false)
                                  : ScaleText(w.fr, reflected_power_)) +
                           w.ur;
            break;
        case 2:
        case 45:
            t.title = Res(kTitlePeak);
            if (power_families::IsPeak(w.type)) {
                t.value = w.dbm ? WattsToDbmText(value_, false) : ScaleText(w.fp, value_);
                t.unit = w.dbm ? core::Text(u" dBm") : UnitText(w.fp);
                t.left_value = w.dbm ? WattsToDbmText(forward_power_, false) + u" dBm"
                                     : ScaleText(w.f, forward_power_) + w.uf;
                t.bar_value = v.peak_power;
                t.bar_scale = kBarPixels / w.fp;
                t.bar_limit = w.fp;
                full_scale_ = w.fp;
                t.bar_caption = w.peak_caption;
                if (v.auto_range) w.column_caption = w.peak_caption;
            } else {
                if (w.type == 3) {
                    t.value = w.dbm ? WattsToDbmText(forward_power_, false) + u" "
                                    : ScaleText(w.f, forward_power_);
                    t.unit = w.dbm ? core::Text(u"dBm ") : w.u;
                }
                t.left_value = w.dbm ? ScaleText(w.f, forward_power_) + w.uf
                                     : WattsToDbmText(forward_power_, false) + u" dBm ";
                t.bar_value = forward_power_;
            }
            t.left_caption = Res(w.type == 3 ? kTitlePeak : kTitleForward);
            t.right_caption = Res(kTitleCrest);
            t.right_value = core::FormatText("%0.1f", double(v.crest_factor)) + u" dB";
            break;
        case 3:
            t.title = Res(kTitleBurst);
            t.value = w.dbm ? WattsToDbmText(v.burst_average, false) + u" "
                            : ScaleText(w.fb, v.burst_average);
            t.unit = w.dbm ? core::Text(u" dBm ") : UnitText(w.fb);
            t.left_caption = u"Duty Cycle";
            t.left_value = core::FormatText("%0.1f", double(v.duty_cycle)) + u" % ";
            t.right_caption = Res(kTitleForward);
            t.right_value = watts_or_dbm(w.f, forward_power_, w.uf, u" dBm ");
            t.bar_value = v.burst_average;
            t.bar_scale = kBarPixels / w.fb;
            t.bar_limit = w.fb;
            full_scale_ = w.fb;
            t.bar_caption = w.burst_caption;
            if (v.auto_range) w.column_caption = w.burst_caption;
            break;
        case 4:
            t.title = Res(kTitleCrest);
            t.value = core::FormatText("%0.1f", double(v.crest_factor));
            t.unit = u" dB ";
            t.left_caption = Res(kTitlePeak);
            t.left_value = ScaleText(w.ff, v.peak_power) + w.uf;
            t.right_caption = Res(kTitleForward);
            t.right_value = ScaleText(w.f, forward_power_) + w.uf;
            t.bar_value = forward_power_;
            t.bar_limit = full_scale_;
            break;
        case 5:
            t.title = Res(kTitleCcdf);
            t.value = core::FormatText("%0.1f", double(value_));
            t.unit = u" %  ";
            t.left_caption = Res(kTitlePeak);
            t.left_value = ScaleText(w.ff, v.peak_power) + w.uf;
            t.right_caption = Res(kCaptionCcdfLimit);
            t.right_value = core::FormatText("%3.1f", double(v.ccdf_limit)) + u" W";
            t.bar_value = v.ccdf_percent;
            t.bar_scale = kKind5Scale;
            t.bar_limit = 100;
            t.bar_caption = u"100 %";
            break;
        case 6: {
            const float pa = fields_ ? fields_->GetPeakAverage() : 0;
            t.title = Res(kTitlePeakAverage);
            t.value = w.dbm ? WattsToDbmText(pa, false) + u" " : ScaleText(w.f, pa);
            t.unit = w.dbm ? core::Text(u"dBm ") : w.u;
            t.left_caption = Res(kTitlePeakAverage);
            t.left_value = w.dbm ? ScaleText(w.f, pa) + w.uf : WattsToDbmText(pa, false) + u" dBm ";
            t.right_caption = Res(kTitleCrest);
            t.right_value = core::FormatText("%0.1f", double(v.crest_factor)) + u" dB";
            break;
        }
        case 8:
            t.title = Res(kTitleReflected);
            t.unit = w.dbm ? core::Text(u"dBm ") : w.ur;
            t.left_caption = u" " + Res(kTitleForward) + u" ";
            t.left_value = watts_or_dbm(w.ff, forward_power_, w.uf, u" dBm ");
            break;
        case 9:
            ComposeMatchKind(t, w);
            break;
        default:
            break;
    }
    if (w.type == 3 && (w.kind == 2 || w.kind == 6)) {
        const float pa = fields_ ? fields_->GetPeakAverage() : 0;
        t.right_value = ScaleText(100, v.input_offset) + u" dB";
        t.right_caption = Res(kCaptionInputOffset);
        w.rw = ScaleText(w.f, pa) + w.uf + u"\n\r";
        w.rd = WattsToDbmText(pa, false);
    }
}

void CPowerMeterReadout::ComposeMatchKind(Texts& t, Work& w) {
    t.left_caption = Res(kTitleForward);
    t.left_value = w.dbm ? WattsToDbmText(forward_power_, false) + u" dBm "
                         : ScaleText(w.ff, forward_power_) + w.uf;
    t.right_caption = Res(kTitleReflected);
    t.right_value = w.dbm ? WattsToDbmText(reflected_power_, false) + u" dBm "
                          : ScaleText(w.ff * 0.1f, reflected_power_) + w.ur;
    const bool defined = w.rp != u"N/A";
    const double q = w.match.q;
    switch (flags_ & dw::kMatchField) {
        case dw::kRho:
            t.title = Res(kTitleRho);
            t.value = w.rho;
            t.unit = Res(kRhoUnit);
            t.bar_caption = Res(kRhoBar);
            t.bar_value = defined ? static_cast<float>(w.match.rho) : 0;
            t.bar_scale = kRhoScale;
            break;
        case dw::kReturnLoss:
            t.title = Res(kTitleReturnLoss);
            t.value = w.rl;
            t.unit = u" dB ";
            break;
        case dw::kEfficiency:
            t.title = Res(kTitleEfficiency);
            t.value = w.me;
            t.unit = Res(kPercentUnit);
            t.bar_caption = Res(kEfficiencyBar);
            t.bar_value = defined ? static_cast<float>((1 - q) * 100) : 0;
            t.bar_scale = kKind5Scale;
            t.bar_stays_green = true;
            break;
        case dw::kReflectedPct:
            t.title = Res(kTitleReflectedPct);
            t.value = w.rp;
            t.unit = Res(kPercentUnit);
            t.bar_caption = Res(kPercentUnit);
            t.bar_value = defined ? static_cast<float>(q * 100) : 0;
            t.bar_scale = kKind5Scale;
            break;
        default:  // the VSWR, also before a match unit was chosen
            t.title = Res(kTitleVswr);
            t.value = w.vs;
            t.unit.clear();
            t.centred_value = true;
            break;
    }
    // The match never turns the bar red.
    t.bar_stays_green = true;
}

void CPowerMeterReadout::ComposeColumns(Texts& t, Work& w) {
    const Values& v = values_;
    core::Text pk = ScaleText(w.fp, v.peak_power) + UnitText(w.fp) + u"\n\r";
    core::Text pkd = WattsToDbmText(v.peak_power, true);
    core::Text ba = ScaleText(w.fb, v.burst_average) + UnitText(w.fb) + u"\n\r";
    core::Text bad = WattsToDbmText(v.burst_average, true);
    core::Text cf = core::FormatText("%0.1f dB\n\r", double(v.crest_factor));
    const core::Text cc = core::FormatText("%3.1f", double(v.ccdf_percent)) + u" %\n\r";
    const core::Text cl = core::FormatText("%3.1f", double(v.ccdf_limit)) + u" W\n\r";
    core::Text fi = FilterText(v.filter_bandwidth) + u"\n\r";
    const core::Text of = core::FormatText("%0.1f dB\n\r", double(v.input_offset));
    core::Text du = DutyText(v.duty_cycle, v.manual_duty) + u"\n\r";
    if (!w.single) {
        w.rd += u" dBm\n\r";
    } else {
        pk.clear(), pkd.clear(), ba.clear(), bad.clear(), cf.clear(), fi.clear(), du.clear();
        w.rd.clear();
    }
    if (w.rp != u"N/A" && !w.rp.empty()) w.rp += u" %";
    if (w.me != u"N/A" && !w.me.empty()) w.me += u" %";
    const core::Text& c = w.column_caption;
    const core::Text nl = u"\n\r";
    auto through_line = [&] {
        t.columns[0] = w.fw + w.fd + forward_range_caption_ + nl + of + c;
        t.columns[1] = w.rw + w.rd + reflected_range_caption_;
        t.columns[2] = w.vs + nl + w.rl + nl + w.rho + nl + w.me + nl + w.rp + nl + w.mo;
    };
    switch (w.type) {
        case 1:
        case 2:
        case 14:
            through_line();
            break;
        case 3:
            through_line();
            t.columns[0] += fields_ && fields_->GetProbeByte() ? u"K4" : u"KRM";
            if (w.kind == 2 || w.kind == 6) {
                t.columns[1] = w.rw + w.rd;
                t.columns[2].clear();
            }
            break;
        case 5:
        case 15:
            t.columns = {c, {}, {}};
            break;
        default:
            if (!power_families::IsPeak(w.type)) break;
            t.columns[0] = w.fw + w.fd + pk + pkd + of + c;
            t.columns[1] = w.rw + w.rd + ba + bad + (w.kind == 5 ? nl : du) + fi;
            t.columns[2] =
                w.vs + nl + w.rl + u" dB\n\r" + w.mo + cf + (w.kind == 5 ? cc + cl : u"");
            break;
    }
}

// ------------------------------------------------------------------ analog

void CPowerMeterReadout::AnalogStep() {
    pivot_ = kPivot;
    full_scale_ = DecadeFullScale(forward_power_);
    const float p = forward_power_;
    auto within = [&](float lo, float hi) { return p > lo && p <= hi; };
    if (within(1e-5f, 1e-4f) || within(0.01f, 0.1f) || within(10, 100) || within(1e4f, 1e5f))
        analog_face_ = kFaceMiddle;
    else if (within(1e-4f, 1e-3f) || within(0.1f, 1) || within(100, 1000) || within(1e5f, 1e6f))
        analog_face_ = kFaceHigh;
    else
        analog_face_ = kFaceLow;
}

int CPowerMeterReadout::GetAnalogFaceId() const {
    std::lock_guard lock(mutex_);
    return analog_face_;
}

namespace {

struct NeedleDial {
    float degrees_per_scale;  // degrees across one full scale
    int min_x, max_x, max_y, min_y;
    plat::Point fallback;
};

plat::Point Needle(plat::Point pivot, float value, float full_scale, int radius,
                   const NeedleDial& d) {
    const double k = d.degrees_per_scale / double(full_scale);
    const double theta = double(value) * k + 45.0;
    int x;
    if (theta < 90.0)
        x = SaturatingCast<int>(pivot.x - radius * std::cos(theta * kDegrees));
    else
        x = SaturatingCast<int>(pivot.x +
                                radius * std::cos((135.0 - double(value) * k) * kDegrees));
    const int y = SaturatingCast<uint16_t>(pivot.y - radius * std::sin(theta * kDegrees));
    plat::Point p{std::clamp(x, d.min_x, d.max_x), std::min(y, d.max_y)};
    if (y < d.min_y) p = d.fallback;
    return p;
}

}  // namespace

plat::Point CPowerMeterReadout::NeedlePoint(int radius) const {
    std::lock_guard lock(mutex_);
    return Needle(pivot_, value_, full_scale_, radius, {75, 97, 606, 186, 54, {97, 186}});
}

plat::Point CPowerMeterReadout::ReflectedNeedlePoint(int radius) const {
    std::lock_guard lock(mutex_);
    return Needle(pivot_, reflected_power_, full_scale_, radius,
                  {750, 186, 517, 275, 174, {186, 275}});
}

void CPowerMeterReadout::DrawArrow(plat::Dc& dc, plat::Point from, plat::Point to) {
    const float dx = float(to.x - from.x), dy = float(to.y - from.y);
    const float l = std::sqrt(dx * dx + dy * dy);
    dc.move_to(from);
    dc.line_to(to);
    if (!(l > 0)) return;
    const float bx = float(to.x) - 8 / l * dx, by = float(to.y) - 8 / l * dy;
    const plat::Point c1{SaturatingCast<int>(bx + 4 / l * -dy),
                         SaturatingCast<int>(by + 4 / l * dx)};
    const plat::Point c2{SaturatingCast<int>(bx - 4 / l * -dy),
                         SaturatingCast<int>(by - 4 / l * dx)};
    const plat::Point head[] = {to, c1, c2};
    dc.polygon(head);
}

// ------------------------------------------------------------------ the text-fit check

void CPowerMeterReadout::CollectTexts(DrawnTexts& out) const {
    std::lock_guard lock(mutex_);
    auto* self = const_cast<CPowerMeterReadout*>(this);
    auto add = [&](const char* where, const core::Text& text, const plat::Rect& r, uint32_t format,
                   int pt10, bool caption) {
        out.push_back(
            {where, OneBreak(text), self->FontOf(pt10), r, format | plat::DT_NOPREFIX, caption});
    };
    if (idle_) {
        add("idle caption 1", Res(kIdleCaption1), kIdle1, kCentred, kIdlePt, true);
        add("idle caption 2", Res(kIdleCaption2), kIdle2, kCentred, kIdlePt, true);
        add("hint", hint_, kHintRect, kCentred | plat::DT_SINGLELINE, kSmallPt, true);
        return;
    }
    const Texts t = self->Compose();
    add("title", t.title, kTitleRect, kCentred | plat::DT_SINGLELINE, kTitlePt, true);
    add("left caption", t.left_caption, kLeftCaption, kCentred | plat::DT_SINGLELINE, kSmallPt,
        true);
    add("right caption", t.right_caption, kRightCaption, kCentred | plat::DT_SINGLELINE, kSmallPt,
        true);
    add("big value", t.value, kValueRect, kRightCentred | plat::DT_SINGLELINE, kValuePt, false);
    add("big unit", t.unit, kUnitRect, kLeftCentred | plat::DT_SINGLELINE, kValuePt, true);
    add("left value", t.left_value, kLeftValue, kCentred | plat::DT_SINGLELINE, kReadingPt, false);
    add("right value", t.right_value, kRightValue, kCentred | plat::DT_SINGLELINE, kReadingPt,
        false);
    for (int i = 0; i < 3; ++i) {
        add("heading", headings_[i], kHeadings[i], kLeftTop, kSmallPt, true);
        add("column", t.columns[i], kColumns[i], kLeftTop, kSmallPt, false);
    }
    add("hint", hint_, kHintRect, kCentred | plat::DT_SINGLELINE, kSmallPt, true);
}
