#include "files/formats/sa_setup_file.h"

#include "files/formats/keyword_tables.h"

bool CSASetupFile::WriteSetupBlocks() {
    if (!WriteCommonBody()) return false;
    CMeasSetup& s = *setup_;
    ISetupEnvironment* env = Environment();
    StepProgress(20, 100);
    WriteInt("\t<freq counter = %03d>\n", s.GetFreqCounter() ? 1 : 0);
    if (s.GetCableType() && env)
        WriteText("\t<cable type = %s>\n", env->GetCableTypeName(s.GetCableType()));
    if (s.GetStartMe()) WriteInt("\t<start me = %03d>\n", 1);
    StepProgress(30, 100);
    if (const CChoiceBlock* bandwidth = s.GetBandwidthSettings()) WriteBandwidthBlock(*bandwidth);
    WriteDouble("\t<reference level = %#.5e>\n", s.GetReferenceLevel(false));
    WriteDouble("\t<reference stepping = %#.5e>\n", s.GetReferenceStepping());
    WriteInt("\t<resolution level = %03d>\n", s.GetResolutionLevel());
    WriteInt("\t<attenuation level = %03d>\n", static_cast<int32_t>(s.GetAttenuationLevel()));
    WriteInt("\t<preamp level = %03d>\n", static_cast<int32_t>(s.GetPreampLevel()));
    WriteInt("\t<attenuation mode = %03d>\n", s.GetAttenuationMode());
    WriteInt("\t<preamp mode = %03d>\n", s.GetPreampMode());
    WriteInt("\t<detection mode = %03d>\n", s.GetDetectionMode());
    if (const CTriggerSettings* trigger = s.GetTriggerSettings()) WriteTriggerBlock(*trigger);
    WriteInt("\t<threshold = %03d>\n", s.GetThreshold());
    WriteInt("\t<threshold percent = %03d>\n", s.GetThresholdPercent());
    WriteInt("\t<threshold mode = %03d>\n", s.GetThresholdMode());
    WriteFrequency("\t<channel width = %010u>\n", s.GetChannelWidth());
    WriteFrequency("\t<adj channel width = %010u>\n", s.GetAdjChannelWidth());
    WriteFrequency("\t<center distance = %010u>\n", s.GetCenterDistance());
    WriteInt("\t<modulation type = %03d>\n", s.GetModulationType());
    WriteFrequency("\t<sideband frequency = %010u>\n", s.GetSidebandFrequency());
    WriteInt("\t<play time = %03d>\n", s.GetPlayTime());
    WriteInt("\t<zerospan time = %d>\n", s.GetZeroSpanTime());
    if (s.GetAntenna() && env)
        WriteText("\t<antenna name = %s>\n", env->GetAntennaName(s.GetAntenna()));
    StepProgress(90, 100);
    return GetWriteError() == 0;
}

CSetupFile::Step CSASetupFile::ReadTag(int32_t id, const std::optional<core::Text>& value) {
    using namespace files::tag;
    CMeasSetup& s = Target();
    ISetupEnvironment* env = Environment();
    const core::Text text = value.value_or(core::Text());
    switch (id) {
        case kThreshold:
        case kThresholdMisspelt:
            s.SetThreshold(Int(value));
            return Step::kNext;
        case kThresholdPercent:
        case kThresholdPercentMisspelt:
            s.SetThresholdPercent(Int(value));
            return Step::kNext;
        case kThresholdMode:
        case kThresholdModeMisspelt:
            if (!s.SetThresholdMode(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kChannelNumber:
            s.SetChannelNumber(Int(value));
            s.ApplyChannel();
            return Step::kNext;
        case kChannelWidth:
            s.SetChannelWidth(Frequency(value));
            s.SetAdjChannelWidth(Frequency(value));
            return Step::kNext;
        case kAdjChannelWidth:
            s.SetAdjChannelWidth(Frequency(value));
            return Step::kNext;
        case kCenterDistance:
            s.SetCenterDistance(Frequency(value));
            s.FitCenterDistanceToSpan();
            return Step::kNext;
        case kModulationType:
            if (!s.SetModulationType(Int(value))) Skipped(id, text);
            return Step::kNext;
        case kSidebandFrequency:
            s.SetSidebandFrequency(Frequency(value));
            return Step::kNext;
        case kStartMe:
            s.SetStartMe(true);
            return Step::kNext;
        case kPlayTime:
            s.SetPlayTime(Int(value));
            return Step::kNext;
        case kZeroSpanTime:
            s.SetZeroSpanTime(Int(value));
            return Step::kNext;
        case kAntennaName:
            s.SetAntenna(env ? env->FindAntenna(text) : nullptr);
            return Step::kNext;
        case kFreqCounter:
            s.SetFreqCounter(Int(value) != 0);
            return Step::kNext;
        case kTrigger:
            in_trigger_ = true;
            return Step::kNext;
        case kTriggerEnd:
            in_trigger_ = false;
            return Step::kNext;
        case kTriggerMode:
        case kTriggerRisingEdge:
        case kTriggerFallingEdge:
        case kTriggerVoltageLevel:
        case kTriggerDelay:
        case kTriggerLevel:
        case kTriggerType:
            return in_trigger_ ? ReadTriggerTag(id, Int(value)) : Step::kNext;
        default:
            // The bandwidth lines count only inside their block (common handling).
            return CSetupFile::ReadTag(id, value);
    }
}

CSetupFile::Step CSASetupFile::ReadTriggerTag(int32_t id, int32_t value) {
    using namespace files::tag;
    CTriggerSettings* t = Target().GetTriggerSettings();
    if (!t) return Step::kNext;
    switch (id) {
        case kTriggerMode:
            t->SetMode(CTriggerSettings::kDefaultMode);
            break;
        case kTriggerRisingEdge:
            t->SetRisingEdge(value != 0);
            break;
        case kTriggerFallingEdge:
            t->SetFallingEdge(value != 0);
            break;
        case kTriggerVoltageLevel:
            t->SetType(value != 0);
            break;
        case kTriggerLevel:
            t->SetFlagA(value != 0);
            break;
        case kTriggerType:
            t->SetFlagB(value != 0);
            break;
        default:
            t->SetDelay(static_cast<uint32_t>(value < 0 ? 0 : value));
            break;
    }
    return Step::kNext;
}
