// Where the widgets put their parts, as the pane layouts give them.
#include <gtest/gtest.h>

#include "widget_test_support.h"
#include "widgets/draw_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/satellite_bars.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/text_widget.h"

namespace {

using widget_test::ViewFixture;
using Geometry = ViewFixture;

TEST_F(Geometry, SoftKeysAndMenuKeyCaptions) {
    CSoftKeyMenu keys;
    keys.Create(&view, 705, 30, 800, 566, 1, 100, scheme.get());
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(keys.Key(i), nullptr);
        EXPECT_EQ(keys.Key(i)->GetOuterRect(), (plat::Rect{707, 34 + 67 * i, 798, 96 + 67 * i}));
        EXPECT_EQ(keys.GetId({750, 60 + 67 * i}), i);
    }
    EXPECT_EQ(keys.Key(7)->GetOuterRect().bottom, 565);
    EXPECT_EQ(keys.GetId({750, 98}), -1) << "the gap between keys";
    // Key style: a bar a third in from each side, 3 to 6 pixels above the bottom.
    EXPECT_EQ(keys.Key(0)->GetBarRect(), (plat::Rect{736, 90, 769, 93}));
    EXPECT_EQ(keys.Key(0)->GetTextRect(), (plat::Rect{710, 37, 795, 93}));

    CPanelWidget menu;
    menu.Create(&view, 0, 563, 705, 600, 1, 100, scheme.get());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(menu.Box(i)->GetOuterRect(), (plat::Rect{4 + 115 * i, 565, 116 + 115 * i, 596}));
    EXPECT_EQ(menu.Box(5)->GetOuterRect().right, 691);
    EXPECT_EQ(menu.Box(0)->GetTextRect(), (plat::Rect{9, 570, 111, 591})) << "panel inset 4";
}

TEST_F(Geometry, ReadoutCellsAndRows) {
    CReadoutPanel panel(0);
    panel.Create(&view, 0, 455, 705, 563, 1, 100, scheme.get());
    const int lefts[4] = {2, 177, 352, 527};
    for (int row = 0; row < 5; ++row)
        for (int c = 0; c < 4; ++c) {
            ASSERT_NE(panel.GetCell(row, c), nullptr);
            EXPECT_EQ(panel.GetCell(row, c)->GetRect(),
                      (plat::Rect{lefts[c], 456 + 17 * row, lefts[c] + 173, 472 + 17 * row}));
        }
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(panel.GetCell(5, c)->GetRect(),
                  (plat::Rect{2 + 233 * c, 541, 233 + 233 * c, 557}));
    EXPECT_EQ(panel.GetCell(5, 3), nullptr);
    // Row 0 splits 1, 0, 2, 2: at 35 % and at half; other rows at 35 %.
    EXPECT_EQ(panel.GetCell(0, 0)->LabelItem()->rect.right, 2 + 58);
    EXPECT_EQ(panel.GetCell(0, 1)->LabelItem()->rect.right, 177 + 84);
    EXPECT_EQ(panel.GetCell(0, 2)->LabelItem()->rect.right, 352 + 84);
    EXPECT_EQ(panel.GetCell(3, 1)->LabelItem()->rect.right, 177 + 58);

    for (int rows : {0, 7, -1}) EXPECT_EQ(CReadoutPanel(rows).GetRowCount(), 6) << rows;
    EXPECT_EQ(CReadoutPanel(3).GetRowCount(), 3);
}

TEST_F(Geometry, DrawPanelBoxesOverlap) {
    const uint32_t ids[2] = {229, 230};
    CDrawPanel panel(3, ids, 0, nullptr);
    panel.Create(&view, 0, 30, 705, 90, 1, 120, scheme.get());
    ASSERT_TRUE(panel.IsTextBoxMode());
    const int w = (705 - 20) / 3;
    EXPECT_EQ(panel.GetBox(0, 0)->GetRect(), (plat::Rect{20, 30, 20 + w, 50}));
    EXPECT_EQ(panel.GetBox(0, 1)->GetRect(), (plat::Rect{20 + w - 20, 30, 20 + 2 * w - 20, 50}));
    EXPECT_EQ(panel.GetBox(1, 0), nullptr);
    EXPECT_EQ(panel.GetRowRect(2), (plat::Rect{0, 72, 705, 92}));
    // The measured label is exactly as wide as its bold text + 2.
    CTextWidget* box = panel.GetBox(0, 0);
    plat::FontSpec bold = box->GetFont().spec();
    bold.weight = plat::FW_BOLD;
    EXPECT_EQ(box->LabelItem()->rect.width(),
              plat::Font::create(bold).text_extent(u"Start").cx + 2);

    CDrawPanel plain;
    plain.Create(&view, 0, 30, 705, 90, 1, 120, scheme.get());
    EXPECT_FALSE(plain.IsTextBoxMode());
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(plain.GetRowRect(r), (plat::Rect{0, 30 + 21 * r, 705, 50 + 21 * r}));
}

TEST_F(Geometry, SatelliteBarLefts) {
    CSatelliteBars bars(&view);
    const int lefts[12] = {325, 354, 384, 413, 443, 472, 502, 531, 561, 590, 620, 649};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bars.GetBar(i).GetRect(), (plat::Rect{lefts[i], 340, lefts[i] + 20, 440}));
}

TEST_F(Geometry, StatusIndicatorIconAndText) {
    CStatusIndicator s;
    s.Create(&view, 705, 566, 800, 600, 1, 100, scheme.get());
    EXPECT_EQ(s.GetTextRect(), (plat::Rect{770, 568, 798, 598}));
    const struct {
        int state, level;
        COLORREF fill;
        int icon_left;
        bool text;
    } cases[] = {
        {1, 100, Color(1), 705, false}, {1, 99, Color(1), 705, true},
        {2, 50, Color(1), 705, true},   {3, 50, Color(9), 705, true},
        {4, 0, Color(1), 710, true},    {0, 101, Color(8), 705, false},
        {5, -1, Color(8), 705, false},  {-1, 100, Color(8), 705, true},
    };
    for (const auto& c : cases) {
        s.SetValue(c.state, c.level);
        EXPECT_EQ(s.FillColor(), c.fill) << c.state;
        EXPECT_EQ(s.IconLeft(), c.icon_left) << c.state;
        EXPECT_EQ(s.ShowsText(), c.text) << c.state << " " << c.level;
        Poison();
        s.Redraw();
        EXPECT_EQ(Painted(), (plat::Rect{705, 566, 800, 600})) << "exactly its rectangle";
        EXPECT_EQ(Pixel(799, 599), c.fill);
        // The level text is drawn in entry 11 (on the default white cell).
        EXPECT_EQ(AnyPixel(s.GetTextRect(), Color(11)), c.text) << c.state << " " << c.level;
    }
    // The icons by state are the program's icons 134, 130, 132, 131.
    const plat::Icon* icons[5];
    for (int st = 0; st < 5; ++st) {
        s.SetValue(st, 0);
        icons[st] = &s.CurrentIcon();
    }
    EXPECT_EQ(icons[2], icons[3]);
    EXPECT_NE(icons[0], icons[1]);
    EXPECT_NE(icons[1], icons[2]);
    EXPECT_NE(icons[2], icons[4]);
}

}  // namespace
