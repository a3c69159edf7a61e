#pragma once
// The measurement display of every instrument screen: the graticule with its
// level labels, up to four traces that grow from left to right while a sweep
// arrives, six markers with their table, the waterfall and the labels around
// the plot. The measurement worker writes trace data under the graph's lock
// and draws sweeps and waterfall rows (DrawTrace, AddWaterfallLine); the
// user-interface thread draws markers and scales. Lock order: the screen's
// lock, the graph's lock, a surface's lock. The graph never calls screen
// code while it holds its lock.
//
// Drawing goes through an off-screen plot image that holds the background
// with the labels; a new piece of trace first restores its stripe from it.
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "files/value_record.h"
#include "widgets/graph_data.h"
#include "widgets/marker_widget.h"
#include "widgets/screen_widget.h"
#include "widgets/text_label.h"

// The scale object SetScale takes.
class IGraphScale {
  public:
    virtual ~IGraphScale() = default;
    virtual uint32_t GetUnit() const = 0;
    virtual double GetFirst() const = 0;
    virtual double GetSecond() const = 0;
    virtual double GetStep() const = 0;
};

// The print object the graph owns; PrintScreen hands it the owner window.
class IScreenPrint {
  public:
    virtual ~IScreenPrint() = default;
    virtual int Print(plat::Window* window, int argument) = 0;
};

class CGraphWidget : public CScreenWidget {
  public:
    static constexpr int kLayouts = 3;
    static constexpr int kPanelLayout = 1;
    static constexpr int kScreenLayout = 2;
    static constexpr int kMarkers = 6;
    static constexpr int kLevelLabels = 10;
    static constexpr int kTimeMarks = 5;
    static constexpr int kRampSize = 256;
    static constexpr size_t kTrailerSize = 1792;
    // Table positions: upper right, lower right, lower left, upper left, hidden.
    static constexpr int kTableHidden = 4;

    struct Layout {
        int left = 0, top = 0, right = 0, bottom = 0;
        int PlotBottom() const { return bottom - 4; }
        int Height() const { return bottom - top; }
        int Width() const { return right - left; }
        int DivisionHeight() const { return Height() / 10; }
    };

    // The lock held while the caller writes trace data.
    class DataLock {
      public:
        explicit DataLock(CGraphWidget& g) : lock_(g.mutex_), data_(g.data_) {}
        GraphData* operator->() { return &data_; }
        GraphData& operator*() { return data_; }

      private:
        std::unique_lock<std::recursive_mutex> lock_;
        GraphData& data_;
    };

    explicit CGraphWidget(int layout, int unused = 0);
    // The title, the level labels and, on the full screen, the corner and
    // bottom labels.
    void CollectTexts(DrawnTexts& out) const override;
    ~CGraphWidget() override;

