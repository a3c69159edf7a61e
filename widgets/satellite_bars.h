#pragma once
// Twelve signal bars for the satellites of a $GPGSV sentence, captioned with
// the satellite numbers.
#include <array>
#include <memory>

#include "instrument/sensors/nmea.h"
#include "widgets/clock_panel.h"

class CSatelliteBars {
  public:
    static constexpr int kBarCount = 12;
    // The bars' maximum: signal-to-noise values run 0 to 99.
    static constexpr int kMaxSnr = 99;

    explicit CSatelliteBars(plat::Window* owner);
    ~CSatelliteBars();

    // Bars and captions from the sentence, then every bar drawn on the screen.
    void Update(const CGsvSentence* sentence);
    // Bars and captions from the sentence, nothing drawn.
    void SetFromSentence(const CGsvSentence* sentence);
    // Caption i; empty outside 0..11.
    core::Text GetCaption(int i) const;
    const CSignalBar& GetBar(int i) const { return *bars_[static_cast<size_t>(i)]; }
    // Draws every bar on `dc`.
    void Draw(plat::Dc& dc) const;

  private:
    plat::Window* owner_;
    std::array<std::unique_ptr<CSignalBar>, kBarCount> bars_;
    std::array<core::Text, kBarCount> captions_;
};
