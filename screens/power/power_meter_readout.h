#pragma once
// CPowerMeterReadout: the owner-drawn readout that fills the power meter's
// main area: one big reading with its unit and title, a bar with the range
// printed on it, two secondary readings with captions, three detail columns
// under their headings and a one-line hint; and the idle face shown while
// the screen waits for a sensor. Every text is formatted anew from the
// stored values at each update. Positions are fixed screen pixels; the
// readout draws outside its own rectangle (down to y 559).
//
// One lock guards every field: the screen's update, the user-interface
// thread's actions and the sensor thread's hint all take it.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>

#include "platform/gfx/font.h"
#include "widgets/screen_widget.h"

// What the readout reads of its screen.
class IPowerReadoutOwner {
  public:
    virtual ~IPowerReadoutOwner() = default;
    virtual int GetSensorType() const = 0;
    // 0 the "KRM" probe, else the "K4" probe.
    virtual uint8_t GetProbeByte() const = 0;
    virtual bool GetIconFlag() const = 0;
    virtual bool IsZeroingInProgress() const = 0;
    virtual float GetPeakAverage() const = 0;
    // The VSWR of the last update with a defined match.
    virtual void SetVswrValue(float vswr) = 0;
};

// Bits of the display word.
namespace display_word {
inline constexpr uint32_t kKindMask = 0xFF;
inline constexpr uint32_t kAnalog = 0x100;
inline constexpr uint32_t kAnalogWatts = 0x200;
inline constexpr uint32_t kDbm = 0x400;
inline constexpr uint32_t kUnitField = 0x700;
inline constexpr uint32_t kRedraw = 0x800;
inline constexpr uint32_t kSingleChannel = 0x1000;
inline constexpr uint32_t kKeepRange1 = 0x2000;
inline constexpr uint32_t kKeepRange2 = 0x4000;
inline constexpr uint32_t kKeyPressed = 0x8000;
inline constexpr uint32_t kVswr = 0x10000;
inline constexpr uint32_t kReturnLoss = 0x20000;
inline constexpr uint32_t kRho = 0x40000;
inline constexpr uint32_t kEfficiency = 0x80000;
inline constexpr uint32_t kReflectedPct = 0x100000;
inline constexpr uint32_t kMatchField = 0x1F0000;
inline constexpr uint32_t kResetReflectedScale = 0x200000;
}  // namespace display_word

class CPowerMeterReadout : public CScreenWidget {
  public:
    // The bar: its pixels per unit of full scale, and its ends on row 223.
    static constexpr float kBarPixels = 668.0f;
    static constexpr int kBarRow = 223;
    static constexpr int kBarLeft = 15;
    static constexpr int kBarRight = 685;
    static constexpr int kBarOrigin = 17;
    static constexpr COLORREF kBarGreen = 0x38FF66;
    static constexpr COLORREF kBarRed = 0x0000FF;

    // Everything one update shows, composed from the stored values.
    struct Texts {
        core::Text title, value, unit;
        core::Text left_value, left_caption, right_value, right_caption;
        core::Text bar_caption;
        std::array<core::Text, 3> columns;
        bool centred_value = false;  // kind 9 with the VSWR: one centred text
        float bar_value = 0, bar_scale = 0, bar_limit = 0;
        bool bar_stays_green = false;
    };

    CPowerMeterReadout();
    ~CPowerMeterReadout() override;

    // The readout of the program (the last one constructed), or null.
    static CPowerMeterReadout* Current();

    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;
    int Redraw() override;
    void Update() override;
    // Paints the frame, then the readings, on any context.
    void Draw(plat::Dc& dc) override;
    void CollectTexts(DrawnTexts& out) const override;

    void SetOwnerFields(IPowerReadoutOwner* owner) { fields_ = owner; }
    void SetReadings(uint32_t display_word, float main_value, float range_value, float forward,
                     float reflected);
    // The idle face: the meter picture and the two idle captions.
    void Reset();
    void SetSweepRange(double bottom, double top);
    void OnRecord(int kind, const uint32_t* record, size_t words);
    // The texts the next update draws (under the lock).
    Texts Compose();

    // Geometry of the analog display.
    plat::Point NeedlePoint(int radius) const;
    plat::Point ReflectedNeedlePoint(int radius) const;
    static void DrawArrow(plat::Dc& dc, plat::Point from, plat::Point to);
    int GetAnalogFaceId() const;

    // The fields the screen writes, each under the lock.
    void SetHint(const core::Text& hint);
    void SetHint(const core::Text& hint, COLORREF background);
    void SetHintBackground(COLORREF background);
    core::Text GetHint() const;
    void SetHeadings(const core::Text& a, const core::Text& b, const core::Text& c);
    void SetRangeCaptions(const core::Text& forward, const core::Text& reflected);
    void SetFullScales(float forward, float reflected);
    float GetFullScale() const;
    float GetReflectedFullScale() const;

    struct Values {
        float input_offset = 0, coupling_offset = 0, manual_duty_cycle = 0, ccdf_limit = 0;
        float burst_average = 0, temperature = 0, peak_power = 0, filter_bandwidth = 10000;
        float ccdf_percent = 0, crest_factor = 0, duty_cycle = 0;
        bool manual_duty = false, auto_range = false;
    };
    Values GetValues() const;
    void SetValues(const Values& v);
    // Changes a part of the values under the lock.
    template <typename F>
    void EditValues(F&& edit) {
        std::lock_guard lock(mutex_);
        edit(values_);
    }
    float GetValue() const;
    float GetForwardPower() const;
    float GetReflectedPower() const;
    uint32_t GetFrameCounter() const;
    bool IsAnalog() const;

  private:
    void InitFields();
    void Paint(plat::Dc& dc);
    void PaintReadings(plat::Dc& dc, const Texts& t, bool headings);
    void PaintBar(plat::Dc& dc, const Texts& t);
    void AnalogStep();
    void DrawFrame(plat::Dc& dc, bool show_bar, bool clear_face);
    void DrawIdleFace(plat::Dc& dc);
    void DrawTextBox(plat::Dc& dc, const core::Text& text, const plat::Rect& r, uint32_t format,
                     COLORREF color, COLORREF back, int pt10, bool fill);
    const plat::Font& FontOf(int pt10);
    struct Work;
    void ComposeReflected(Texts& t, Work& w);
    void ComposeKind(Texts& t, Work& w);
    void ComposeMatchKind(Texts& t, Work& w);
    void ComposeColumns(Texts& t, Work& w);

    mutable std::recursive_mutex mutex_;  // guards every field below
    IPowerReadoutOwner* fields_ = nullptr;
    core::Text hint_;
    core::Text forward_range_caption_, reflected_range_caption_;
    std::array<core::Text, 3> headings_;
    float value_ = 1.0e-18f;
    float sweep_top_ = 1.0e-18f, sweep_middle_ = 1.0e-18f, sweep_bottom_ = 1.0e-18f;
    float full_scale_ = 1.0f;
    float reflected_full_scale_ = 0;
    float forward_power_ = 0, reflected_power_ = 0;
    Values values_;
    uint32_t value_source_ = 0;
    uint32_t frame_counter_ = 0;
    plat::Point pivot_{};
    COLORREF hint_background_ = 0xFFFFFF;
    int analog_face_ = 0;
    bool enabled_ = true;
    bool analog_ = false;
    uint32_t flags_ = 0;
    uint32_t last_analog_bit_ = 0;
    bool idle_ = false;
    std::map<int, plat::Font> fonts_;
};
