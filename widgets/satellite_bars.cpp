#include "widgets/satellite_bars.h"

#include <algorithm>

namespace {
constexpr double kFirstLeft = 325.0;
constexpr double kPitch = 29.5;
constexpr int kBarWidth = 20;
constexpr int kTop = 340;
constexpr int kBottom = 440;
}  // namespace

CSatelliteBars::CSatelliteBars(plat::Window* owner) : owner_(owner) {
    for (int i = 0; i < kBarCount; ++i) {
        const int x = static_cast<int>(kFirstLeft + kPitch * i);
        bars_[static_cast<size_t>(i)] =
            std::make_unique<CSignalBar>(i, x, kTop, x + kBarWidth, kBottom, kMaxSnr);
    }
}

CSatelliteBars::~CSatelliteBars() = default;

void CSatelliteBars::Update(const CGsvSentence* sentence) {
    SetFromSentence(sentence);
    for (auto& bar : bars_) bar->Draw();
}

void CSatelliteBars::SetFromSentence(const CGsvSentence* sentence) {
    int n = 0;
    if (sentence)
        n = std::min({sentence->GetSatellitesInView(), sentence->GetSatelliteCount(), kBarCount});
    for (int i = 0; i < kBarCount; ++i) {
        auto& bar = *bars_[static_cast<size_t>(i)];
        auto& caption = captions_[static_cast<size_t>(i)];
        if (i < n) {
            const SatelliteRecord& s = sentence->GetSatellites()[i];
            bar.SetValue(static_cast<int>(s.snr));
            caption = core::FormatText("%3d", static_cast<int>(s.prn));
        } else {
            bar.SetValue(0);
            caption.clear();
        }
    }
}

core::Text CSatelliteBars::GetCaption(int i) const {
    if (i < 0 || i >= kBarCount) return {};
    return captions_[static_cast<size_t>(i)];
}

void CSatelliteBars::Draw(plat::Dc& dc) const {
    for (const auto& bar : bars_) bar->Draw(dc);
}
