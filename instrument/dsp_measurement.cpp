#include "instrument/dsp_measurement.h"

#include "files/meas_setup.h"
#include "instrument/device_port.h"
#include "instrument/dsp_message.h"

CDspMeasurement::CDspMeasurement(CDevicePort* link, uint32_t family, uint32_t description_id)
    : CMeasurement(link) {
    family_ = family;
    description_id_ = description_id;
}

CDspMeasurement::~CDspMeasurement() {
    Detach();
}

void CDspMeasurement::SetTexts(const MeasurementTexts& t) {
    label_id_ = t.label_id;
    id_ = t.id;
    reply_number_ = t.reply_number;
    title_id_ = t.title_id;
    title2_id_ = t.title2_id;
    description_id_ = t.description_id;
    english_name_id_ = t.english_name_id;
}

void CDspMeasurement::Detach() {
    if (link_) link_->RemoveListener(this);
}

void CDspMeasurement::Start(uint32_t, uint32_t) {
    SendSweep();
}

void CDspMeasurement::Reset() {
    CMeasurement::Reset();
    if (CMeasSetup* s = GetSetup()) s->SetMeasurementId(static_cast<int32_t>(id_));
}

void CDspMeasurement::MarkSending() {
    // The base start records the current measurement and sets the active
    // flag; the link, not a start request, then moves the state.
    CMeasurement::Start(0, GetStartArgument());
    SetState(kIdle);
}

int CDspMeasurement::Queue(uint16_t id, const void* payload, uint16_t argument) {
    if (!link_) return 0;
    // A message that needs no stop rides on the running measurement, which
    // is neither stopped nor started again for it.
    if (dspmsg::NeedsStop(id) || !IsActive()) MarkSending();
    return link_->SendMessage(id, payload, argument);
}

int CDspMeasurement::QueueTable(uint16_t id, const void* table, size_t size, uint16_t count) {
    if (!link_ || !table) return 0;
    MarkSending();
    return link_->SendTable(id, table, size, count);
}
