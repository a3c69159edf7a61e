// Peak and valley detection and the limit test of each sweep.
#include "screens/measurement_base.h"

void CMeasurementBase::TrackExtremes(int, double) {}
void CMeasurementBase::DetectPeaks(double, int) {}
void CMeasurementBase::SegmentLimitPass(double, double, double, int) {}
void CMeasurementBase::SortPeaks() {}
void CMeasurementBase::SortValleys() {}
void CMeasurementBase::ShowUpperLimitLabel() {}
void CMeasurementBase::ShowLowerLimitLabel() {}
