#include "widgets/text_fit.h"

#include <algorithm>

TextOverflow MeasureOverflow(const DrawnText& t) {
    plat::Bitmap surface = plat::Bitmap::create(1, 1);
    plat::Dc dc(surface);
    dc.select_font(t.font);
    plat::Rect need{0, 0, t.box.width(), t.box.height()};
    dc.draw_text(t.text, need, t.format | plat::DT_CALCRECT);
    TextOverflow o;
    o.width = std::max(0, need.width() - t.box.width());
    if (!(t.format & plat::DT_SINGLELINE)) o.height = std::max(0, need.height() - t.box.height());
    return o;
}
