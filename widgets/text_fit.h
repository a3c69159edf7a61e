#pragma once
// The texts a widget draws, each with the font it is drawn in, the box it
// must stay inside and its draw_text format, so that a check can measure
// every text of a screen against its box.
#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"
#include "platform/gfx/dc.h"

struct DrawnText {
    std::string where;  // which part of the widget draws it ("soft key 3")
    core::Text text;
    plat::Font font;
    plat::Rect box;
    uint32_t format = 0;
    // A caption, or data that a value of the moment fills (a reading, a
    // name the user gave).
    bool caption = true;
};
using DrawnTexts = std::vector<DrawnText>;

// How many pixels a text needs beyond its box; both 0 when it fits.
struct TextOverflow {
    int width = 0;
    int height = 0;
    bool Fits() const { return width <= 0 && height <= 0; }
};

// Lays the text out as draw_text does with the text's font and format. A
// single line is measured across only: its box is the row it is centred in.
TextOverflow MeasureOverflow(const DrawnText& text);
