// The graph: layouts, scale and labels, the graticule and the traces.
#include "widgets/graph_widget.h"

#include <algorithm>
#include <cmath>

#include "core/res_string.h"
#include "core/units.h"
#include "platform/gfx/artwork.h"
#include "platform/kernel/clock.h"
#include "platform/window/paint.h"

namespace {

constexpr int kBackgroundPanel = 210;
constexpr int kBackgroundScreen = 214;
constexpr ColorSchemeIndex kLabelText = 31;
constexpr ColorSchemeIndex kPlotColor = 18;
constexpr ColorSchemeIndex kGridColor = 16;
constexpr ColorSchemeIndex kSpanBarColor = 1;
constexpr ColorSchemeIndex kReferencePen = 36;
constexpr ColorSchemeIndex kPassPen = 24;
constexpr ColorSchemeIndex kFailPen = 25;
constexpr ColorSchemeIndex kPlainPen = 28;
constexpr COLORREF kProgressColor = plat::RGB(0, 200, 0);
constexpr COLORREF kRed = plat::RGB(255, 0, 0);
constexpr int kTitleGap = 20;
constexpr int kSegmentPauseMs = 5;
constexpr int kMarkerLineMargin = 60;
constexpr uint32_t kTopRightText = 981;
constexpr uint32_t kReferenceText = 982;
constexpr uint32_t kBottomText = 61254;
constexpr uint32_t kBottomIds[3] = {229, 214, 230};
constexpr uint32_t kDefaultUnit = 6;
constexpr const char16_t* kInitialLevels[10] = {u"-80.0", u"-70.0", u"-60.0", u"-50.0", u"-40.0",
                                                u"-30.0", u"-20.0", u"-10.0", u"0.0",   u"+10.0"};
constexpr uint32_t kCentreFormat = plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE;
constexpr uint32_t kLeftFormat = plat::DT_LEFT | plat::DT_VCENTER | plat::DT_SINGLELINE;

bool LinearUnit(uint32_t unit) {
    return (unit >= 1 && unit <= 7) || (unit >= 11 && unit <= 17);
}

}  // namespace

CGraphWidget::CGraphWidget(int layout, int) {
    Init();
    layout_ = layout;
}

CGraphWidget::~CGraphWidget() = default;

void CGraphWidget::Init() {
    CScreenWidget::Init();
    layout_ = kPanelLayout;
    for (int k = 0; k < kLevelLabels; ++k) levelLabels_[static_cast<size_t>(k)] = kInitialLevels[k];
    now_ = [] { return plat::local_epoch_seconds(); };
    printer_.reset();  // no print object until printing exists
}

void CGraphWidget::SetPrinter(std::unique_ptr<IScreenPrint> printer) {
    Guard g(mutex_);
    printer_ = std::move(printer);
}

bool CGraphWidget::CreateGraph(plat::Window* owner, const std::array<int, kLayouts>& left,
                               const std::array<int, kLayouts>& top,
                               const std::array<int, kLayouts>& right,
                               const std::array<int, kLayouts>& bottom,
                               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    Guard g(mutex_);
    CScreenWidget::Create(owner, left[kPanelLayout], top[kPanelLayout], right[kPanelLayout],
                          bottom[kPanelLayout], color_index, pt10, scheme);
    pt10_ = pt10;
    for (int l = kPanelLayout; l < kLayouts; ++l)
        layouts_[static_cast<size_t>(l)] = {left[l], top[l], right[l], bottom[l]};
    displayReady_ = false;
    LoadBackground();
    labelBrush_ = brush_;
    MakeLabels();
    markerLineMargin_ = kMarkerLineMargin;
    const Layout& p = layouts_[kPanelLayout];
    plotImage_ =
        plat::Bitmap::create(layouts_[kScreenLayout].Width(), layouts_[kScreenLayout].Height());
    waterfall_ = plat::Bitmap::create(p.Width() + 1, p.Height() + 1);
    rowStamps_.assign(static_cast<size_t>(std::max(RowCount(), 1)), 0);
    rowIndex_ = rowsSoFar_ = 0;
    firstStamp_ = 0;
    marks_ = {};
    trailer_ = {};
    const bool cleared = PaintWaterfallClear();
    return background_ && plotImage_ && waterfall_ && cleared &&
           data_.positions.size() == static_cast<size_t>(kGraphPoints);
}

