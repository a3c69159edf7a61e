#pragma once
// A simulated GPS receiver that replays a recorded NMEA log in real time:
// '#' lines dropped, CR LF after each sentence, the epochs (sentences of one
// time of day, or of one cycle before the receiver knows the time) paced by
// their times of day, those without a time by the log's cycle, scaled by
// the scene's time_scale, and the log looped.
#include <string>
#include <vector>

#include "sim/sensors/line_peer.h"

namespace sim {

class NmeaReplay : public ILineDevice {
  public:
    struct Epoch {
        double time_of_day = -1;  // seconds; -1 when no sentence gave one
        std::string bytes;        // its sentences, each ending in CR LF
    };

    // The log's text; time_scale 1 is real time, 0 as fast as it goes.
    NmeaReplay(const std::string& log_text, double time_scale);
    std::string OnBytes(std::string_view, uint64_t) override { return {}; }
    std::string OnTime(uint64_t now_ms) override;
    // The first call of OnTime starts the replay: it is due at once. With
    // time_scale 0 an epoch follows every few milliseconds.
    uint64_t NextDue(uint64_t now_ms) const override;
    const std::vector<Epoch>& Epochs() const { return epochs_; }

    static std::vector<Epoch> SplitEpochs(const std::string& log_text);

  private:
    std::vector<Epoch> epochs_;
    double period_s_;  // the log's cycle, which epochs without a time keep
    double time_scale_;
    size_t next_ = 0;
    uint64_t due_ms_ = 0;
    bool started_ = false;
};

}  // namespace sim
