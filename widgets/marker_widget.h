#pragma once
// The flag of one graph marker and the texts that describe it: the readout
// beside the flag and the marker's line of the marker table. The flag is a
// 16 x 16 icon chosen by marker number, by whether the marker is the current
// one and by where it stands relative to the plot edges. The value record
// belongs to the setup; the widget only reads and writes it.
#include <array>

#include "files/value_record.h"
#include "platform/gfx/icon.h"
#include "widgets/screen_widget.h"

// The edges of the graph's current layout the flag keeps inside.
struct GraphEdges {
    int left = 0;
    int right = 0;
    int top = 0;
    int plotBottom = 0;
};

// What the texts are formatted with.
struct MarkerTextStyle {
    int xAxisKind = 0;       // 0 frequency, 1 time, 2 distance
    uint32_t levelUnit = 0;  // unit code of the amplitudes
    bool metric = true;      // distances in metres
    bool fcMode = false;     // the fc reading instead of the marker's own
    // The frequency spacing of the trace's points (hertz; 0 unknown): a
    // marker frequency shows the digits it resolves.
    double pointSpacing = 0;
};

class CMarkerWidget : public CScreenWidget {
  public:
    // The eight flags, in the order of Icons().
    enum Flag {
        kBelow,
        kStandard,
        kBelowCurrent,
        kStandardCurrent,
        kLeft,
        kRight,
        kLeftCurrent,
        kRightCurrent,
        kFlagCount
    };
    static constexpr int kFlagSize = 16;
    static constexpr COLORREF kInitialColor = plat::RGB(0, 128, 0);

    explicit CMarkerWidget(CValueRecord* record);

    // The base's Create, then the eight icons of the marker number.
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;

    // The icon resource id of `flag` for marker number `number` (a number
    // outside 0..5 takes marker 0's).
    static int IconId(int number, Flag flag);

    // "M1".. plus the delta or the reading, as beside the flag. With a label
    // box and type 1 the box is filled (entry 18, 21 when current) and the
    // name drawn on `dc` (may be null).
    core::Text FormatMarkerText(plat::Dc* dc, bool show, const MarkerTextStyle& style,
                                bool alternate) const;
    // The marker table's line.
    core::Text FormatMarkerTableLine(const MarkerTextStyle& style, int measurement_kind,
                                     int marker_code) const;
    // The reading without the name, the amplitude limited to +-999.9.
    core::Text FormatReadout(const MarkerTextStyle& style, bool delta) const;
    // Where the flag goes for the point (x, y) inside `edges`: left, top and
    // the flag; 1.
    int ComputePlacement(const GraphEdges& edges, int& left, int& top, Flag& flag) const;
    // Draws the flag icon at (x, y), 16 x 16.
    void DrawIcon(plat::Dc& dc, int x, int y, Flag flag) const;
    // Copies the 16 x 16 area under the flag's placement, for tests of the
    // flag's pixels.
    plat::Bitmap SaveUnderFlag(plat::Dc& dc, const GraphEdges& edges) const;
    // The 17 x 16 number box left of the point, or right of it near the
    // widget's left edge.
    void PlaceLabel();

    CValueRecord* GetRecord() const { return record_; }
    int GetNumber() const { return number_; }
    const plat::Rect& GetLabelRect() const { return labelRect_; }

    int x = 0;  // the point the marker stands on, owner coordinates
    int y = 0;
    COLORREF color = kInitialColor;
    bool visible = true;

  private:
    core::Text PositionText(const MarkerTextStyle& style, bool delta) const;

    CValueRecord* record_;  // not owned
    int number_ = 0;
    plat::Rect labelRect_{};
    bool hasLabel_ = false;
    std::array<plat::Icon, kFlagCount> icons_;
};
