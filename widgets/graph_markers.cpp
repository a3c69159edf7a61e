// The graph's six markers: requests posted by the screens, carried out while
// the trace is drawn, the flags and the marker table.
#include <algorithm>
#include <cmath>

#include "widgets/graph_widget.h"

namespace {
constexpr int kRequestIndex = 0;
constexpr int kRequestListA = 1;
constexpr int kRequestListB = 2;
constexpr int kRequestValue = 3;
constexpr COLORREF kTableCurrent = plat::RGB(0, 200, 0);
constexpr COLORREF kDarkBlue = plat::RGB(0, 0, 160);
constexpr ColorSchemeIndex kCurrentLine = 21;
constexpr int kLineStep = 18;
constexpr int kTableBoxW = 205;
constexpr int kTableBoxH = 150;
constexpr plat::Point kTableBoxes[4] = {{500, 50}, {500, 260}, {60, 260}, {60, 50}};

void ClearRequests(CValueRecord& r) {
    auto& q = r.Requests();
    q = {};
}
}  // namespace

CValueRecord* CGraphWidget::Record(int i) const {
    if (i < 0 || i >= kMarkers || !markers_[static_cast<size_t>(i)]) return nullptr;
    return markers_[static_cast<size_t>(i)]->GetRecord();
}

const CMarkerWidget* CGraphWidget::GetMarker(int i) const {
    Guard g(mutex_);
    return i < 0 || i >= kMarkers ? nullptr : markers_[static_cast<size_t>(i)].get();
}

GraphEdges CGraphWidget::Edges() const {
    Guard g(mutex_);
    return {Cur().left, Cur().right, Cur().top, Cur().PlotBottom()};
}

int CGraphWidget::CurrentIndex() const {
    for (int i = 0; i < kMarkers; ++i)
        if (CValueRecord* r = Record(i); r && r->IsCurrent()) return i;
    return -1;
}

int CGraphWidget::ClampIndex(int index) const {
    const int n = std::min(data_.received, kGraphPoints);
    if (n <= 0) return 0;
    return std::clamp(index, 0, n - 1);
}

int CGraphWidget::LastPoint() const {
    return std::max(std::min(data_.total, kGraphPoints) - 1, 0);
}

bool CGraphWidget::PositionArrived(uint64_t position) const {
    const int n = std::min(data_.received, kGraphPoints);
    if (n <= 0) return false;
    return n > LastPoint() || position <= data_.positions[static_cast<size_t>(n - 1)];
}

CGraphWidget::RequestedPoint CGraphWidget::PendingRequest(int i) const {
    RequestedPoint p;
    CValueRecord* r = Record(i);
    if (!r) return p;
    const CValueRecord::MoveRequests& q = r->Requests();
    const auto k = static_cast<size_t>(i);
    int index = -1;
    if (q.flags[kRequestValue]) {
        // Only the points received so far hold this sweep's positions.
        p.pending = true;
        p.arrived = PositionArrived(q.value);
        if (!p.arrived) return p;
        index = ClampIndex(r->GetPixelIndex());
        FindFrequencyIndex(q.value, index);
    } else if (q.flags[kRequestIndex]) {
        index = q.index;
    } else if (q.flags[kRequestListB]) {
        index = data_.indexB[k];
    } else if (q.flags[kRequestListA]) {
        index = data_.indexA[k];
    } else {
        return p;
    }
    p.pending = true;
    p.index = std::clamp(index, 0, LastPoint());
    p.arrived = p.index < std::min(data_.received, kGraphPoints);
    return p;
}

bool CGraphWidget::MarkerWaits(int i) const {
    const CValueRecord* r = Record(i);
    if (!r) return true;
    const RequestedPoint p = PendingRequest(i);
    return p.pending ? !p.arrived : !PositionArrived(RecordPosition(*r));
}

uint64_t CGraphWidget::RecordPosition(const CValueRecord& r) const {
    return xAxisKind_ == 1   ? r.GetPosition2()
           : xAxisKind_ == 2 ? r.GetPosition3()
                             : r.GetFrequency();
}

void CGraphWidget::StoreMarkerPosition(int i, uint64_t position) {
    CValueRecord* r = Record(i);
    if (!r) return;
    if (xAxisKind_ == 1)
        r->SetPosition2(position);
    else if (xAxisKind_ == 2)
        r->SetPosition3(position);
    else
        r->SetFrequency(position);
}

