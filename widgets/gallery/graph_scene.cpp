#include "widgets/gallery/graph_scene.h"

namespace gallery {

void FillSweep(CGraphWidget& g, int points, int32_t state, bool limits) {
    auto d = g.LockData();
    for (int i = 0; i < points; ++i) {
        const size_t k = static_cast<size_t>(i);
        d->positions[k] = kStartHz + kStepHz * k;
        d->liveLevels[k] = SweepLevel(i);
        d->referenceLevels[k] = kReferenceLevel;
        const int x = g.ValueToX(i, 0, points);
        d->livePoints[k] = {x, g.ValueToY(SweepLevel(i), kScaleTop, kScaleBottom)};
        d->referencePoints[k] = {x, g.ValueToY(kReferenceLevel, kScaleTop, kScaleBottom)};
        d->stored1Points[k] = {x, g.ValueToY(kUpperLimit, kScaleTop, kScaleBottom)};
        d->stored2Points[k] = {x, g.ValueToY(kLowerLimit, kScaleTop, kScaleBottom)};
    }
    for (int c = 0; c < kSweepPoints; ++c) {
        const double frac =
            (kScaleTop - SweepLevel(c * points / kSweepPoints)) / (kScaleTop - kScaleBottom);
        d->columnLevels[static_cast<size_t>(c)] = static_cast<int32_t>(frac * 210);
    }
    d->received = d->total = d->last = points;
    d->first = 0;
    d->stored1Shown = d->stored2Shown = limits;
    d->segmentColoring = limits;
    if (limits) {
        const int32_t ends[] = {0, kCarrierPoint - 10, kCarrierPoint + 10, points};
        const int32_t states[] = {kSegmentPass, kSegmentFail, kSegmentPass};
        d->segmentCount = 3;
        for (size_t s = 0; s < 4; ++s) d->segmentEnds[s] = ends[s];
        for (size_t s = 0; s < 3; ++s) d->stateCodes[s] = states[s];
    } else {
        d->segmentCount = 1;
        d->segmentEnds[0] = 0;
        d->segmentEnds[1] = points;
        d->stateCodes[0] = state;
    }
    d->startFrequency = kStartHz;
    d->stopFrequency = kStartHz + kStepHz * static_cast<uint64_t>(points - 1);
    d->centerFrequency = (d->startFrequency + d->stopFrequency) / 2;
}

void FillColumns(CGraphWidget& g, int level) {
    auto d = g.LockData();
    for (int c = 0; c < kSweepPoints; ++c) d->columnLevels[static_cast<size_t>(c)] = level;
}

MarkerRecords::MarkerRecords() {
    for (int i = 0; i < CGraphWidget::kMarkers; ++i)
        owned.push_back(std::make_unique<CValueRecord>(i));
    for (auto& r : owned) ptrs.push_back(r.get());
}

void PlaceSampleMarkers(CGraphPanel& panel, MarkerRecords& records) {
    panel.SetMarkerRecords(records.ptrs, double(kStartHz), double(kStepHz));
    const int points[] = {kCarrierPoint, 150, 300, 650};
    for (int i = 0; i < 4; ++i) {
        records.owned[static_cast<size_t>(i)]->SetType(i < 2 ? 0 : 1);
        panel.SetCurrentMarker(i);
        panel.TurnOnMarker(i);
        panel.SetMarkerPosition(i, kStartHz + kStepHz * static_cast<uint64_t>(points[i]));
    }
    panel.SetCurrentMarker(1);
    panel.ToggleDelta();  // M2 against M1
    panel.SetCurrentMarker(0);
}

}  // namespace gallery