void CGraphWidget::LoadBackground() {
    const int id = layout_ == kScreenLayout ? kBackgroundScreen : kBackgroundPanel;
    background_ = plat::load_bitmap(id, SchemeColor(kPlotColor), SchemeColor(kGridColor));
}

void CGraphWidget::TakeSchemeColours() {
    CScreenWidget::TakeSchemeColours();
    if (!background_) return;  // not created yet: CreateGraph makes them
    LoadBackground();
    labelBrush_ = brush_;
    const COLORREF text = SchemeColor(kLabelText);
    for (auto& layout : markerLines_)
        for (CTextLabel& m : layout) m.textColor = text;
    for (auto* labels : {&title_, &upperRight_, &lowerRight_, &bottomLabels_})
        for (CTextLabel& l : *labels) l.textColor = text;
    levelBox_.textColor = topRight_.textColor = text;
}

void CGraphWidget::MakeLabels() {
    auto setup = [&](CTextLabel& l, const plat::Rect& r) {
        l.rect = r;
        l.font = &font_;
        l.textColor = SchemeColor(kLabelText);
        l.brush = &labelBrush_;
    };
    for (int li = kPanelLayout; li < kLayouts; ++li) {
        const Layout& L = layouts_[static_cast<size_t>(li)];
        const size_t i = static_cast<size_t>(li);
        setup(title_[i], {L.left + 3, L.top + 5, L.left + 153, L.top + 20});
        if (li == kPanelLayout) {
            setup(upperRight_[i], {L.right - 80, L.top + 4, L.right - 3, L.top + 24});
            setup(lowerRight_[i], {L.right - 80, L.bottom - 24, L.right - 3, L.bottom - 4});
        } else {
            setup(upperRight_[i], {L.right - 85, L.top + 20, L.right - 5, L.top + 40});
            setup(lowerRight_[i], {L.right - 85, L.bottom - 25, L.right - 5, L.bottom - 5});
        }
        for (int k = 0; k < kMarkers; ++k) {
            CTextLabel& m = markerLines_[i][static_cast<size_t>(k)];
            setup(m, {L.right - 240, L.top + 30 + 18 * k, L.right - 10, L.top + 54 + 18 * k});
            m.opaque = true;
        }
    }
    const Layout& P = layouts_[kPanelLayout];
    const Layout& S = layouts_[kScreenLayout];
    setup(levelBox_, {P.left + 5, P.bottom - 21, P.left + 64, P.bottom - 1});
    setup(topRight_, {S.right - 138, S.top + 4, S.right - 3, S.top + 18});
    topRight_.SetTextId(kTopRightText);
    for (int k = 0; k < 3; ++k) {
        CTextLabel& b = bottomLabels_[static_cast<size_t>(k)];
        setup(b, {S.left + 100 + 200 * k, S.bottom - 17, S.left + 250 + 200 * k, S.bottom - 2});
        b.SetTextId(kBottomText);
    }
    setup(floating_, {0, 0, 20, 20});
    floating_.opaque = true;
    floating_.backgroundMode = plat::OPAQUE;
    floating_.textColor = kRed;
}

void CGraphWidget::CollectTexts(DrawnTexts& out) const {
    Guard g(mutex_);
    const size_t li = static_cast<size_t>(Clamp(layout_));
    const CTextLabel& title = title_[li];
    out.push_back({"title", title.Text(), font_, title.rect, kLeftFormat});
    for (const core::Text& level : levelLabels_)
        out.push_back({"level label", level, font_, levelBox_.rect, kLeftFormat});
    if (layout_ == kScreenLayout) {
        out.push_back({"top right", topRight_.Text(), font_, topRight_.rect, kCentreFormat});
        for (const CTextLabel& b : bottomLabels_)
            out.push_back({"bottom label", b.Text(), font_, b.rect, kCentreFormat});
    }
}

// --- layout and scale ---------------------------------------------------------

int CGraphWidget::SetLayout(int index) {
    Guard g(mutex_);
    layout_ = Clamp(index);
    displayReady_ = false;
    LoadBackground();
    return 1;
}

int CGraphWidget::GetLayout() const {
    Guard g(mutex_);
    return layout_;
}

int CGraphWidget::GetPlotTop() const {
    Guard g(mutex_);
    return Cur().top;
}

int CGraphWidget::GetPlotBottom() const {
    Guard g(mutex_);
    return Cur().PlotBottom();
}