MarkerTextStyle CGraphWidget::TextStyle() const {
    MarkerTextStyle s;
    s.xAxisKind = xAxisKind_;
    s.levelUnit = unit_;
    const GraphData& d = data_;
    const int points = std::min(d.total, kGraphPoints);
    if (xAxisKind_ == 0 && points > 1 && d.stopFrequency > d.startFrequency)
        s.pointSpacing = double(d.stopFrequency - d.startFrequency) / (points - 1);
    return s;
}

void CGraphWidget::SetLevelUnit(uint32_t unit) {
    Guard g(mutex_);
    unit_ = unit;
}

void CGraphWidget::CreateMarkers(CValueRecord* record, int i, double start, double step) {
    Guard g(mutex_);
    if (!record || i < 0 || i >= kMarkers) return;
    auto w = std::make_unique<CMarkerWidget>(record);
    w->Create(owner_, rect_.left, rect_.top, rect_.right, rect_.bottom, colorIndex_, pt10_,
              scheme_);
    markers_[static_cast<size_t>(i)] = std::move(w);
    const int points = data_.total;
    if (record->GetPixelIndex() < 0 || record->GetPixelIndex() > points - 1)
        record->SetPixelIndex(points / 2);
    const double pos = std::trunc(start + record->GetPixelIndex() * step + 0.5);
    StoreMarkerPosition(i, pos > 0 ? static_cast<uint64_t>(pos) : 0);
    ClearRequests(*record);
    if (record->GetState() != 0) {
        anyMarkerOn_ = true;
        ++markersOn_;
    }
    if (record->IsCurrent()) {
        if (currentSeen_) record->SetCurrent(false);
        currentSeen_ = true;
    }
}

void CGraphWidget::SetMarkerRecords(std::span<CValueRecord* const> records, double start,
                                    double step) {
    Guard g(mutex_);
    markersOn_ = 0;
    anyMarkerOn_ = currentSeen_ = false;
    for (size_t i = 0; i < records.size() && i < kMarkers; ++i)
        CreateMarkers(records[i], static_cast<int>(i), start, step);
    if (CurrentIndex() < 0) NextMarker();
    PlaceMarkerTable();
}

void CGraphWidget::SetCurrentMarker(int i) {
    Guard g(mutex_);
    if (!Record(i)) return;
    if (CValueRecord* c = Record(CurrentIndex())) c->SetCurrent(false);
    Record(i)->SetCurrent(true);
}

int CGraphWidget::NextMarker() {
    Guard g(mutex_);
    const int cur = CurrentIndex();
    if (CValueRecord* c = Record(cur)) c->SetCurrent(false);
    const int next = (cur + 1) % kMarkers;
    if (CValueRecord* n = Record(next)) n->SetCurrent(true);
    return next + 1;
}

void CGraphWidget::CountMarkersOn() {
    markersOn_ = 0;
    for (int i = 0; i < kMarkers; ++i)
        if (CValueRecord* r = Record(i); r && r->GetState() != 0) ++markersOn_;
    anyMarkerOn_ = markersOn_ > 0;
}

void CGraphWidget::TurnOn(int i) {
    CValueRecord* r = Record(i);
    if (!r) return;
    r->SetState(1);
    r->Requests().index = data_.total / 2;
    r->Requests().flags[kRequestIndex] = 1;
}

void CGraphWidget::ToggleCurrentMarker() {
    Guard g(mutex_);
    CValueRecord* r = Record(CurrentIndex());
    if (!r) return;
    if (r->GetState() != 0)
        r->SetState(0);
    else
        TurnOn(CurrentIndex());
    CountMarkersOn();
    PlaceMarkerTable();
}

void CGraphWidget::TurnOnMarker(int i) {
    Guard g(mutex_);
    if (!Record(i)) return;
    TurnOn(i);
    CountMarkersOn();
    PlaceMarkerTable();
}

int CGraphWidget::GetMarkerState(int i) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(i);
    return r ? r->GetState() : 0;
}

void CGraphWidget::MoveCurrentMarkerToIndex(int index) {
    Guard g(mutex_);
    CValueRecord* r = Record(CurrentIndex());
    if (!r) return;
    r->Requests().index = index;
    r->Requests().flags[kRequestIndex] = 1;
}

