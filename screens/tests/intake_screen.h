#pragma once
// A measurement screen with only the hooks the intake of sweep blocks needs:
// a record holds one float level (dBm) for each of the sweep's points from 0
// up to its end index; the scale spans 100 dB below `top`; levels are shown
// with `offset` added; `reads` counts the points read from records.
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/sa_meas_setup.h"
#include "instrument/device_item.h"
#include "screens/measurement_base.h"

class IntakeScreen : public CMeasurementBase {
  public:
    explicit IntakeScreen(int points) {
        setup_ = &sa_;
        sa_.SetDataPoints(points);
        AllocTraceBuffers(points);
        TakeSweepSettings();
    }
    void InstrumentHook() override {}
    int GetBlockPointCount(CDeviceItem* r) override { return static_cast<int>(r->GetCount()); }
    int GetBlockEndIndex(CDeviceItem* r) override { return static_cast<int>(r->GetFirstIndex()); }
    double GetTracePoint(CDeviceItem* r, int i) override {
        ++reads;
        float v;
        std::memcpy(&v, r->GetData() + static_cast<size_t>(i) * sizeof v, sizeof v);
        return v;
    }
    double ConvertLevel(double level) override { return level + offset; }
    int LoadScaleRange() override {
        scaleTop = top;
        scaleBottom = top - 100;
        return 1;
    }
    int PrepareSweepStart(int, int*) override {
        m_UpperFailed = m_LowerFailed = false;
        return 1;
    }
    // The data path takes the setup's values again.
    void Retake() { TakeSweepSettings(); }
    // A record of `trace` up to `end` through the intake.
    void Feed(const std::vector<float>& trace, int end) {
        CSweepItem item;
        item.SetData(reinterpret_cast<const uint8_t*>(trace.data()),
                     static_cast<uint32_t>(trace.size() * sizeof(float)), 0, 0);
        item.SetRange(static_cast<uint32_t>(end), static_cast<uint32_t>(end), 0, 0);
        ProcessSweepBlock(&item);
    }

    CSAMeasSetup sa_;
    double top = -20, offset = 0;
    long reads = 0;
};