void CGraphWidget::SetScale(const IGraphScale* scale) {
    Guard g(mutex_);
    displayReady_ = false;
    if (!scale) {
        scaleFirst_ = scaleSecond_ = scaleStep_ = 0;
        referenceLevel_ = 0;
        for (auto& t : title_) t.SetText(u"");
        return;
    }
    unit_ = scale->GetUnit();
    SetAxisLabels(scale->GetFirst(), scale->GetSecond(), scale->GetStep(), unit_);
    for (auto& t : title_) t.SetText(UnitName(unit_));
}

void CGraphWidget::SetAxisLabels(double first, double second, double step, uint32_t unit) {
    Guard g(mutex_);
    scaleFirst_ = first;
    scaleSecond_ = second;
    scaleStep_ = step;
    double v = ConvertPowerUnit(first, unit, kDefaultUnit);
    for (auto& label : levelLabels_) {
        label = FormatLevel(v, unit_, false, false, true, false);
        v += step;
    }
}

double CGraphWidget::LevelOffset(double reference, double per_division, uint32_t unit) {
    if (LinearUnit(unit)) return 0;
    const double x = ConvertPowerUnit(reference, unit, kDefaultUnit);
    return ConvertPowerUnit(x - 10 * per_division, kDefaultUnit, unit);
}

void CGraphWidget::SetReferenceLevel(double reference, uint32_t unit, double per_division) {
    Guard g(mutex_);
    displayReady_ = false;
    referenceLevel_ = reference;
    unit_ = unit;
    const double x = ConvertPowerUnit(reference, unit, kDefaultUnit);
    const double bottom = LevelOffset(reference, per_division, unit);
    const double step = LinearUnit(unit) ? (x - bottom) * 0.1 : per_division;
    SetAxisLabels(bottom, reference, step, unit);
    core::Text t = FormatLevel(RoundToDecimals(x, 2), unit, true, false, true, true);
    if (perMetre_ == 1) t += u"/m";
    t += u" " + LoadResString(kReferenceText);
    for (auto& l : title_) l.SetText(t);
}

void CGraphWidget::SetPerMetre(int flag) {
    Guard g(mutex_);
    perMetre_ = flag;
}

core::Text CGraphWidget::GetLevelLabel(int i) const {
    Guard g(mutex_);
    return i >= 0 && i < kLevelLabels ? levelLabels_[static_cast<size_t>(i)] : core::Text();
}

void CGraphWidget::SetAxisText(int i, const core::Text& text) {
    Guard g(mutex_);
    if (i >= 0 && i < kLevelLabels) levelLabels_[static_cast<size_t>(i)] = text;
}

core::Text CGraphWidget::GetTitleText() const {
    Guard g(mutex_);
    return title_[static_cast<size_t>(Clamp(layout_))].Text();
}

void CGraphWidget::SetTitleText(const core::Text& text) {
    Guard g(mutex_);
    for (auto& l : title_) l.SetText(text);
}

namespace {
// Moves a right-hand label to y within top + 4 .. plot bottom - 44, and 21
// pixels above `other` when asked to avoid it.
void PlaceRightLabel(CTextLabel& l, const CTextLabel& other, const CGraphWidget::Layout& L, int y,
                     bool avoid) {
    constexpr int kMinGap = 20;
    constexpr int kAbove = 21;
    int top = std::clamp(y, L.top + 4, std::max(L.top + 4, L.PlotBottom() - 44));
    if (avoid && other.rect.top - top < kMinGap && other.rect.top >= top)
        top = other.rect.top - kAbove;
    const int h = l.rect.height();
    l.rect.top = top;
    l.rect.bottom = top + h;
}
}  // namespace

void CGraphWidget::SetUpperRightText(const core::Text& text, int y, bool avoid) {
    Guard g(mutex_);
    const size_t i = static_cast<size_t>(Clamp(layout_));
    upperRight_[i].SetText(text);
    PlaceRightLabel(upperRight_[i], lowerRight_[i], Cur(), y, avoid);
}

void CGraphWidget::SetLowerRightText(const core::Text& text, int y, bool avoid) {
    Guard g(mutex_);
    const size_t i = static_cast<size_t>(Clamp(layout_));
    lowerRight_[i].SetText(text);
    PlaceRightLabel(lowerRight_[i], upperRight_[i], Cur(), y, avoid);
}

core::Text CGraphWidget::GetRightText(bool upper) const {
    Guard g(mutex_);
    const size_t i = static_cast<size_t>(Clamp(layout_));
    return upper ? upperRight_[i].GetText() : lowerRight_[i].GetText();
}

