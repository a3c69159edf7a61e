// What the widgets do with their texts, flags and indices: groups with
// missing children, indices at both ends, the readout box's flags, text
// widgets, labels, the readout panel, the title bar, signal and satellite
// bars.
#include <gtest/gtest.h>

#include "core/app_commands.h"
#include "core/posted_records.h"
#include "widget_test_support.h"
#include "widgets/draw_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/satellite_bars.h"
#include "widgets/soft_key_menu.h"
#include "widgets/text_fit.h"
#include "widgets/text_label.h"
#include "widgets/title_bar.h"

namespace {

using widget_test::ViewFixture;
using Behaviour = ViewFixture;

TEST_F(Behaviour, GroupsSkipMissingChildrenAndIndicesOutside) {
    // Before Create every child is missing while the count is 8.
    CSoftKeyMenu empty;
    EXPECT_EQ(empty.GetCount(), 8);
    empty.Update();
    empty.RedrawAll();
    empty.Refresh();
    empty.Select(3);
    empty.DeselectAll();
    empty.ClearHighlights();
    empty.ResetChildren();
    empty.SetChildState(2, true, true);
    EXPECT_EQ(empty.GetSelectedIndex(), -1);
    EXPECT_EQ(empty.GetHighlighted(), -1);
    EXPECT_FALSE(empty.HitTest({750, 60}));
    EXPECT_EQ(empty.GetId({750, 60}), -1);
    EXPECT_EQ(empty.Show(0, 2), 0);
    EXPECT_EQ(empty.Select(0, 2, true), 0);
    EXPECT_EQ(empty.SetKeyState(0, 2, true), 1);

    CSoftKeyMenu keys;
    keys.Create(&view, 705, 30, 800, 566, 1, 100, scheme.get());
    keys.SetKeyText(u"A", 0, false, false);
    for (int bad : {-1, -100, 8, 9}) {
        keys.SetKeyText(u"X", bad, false, true);
        keys.SetKeyTitle(u"X", bad);
        keys.SetChildState(bad, true, true);
        keys.Select(bad);
        keys.Highlight(bad);
        EXPECT_EQ(keys.SetKeyState(0, bad, true), 1);
    }
    EXPECT_EQ(keys.GetSelectedIndex(), -1);
    EXPECT_EQ(keys.GetHighlighted(), -1);
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(keys.Key(i)->IsActive()) << i;

    CPanelWidget menu;
    menu.Create(&view, 0, 563, 705, 600, 1, 100, scheme.get());
    EXPECT_EQ(menu.SetBoxTextById(229, -1, false, false), 6);
    EXPECT_EQ(menu.SetBoxTextById(229, 6, false, false), 6);
    EXPECT_EQ(menu.SetBoxTextById(229, 5, false, false), 0);
}

TEST_F(Behaviour, ReadoutBoxFlags) {
    CSoftKeyMenu keys;
    keys.Create(&view, 705, 30, 800, 566, 1, 100, scheme.get());
    CReadoutBox& k = *keys.Key(2);
    k.SetTitle(u"  ");
    EXPECT_FALSE(k.IsEnabled());
    EXPECT_EQ(k.SetSelected(true), 0);
    EXPECT_FALSE(k.IsSelected());

    keys.SetKeyText(u"Key", 2, true, true);
    EXPECT_TRUE(k.IsDisabled());
    EXPECT_FALSE(k.IsSelected());
    EXPECT_TRUE(k.IsHighlighted());
    keys.SetKeyTitle(u"Key", 2);
    EXPECT_FALSE(k.IsDisabled());
    EXPECT_TRUE(k.IsHighlighted()) << "a new title keeps the marks";

    keys.Show(0, 5);
    keys.Show(0, 3);
    EXPECT_EQ(keys.GetHighlighted(), 3);
    keys.Show(0, -1);
    EXPECT_EQ(keys.GetHighlighted(), 3) << "a full repaint changes no mark";

    // Select on a blank key: nothing selected, the key highlighted.
    keys.SetTexts(nullptr, 0);
    keys.SetKeyText(u"", 4, false, false);
    keys.SetKeyText(u"Other", 1, false, true);
    keys.Select(0, 4, true);
    EXPECT_EQ(keys.GetSelectedIndex(), -1);
    EXPECT_EQ(keys.GetHighlighted(), 4);
    keys.Select(0, 1, true);
    EXPECT_EQ(keys.GetSelectedIndex(), 1);
    keys.Select(0, 1, false);
    EXPECT_EQ(keys.GetSelectedIndex(), -1);
    EXPECT_EQ(keys.GetHighlighted(), -1);

    // Widget groups as the other screens reset them.
    keys.SetChildState(1, true, true);
    EXPECT_TRUE(keys.Key(1)->IsActive());
    keys.ResetChildren();
    EXPECT_FALSE(keys.Key(1)->IsActive());
    EXPECT_EQ(keys.GetSelectedIndex(), -1);
    EXPECT_EQ(keys.GetHighlighted(), -1);

    // SetTexts with fewer ids changes only the first keys.
    keys.SetKeyText(u"Stays", 5, false, false);
    const uint32_t ids[2] = {229, 230};
    keys.SetTexts(ids, 2);
    EXPECT_EQ(keys.Key(0)->GetTitle(), u"Start");
    EXPECT_EQ(keys.Key(1)->GetTitle(), u"Stop");
    EXPECT_EQ(keys.Key(5)->GetTitle(), u"Stays");

    CPanelWidget menu;
    menu.Create(&view, 0, 563, 705, 600, 1, 100, scheme.get());
    menu.SetTexts(ids, 2);
    EXPECT_EQ(menu.GetCurrentBox(), 0);
    EXPECT_EQ(menu.GetHighlighted(), 0) << "GetCurrentBox marks box 0";
}

TEST_F(Behaviour, TextWidgets) {
    CTextWidget split(CTextWidget::kSplitNarrow);
    split.Create(&view, 10, 100, 183, 116, 1, 100, scheme.get());
    EXPECT_EQ(split.LabelItem()->rect.right, 10 + 58);
    EXPECT_EQ(split.SetTexts(u"L", u"V"), 1);
    EXPECT_EQ(split.SetTexts(u"L", u"V"), 0);
    split.SetText(u"W");
    EXPECT_EQ(split.GetLabel(), u"");
    EXPECT_EQ(split.GetValue(), u"W");

    CTextWidget half(CTextWidget::kSplitHalf);
    half.Create(&view, 10, 100, 183, 116, 1, 100, scheme.get());
    EXPECT_EQ(half.LabelItem()->rect.right, 10 + 84);

    CTextWidget measured(229, 11, 1);
    measured.Create(&view, 10, 100, 183, 116, 1, 100, scheme.get());
    measured.SetText(u"5");
    EXPECT_EQ(measured.GetLabel(), u"Start") << "a measured label never changes";
    EXPECT_EQ(measured.SetTexts(u"Other", u"5"), 0);

    // The value colour: a colour shows it bold in that colour, 0 in black.
    split.SetLabelIdValueColor(229, u"1", 0x0000FF);
    EXPECT_EQ(split.ValueItem()->textColor, 0x0000FFu);
    EXPECT_NE(split.ValueItem()->font, &split.GetFont());
    split.SetLabelIdValueColor(229, u"1", 0);
    EXPECT_EQ(split.ValueItem()->font, &split.GetFont());

    // Black even where the scheme's highlighted text is white, as on the
    // white panes of the Black Display: the value stays readable.
    const auto black_scheme = CreateColorScheme(static_cast<int32_t>(SchemeNumber::kBlack));
    ASSERT_NE(black_scheme->GetColor(11), 0u);
    CTextWidget cell(CTextWidget::kSplitNarrow);
    cell.Create(&view, 10, 100, 183, 116, 1, 100, black_scheme.get());
    cell.SetLabelIdValueColor(229, u"888", 0);
    Poison();
    cell.RedrawAll();
    const plat::Rect value{cell.ValueItem()->rect.left, 100, 183, 116};
    EXPECT_TRUE(AnyPixel(value, 0)) << "the value in black";
}

// A value under a blank label (the active marker's reading) starts where
// the label would and has the whole cell: it is drawn there and fits.
TEST_F(Behaviour, AValueWithoutALabelHasTheWholeCell) {
    const core::Text reading = u"M2:-76.50dB/14.389 m";
    for (const core::Text& label : {core::Text(u" "), core::Text()}) {
        CTextWidget cell(CTextWidget::kSplitNarrow);
        cell.Create(&view, 352, 100, 527, 116, 1, 100, scheme.get());
        cell.SetTexts(label, reading);
        DrawnTexts texts;
        cell.CollectTexts(texts);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1].box.left, 352);
        EXPECT_TRUE(MeasureOverflow(texts[1]).Fits());
        Poison();
        cell.RedrawAll();
        const plat::Rect label_room{352, 100, cell.LabelItem()->rect.right, 116};
        EXPECT_TRUE(AnyPixel(label_room, cell.ValueItem()->textColor))
            << "the value is drawn in the label's room";
    }
    // A real label keeps the value after it.
    CTextWidget cell(CTextWidget::kSplitNarrow);
    cell.Create(&view, 352, 100, 527, 116, 1, 100, scheme.get());
    cell.SetTexts(u"Stop", u"3.6 GHz");
    DrawnTexts texts;
    cell.CollectTexts(texts);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_GT(texts[1].box.left, cell.LabelItem()->rect.right)
        << "the value starts after its label";
}

