#pragma once
// What a measurement asks of the screen that owns it. The mode screens
// (CModeBase) implement these operations; the measurement engine sees the
// screen only through them, so it does not depend on the screen library.
#include <cstdint>

#include "core/text.h"

class CDeviceItem;
class CMeasSetup;

class CMeasurementScreen {
  public:
    virtual ~CMeasurementScreen() = default;

    // Flag 1 shows the text in the status line; an empty text with flag 0
    // removes it.
    virtual void ShowStatusMessage(const core::Text& text, int flag) = 0;
    // A result of the measurement; valid for the call only (the screen copies
    // what it keeps). Runs on the DSP link's thread or a sensor thread.
    virtual int ProcessNewData(CDeviceItem* result, int flag) = 0;
    // Stops the running measurement (also on the board's sleep entry).
    virtual void StopMeasurement() = 0;
    virtual void Redraw(int flag) = 0;
    virtual uint32_t QueryHook() { return 0; }
    virtual uint32_t NoticeHook() { return 0; }
    virtual void MessageSentHook() {}
    virtual uint32_t ScreenState() { return 0; }
    virtual void ReplyIdleHook() {}
    virtual void GpsTextHook(const char* /*text*/, int /*length*/, int /*extra*/) {}
    // The screen's setup object, which the measurement takes at Init.
    virtual CMeasSetup* GetSetup() { return nullptr; }
};