    void Init() override;
    // Creates labels, buffers and images; coordinates are per layout. False
    // when a buffer or bitmap is missing.
    bool CreateGraph(plat::Window* owner, const std::array<int, kLayouts>& left,
                     const std::array<int, kLayouts>& top, const std::array<int, kLayouts>& right,
                     const std::array<int, kLayouts>& bottom, ColorSchemeIndex color_index,
                     int pt10, CColorScheme* scheme);

    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }
    DataLock LockData() { return DataLock(*this); }

    // --- layout and scale -------------------------------------------------
    int SetLayout(int index);
    int GetLayout() const;
    const Layout& GetLayoutRect(int index) const { return layouts_[Clamp(index)]; }
    int GetPlotTop() const;
    int GetPlotBottom() const;
    void SetScale(const IGraphScale* scale);
    void SetScaleFrom(const IGraphScale* scale) { SetScale(scale); }
    void SetReferenceLevel(double reference, uint32_t unit, double per_division);
    static double LevelOffset(double reference, double per_division, uint32_t unit);
    void SetAxisLabels(double first, double second, double step, uint32_t unit);
    void SetPerMetre(int flag);
    core::Text GetLevelLabel(int i) const;
    void SetAxisText(int i, const core::Text& text);
    core::Text GetTitleText() const;
    void SetTitleText(const core::Text& text);
    void SetUpperRightText(const core::Text& text, int y, bool avoid_overlap);
    void SetLowerRightText(const core::Text& text, int y, bool avoid_overlap);
    // The label of the upper (or lower) limit line in the current layout.
    core::Text GetRightText(bool upper) const;
    void SetMarkerLineText(int i, const core::Text& text);
    void SetBottomLabel(int i);
    core::Text GetBottomLabel(int i) const;
    void SetFullRedraw(bool flag);
    bool IsDisplayReady() const;
    void ClearDisplayReady();

    // --- value to pixel -----------------------------------------------------
    int ValueToX(double value, double start, double span) const;
    int ValueToX2(double value, double start, double span) const {
        return ValueToX(value, start, span);
    }
    int ValueToX3(double value, double start, double span) const {
        return ValueToX(value, start, span);
    }
    int ValueToY(double value, double top_value, double bottom_value) const;

    // --- drawing ------------------------------------------------------------
    // Composes the background, level labels and titles off screen and shows
    // them (after the waterfall).
    void DrawGraticule();
    // Returns the pending-change flag and clears it; draws the graticule
    // when `draw` is set.
    int RedrawBackground(bool draw, int argument);
    // Draws the points first..last of the sweep segment by segment.
    int DrawTrace();
    // Draws every point received so far again, on a background drawn anew.
    int RedrawWholeTrace();
    int EmptyHook() { return 0; }

    // --- markers --------------------------------------------------------------
    void SetMarkerRecords(std::span<CValueRecord* const> records, double start, double step);
    void CreateMarkers(CValueRecord* record, int i, double start, double step);
    void SetCurrentMarker(int i);
    int NextMarker();
    void ToggleCurrentMarker();
    void TurnOnMarker(int i);
    int GetMarkerState(int i) const;
    void MoveCurrentMarkerToIndex(int index);
    void MoveCurrentMarkerToIndex2(int index) { MoveCurrentMarkerToIndex(index); }
    void MoveCurrentMarkerToIndex3(int index) { MoveCurrentMarkerToIndex(index); }
    void ToggleDelta();
    bool GetCurrentDelta(int& delta, int& delta_index) const;
    int ToggleCurrentType();
    int SetAllTypes0();
    int SetAllTypes1();
    core::Text GetMarkerLabel(int i) const;
    void SetMarkerLabel(const core::Text& text, int i);
    core::Text GetMarkerSecondText(int i) const;
    void SetMarkerSecondText(const core::Text& text, int i);
    int ToggleCurrentMarkerOption();
    void SetMarkerTablePosition(int position);
    int GetMarkerTablePosition() const;
    void PlaceMarkerTable();
    void AllMarkersOff();
    int PlaceAllMarkers(bool from_list_a);
    int GetCurrentMarker(int& i) const;
    bool GetMarkerInfo(int i, int& state, int& type, int& delta, int& option) const;
    void MoveCurrentMarkerBy(bool right, int n);
    int GetMarkerPixelIndex(int i) const;
    // The point marker i is going to: that of its pending request when the
    // point is known, else the one it stands on.
    int GetMarkerTargetIndex(int i) const;
    int GetMarkerValues(int i, double& amplitude, uint64_t& position) const;
    // The values marker i will have once its pending move is carried out
    // (the point's level and position); its present ones without a move.
    int GetPendingMarkerValues(int i, double& amplitude, uint64_t& position) const;
    int MoveCurrentMarkerToValue(uint64_t value);
    int SetMarkerPosition(int i, uint64_t value);
    // Nearest point of the position array to `target` from `index` on.
    int FindFrequencyIndex(uint64_t target, int& index) const;
    int FindTimeIndex(uint64_t target, int& index) const {
        return FindFrequencyIndex(target, index);
    }
    int FindDistanceIndex(uint64_t target, int& index) const {
        return FindFrequencyIndex(target, index);
    }
    double GetDeltaAmplitude(int i) const;
    void SetXAxisKind(int kind);
    int GetXAxisKind() const;
    core::Text GetCurrentMarkerText() const;
    void SetMarkerFcValues(std::span<const std::pair<uint64_t, double>> values);
    void RescaleMarkers(int old_points, int new_points);
    void HideMarkerTable();
    void StepActiveMarker(bool up, int n);
    void SetLevelUnit(uint32_t unit);
    // The marker table's line i as last set.
    core::Text GetMarkerLineText(int i) const;
    plat::Rect GetMarkerLineRect(int i) const;
    const CMarkerWidget* GetMarker(int i) const;
    GraphEdges Edges() const;

    // --- waterfall ------------------------------------------------------------
    void SetWaterfallMode(int mode);
    int GetWaterfallMode() const;
    int AddWaterfallLine();
    void DrawWaterfall();
    int RestoreWaterfall();
    void ClearWaterfall();
    bool SaveWaterfall(std::span<const uint32_t, 9> values);
    int RecallWaterfall(const core::Text& path);
    bool SaveScreenImage();
    int PrintScreen(int argument);
    void SetPrinter(std::unique_ptr<IScreenPrint> printer);
    void SetWaterfallTimeStamp(bool flag);
    bool GetWaterfallTimeStamp() const;
    // The waterfall's time source, local seconds (tests set their own).
    void SetTimeSource(std::function<int64_t()> now);
    static COLORREF RampColor(int level);
    static core::Text ElapsedTimeText(uint32_t seconds);
    std::array<uint32_t, kTimeMarks> GetTimeMarks() const;
    // The waterfall image as shown (row 0 newest), a copy.
    plat::Bitmap GetWaterfallImage() const;
    uint32_t GetRowStamp(int row) const;
    int GetRowIndex() const;
    // The path of the picture last saved.
    core::Text GetLastPicturePath() const;

  private:
    using Guard = std::lock_guard<std::recursive_mutex>;
    // The part of a table line its text covers, aligned as it is drawn.
    static plat::Rect TableTextRect(plat::Dc& dc, const CTextLabel& line, bool left_aligned);
    static int Clamp(int layout) { return layout < 0 || layout >= kLayouts ? 0 : layout; }
    const Layout& Cur() const { return layouts_[Clamp(layout_)]; }
    void MakeLabels();
    void LoadBackground();
    // Paints the waterfall with the picture of an empty one; false when the
    // picture is missing.
    bool PaintWaterfallClear();
    // The graticule bitmap, the labels' fill and their text colour follow
    // a scheme change at the next drawing of the graticule.
    void TakeSchemeColours() override;
    void ComposeBackground(plat::Dc& dc, int divisor);
    void DrawLegend(plat::Dc& dc);
    // Trace drawing.
    void DrawSegment(plat::Dc& screen, int from, int to, int32_t state);
    void DrawTraceLabels(plat::Dc& dc);
    void DrawSpanBar(plat::Dc& dc, int x1, int x2);
    void DrawProgressBar(plat::Dc& dc, int x);
    void GetPlotExtent(int& height, int& top, int& bottom) const;
    void ClampCounters();
    // Markers.
    CValueRecord* Record(int i) const;
    int CurrentIndex() const;
    void CountMarkersOn();
    void TurnOn(int i);
    void StoreMarkerPosition(int i, uint64_t position);
    uint64_t RecordPosition(const CValueRecord& r) const;
    // The point a marker's pending request asks for (kept inside the sweep;
    // -1 for a position not reached yet) and whether it has arrived.
    struct RequestedPoint {
        bool pending = false;
        bool arrived = false;
        int index = -1;
    };
    RequestedPoint PendingRequest(int i) const;
    // Whether the point of `position` is among the points received.
    bool PositionArrived(uint64_t position) const;
    // Whether marker i's point (requested, else that of its position) has
    // yet to arrive.
    bool MarkerWaits(int i) const;
    int LastPoint() const;
    int ApplyMarkerRequests(int i, bool& changed);
    bool UpdateMarker(int i, int x_from, int x_to);
    void MeasureMarker(int i, bool found, bool changed);
    void DrawMarkerLines(plat::Dc& dc, int i, int x_from, int x_to);
    void DrawMarkerTableText(plat::Dc& dc, int x_from, int x_to);
    void RestoreMarkerTable(plat::Dc& dc);
    // Puts the background back under the table texts no line shows any more
    // (their marker off, or the table hidden), or under all of them with
    // `every`: in the off-screen image, from which the stripes drawn next
    // take it, and on `screen` when given.
    void EraseTableTexts(plat::Dc* screen, bool every);
    int ClampIndex(int index) const;
    MarkerTextStyle TextStyle() const;
    // Waterfall.
    void AddWaterfallRow(plat::Dc& dc);
    void CopyWaterfall(plat::Dc& dc);
    void ComputeTimeMarks();
    void DrawTimeMarks(plat::Dc& dc);
    int PlacementTop() const;
    int PlacementHeight() const;
    int RowCount() const { return layouts_[kPanelLayout].Height(); }

    mutable std::recursive_mutex mutex_;
    int layout_ = kPanelLayout;
    std::array<Layout, kLayouts> layouts_{};
    int pt10_ = 0;

    // Scale and texts.
    std::array<core::Text, kLevelLabels> levelLabels_;
    double scaleFirst_ = 0, scaleSecond_ = 0, scaleStep_ = 0;
    double referenceLevel_ = 0;
    uint32_t unit_ = 0;
    int perMetre_ = 0;
    bool fullRedraw_ = false;
    bool displayReady_ = false;
    int pendingChange_ = 0;

    std::array<CTextLabel, kLayouts> title_;
    CTextLabel levelBox_;
    std::array<CTextLabel, kLayouts> upperRight_;
    std::array<CTextLabel, kLayouts> lowerRight_;
    std::array<std::array<CTextLabel, kMarkers>, kLayouts> markerLines_;
    // Where each table line's text was drawn last (empty: nowhere since the
    // table's box was restored).
    std::array<std::array<plat::Rect, kMarkers>, kLayouts> tableTexts_{};
    CTextLabel topRight_;
    std::array<CTextLabel, 3> bottomLabels_;
    CTextLabel floating_;
    plat::Brush labelBrush_{};

    GraphData data_;
    // The points of the running sweep drawn so far (under the graph mutex):
    // only segments beyond it are new, and only before those does the
    // drawing pause.
    int32_t drawn_ = 0;
    int xAxisKind_ = 0;
    int waterfallMode_ = 0;

    plat::Bitmap background_;
    plat::Bitmap plotImage_;
    plat::Bitmap waterfall_;

    // Markers.
    std::array<std::unique_ptr<CMarkerWidget>, kMarkers> markers_;
    std::array<bool, kMarkers> measured_{};
    int tablePosition_ = 0;
    int tableDrawnPosition_ = -1;
    bool tableShown_ = false;
    int markersOn_ = 0;
    bool markerMoved_ = false;
    bool anyMarkerOn_ = false;
    bool currentSeen_ = false;
    int tableTop_ = 0;
    int tableLeft_ = 0;
    int tableRight_ = 0;
    int markerLineMargin_ = 0;

    // Waterfall.
    std::vector<uint32_t> rowStamps_;
    int rowIndex_ = 0;
    int rowsSoFar_ = 0;
    uint32_t firstStamp_ = 0;
    std::array<uint32_t, kTimeMarks> marks_{};
    bool showStamps_ = false;
    std::array<uint8_t, kTrailerSize> trailer_{};
    std::function<int64_t()> now_;
    core::Text lastPicture_;

    std::unique_ptr<IScreenPrint> printer_;
};
