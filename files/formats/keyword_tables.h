#pragma once
// The keys of the tagged text files and their tag ids, searched in a fixed
// order of six tables; the first exact match wins, so a key listed twice
// always gives the id of its first row.
#include <cstdint>
#include <string_view>

namespace files::tag {

inline constexpr int32_t kNone = 0;
inline constexpr int32_t kHead = 1, kHeadEnd = 2, kBody = 3, kBodyEnd = 4;
inline constexpr int32_t kMeasurementClass = 5, kMeasurementId = 6;
inline constexpr int32_t kAppRevision = 7, kCreationDate = 10, kChangeDate = 11;
inline constexpr int32_t kFileSaveDate = 12, kSetupLabel = 13, kSetupLocation = 14;
inline constexpr int32_t kOperator = 15, kNotes = 16;
inline constexpr int32_t kFrequencyStart = 17, kFrequencyStop = 18, kFrequencyCenter = 19;
inline constexpr int32_t kFrequencySpan = 20, kLastUsedDate = 21, kFileType = 22;
inline constexpr int32_t kTitle = 23, kSubtitle = 24, kAmplitudeOffset = 25, kDataPoints = 26;
inline constexpr int32_t kAmplitudeStart = 28, kAmplitudeStop = 29, kAmplitudeUnits = 30;
inline constexpr int32_t kBand = 31, kBandName = 32, kBandStart = 33, kBandStop = 34;
inline constexpr int32_t kBandSpan = 50, kBandCenter = 51;
inline constexpr int32_t kBandEnd = 35, kMarker = 36, kMarkerType = 37, kMarkerState = 38;
inline constexpr int32_t kCurrentMarker = 39, kMarkerLabel = 40, kMarkerDelta = 41;
inline constexpr int32_t kMarkerId = 42, kMarkerDeltaIndex = 43, kMarkerEnd = 44;
inline constexpr int32_t kMarkerFrequency = 45, kMarkerAmplitude = 46, kMarkerPixelIndex = 47;
inline constexpr int32_t kMarkerFcFrequency = 48, kMarkerFcAmplitude = 49;
inline constexpr int32_t kLimit = 52, kLimitEnd = 53, kUpperLimitValue = 55;
inline constexpr int32_t kUpperLimitState = 56, kLowerLimitValue = 57, kLowerLimitState = 58;
inline constexpr int32_t kLimitAlarm = 59, kIfImmunity = 63, kDtfUnit = 67, kPowerOutput = 68;
inline constexpr int32_t kCableType = 69, kDtfStart = 70, kDtfStop = 71, kDtfSmooth = 72;
inline constexpr int32_t kDtfVp = 73, kCopyright = 76, kHtml = 84, kHtmlEnd = 85;
inline constexpr int32_t kResolutionBandwidth = 91, kResolutionBandwidthMode = 92;
inline constexpr int32_t kVideoBandwidth = 93, kVideoBandwidthMode = 94, kReferenceLevel = 95;
inline constexpr int32_t kResolutionLevel = 97, kFactory = 98, kAttenuationLevel = 99;
inline constexpr int32_t kAttenuationMode = 100, kPreampLevel = 101, kPreampMode = 102;
inline constexpr int32_t kTrigger = 103, kTriggerEnd = 104, kBandwidth = 105;
inline constexpr int32_t kBandwidthEnd = 106, kScaleSetting = 107, kMeasureUnit = 108;
inline constexpr int32_t kAveragingMode = 109, kAveragingCount = 110, kDetectionMode = 111;
inline constexpr int32_t kPeakHold = 112, kPeakHoldMode = 113, kTriggerMode = 114;
inline constexpr int32_t kTriggerRisingEdge = 115, kTriggerFallingEdge = 116;
inline constexpr int32_t kTriggerVoltageLevel = 117, kTriggerDelay = 118, kSpanToRbwRatio = 119;
inline constexpr int32_t kTriggerLevel = 120, kRbwToVbwRatio = 121, kTriggerType = 122;
inline constexpr int32_t kThresholdPercentMisspelt = 124, kThresholdMisspelt = 125;
inline constexpr int32_t kThresholdPercent = 126, kThreshold = 127, kChannelNumber = 128;
inline constexpr int32_t kChannelWidth = 129, kModulationType = 130, kSidebandFrequency = 131;
inline constexpr int32_t kVolumeType = 132, kCenterDistance = 133, kStartMe = 134;
inline constexpr int32_t kFavorite = 145, kReferenceStepping = 146, kPlayTime = 147;
inline constexpr int32_t kAntennaName = 148, kThresholdModeMisspelt = 149, kThresholdMode = 150;
inline constexpr int32_t kDcBiasType = 151, kFreqCounter = 152;
inline constexpr int32_t kMaximumLevel = 171, kMinimumLevel = 172;
inline constexpr int32_t kGainMaximumLevel = 177, kGainMinimumLevel = 178;
inline constexpr int32_t kMeasurementClassVna = 179, kHasCalibration = 182, kFSBeepMode = 183;
inline constexpr int32_t kAdjChannelWidth = 184, kCableLossImmunity = 185;
inline constexpr int32_t kSetupFileRevision = 186, kWaterfallMode = 187, kZeroSpanTime = 206;
inline constexpr int32_t kDtfCableType = 220, kDtfLoss = 221, kOnePortMeasureUnit = 222;

// The id of a key, or kNone.
int32_t FindKeyword(std::u16string_view key);
// The key of the copyright line, recognised by the start of the line.
inline constexpr std::u16string_view kCopyrightKey = u"Copyright";

}  // namespace files::tag
