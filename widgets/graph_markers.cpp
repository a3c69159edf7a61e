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
    const int64_t target = int64_t(r->GetPixelIndex()) + (right ? int64_t(n) : -int64_t(n));
    r->Requests().index = static_cast<int32_t>(std::clamp<int64_t>(target, 0, kGraphPoints - 1));
    r->Requests().flags[kRequestIndex] = 1;
}

int CGraphWidget::GetMarkerPixelIndex(int i) const {
    Guard g(mutex_);
    const CValueRecord* r = Record(i);
    return r ? r->GetPixelIndex() : 0;
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
    const CValueRecord::MoveRequests& q = r->Requests();
    int index = -1;
    if (q.flags[kRequestIndex])
        index = q.index;
    else if (q.flags[kRequestListA])
        index = data_.indexA[static_cast<size_t>(i)];
    else if (q.flags[kRequestListB])
        index = data_.indexB[static_cast<size_t>(i)];
    else if (q.flags[kRequestValue]) {
        index = ClampIndex(r->GetPixelIndex());
        FindFrequencyIndex(q.value, index);
    }
    if (index < 0 || data_.received <= 0) return 1;
    const auto k = static_cast<size_t>(ClampIndex(index));
    position = data_.positions[k];
    amplitude = data_.liveLevels[k];
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

int CGraphWidget::ApplyMarkerRequests(int i, bool& changed) {
    CValueRecord* r = Record(i);
    if (!r) return 0;
    auto& q = r->Requests();
    int result = 0;
    if (q.flags[kRequestIndex] && i == CurrentIndex()) {
        r->SetPixelIndex(ClampIndex(std::max(q.index, 0)));
        q.index = 0;
        q.flags[kRequestIndex] = q.flags[kRequestListA] = q.flags[kRequestListB] = 0;
        markerMoved_ = true;
        changed = true;
        result = 1;
    }
    if (q.flags[kRequestListA]) {
        r->SetPixelIndex(ClampIndex(data_.indexA[static_cast<size_t>(i)]));
        q.flags[kRequestListA] = 0;
        markerMoved_ = true;
    }
    if (q.flags[kRequestListB]) {
        r->SetPixelIndex(ClampIndex(data_.indexB[static_cast<size_t>(i)]));
        q.flags[kRequestListB] = 0;
        markerMoved_ = true;
    }
    if (q.flags[kRequestValue]) {
        int index = r->GetPixelIndex();
        FindFrequencyIndex(q.value, index);
        r->SetPixelIndex(ClampIndex(index));
        StoreMarkerPosition(i, q.value);
        q.flags[kRequestIndex] = q.flags[kRequestListA] = q.flags[kRequestListB] = 0;
        q.flags[kRequestValue] = 0;
        markerMoved_ = true;
        changed = true;
        result = 0;
    }
    return result;
}

bool CGraphWidget::UpdateMarker(int i, int x_from, int x_to) {
    CValueRecord* r = Record(i);
    CMarkerWidget* w = markers_[static_cast<size_t>(i)].get();
    if (!r || !w) return false;
    w->x = data_.livePoints[static_cast<size_t>(ClampIndex(r->GetPixelIndex()))].x;
    if (w->x < x_from || w->x > x_to) return false;
    int index = ClampIndex(r->GetPixelIndex());
    FindFrequencyIndex(RecordPosition(*r), index);
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

void CGraphWidget::RestoreMarkerTable(plat::Dc& dc) {
    const int p = tablePosition_;
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
    // The box took every line's text with it.
    for (auto& lines : tableTexts_) lines.fill(plat::Rect{});
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
        if (!r || r->GetState() == 0 || r->GetPixelIndex() < 0 ||
            r->GetPixelIndex() >= data_.received)
            continue;
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
        line.Draw(mem, (left_aligned ? plat::DT_LEFT : plat::DT_RIGHT) | plat::DT_VCENTER |
                           plat::DT_SINGLELINE);
        drawn = text;
        measured_[static_cast<size_t>(i)] = false;
    }
    if (!area.empty())
        dc.bit_blt(area.left, area.top, area.width(), area.height(), plotImage_, area.left - L.left,
                   area.top - L.top);
}