void CGraphWidget::SetMarkerLineText(int i, const core::Text& text) {
    Guard g(mutex_);
    if (i >= 0 && i < kMarkers)
        markerLines_[static_cast<size_t>(Clamp(layout_))][static_cast<size_t>(i)].SetText(text);
}

core::Text CGraphWidget::GetMarkerLineText(int i) const {
    Guard g(mutex_);
    if (i < 0 || i >= kMarkers) return {};
    return markerLines_[static_cast<size_t>(Clamp(layout_))][static_cast<size_t>(i)].Text();
}

plat::Rect CGraphWidget::GetMarkerLineRect(int i) const {
    Guard g(mutex_);
    if (i < 0 || i >= kMarkers) return {};
    return markerLines_[static_cast<size_t>(Clamp(layout_))][static_cast<size_t>(i)].rect;
}

void CGraphWidget::SetBottomLabel(int i) {
    Guard g(mutex_);
    if (layout_ != kScreenLayout || i < 0 || i > 2) return;
    const uint64_t f[3] = {data_.startFrequency, data_.centerFrequency, data_.stopFrequency};
    bottomLabels_[static_cast<size_t>(i)].SetText(LoadResString(kBottomIds[i]) + u" " +
                                                  FormatValue(f[i], 0, false, true, false, 0));
}

core::Text CGraphWidget::GetBottomLabel(int i) const {
    Guard g(mutex_);
    return i >= 0 && i < 3 ? bottomLabels_[static_cast<size_t>(i)].Text() : core::Text();
}

void CGraphWidget::SetFullRedraw(bool flag) {
    Guard g(mutex_);
    fullRedraw_ = flag;
}

bool CGraphWidget::IsDisplayReady() const {
    Guard g(mutex_);
    return displayReady_;
}

void CGraphWidget::ClearDisplayReady() {
    Guard g(mutex_);
    displayReady_ = false;
}

// --- value to pixel -------------------------------------------------------------

int CGraphWidget::ValueToX(double value, double start, double span) const {
    Guard g(mutex_);
    const int w = Cur().right;
    if (!(span > 0)) return 0;
    const double x = (value - start) / span * w + 0.5;
    if (!(x >= 0)) return 0;  // NaN too
    return x >= w ? w : static_cast<int>(x);
}

int CGraphWidget::ValueToY(double value, double top_value, double bottom_value) const {
    Guard g(mutex_);
    const int t = Cur().top;
    const int b = Cur().PlotBottom();
    int y = b - 1;
    if (std::isnan(value) || !(top_value > bottom_value)) return y;
    if (value >= top_value) {
        y = t;
    } else {
        const double v = (b - 1 - t) * (top_value - value) / (top_value - bottom_value) + t + 0.5;
        y = v >= b - 1 ? b - 1 : std::max(t, static_cast<int>(v));
    }
    if (waterfallMode_ > 0) y = t + (y - t) / 2;
    return y;
}

// --- graticule ------------------------------------------------------------------

void CGraphWidget::DrawLegend(plat::Dc& dc) {
    constexpr int kLegendRows = 210;
    constexpr int kLegendWidth = 20;
    for (int i = 0; i < kLegendRows; ++i) dc.fill_rect({0, i, kLegendWidth, i + 1}, RampColor(i));
    const int src_h = RowCount() / 2;
    const int dst_h = Cur().Height() / 2;
    if (src_h != dst_h)
        dc.stretch_blt({0, 0, kLegendWidth, dst_h}, dc, {0, 0, kLegendWidth, src_h});
}

void CGraphWidget::ComposeBackground(plat::Dc& dc, int d) {
    FollowScheme();
    const Layout& L = Cur();
    dc.bit_blt(0, 0, L.Width(), L.Height() / d + 1, background_, 0, 0);
    const int shift = waterfallMode_ == 2 ? 20 : 0;
    if (waterfallMode_ == 2) DrawLegend(dc);
    dc.set_origin({-L.left, -L.top});
    const size_t li = static_cast<size_t>(Clamp(layout_));
    CTextLabel& title = title_[li];
    title.rect.left = L.left + 3 + shift;
    title.rect.right = L.left + 153 + shift;
    // Level labels up the divisions, every d-th one.
    levelBox_.rect = {L.left + 5 + shift, L.top + L.Height() / d - 21, L.left + 64 + shift,
                      L.top + L.Height() / d - 1};
    const int div = L.DivisionHeight() == 0 ? 1 : L.DivisionHeight();
    for (int k = 0; k < kLevelLabels && levelBox_.rect.top >= L.top; k += d) {
        levelBox_.SetText(levelLabels_[static_cast<size_t>(k)]);
        levelBox_.Draw(dc, kLeftFormat);
        levelBox_.rect = levelBox_.rect.offset(0, -div);
    }
    title.Draw(dc, kLeftFormat);
    if (layout_ == kScreenLayout) {
        for (int i = 0; i < 3; ++i) {
            SetBottomLabel(i);
            CTextLabel& b = bottomLabels_[static_cast<size_t>(i)];
            b.rect.top = L.top + L.Height() / d - 21;
            b.rect.bottom = L.top + L.Height() / d - 1;
            b.Draw(dc, kCentreFormat);
        }
        topRight_.Draw(dc, kCentreFormat);
    }
    dc.set_origin({0, 0});
}

