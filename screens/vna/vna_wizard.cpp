// CVnaMode: the distance-to-fault wizard's results into the setup.
#include "core/frequency_range.h"
#include "files/vna_meas_setup.h"
#include "screens/vna/vna_mode.h"

bool CVnaMode::RunDtfWizard() {
    CVNAMeasSetup& s = *vna_setup_;
    const auto r = Entries().DtfWizard(
        &s,
        [this] {
            ChooseCable(true);
            GoToPage(kPageFurther, 0);
        },
        LowestFrequency());
    if (r) {
        // A listed cable stays unless the wizard hands back another Vp or
        // loss: then the values are no longer the cable's.
        if (s.GetCableType() && (r->vp != s.GetDtfVp() || r->loss != s.GetDtfLoss()))
            s.SetCableType(nullptr);
        if (r->vp != s.GetDtfVp()) s.SetDtfVp(r->vp);
        if (r->loss != s.GetDtfLoss()) s.SetDtfLoss(r->loss);
        if (r->loss_unit != s.GetDtfLossUnit()) s.SetDtfLossUnit(r->loss_unit);
        if (CFrequencyRange* range = s.GetFrequencyRange()) {
            if (r->centre != range->GetCentre()) range->SetCentre(r->centre, false);
            if (r->span != range->GetSpan()) {
                range->SetSpan(r->span, true);
                s.ValidateDtfStop();
            }
        }
        if (r->points != s.GetDataPoints()) s.SetDataPoints(r->points);
        const bool metres = r->distance_unit == kDistanceMetres;
        if (metres != s.IsDistanceInMeters()) s.SetDistanceUnit(metres);
        if (r->stop_distance != s.GetDtfStop()) s.SetDtfStop(r->stop_distance);
    }
    RepaintScreen(0);
    GoToPage(kPageDtf, kDtfHelpKey);
    return r.has_value();
}