void CGraphWidget::ToggleDelta() {
    Guard g(mutex_);
    const int cur = CurrentIndex();
    CValueRecord* r = Record(cur);
    if (!r) return;
    if (r->GetState() == 0) TurnOn(cur);
    if (r->GetDelta() == 1) {
        const int d = r->GetDeltaIndex() + 1;
        if (d < kMarkers)
            r->SetDeltaIndex(d);
        else
            r->SetDelta(0);
    } else {
        r->SetDelta(1);
        r->SetDeltaIndex(0);
    }
    if (r->GetDelta() == 1) {
        CValueRecord* ref = Record(r->GetDeltaIndex());
        if (ref && ref->GetState() == 0) {
            ref->SetState(1);
            ref->Requests().value = RecordPosition(*r);
            ref->Requests().flags[kRequestValue] = 1;
        }
    }
    CountMarkersOn();
}

bool CGraphWidget::GetCurrentDelta(int& delta, int& delta_index) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(CurrentIndex());
    if (!r) return false;
    delta = r->GetDelta();
    delta_index = r->GetDeltaIndex();
    return true;
}

int CGraphWidget::ToggleCurrentType() {
    Guard g(mutex_);
    CValueRecord* r = Record(CurrentIndex());
    if (!r) return 1;
    const int t = r->GetType() == 1 ? 0 : 1;
    r->SetType(t);
    return t;
}

int CGraphWidget::SetAllTypes0() {
    Guard g(mutex_);
    for (int i = 0; i < kMarkers; ++i)
        if (CValueRecord* r = Record(i)) r->SetType(0);
    return 0;
}

int CGraphWidget::SetAllTypes1() {
    Guard g(mutex_);
    for (int i = 0; i < kMarkers; ++i)
        if (CValueRecord* r = Record(i)) r->SetType(1);
    return 1;
}

core::Text CGraphWidget::GetMarkerLabel(int i) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(i);
    return r ? r->GetLabel() : core::Text();
}

void CGraphWidget::SetMarkerLabel(const core::Text& text, int i) {
    Guard g(mutex_);
    if (CValueRecord* r = Record(i)) r->SetLabel(text);
}

core::Text CGraphWidget::GetMarkerSecondText(int i) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(i);
    return r ? r->GetSecondText() : core::Text();
}

void CGraphWidget::SetMarkerSecondText(const core::Text& text, int i) {
    Guard g(mutex_);
    if (CValueRecord* r = Record(i)) r->SetSecondText(text);
}

int CGraphWidget::ToggleCurrentMarkerOption() {
    Guard g(mutex_);
    CValueRecord* r = Record(CurrentIndex());
    if (!r) return 1;
    const int o = r->GetMarkerOption() == 1 ? 0 : 1;
    r->SetMarkerOption(o);
    return o;
}

void CGraphWidget::SetMarkerTablePosition(int position) {
    Guard g(mutex_);
    tablePosition_ = position;
    PlaceMarkerTable();
}

int CGraphWidget::GetMarkerTablePosition() const {
    Guard g(mutex_);
    return tablePosition_;
}

void CGraphWidget::PlaceMarkerTable() {
    Guard g(mutex_);
    if (layout_ != kPanelLayout && layout_ != kScreenLayout) return;
    int position = tablePosition_;
    if (position < 0 || position > kTableHidden) {
        tablePosition_ = 0;
        position = 3;
    }
    tableShown_ = position != kTableHidden;
    if (!tableShown_) return;
    const Layout& L = Cur();
    const int n = markersOn_;
    const bool lower = position == 1 || position == 2;
    const bool left = position == 2 || position == 3;
    tableTop_ = lower ? L.PlotBottom() - 20 * n - 50 : L.top + 30;
    tableLeft_ = left ? L.left + 60 : L.right - 210;
    tableRight_ = tableLeft_ + 200;
    int top = tableTop_;
    const size_t li = static_cast<size_t>(Clamp(layout_));
    for (int i = 0; i < kMarkers; ++i) {
        markerLines_[li][static_cast<size_t>(i)].rect = {tableLeft_, top, tableRight_, top + 20};
        const CValueRecord* r = Record(i);
        if (r && r->GetState() == 1) top += kLineStep;
    }
}

void CGraphWidget::AllMarkersOff() {
    Guard g(mutex_);
    for (int i = 0; i < kMarkers; ++i) {
        if (CValueRecord* r = Record(i)) {
            r->SetState(0);
            r->SetCurrent(false);
            r->SetDelta(0);
        }
    }
    CountMarkersOn();
}