void CGraphWidget::DrawGraticule() {
    DrawWaterfall();
    Guard g(mutex_);
    if (waterfallMode_ == 1 || waterfallMode_ == 3 || !owner_ || !plotImage_) return;
    const int d = waterfallMode_ == 2 ? 2 : 1;
    plat::Dc mem(plotImage_);
    ComposeBackground(mem, d);
    const Layout& L = Cur();
    plat::WindowDc wdc(owner_);
    wdc->bit_blt(L.left, L.top, L.Width(), L.Height() / d + 1, plotImage_, 0, 0);
    tableDrawnPosition_ = -1;
    displayReady_ = true;
}

int CGraphWidget::RedrawBackground(bool draw, int) {
    {
        Guard g(mutex_);
        tableShown_ = false;
    }
    if (draw) DrawGraticule();
    // The table comes back on the new background (a scale or unit change
    // must not leave the markers without their lines); hidden stays hidden.
    PlaceMarkerTable();
    Guard g(mutex_);
    const int r = pendingChange_;
    pendingChange_ = 0;
    return r;
}

// --- traces -----------------------------------------------------------------------

void CGraphWidget::GetPlotExtent(int& height, int& top, int& bottom) const {
    const Layout& L = Cur();
    height = std::min(L.Height() - 4, L.PlotBottom() - L.top + 1);
    top = L.top;
    bottom = L.PlotBottom();
    if (waterfallMode_ > 0) {
        height /= 2;
        bottom = top + (bottom - top) / 2;
    }
}

void CGraphWidget::ClampCounters() {
    GraphData& d = data_;
    d.total = std::clamp(d.total, 0, kGraphPoints);
    d.received = std::clamp(d.received, 0, d.total);
    if (d.first < 0 || d.first > d.received - 1) d.first = 0;
    if (d.last < 0 || d.last > d.received) d.last = d.received;
    d.segmentCount = std::clamp(d.segmentCount, 0, kGraphPoints - 1);
}

void CGraphWidget::DrawSpanBar(plat::Dc& dc, int x1, int x2) {
    const int y = Cur().PlotBottom() + 2;
    dc.select_pen(plat::Pen::solid(3, SchemeColor(kSpanBarColor)));
    dc.move_to({x1, y});
    dc.line_to({x2, y});
}

void CGraphWidget::DrawProgressBar(plat::Dc& dc, int x) {
    const GraphData& d = data_;
    const int last = std::min(d.last, d.received - 1);
    if (last <= d.first || last < 0) return;
    const int y = Cur().PlotBottom() + 2;
    dc.select_pen(plat::Pen::solid(3, kProgressColor));
    dc.move_to({x, y});
    dc.line_to({d.livePoints[static_cast<size_t>(last)].x, y});
}

void CGraphWidget::DrawTraceLabels(plat::Dc& dc) {
    const size_t li = static_cast<size_t>(Clamp(layout_));
    for (auto [shown, label] : {std::pair{data_.stored1Shown, &upperRight_[li]},
                                std::pair{data_.stored2Shown, &lowerRight_[li]}}) {
        if (!shown) continue;
        const COLORREF old = label->textColor;
        label->textColor = kRed;
        label->Draw(dc, kLeftFormat);
        label->textColor = old;
    }
}