TEST_F(Behaviour, TextLabelsGrowAndAlign) {
    const plat::Font font = plat::Font::create_point(100, u"Tahoma");
    const int w = font.text_extent(u"A rather long text").cx;
    plat::Bitmap b = plat::Bitmap::create(800, 100, 0);
    plat::Dc dc(b);
    CTextLabel fit({100, 10, 110, 30});
    fit.font = &font;
    fit.SetText(u"A rather long text");
    fit.DrawFit(dc, plat::DT_LEFT);
    EXPECT_EQ(fit.rect, (plat::Rect{100 - (w - 10), 10, 110 + (w - 10), 30}));

    CTextLabel right({300, 10, 310, 30});
    right.font = &font;
    right.SetText(u"A rather long text");
    right.DrawAligned(dc, plat::DT_LEFT, CTextLabel::kAlignRight);
    EXPECT_EQ(right.rect.left, 310 - w);

    // An empty opaque label fills its box but draws no text.
    const plat::Brush green = plat::Brush::solid(plat::RGB(0, 200, 0));
    CTextLabel empty({400, 10, 450, 30});
    empty.font = &font;
    empty.opaque = true;
    empty.brush = &green;
    empty.DrawAligned(dc, plat::DT_LEFT, CTextLabel::kAlignWiden);
    EXPECT_EQ(b.pixel(420, 20), green.color);
}