int CGraphWidget::PlaceAllMarkers(bool from_list_a) {
    Guard g(mutex_);
    for (int i = 0; i < kMarkers; ++i) {
        CValueRecord* r = Record(i);
        if (!r) continue;
        r->SetState(1);
        r->SetPixelIndex(data_.total / 2);
        r->Requests().flags[from_list_a ? kRequestListA : kRequestListB] = 1;
        r->SetCurrent(false);
    }
    if (CValueRecord* r = Record(0)) r->SetCurrent(true);
    markersOn_ = kMarkers;
    anyMarkerOn_ = true;
    PlaceMarkerTable();
    return kMarkers;
}

int CGraphWidget::GetCurrentMarker(int& i) const {
    Guard g(mutex_);
    const int c = CurrentIndex();
    if (c < 0) return 0;
    i = c;
    return 1;
}

bool CGraphWidget::GetMarkerInfo(int i, int& state, int& type, int& delta, int& option) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(i);
    if (!r) return false;
    state = r->GetState();
    type = r->GetType();
    delta = r->GetDelta();
    option = r->GetMarkerOption();
    return true;
}

void CGraphWidget::MoveCurrentMarkerBy(bool right, int n) {
    Guard g(mutex_);
    CValueRecord* r = Record(CurrentIndex());
    if (!r) return;
    // A step starts from where the marker is going, so that steps given
    // faster than the trace is drawn add up.
    const int from = GetMarkerTargetIndex(CurrentIndex());
    const int64_t target = int64_t(from) + (right ? int64_t(n) : -int64_t(n));
    r->Requests().index = static_cast<int32_t>(std::clamp<int64_t>(target, 0, LastPoint()));
    r->Requests().flags[kRequestIndex] = 1;
}

int CGraphWidget::GetMarkerPixelIndex(int i) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(i);
    return r ? r->GetPixelIndex() : 0;
}

int CGraphWidget::GetMarkerTargetIndex(int i) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(i);
    if (!r) return 0;
    const RequestedPoint p = PendingRequest(i);
    return p.pending && p.index >= 0 ? p.index : r->GetPixelIndex();
}

int CGraphWidget::GetMarkerValues(int i, double& amplitude, uint64_t& position) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(i);
    if (!r) return 0;
    amplitude = r->GetAmplitude();
    position = RecordPosition(*r);
    return 1;
}

int CGraphWidget::GetPendingMarkerValues(int i, double& amplitude, uint64_t& position) const {
    Guard g(mutex_);
    CValueRecord* r = Record(i);
    if (!r) return 0;
    amplitude = r->GetAmplitude();
    position = RecordPosition(*r);
    const RequestedPoint p = PendingRequest(i);
    if (!p.pending || data_.received <= 0) return 1;
    if (p.arrived) {
        const auto k = static_cast<size_t>(p.index);
        position = data_.positions[k];
        amplitude = data_.liveLevels[k];
    } else if (p.index < 0) {
        position = r->Requests().value;  // a value not reached yet
    } else if (xAxisKind_ == 0 && data_.total > 1) {
        // A point of this sweep not received yet: its frequency from the
        // sweep's range, its level as the trace shows it.
        const double step = (double(data_.stopFrequency) - double(data_.startFrequency)) /
                            double(std::min(data_.total, kGraphPoints) - 1);
        position = static_cast<uint64_t>(double(data_.startFrequency) + p.index * step + 0.5);
        amplitude = data_.liveLevels[static_cast<size_t>(p.index)];
    }
    return 1;
}

int CGraphWidget::MoveCurrentMarkerToValue(uint64_t value) {
    Guard g(mutex_);
    CValueRecord* r = Record(CurrentIndex());
    if (!r) return 0;
    r->Requests().value = value;
    r->Requests().flags[kRequestValue] = 1;
    return 1;
}

int CGraphWidget::SetMarkerPosition(int i, uint64_t value) {
    Guard g(mutex_);
    CValueRecord* r = Record(i);
    if (!r) return 0;
    r->Requests().value = value;
    r->Requests().flags[kRequestValue] = 1;
    return 1;
}

