#pragma once
// What the spectrum and network-analyzer measurements share: they queue
// their messages on the DSP link themselves (the link moves their state),
// restart by sending their sweep again, keep their result items (the link
// must not delete them) and leave the link before they are torn down.
#include <cstdint>

#include "instrument/measurement.h"

// The texts and numbers a concrete measurement is known by.
struct MeasurementTexts {
    uint32_t label_id;
    uint32_t id;
    uint8_t reply_number;
    uint32_t title_id;
    uint32_t title2_id;
    uint32_t description_id;
    uint32_t english_name_id;
};

class CDspMeasurement : public CMeasurement {
  public:
    ~CDspMeasurement() override;

    // The measurement's own message, built from the setup and queued.
    virtual int SendSweep() = 0;
    // The screens restart a measurement through Start: the sweep is sent.
    void Start(uint32_t a, uint32_t b) override;
    // The base reset, then the setup takes this measurement's id.
    void Reset() override;
    // The results are the measurement's own items.
    void ReleaseResult(CDeviceItem*) override {}

  protected:
    CDspMeasurement(CDevicePort* link, uint32_t family, uint32_t description_id);
    void SetTexts(const MeasurementTexts& texts);
    // Makes this the current, active measurement and queues the message (or
    // the term table) on the link. Returns the link's answer, 0 without one.
    int Queue(uint16_t id, const void* payload, uint16_t argument);
    int QueueTable(uint16_t id, const void* table, size_t size, uint16_t count);
    // Leaves the DSP link's listener place, waiting for a delivery to this
    // measurement to end. Every concrete class calls it first in its
    // destructor, so that the link never reaches a half-destroyed object.
    void Detach();

  private:
    void MarkSending();
};
