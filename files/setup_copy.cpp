// Copies of setups: the scratch copy a file is read into before it becomes
// the live setup, and the global spectrum setup store the screen refreshes.
#include "files/meas_setup.h"
#include "files/power_meas_setup.h"
#include "files/vna_meas_setup.h"

std::unique_ptr<CMeasSetup> CMeasSetup::CloneSettings() const {
    std::unique_ptr<CMeasSetup> copy = CreateBlank();
    copy->CopyFrom(*this);
    copy->changed_ = changed_;
    return copy;
}

void CMeasSetup::CopyFrom(const CMeasSetup& other) {
    ChangeBatch batch(*this);
    CopyBaseFields(other);
    NotifyChanged(true);
}

void CMeasSetup::CopyBaseFields(const CMeasSetup& other) {
    if (&other == this) return;
    waterfall_mode_ = other.waterfall_mode_;
    fs_beep_mode_ = other.fs_beep_mode_;
    named_from_file_ = other.named_from_file_;
    setup_label_ = other.setup_label_;
    date_text_ = other.date_text_;
    file_path_ = other.file_path_;
    subtitle_ = other.subtitle_;
    notes_ = other.notes_;
    title_ = other.title_;
    change_time_ = other.change_time_;
    save_time_ = other.save_time_;
    creation_time_ = other.creation_time_;
    seventh_text_ = other.seventh_text_;
    start_me_ = other.start_me_;
    // Copied into the records this setup keeps (the graph may show them).
    for (int i = 0; i < kMarkerCount; ++i) {
        if (markers_[i])
            *markers_[i] = *other.markers_[i];
        else
            markers_[i] = std::make_unique<CValueRecord>(*other.markers_[i]);
    }
    measurement_class_ = other.measurement_class_;
    measurement_id_ = other.measurement_id_;
    measurement_name_id_ = other.measurement_name_id_;
    state_word_ = other.state_word_;
    owner_word_ = other.owner_word_;
    measure_unit_ = other.measure_unit_;
    count_setting_ = other.count_setting_;
    if (other.range_) {
        auto range = std::make_unique<CFrequencyRange>(0, 0, CFrequencyRange::kDefaultUpper);
        range->CopyValuesFrom(*other.range_);
        range_ = std::move(range);
    } else {
        range_.reset();
    }
    if (other.reference_value_) {
        auto value = std::make_unique<CGuardedValue>(other.reference_value_->GetUnit());
        value->CopyValuesFrom(*other.reference_value_);
        reference_value_ = std::move(value);
    } else {
        reference_value_.reset();
    }
    upper_limit_value_ = other.upper_limit_value_;
    lower_limit_value_ = other.lower_limit_value_;
    upper_limit_state_ = other.upper_limit_state_;
    lower_limit_state_ = other.lower_limit_state_;
    limit_alarm_ = other.limit_alarm_;
    limit_type_ = other.limit_type_;
    sweep_flag_ = other.sweep_flag_;
    freq_counter_ = other.freq_counter_;
    band_ = other.band_;
    cable_type_ = other.cable_type_;
    scale_setting_ = other.scale_setting_;
    amplitude_offset_ = other.amplitude_offset_;
    if (other.bandwidth_) {
        auto block = std::make_unique<CChoiceBlock>(this);
        block->CopyValuesFrom(*other.bandwidth_);
        bandwidth_ = std::move(block);
    } else {
        bandwidth_.reset();
    }
    data_points_ = other.data_points_;
    averaging_mode_ = other.averaging_mode_;
    averaging_count_ = other.averaging_count_;
    reference_level_ = other.reference_level_;
    reference_stepping_ = other.reference_stepping_;
    attenuation_level_ = other.attenuation_level_;
    previous_attenuation_level_ = other.previous_attenuation_level_;
    preamp_level_ = other.preamp_level_;
    attenuation_mode_ = other.attenuation_mode_;
    preamp_mode_ = other.preamp_mode_;
    resolution_level_ = other.resolution_level_;
    peak_hold_ = other.peak_hold_;
    peak_hold_mode_ = other.peak_hold_mode_;
    trace_entries_ = other.trace_entries_;
    detection_mode_ = other.detection_mode_;
    trigger_ = other.trigger_ ? std::make_unique<CTriggerSettings>(*other.trigger_) : nullptr;
    threshold_ = other.threshold_;
    threshold_percent_ = other.threshold_percent_;
    threshold_mode_ = other.threshold_mode_;
    channel_number_ = other.channel_number_;
    channel_width_ = other.channel_width_;
    adj_channel_width_ = other.adj_channel_width_;
    center_distance_ = other.center_distance_;
    modulation_type_ = other.modulation_type_;
    sideband_frequency_ = other.sideband_frequency_;
    volume_type_ = other.volume_type_;
    play_time_ = other.play_time_;
    antenna_ = other.antenna_;
    zero_span_time_ = other.zero_span_time_;
    level_word_ = other.level_word_;
    level_ = other.level_;
    favorite_ = other.favorite_;
    marker_search_mode_ = other.marker_search_mode_;
    rssi_ = other.rssi_;
}

void CPowerMeasSetup::CopyFrom(const CMeasSetup& other) {
    ChangeBatch batch(*this);
    CopyBaseFields(other);
    if (const auto* power = dynamic_cast<const CPowerMeasSetup*>(&other))
        power_setting_ = power->power_setting_;
    NotifyChanged(true);
}

void CVNAMeasSetup::CopyFrom(const CMeasSetup& other) {
    ChangeBatch batch(*this);
    CopyBaseFields(other);
    if (const auto* vna = dynamic_cast<const CVNAMeasSetup*>(&other); vna && vna != this) {
        cable_loss_immunity_ = vna->cable_loss_immunity_;
        if_immunity_ = vna->if_immunity_;
        power_output_one_port_ = vna->power_output_one_port_;
        power_output_two_port_ = vna->power_output_two_port_;
        minimum_level_ = vna->minimum_level_;
        maximum_level_ = vna->maximum_level_;
        gain_minimum_level_ = vna->gain_minimum_level_;
        gain_maximum_level_ = vna->gain_maximum_level_;
        dtf_vp_ = vna->dtf_vp_;
        dtf_loss_ = vna->dtf_loss_;
        dtf_loss_unit_ = vna->dtf_loss_unit_;
        distance_unit_ = vna->distance_unit_;
        calibrating_ = vna->calibrating_;
        cable_loss_ = vna->cable_loss_;
        two_port_avg_gain_ = vna->two_port_avg_gain_;
        two_port_b_amps_ = vna->two_port_b_amps_;
        dtf_start_ = vna->dtf_start_;
        dtf_stop_ = vna->dtf_stop_;
        dtf_smoothing_ = vna->dtf_smoothing_;
        dc_bias_type_ = vna->dc_bias_type_;
        cal_uploaded_ = vna->cal_uploaded_;
        has_cal_file_ = vna->has_cal_file_;
    }
    NotifyChanged(true);
}