int CGraphWidget::FindFrequencyIndex(uint64_t target, int& index) const {
    Guard g(mutex_);
    const int count = std::clamp(data_.received, 0, kGraphPoints);
    if (count <= 0) return 0;  // nothing to search: the index stays
    const auto& p = data_.positions;
    const int cur = std::clamp(index, 0, count - 1);
    if (p[static_cast<size_t>(cur)] == target) {
        index = cur;
        return 1;
    }
    const auto it = std::lower_bound(p.begin(), p.begin() + count, target);
    const int k = static_cast<int>(it - p.begin());
    if (k == count) {
        index = count - 1;
        return 0;
    }
    if (k == 0) {
        index = 0;
        return 0;
    }
    const uint64_t below = target - p[static_cast<size_t>(k - 1)];
    const uint64_t above = p[static_cast<size_t>(k)] - target;
    index = above <= below ? k : k - 1;
    return 1;
}

double CGraphWidget::GetDeltaAmplitude(int i) const {
    Guard g(mutex_);
    CValueRecord* r = Record(i);
    return r ? r->UpdateDeltaAmplitude() : 0.0;
}

void CGraphWidget::SetXAxisKind(int kind) {
    Guard g(mutex_);
    xAxisKind_ = kind;
}

int CGraphWidget::GetXAxisKind() const {
    Guard g(mutex_);
    return xAxisKind_;
}

core::Text CGraphWidget::GetCurrentMarkerText() const {
    Guard g(mutex_);
    const int c = CurrentIndex();
    if (c < 0) return {};
    return markers_[static_cast<size_t>(c)]->FormatMarkerText(nullptr, true, TextStyle(), false);
}

void CGraphWidget::SetMarkerFcValues(std::span<const std::pair<uint64_t, double>> values) {
    Guard g(mutex_);
    for (size_t i = 0; i < values.size() && i < kMarkers; ++i) {
        if (CValueRecord* r = Record(static_cast<int>(i))) {
            r->SetFcFrequency(values[i].first);
            r->SetFcAmplitude(values[i].second);
        }
    }
}

void CGraphWidget::RescaleMarkers(int old_points, int new_points) {
    Guard g(mutex_);
    if (old_points <= 0) return;
    for (int i = 0; i < kMarkers; ++i) {
        if (CValueRecord* r = Record(i)) {
            const float scaled = static_cast<float>(r->GetPixelIndex()) *
                                 static_cast<float>(new_points) / static_cast<float>(old_points);
            r->SetPixelIndex(static_cast<int32_t>(scaled));
        }
    }
}

void CGraphWidget::HideMarkerTable() {
    Guard g(mutex_);
    tablePosition_ = 0;
    PlaceMarkerTable();
}

void CGraphWidget::StepActiveMarker(bool up, int n) {
    Guard g(mutex_);
    CValueRecord* r = Record(CurrentIndex());
    if (!r) return;
    const int64_t row = int64_t(r->GetRow()) + (up ? int64_t(n) : -int64_t(n));
    r->SetRow(static_cast<int32_t>(std::clamp<int64_t>(row, 0, RowCount() - 1)));
}

// --- carried out while drawing ------------------------------------------------------

// A request is carried out once its point has arrived; until then it waits,
// and the marker stays where it is. The marker's new position is stored for
// every kind of request, so that the next drawing, which looks the marker up
// by its position, keeps it there.
int CGraphWidget::ApplyMarkerRequests(int i, bool& changed) {
    CValueRecord* r = Record(i);
    if (!r) return 0;
    const RequestedPoint p = PendingRequest(i);
    if (!p.pending || !p.arrived) return 0;
    auto& q = r->Requests();
    const bool by_value = q.flags[kRequestValue] != 0;
    const bool by_index = q.flags[kRequestIndex] != 0;
    r->SetPixelIndex(p.index);
    if (by_value) StoreMarkerPosition(i, q.value);
    q.index = 0;
    std::fill(std::begin(q.flags), std::end(q.flags), uint8_t{0});
    markerMoved_ = true;
    changed = true;
    return by_index && !by_value ? 1 : 0;
}

bool CGraphWidget::UpdateMarker(int i, int x_from, int x_to) {
    CValueRecord* r = Record(i);
    CMarkerWidget* w = markers_[static_cast<size_t>(i)].get();
    if (!r || !w || MarkerWaits(i)) return false;
    const RequestedPoint p = PendingRequest(i);
    int index = ClampIndex(r->GetPixelIndex());
    FindFrequencyIndex(RecordPosition(*r), index);
    // The marker's place: the point a request sends it to (carried out at
    // once, wherever the drawing is), else the point of its position.
    w->x = data_.livePoints[static_cast<size_t>(p.pending ? p.index : index)].x;
    if (!p.pending && (w->x < x_from || w->x > x_to)) return false;
    r->SetPixelIndex(index);
    bool changed = false;
    ApplyMarkerRequests(i, changed);
    r->SetPixelIndex(ClampIndex(r->GetPixelIndex()));
    w->x = data_.livePoints[static_cast<size_t>(r->GetPixelIndex())].x;
    MeasureMarker(i, true, changed);
    return true;
}

