#pragma once
// What a measurement calls on the screen that owns it. The measurement
// engine knows its screen only through this interface; the screen base
// (CModeBase) implements it, so a screen overrides the hooks it needs and
// every other hook keeps the neutral behaviour given here.
#include <cstdint>
#include <string>

class CDeviceItem;
class CMeasSetup;

class IMeasurementScreen {
  public:
    virtual ~IMeasurementScreen() = default;

    // A result of the current measurement (a device item or a reading); runs
    // on the DSP link thread or the sensor thread. The result stays the
    // measurement's: the screen copies what it keeps.
    virtual void ProcessNewData(CDeviceItem* /*result*/, int /*flag*/) {}
    // 0 repaints the whole frame, non-zero the graph only.
    virtual void RepaintScreen(int /*flag*/) {}
    // The screen draws itself anew; the measurement worker calls it with 1
    // after the board's I/O controller woke (on the worker's thread).
    virtual void Redraw(int /*flag*/) {}
    virtual intptr_t QueryHook(intptr_t /*value*/) { return 0; }
    virtual intptr_t NoticeHook(intptr_t /*value*/) { return 0; }
    virtual void MessageSentHook() {}
    virtual intptr_t ScreenState() const { return 0; }
    virtual void ReplyIdleHook() {}
    virtual void GpsTextHook(const char* /*text*/, int /*length*/, intptr_t /*extra*/) {}
    // Flag 1 shows the text in the status line; "" with 0 removes it.
    virtual void ShowStatusMessage(const std::u16string& /*text*/, int /*flag*/) {}
    // The setup object the screen's measurements work on.
    virtual CMeasSetup* GetSetup() const { return nullptr; }
    // The board's I/O controller went to sleep: the screen stops measuring.
    virtual int StopMeasurement() { return 0; }
};