TEST_F(Behaviour, ReadoutPanelRowsOutsideTouchNothing) {
    CReadoutPanel panel(0);
    panel.Create(&view, 0, 455, 705, 563, 1, 100, scheme.get());
    CFrequencyRange range(1'000'000, 2'000'000, 3'000'000, 2'000'000);
    for (int row : {6, 7, -1}) {
        Poison();
        panel.ShowFrequencyRow(&range, 0, row);
        panel.ShowFrequencyRow(nullptr, 0, row);
        EXPECT_EQ(panel.SetCellText(229, u"x", row, 0, 0), 0);
        EXPECT_EQ(panel.SetCellTexts(u"a", u"b", row, 0), 0);
        panel.ClearRow(row);
        panel.RedrawCell(0, 0, row, 0);
        EXPECT_TRUE(Painted().empty()) << row;
    }
    EXPECT_EQ(panel.SetCellText(229, u"x", 0, 4, 0), 0);
    EXPECT_EQ(panel.SetCellText(229, u"x", 0, -1, 0), 0);

    panel.ShowFrequencyRow(&range, 0, 3);
    EXPECT_EQ(panel.GetCell(3, 0)->GetLabel(), u"Start");
    EXPECT_EQ(panel.GetCell(3, 1)->GetLabel(), u"Span");
    EXPECT_EQ(panel.GetCell(3, 2)->GetLabel(), u"Centre");
    EXPECT_EQ(panel.GetCell(3, 3)->GetLabel(), u"Stop");
    EXPECT_NE(panel.GetCell(3, 3)->GetValue().find(u"3"), core::Text::npos);

    Poison();
    EXPECT_EQ(panel.SetCellText(229, panel.GetCell(3, 0)->GetValue(), 3, 0, 0), 0);
    EXPECT_TRUE(Painted().empty()) << "unchanged texts redraw nothing";
    EXPECT_EQ(panel.SetCellText(229, u"1 Hz", 3, 0, 0), 1);
    EXPECT_EQ(Painted(), panel.GetCell(3, 0)->GetRect());

    panel.ClearRow(1);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(panel.GetCell(1, c)->GetLabel(), u" ");
        EXPECT_EQ(panel.GetCell(1, c)->GetValue(), u"");
    }
    panel.SetRowCaption(u"x", 2);
    EXPECT_EQ(panel.GetRowCaption(2), u"") << "the cell layout has only caption row 5";
    panel.SetRowCaption(u"x", 5);
    EXPECT_EQ(panel.GetRowCaption(5), u"x");
}

