#pragma once
// The data of a parsed $GPGSV sentence: how many satellites are in view and
// up to twelve satellite records.
#include <array>
#include <cstddef>
#include <cstdint>

struct GsvSatellite {
    int32_t number = 0;
    int32_t elevation = 0;
    int32_t azimuth = 0;
    int32_t snr = 0;
};

class CGsvSentence {
  public:
    static constexpr int kMaxSatellites = 12;

    int GetSatellitesInView() const { return inView_; }
    // The records held (GetSatelliteCount of them are valid).
    const GsvSatellite* GetSatellites() const { return satellites_.data(); }
    int GetSatelliteCount() const { return count_; }

    // A negative count is taken as 0.
    void SetSatellitesInView(int count) { inView_ = count < 0 ? 0 : count; }
    // False when twelve records are held already.
    bool AddSatellite(const GsvSatellite& s);
    void Clear();

  private:
    int inView_ = 0;
    int count_ = 0;
    std::array<GsvSatellite, kMaxSatellites> satellites_{};
};
