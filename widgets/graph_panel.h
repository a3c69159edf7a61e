#pragma once
// The pane of the main area in which the measurement screens draw their
// graph. The application makes exactly one and shares it between the
// measurement screens; the panel owns the graph and forwards every graph
// operation to it, answering fixed values while it has no graph.
#include <array>
#include <memory>

#include "widgets/graph_widget.h"

namespace plat {
class Window;
}

class CGraphPanel : public CScreenWidget {
  public:
    CGraphPanel(int top_offset = 1, int graph_argument = 0);
    ~CGraphPanel() override;

    // Creates the graph over the quarter, pane and screen layouts and the
    // hidden tooltip window; 0.
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;
    void CollectTexts(DrawnTexts& out) const override {
        if (graph_) graph_->CollectTexts(out);
    }

    // The edges the graph gets for its three layouts: the upper right
    // quarter of the pane (moved down by the top offset), the pane, and the
    // whole screen.
    struct Layouts {
        std::array<int, 3> left, top, right, bottom;
    };
    static Layouts GraphLayouts(int left, int top, int right, int bottom, int top_offset);

    CGraphWidget* GetGraph() const { return graph_.get(); }
    plat::Window* GetTooltip() const { return tooltip_.get(); }

    void SetPerMetre(int flag) {
        if (graph_) graph_->SetPerMetre(flag);
    }
    int SetLayout(int index) { return graph_ ? graph_->SetLayout(index) : 0; }
    int GetLayout() const { return graph_ ? graph_->GetLayout() : 0; }
    int ValueToY(double v, double top, double bottom) const {
        return graph_ ? graph_->ValueToY(v, top, bottom) : 0;
    }
    int ValueToX(double v, double start, double span) const {
        return graph_ ? graph_->ValueToX(v, start, span) : 0;
    }
    int ValueToX2(double v, double start, double span) const { return ValueToX(v, start, span); }
    int ValueToX3(double v, double start, double span) const { return ValueToX(v, start, span); }
    int GetPlotTop() const { return graph_ ? graph_->GetPlotTop() : 0; }
    int GetPlotBottom() const { return graph_ ? graph_->GetPlotBottom() : 0; }
    // The panel's background, then the graph whole: its graticule and every
    // point received, so that no caller leaves the pane blank.
    int Redraw() override;
    int DrawTrace();
    int AddWaterfallLine();
    int RestoreWaterfall() { return graph_ ? graph_->RestoreWaterfall() : 0; }
    int DrawGraph(plat::Dc* dc, bool keep_background);
    int RedrawBackground(bool draw, int argument) {
        return graph_ ? graph_->RedrawBackground(draw, argument) : 0;
    }
    int SetReferenceLevel(double reference, uint32_t unit, double per_division);
    int SetScale(const IGraphScale* scale);
    int SetScaleFrom(const IGraphScale* scale);
    int ClearWaterfall();
    int SetCurrentMarker(int i);
    int NextMarker() { return graph_ ? graph_->NextMarker() : 0; }
    int ToggleCurrentMarker();
    int TurnOnMarker(int i);
    int GetMarkerState(int i) const { return graph_ ? graph_->GetMarkerState(i) : 0; }
    int MoveCurrentMarkerToIndex(int index);
    int ToggleDelta();
    int GetCurrentDelta(int& delta, int& delta_index) const;
    int ToggleCurrentType() { return graph_ ? graph_->ToggleCurrentType() : 1; }
    int SetAllTypes0() { return graph_ ? graph_->SetAllTypes0() : 0; }
    int SetAllTypes1() { return graph_ ? graph_->SetAllTypes1() : 1; }
    core::Text GetMarkerLabel(int i) const {
        return graph_ ? graph_->GetMarkerLabel(i) : core::Text();
    }
    core::Text GetMarkerSecondText(int i) const {
        return graph_ ? graph_->GetMarkerSecondText(i) : core::Text();
    }
    void SetMarkerLabel(int i, core::Text text) {
        if (graph_) graph_->SetMarkerLabel(text, i);
    }
    void SetMarkerSecondText(int i, core::Text text) {
        if (graph_) graph_->SetMarkerSecondText(text, i);
    }
    int ToggleCurrentMarkerOption() { return graph_ ? graph_->ToggleCurrentMarkerOption() : 1; }
    int SetMarkerTablePosition(int p);
    int GetMarkerTablePosition() const { return graph_ ? graph_->GetMarkerTablePosition() : 0; }
    int AllMarkersOff();
    int PlaceAllMarkers(bool from_list_a) {
        return graph_ ? graph_->PlaceAllMarkers(from_list_a) : 1;
    }
    int GetCurrentMarker(int& i) const { return graph_ ? graph_->GetCurrentMarker(i) : 0; }
    int GetMarkerInfo(int i, int& state, int& type, int& delta, int& option) const;
    int MoveCurrentMarkerBy(bool right, int n);
    int GetMarkerPixelIndex(int i) const { return graph_ ? graph_->GetMarkerPixelIndex(i) : 0; }
    int GetMarkerTargetIndex(int i) const { return graph_ ? graph_->GetMarkerTargetIndex(i) : 0; }
    int GetMarkerValues(int i, double& amplitude, uint64_t& position) const;
    int GetPendingMarkerValues(int i, double& amplitude, uint64_t& position) const {
        return graph_ ? graph_->GetPendingMarkerValues(i, amplitude, position) : 0;
    }
    int MoveCurrentMarkerToValue(uint64_t value) {
        return graph_ ? graph_->MoveCurrentMarkerToValue(value) : 0;
    }
    int SetMarkerPosition(int i, uint64_t value) {
        return graph_ ? graph_->SetMarkerPosition(i, value) : 0;
    }
    double GetDeltaAmplitude(int i) const { return graph_ ? graph_->GetDeltaAmplitude(i) : 0; }
    void SetUpperRightText(core::Text text, int y, bool avoid) {
        if (graph_) graph_->SetUpperRightText(text, y, avoid);
    }
    void SetLowerRightText(core::Text text, int y, bool avoid) {
        if (graph_) graph_->SetLowerRightText(text, y, avoid);
    }
    int SetXAxisKind(int kind);
    int GetXAxisKind() const { return graph_ ? graph_->GetXAxisKind() : 0; }
    core::Text GetCurrentMarkerText() const {
        return graph_ ? graph_->GetCurrentMarkerText() : core::Text(u" ");
    }
    int SetMarkerFcValues(std::span<const std::pair<uint64_t, double>> values);
    int SetMarkerRecords(std::span<CValueRecord* const> records, double start, double step);
    int RescaleMarkers(int old_points, int new_points);
    void SetWaterfallMode(int mode) {
        if (graph_) graph_->SetWaterfallMode(mode);
    }
    void HideMarkerTable() {
        if (graph_) graph_->HideMarkerTable();
    }
    int SaveWaterfall(std::span<const uint32_t, 9> values) {
        return graph_ ? graph_->SaveWaterfall(values) : 0;
    }
    int RecallWaterfall(core::Text path) { return graph_ ? graph_->RecallWaterfall(path) : 0; }
    int SaveScreenImage() { return graph_ ? graph_->SaveScreenImage() : 0; }
    int PrintScreen(int argument) { return graph_ ? graph_->PrintScreen(argument) : 0; }
    int StepActiveMarker(bool up, int n);