void CGraphWidget::MeasureMarker(int i, bool found, bool changed) {
    CValueRecord* r = Record(i);
    if (!r) return;
    const Layout& L = Cur();
    if (!found) {
        r->SetLiveY(std::clamp(r->GetLiveY(), L.top, L.PlotBottom()));
        return;
    }
    const size_t p = static_cast<size_t>(ClampIndex(r->GetPixelIndex()));
    const GraphData& d = data_;
    if (d.liveShown) {
        r->SetAmplitude(d.liveLevels[p]);
        r->SetLiveY(d.livePoints[p].y);
        if (!d.referenceShown) r->SetReferenceY(d.livePoints[p].y);
        measured_[static_cast<size_t>(i)] = true;
    }
    if (d.referenceShown) {
        r->SetReferenceY(d.referencePoints[p].y);
        if (!d.liveShown) {
            r->SetAmplitude(d.referenceLevels[p]);
            r->SetReferenceAmplitude(d.referenceLevels[p]);
            r->SetLiveY(d.referencePoints[p].y);
            measured_[static_cast<size_t>(i)] = true;
        }
    }
    if (r->GetDelta() == 1) {
        int ref = r->GetDeltaIndex();
        if (ref < 0 || ref >= kMarkers) ref = 0;
        if (const CValueRecord* rr = Record(ref)) {
            const size_t q = static_cast<size_t>(ClampIndex(rr->GetPixelIndex()));
            const bool reference_only = d.referenceShown && !d.liveShown;
            r->SetReferenceAmplitude(reference_only ? d.referenceLevels[q] : d.liveLevels[q]);
            const uint64_t pos = d.positions[q];
            if (xAxisKind_ == 1)
                r->SetReference2(pos);
            else if (xAxisKind_ == 2)
                r->SetReference3(pos);
            else
                r->SetReferenceFrequency(pos);
        }
    }
    if (changed) StoreMarkerPosition(i, d.positions[p]);
}

void CGraphWidget::DrawMarkerLines(plat::Dc& dc, int i, int x_from, int x_to) {
    CValueRecord* r = Record(i);
    CMarkerWidget* w = markers_[static_cast<size_t>(i)].get();
    if (!r || !w) return;
    if (!markerMoved_ && (w->x < x_from || w->x > x_to)) return;
    markerMoved_ = false;
    const GraphData& d = data_;
    const Layout& L = Cur();
    if (r->GetType() == 0) {
        auto flag_at = [&](int y) {
            w->y = y;
            int left = 0, top = 0;
            CMarkerWidget::Flag flag = CMarkerWidget::kStandard;
            w->ComputePlacement(Edges(), left, top, flag);
            w->DrawIcon(dc, left, top, flag);
        };
        if (d.referenceShown && (!d.liveShown || r->GetDelta() == 1)) flag_at(r->GetReferenceY());
        if (d.liveShown) flag_at(r->GetLiveY());
        return;
    }
    const int lower = layout_ == kScreenLayout ? L.bottom - 32 : L.bottom - 4;
    const int bottom = waterfallMode_ > 0 ? (L.top + lower) / 2 : lower;
    int top = L.top;
    if (d.liveShown) top = std::min(top, r->GetLiveY());
    if (d.referenceShown) top = std::min(top, r->GetReferenceY());
    const int x = std::max(w->x, 3);
    dc.select_pen(plat::Pen::solid(1, r->IsCurrent() ? SchemeColor(kCurrentLine) : kDarkBlue));
    dc.move_to({x, bottom});
    dc.line_to({x, top});
    w->y = L.top + 20;
    w->x = x;
    w->PlaceLabel();
    w->FormatMarkerText(&dc, true, TextStyle(), false);
}