void CGraphWidget::DrawSegment(plat::Dc& dc, int from, int to, int32_t state) {
    const GraphData& d = data_;
    const Layout& L = Cur();
    int height = 0, top = 0, bottom = 0;
    GetPlotExtent(height, top, bottom);
    const int x1 = std::clamp(d.livePoints[static_cast<size_t>(from)].x, L.left, L.right);
    int x2 = std::clamp(d.livePoints[static_cast<size_t>(to)].x, L.left, L.right);
    if (x2 >= L.right - 4) x2 = L.right + 1;
    dc.bit_blt(x1, top, x2 - x1 + 1, height + 1, plotImage_, x1 - L.left, top - L.top);
    // The table box goes back under the traces, so that no trace is wiped.
    if (tableDrawnPosition_ != tablePosition_) RestoreMarkerTable(dc);
    const int k = d.total / 705 + 1;
    const int start = from - k >= 0 ? from - k : from;
    const std::span<const plat::Point>::size_type n = static_cast<size_t>(to - start + 1);
    // The state rule: the pass pen when `pass` holds or the segment passed,
    // the fail pen for a failed segment, else the plain pen.
    auto pen_for = [&](bool pass) {
        if (pass || state == kSegmentPass) return SchemeColor(kPassPen);
        if (state == kSegmentFail) return SchemeColor(kFailPen);
        return SchemeColor(kPlainPen);
    };
    auto line = [&](const std::vector<plat::Point>& pts, COLORREF c) {
        dc.select_pen(plat::Pen::solid(1, c));
        dc.polyline(std::span<const plat::Point>(pts).subspan(static_cast<size_t>(start), n));
    };
    if (d.referenceShown) line(d.referencePoints, SchemeColor(kReferencePen));
    if (d.stored1Shown) line(d.stored1Points, pen_for(!d.segmentColoring));
    if (d.stored2Shown)
        line(d.stored2Points, d.segmentColoring ? pen_for(false) : SchemeColor(kFailPen));
    if (d.liveShown) line(d.livePoints, pen_for(d.segmentColoring));
    if (x2 >= L.right - 8) DrawTraceLabels(dc);
    DrawMarkerTableText(dc, x1, x2);
}

int CGraphWidget::DrawTrace() {
    Guard g(mutex_);
    if (!owner_ || !plotImage_) return 0;
    ClampCounters();
    GraphData& d = data_;
    if (d.received <= 0) return 1;
    EraseTableTexts(nullptr, false);
    plat::WindowDc wdc(owner_);
    plat::Dc& dc = wdc.dc();
    const int start_x = d.livePoints[static_cast<size_t>(d.first)].x;
    if (d.first == 0) DrawSpanBar(dc, start_x, Cur().Width());
    // Fewer points than were drawn: a new sweep has begun.
    if (d.received <= drawn_) drawn_ = 0;
    // Segment s spans its two ends, each kept inside the points received; a
    // list that runs backwards ends the drawing. Segments already drawn in
    // this sweep are drawn again without the pause.
    int drawn = d.first;
    bool any = false;
    const int count = d.segmentCount > 0 ? d.segmentCount : 1;
    for (int s = 0; s < count && drawn < d.last - 1; ++s) {
        const int a = d.segmentCount > 0
                          ? std::clamp(d.segmentEnds[static_cast<size_t>(s)], 0, d.received)
                          : 0;
        const int e = d.segmentCount > 0
                          ? std::clamp(d.segmentEnds[static_cast<size_t>(s) + 1], 0, d.received)
                          : d.received;
        if (e < a) break;
        const int from = std::max(a, drawn);
        const int to = std::min({e, d.last, d.received - 1});
        if (to <= from) continue;
        if (any && to > drawn_) plat::sleep_ms(kSegmentPauseMs);
        const int32_t state =
            d.segmentCount > 0 ? d.stateCodes[static_cast<size_t>(s)] : kSegmentNone;
        DrawSegment(dc, from, to, state);
        drawn = to;
        drawn_ = std::max(drawn_, to);
        any = true;
    }
    DrawProgressBar(dc, Cur().left);
    return 1;
}

int CGraphWidget::RedrawWholeTrace() {
    {
        Guard g(mutex_);
        if (waterfallMode_ == 1 || waterfallMode_ == 3) return 0;
        ClampCounters();
        data_.first = 0;
        data_.last = data_.received;
    }
    return DrawTrace();
}

GraphData::GraphData()
    : positions(kGraphPoints),
      liveLevels(kGraphPoints),
      referenceLevels(kGraphPoints),
      livePoints(kGraphPoints),
      referencePoints(kGraphPoints),
      stored1Points(kGraphPoints),
      stored2Points(kGraphPoints),
      segmentEnds(kGraphPoints),
      stateCodes(kGraphPoints),
      columnLevels(kGraphPoints),
      indexA(kGraphPoints),
      indexB(kGraphPoints) {}