TEST_F(Behaviour, TitleBarParts) {
    CFileLabelPanel plain(u"Tools", false);
    plain.Create(&view, 0, 0, 800, 30, 1, 160, scheme.get());
    plain.SetFileLabel(u"A", u"");
    EXPECT_EQ(plain.GetFileLabel(), u"A");
    plain.SetFileLabel(u"A", u"B");
    EXPECT_EQ(plain.GetFileLabel(), u"A:B");
    Poison();
    plain.SetIdText(u"x");
    plain.SetSetupName(u"x");
    EXPECT_TRUE(Painted().empty()) << "no id panel, no setup widget";
    // The text object is freed whenever release is set, id panel or not.
    plain.SetIdObject(new core::Text(u"freed"), true);
    core::Text kept(u"kept");
    plain.SetIdObject(&kept, false);

    EXPECT_TRUE(plain.HitTest({400, 15}));
    EXPECT_FALSE(plain.HitTest({100, 15})) << "only the clock answers";
    EXPECT_FALSE(plain.HitTest({600, 15}));

    CFileLabelPanel setup(u"SA", u"", false, true);
    setup.Create(&view, 0, 0, 800, 30, 1, 160, scheme.get());
    EXPECT_EQ(setup.GetSetupWidget()->GetLabel(), u"Setup:");
    EXPECT_EQ(setup.GetSetupWidget()->GetValue(), u"Test Setup File Label");
    setup.SetSetupName(u"Mine");
    EXPECT_EQ(setup.GetSetupWidget()->GetValue(), u"Mine");

    CFileLabelPanel id(u"PM", u"", true, false);
    id.Create(&view, 0, 0, 800, 30, 1, 160, scheme.get());
    id.SetIdObject(new core::Text(u"Sensor"), true);
    EXPECT_EQ(id.GetIdPanel()->GetText(), u"Sensor");

    Poison();
    id.SetStatusIcon(1);
    const plat::Rect icon_area{768, 0, 800, 30};
    EXPECT_FALSE(Painted().empty());
    EXPECT_EQ(Painted().unite(icon_area), icon_area) << "the icon, cut at the bar";
    Poison();
    id.SetStatusIcon(1);
    EXPECT_TRUE(Painted().empty()) << "the state already shown draws nothing";
    id.SetStatusIcon(0);
    EXPECT_EQ(Painted(), icon_area) << "bitmap 283 clears the icon";
    for (int y : {0, 15, 29})
        for (int x : {768, 784, 799})
            EXPECT_EQ(Pixel(x, y), Color(1)) << "the bar's own background, not a black square";
}