void CGraphWidget::EraseTableTexts(plat::Dc* screen, bool every) {
    const Layout& L = Cur();
    const size_t li = static_cast<size_t>(Clamp(layout_));
    plat::Dc mem(plotImage_);
    mem.set_origin({-L.left, -L.top});
    for (int i = 0; i < kMarkers; ++i) {
        plat::Rect& drawn = tableTexts_[li][static_cast<size_t>(i)];
        const CValueRecord* r = Record(i);
        const bool shown = tableShown_ && r && r->GetState() != 0;
        if (drawn.empty() || (shown && !every)) continue;
        mem.bit_blt(drawn.left, drawn.top, drawn.width(), drawn.height(), background_,
                    drawn.left - L.left, drawn.top - L.top);
        if (screen)
            screen->bit_blt(drawn.left, drawn.top, drawn.width(), drawn.height(), plotImage_,
                            drawn.left - L.left, drawn.top - L.top);
        drawn = {};
    }
}

void CGraphWidget::RestoreMarkerTable(plat::Dc& dc) {
    const int p = tablePosition_;
    // The lines drawn where the table stood before go with it.
    EraseTableTexts(&dc, true);
    if (p < 0 || p > 3) {
        tableDrawnPosition_ = p;
        return;
    }
    const Layout& L = Cur();
    const plat::Point box = kTableBoxes[p];
    plat::Dc mem(plotImage_);
    mem.bit_blt(box.x, box.y, kTableBoxW, kTableBoxH, background_, box.x, box.y);
    dc.bit_blt(L.left + box.x, L.top + box.y, kTableBoxW, kTableBoxH, plotImage_, box.x, box.y);
    tableDrawnPosition_ = p;
}

plat::Rect CGraphWidget::TableTextRect(plat::Dc& dc, const CTextLabel& line, bool left_aligned) {
    const plat::Font old = line.font ? dc.select_font(*line.font) : dc.font();
    const int width = std::min(line.rect.width(), dc.text_extent(line.Text()).cx);
    dc.select_font(old);
    const int top = line.rect.top, bottom = line.rect.top + kLineStep;
    if (left_aligned) return {line.rect.left, top, line.rect.left + width, bottom};
    return {line.rect.right - width, top, line.rect.right, bottom};
}

void CGraphWidget::DrawMarkerTableText(plat::Dc& dc, int x_from, int x_to) {
    const Layout& L = Cur();
    const size_t li = static_cast<size_t>(Clamp(layout_));
    plat::Dc mem(plotImage_);
    mem.set_origin({-L.left, -L.top});
    plat::Rect area{};
    for (int i = 0; i < kMarkers; ++i) {
        CValueRecord* r = Record(i);
        // A marker whose point has not arrived yet is not drawn on this sweep.
        if (!r || r->GetState() == 0 || MarkerWaits(i)) continue;
        UpdateMarker(i, x_from, x_to);
        DrawMarkerLines(dc, i, x_from, x_to);
        CTextLabel& line = markerLines_[li][static_cast<size_t>(i)];
        const bool due =
            measured_[static_cast<size_t>(i)] || line.rect.left < x_to + markerLineMargin_;
        if (!due || !tableShown_) continue;
        line.SetText(markers_[static_cast<size_t>(i)]->FormatMarkerTableLine(TextStyle(), 0, 0));
        line.textColor = r->IsCurrent() ? kTableCurrent : kDarkBlue;
        // Only the text's own part of the line is renewed, together with what
        // the line's previous text covered: the trace and the flags beside a
        // short line stay.
        const bool left_aligned = tablePosition_ == 2 || tablePosition_ == 3;
        const plat::Rect text = TableTextRect(mem, line, left_aligned);
        plat::Rect& drawn = tableTexts_[li][static_cast<size_t>(i)];
        for (const plat::Rect& r : {drawn, text}) {
            if (r.empty()) continue;
            mem.bit_blt(r.left, r.top, r.width(), r.height(), background_, r.left - L.left,
                        r.top - L.top);
            area = area.empty() ? r : area.unite(r);
        }
        // The line's fill stays inside the renewed part, so that the
        // graticule beside the text stays in the image the stripes come from.
        const plat::Rect whole_clip = mem.clip();
        mem.intersect_clip(text);
        line.Draw(mem, (left_aligned ? plat::DT_LEFT : plat::DT_RIGHT) | plat::DT_VCENTER |
                           plat::DT_SINGLELINE);
        mem.set_clip(whole_clip);
        drawn = text;
        measured_[static_cast<size_t>(i)] = false;
    }
    if (!area.empty())
        dc.bit_blt(area.left, area.top, area.width(), area.height(), plotImage_, area.left - L.left,
                   area.top - L.top);
}
