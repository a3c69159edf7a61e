#include "widgets/graph_panel.h"

#include "platform/window/window.h"

namespace {
constexpr const char* kTooltipClass = "tooltips_class32";
constexpr uint32_t kTooltipStyle = 0x80000003u;  // pop-up, always tips, no prefix
constexpr int kScreenRight = 800;
constexpr int kScreenBottom = 597;

// The tooltip: a hidden window that is never shown (no tool is ever added).
class CTooltipWindow : public plat::Window {};
}  // namespace

CGraphPanel::CGraphPanel(int top_offset, int graph_argument)
    : topOffset_(top_offset), graphArgument_(graph_argument) {}

CGraphPanel::~CGraphPanel() {
    graph_.reset();
    if (tooltip_) tooltip_->destroy();
}

CGraphPanel::Layouts CGraphPanel::GraphLayouts(int left, int top, int right, int bottom,
                                               int top_offset) {
    return {{left + (right - left) / 2, left, 0},
            {top + top_offset, top, 0},
            {right, right, kScreenRight},
            {top + (bottom - top) / 2, bottom, kScreenBottom}};
}

int CGraphPanel::Create(plat::Window* owner, int left, int top, int right, int bottom,
                        ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    auto graph = std::make_unique<CGraphWidget>(CGraphWidget::kPanelLayout, graphArgument_);
    const Layouts l = GraphLayouts(left, top, right, bottom, topOffset_);
    if (graph->CreateGraph(owner, l.left, l.top, l.right, l.bottom, color_index, pt10, scheme))
        graph_ = std::move(graph);
    if (!plat::find_window_class(kTooltipClass))
        plat::register_window_class({kTooltipClass, 0, std::nullopt});
    auto tip = std::make_unique<CTooltipWindow>();
    plat::CreateParams p;
    p.class_name = kTooltipClass;
    p.style = kTooltipStyle & ~plat::WS_VISIBLE;
    p.parent = owner;
    if (owner && tip->create(p)) tooltip_ = std::move(tip);
    return 0;
}

int CGraphPanel::DrawTrace() {
    if (!graph_) return 0;
    graph_->DrawTrace();
    return 1;
}

int CGraphPanel::AddWaterfallLine() {
    if (!graph_) return 0;
    graph_->AddWaterfallLine();
    return 1;
}

int CGraphPanel::Redraw() {
    CScreenWidget::Redraw();
    if (graph_) {
        graph_->DrawGraticule();
        graph_->RedrawWholeTrace();
    }
    return 0;
}

int CGraphPanel::DrawGraph(plat::Dc* dc, bool keep_background) {
    if (!keep_background) {
        if (dc)
            Draw(*dc);
        else
            CScreenWidget::Redraw();
    }
    if (graph_) graph_->DrawGraticule();
    return 0;
}

int CGraphPanel::SetReferenceLevel(double reference, uint32_t unit, double per_division) {
    if (!graph_) return 0;
    graph_->SetReferenceLevel(reference, unit, per_division);
    return graph_->RedrawBackground(true, 1);
}

int CGraphPanel::SetScale(const IGraphScale* scale) {
    if (!graph_) return 0;
    graph_->SetScale(scale);
    return graph_->RedrawBackground(true, 1);
}

int CGraphPanel::SetScaleFrom(const IGraphScale* scale) {
    if (!graph_) return 0;
    graph_->SetScaleFrom(scale);
    return graph_->RedrawBackground(true, 1);
}

int CGraphPanel::ClearWaterfall() {
    if (!graph_) return 0;
    graph_->ClearWaterfall();
    return 1;
}

int CGraphPanel::SetCurrentMarker(int i) {
    if (!graph_) return 0;
    graph_->SetCurrentMarker(i);
    return 1;
}

int CGraphPanel::ToggleCurrentMarker() {
    if (!graph_) return 0;
    graph_->ToggleCurrentMarker();
    return 1;
}

int CGraphPanel::TurnOnMarker(int i) {
    if (!graph_) return 0;
    graph_->TurnOnMarker(i);
    return 1;
}

int CGraphPanel::MoveCurrentMarkerToIndex(int index) {
    if (graph_) graph_->MoveCurrentMarkerToIndex(index);
    return 1;
}

int CGraphPanel::ToggleDelta() {
    if (graph_) graph_->ToggleDelta();
    return 1;
}

int CGraphPanel::GetCurrentDelta(int& delta, int& delta_index) const {
    if (graph_) graph_->GetCurrentDelta(delta, delta_index);
    return 1;
}

int CGraphPanel::SetMarkerTablePosition(int p) {
    if (graph_) graph_->SetMarkerTablePosition(p);
    return 1;
}

int CGraphPanel::AllMarkersOff() {
    if (graph_) graph_->AllMarkersOff();
    return 1;
}

int CGraphPanel::GetMarkerInfo(int i, int& state, int& type, int& delta, int& option) const {
    return graph_ && graph_->GetMarkerInfo(i, state, type, delta, option) ? 1 : 0;
}

int CGraphPanel::MoveCurrentMarkerBy(bool right, int n) {
    if (graph_) graph_->MoveCurrentMarkerBy(right, n);
    return 1;
}

int CGraphPanel::GetMarkerValues(int i, double& amplitude, uint64_t& position) const {
    return graph_ ? graph_->GetMarkerValues(i, amplitude, position) : 0;
}

int CGraphPanel::SetXAxisKind(int kind) {
    if (!graph_) return 0;
    graph_->SetXAxisKind(kind);
    return 1;
}

int CGraphPanel::SetMarkerFcValues(std::span<const std::pair<uint64_t, double>> values) {
    if (!graph_) return 0;
    graph_->SetMarkerFcValues(values);
    return 1;
}

int CGraphPanel::SetMarkerRecords(std::span<CValueRecord* const> records, double start,
                                  double step) {
    if (!graph_) return 0;
    graph_->SetMarkerRecords(records, start, step);
    return 1;
}

int CGraphPanel::RescaleMarkers(int old_points, int new_points) {
    if (!graph_) return 0;
    graph_->RescaleMarkers(old_points, new_points);
    return 1;
}

int CGraphPanel::StepActiveMarker(bool up, int n) {
    if (graph_) graph_->StepActiveMarker(up, n);
    return 1;
}