    void SetAxisText(int i, const core::Text& text) {
        if (graph_) graph_->SetAxisText(i, text);
    }
    double LevelOffset(double reference, double per_division, uint32_t unit) const {
        return CGraphWidget::LevelOffset(reference, per_division, unit);
    }
    bool IsDisplayReady() const { return graph_ && graph_->IsDisplayReady(); }
    void ClearDisplayReady() {
        if (graph_) graph_->ClearDisplayReady();
    }
    void SetWaterfallTimeStamp(bool flag) {
        if (graph_) graph_->SetWaterfallTimeStamp(flag);
    }
    bool GetWaterfallTimeStamp() const { return graph_ && graph_->GetWaterfallTimeStamp(); }
    // The limit editor's two cursors in hertz (0: where the edited mask was
    // placed, 1: the centre it stands on now).
    void SetLimitCursor(int which, uint64_t hz) {
        if (which == 0 || which == 1) limitCursors_[static_cast<size_t>(which)] = hz;
    }
    uint64_t GetLimitCursor(int which) const {
        return which == 0 || which == 1 ? limitCursors_[static_cast<size_t>(which)] : 0;
    }

  private:
    int topOffset_;
    int graphArgument_;
    std::unique_ptr<CGraphWidget> graph_;
    std::unique_ptr<plat::Window> tooltip_;
    std::array<uint64_t, 2> limitCursors_{};  // user-interface thread
};