TEST_F(Behaviour, SignalAndSatelliteBars) {
    CSignalBar bar(0, 10, 10, 30, 110, 99);
    bar.SetValue(-3);
    EXPECT_EQ(bar.GetValue(), 0);
    bar.SetValue(150);
    EXPECT_EQ(bar.GetValue(), 99);
    plat::Bitmap b = plat::Bitmap::create(50, 120, widget_test::kPoison);
    plat::Dc dc(b);
    bar.Draw(dc);
    EXPECT_EQ(b.pixel(20, 10), plat::RGB(255, 0, 0)) << "all red at the maximum";
    bar.SetValue(0);
    bar.Draw(dc);
    EXPECT_EQ(b.pixel(20, 109), 0u) << "all black at 0";
    bar.SetValue(33);
    bar.Draw(dc);
    EXPECT_EQ(bar.FilledRect(), (plat::Rect{10, 110 - 33, 30, 110}));
    EXPECT_EQ(b.pixel(20, 110 - 33), plat::RGB(255, 0, 0));
    EXPECT_EQ(b.pixel(20, 110 - 34), 0u);

    for (int max : {0, -5}) {
        CSignalBar flat(0, 10, 10, 30, 110, max);
        flat.SetValue(50);
        flat.Draw(dc);
        for (int y = 10; y < 110; ++y) ASSERT_EQ(b.pixel(20, y), 0u) << max << " " << y;
    }

    CSatelliteBars bars(&view);
    CGsvSentence three;
    three.SetSatellitesInView(3);
    for (uint32_t i = 0; i < 3; ++i) three.AddSatellite({7 + i, 10, 20, 30 + i});
    bars.Update(&three);
    EXPECT_EQ(bars.GetCaption(0), u"  7");
    EXPECT_EQ(bars.GetBar(2).GetValue(), 32);
    for (int i = 3; i < 12; ++i) {
        EXPECT_EQ(bars.GetBar(i).GetValue(), 0);
        EXPECT_EQ(bars.GetCaption(i), u"");
    }
    EXPECT_EQ(bars.GetCaption(12), u"");
    EXPECT_EQ(bars.GetCaption(-1), u"");
    // The bars draw on the screen, not on the window.
    EXPECT_EQ(Pixel(325 + 59 + 5, 439), plat::RGB(255, 0, 0));

    CGsvSentence many;
    many.SetSatellitesInView(14);
    for (uint32_t i = 0; i < 14; ++i) many.AddSatellite({i + 1, 0, 0, 50});
    EXPECT_EQ(many.GetSatelliteCount(), 12);
    bars.Update(&many);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(bars.GetBar(i).GetValue(), 50) << i;
    // A sentence that claims more in view than it holds fills only what it holds.
    CGsvSentence short_one;
    short_one.SetSatellitesInView(9);
    short_one.AddSatellite({1, 0, 0, 20});
    bars.Update(&short_one);
    EXPECT_EQ(bars.GetBar(0).GetValue(), 20);
    EXPECT_EQ(bars.GetBar(1).GetValue(), 0);
    EXPECT_EQ(bars.GetCaption(1), u"");
}

TEST(Records, CommandRecordAndBufferPair) {
    CCommandRecord r(21, 3, 1, uint64_t{1'234'567'890'123}, 4, 0);
    EXPECT_EQ(r.value, 1'234'567'890'123u);
    EXPECT_EQ(r.args[0], 4);
    EXPECT_EQ(r.flag, 0);
    EXPECT_EQ(r.text, nullptr);
    CCommandRecord w(1, 2, 3, 4, 5, 6, 7);
    EXPECT_EQ(w.value, 0u);
    EXPECT_EQ(w.flag, 1);

    CBufferPair pair;
    pair.Set(5, u"x");
    pair.Set(6, u"ignored");
    pair.Set(-1, u"ignored");
    EXPECT_EQ(*pair.Get(5), u"x");
    EXPECT_EQ(pair.Get(6), nullptr);
    pair.Free();
    EXPECT_EQ(pair.Get(5), nullptr);
    // A post to no window deletes the record (AddressSanitizer sees a leak otherwise).
    EXPECT_FALSE(PostCommandObject<kCmdCommandRecord>(
        nullptr, std::make_unique<CCommandRecord>(1, 1, 1, 0, 0, 0, 0)));
    EXPECT_FALSE(PostCommandObject<kCmdBufferPair>(nullptr, std::make_unique<CBufferPair>()));
}

TEST_F(Behaviour, DrawPanelTakesTheBufferPair) {
    const uint32_t ids0[2] = {229, 230};
    const uint32_t ids1[1] = {214};
    CDrawPanel panel(2, ids0, 1, ids1);
    panel.Create(&view, 0, 30, 705, 90, 1, 120, scheme.get());
    CBufferPair pair;
    pair.Set(0, u"a");
    pair.Set(2, u"c");
    pair.Set(3, u"d (no box)");
    pair.Set(4, u"row 1");
    pair.Set(5, u"row 2");
    panel.SetRowTexts(&pair);
    panel.SetRowTexts(nullptr);
    EXPECT_EQ(panel.GetBox(0, 0)->GetValue(), u"a");
    EXPECT_EQ(panel.GetBox(0, 1)->GetValue(), u"") << "a null text is skipped";
    EXPECT_EQ(panel.GetBox(1, 0)->GetValue(), u"c");
    EXPECT_EQ(panel.GetRowText(1), u"row 1");
    EXPECT_EQ(panel.GetRowText(2), u"row 2");
    panel.SetRowText(u"x", 3);
    panel.SetRowText(u"x", -1);
    EXPECT_EQ(panel.GetRowText(3), u"");
    Poison();
    panel.Redraw();
    EXPECT_EQ(Painted(), (plat::Rect{0, 30, 705, 90}));
}

}  // namespace
