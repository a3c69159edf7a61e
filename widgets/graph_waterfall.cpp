// The waterfall: one row of colours per sweep at the top of an image whose
// older rows move down, the colour legend, the elapsed-time marks, and the
// waterfall and screen pictures.
#include <algorithm>
#include <cstring>
#include <fstream>

#include "core/res_string.h"
#include "files/formats/screen_image_file.h"
#include "platform/fs/device_path.h"
#include "platform/gfx/artwork.h"
#include "platform/gfx/image_file.h"
#include "platform/window/paint.h"
#include "widgets/graph_widget.h"
#include "widgets/widget_services.h"

namespace {
constexpr int kWaterfallClear = 281;  // the picture of an empty waterfall
constexpr int kRowsPerMark = 105;
constexpr int kMarkSpacing = 101;
constexpr int kDaySeconds = 24 * 3600;
constexpr uint32_t kCannotOpen = 64494;
constexpr uint32_t kNotWaterfall = 64495;
constexpr uint32_t kExclamation = 0x30;
// Trailer offsets.
constexpr size_t kPointsAt = 0;
constexpr size_t kMarksAt = 4;
constexpr size_t kValue1At = 24;
constexpr size_t kValues2At = 32;
constexpr size_t kRowIndexAt = 64;
constexpr size_t kStampsAt = 68;

void Put32(std::span<uint8_t> b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(std::span<const uint8_t> b, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(b[at + static_cast<size_t>(i)]) << (8 * i);
    return v;
}
}  // namespace

COLORREF CGraphWidget::RampColor(int level) {
    const int i = std::clamp(level, 0, 254);  // entry 255 is entry 254
    if (i <= 127) return plat::RGB(static_cast<uint8_t>(255 - i), static_cast<uint8_t>(2 * i), 0);
    return plat::RGB(static_cast<uint8_t>(255 - i), static_cast<uint8_t>(511 - 2 * i),
                     static_cast<uint8_t>(2 * i - 256));
}

core::Text CGraphWidget::ElapsedTimeText(uint32_t s) {
    const uint32_t d = s / kDaySeconds;
    const uint32_t h = (s % kDaySeconds) / 3600;
    const uint32_t m = (s % 3600) / 60;
    core::Text t;
    if (d > 0) t += core::FormatText("%ud", d);
    if (d || h) t += core::FormatText("%uh", h);
    if (d || h || m) t += core::FormatText("%um", m);
    return t + core::FormatText("%us", s % 60);
}

void CGraphWidget::SetWaterfallMode(int mode) {
    Guard g(mutex_);
    waterfallMode_ = mode;
}

int CGraphWidget::GetWaterfallMode() const {
    Guard g(mutex_);
    return waterfallMode_;
}

void CGraphWidget::SetTimeSource(std::function<int64_t()> now) {
    Guard g(mutex_);
    now_ = std::move(now);
}

void CGraphWidget::SetWaterfallTimeStamp(bool flag) {
    Guard g(mutex_);
    showStamps_ = flag;
}

bool CGraphWidget::GetWaterfallTimeStamp() const {
    Guard g(mutex_);
    return showStamps_;
}

int CGraphWidget::PlacementTop() const {
    const Layout& L = Cur();
    return waterfallMode_ == 2 ? L.top + L.Height() / 2 : L.top;
}

int CGraphWidget::PlacementHeight() const {
    const Layout& L = Cur();
    return waterfallMode_ == 2 ? L.Height() / 2 : L.Height();
}

void CGraphWidget::CopyWaterfall(plat::Dc& dc) {
    const int w = layouts_[kPanelLayout].Width() + 1;
    if (layout_ == kScreenLayout)
        dc.stretch_blt({0, PlacementTop(), layouts_[kScreenLayout].Width(),
                        PlacementTop() + PlacementHeight()},
                       waterfall_, {0, 0, w, RowCount()});
    else
        dc.bit_blt(0, PlacementTop(), w, PlacementHeight(), waterfall_, 0, 0);
}

void CGraphWidget::AddWaterfallRow(plat::Dc& dc) {
    const int r = RowCount();
    const int columns = layouts_[kPanelLayout].Width();
    if (data_.liveShown && r > 1) {
        auto lock = waterfall_.lock();
        const size_t bytes = static_cast<size_t>(columns) * sizeof(uint32_t);
        for (int y = r - 1; y >= 1; --y)
            std::memcpy(waterfall_.row(y), waterfall_.row(y - 1), bytes);
        uint32_t* row0 = waterfall_.row(0);
        for (int x = 0; x < columns; ++x)
            row0[x] = RampColor(data_.columnLevels[static_cast<size_t>(x)]);
    }
    CopyWaterfall(dc);
}

void CGraphWidget::ComputeTimeMarks() {
    const int r = RowCount();
    marks_ = {};
    if (rowsSoFar_ <= 0 || r <= 0) return;
    const int newest = (rowIndex_ - 1 + r) % r;
    const int64_t newest_stamp = rowStamps_[static_cast<size_t>(newest)];
    for (int k = 1; k < kTimeMarks; ++k) {
        const int back = ((newest - kRowsPerMark * k) % r + r) % r;
        int64_t age = 0;
        if (rowsSoFar_ > kRowsPerMark * k && rowStamps_[static_cast<size_t>(back)] != 0)
            age = newest_stamp - rowStamps_[static_cast<size_t>(back)];
        else if (rowsSoFar_ > 1)
            age = int64_t(k) * kRowsPerMark * (newest_stamp - int64_t(firstStamp_)) /
                  (rowsSoFar_ - 1);
        marks_[static_cast<size_t>(k)] =
            static_cast<uint32_t>(std::clamp<int64_t>(age, 0, UINT32_MAX));
    }
}

void CGraphWidget::DrawTimeMarks(plat::Dc& dc) {
    ComputeTimeMarks();
    if (!showStamps_) return;
    const int top = PlacementTop();
    for (int k = 0; k < kTimeMarks; ++k) {
        const int y = top + kMarkSpacing * k + 1;
        if (y + 10 > top + PlacementHeight()) break;
        floating_.rect = {1, y, 31, y + 10};
        floating_.SetText(ElapsedTimeText(marks_[static_cast<size_t>(k)]));
        floating_.DrawAligned(dc, plat::DT_LEFT | plat::DT_SINGLELINE, CTextLabel::kAlignLeft);
    }
}

std::array<uint32_t, CGraphWidget::kTimeMarks> CGraphWidget::GetTimeMarks() const {
    Guard g(mutex_);
    return marks_;
}

int CGraphWidget::AddWaterfallLine() {
    Guard g(mutex_);
    if (!waterfall_) return 0;
    const int64_t now = now_ ? now_() : 0;
    const uint32_t stamp = static_cast<uint32_t>(std::clamp<int64_t>(now, 0, UINT32_MAX));
    auto draw = [&](plat::Dc& dc) {
        AddWaterfallRow(dc);
        if (data_.liveShown) {
            const int r = RowCount();
            if (rowIndex_ >= r || rowIndex_ < 0) rowIndex_ = 0;
            rowStamps_[static_cast<size_t>(rowIndex_)] = stamp;
            if (rowsSoFar_ == 0) firstStamp_ = stamp;
            rowIndex_ = (rowIndex_ + 1) % r;
            ++rowsSoFar_;
        }
        DrawTimeMarks(dc);
    };
    if (owner_) {
        plat::WindowDc wdc(owner_);
        draw(wdc.dc());
    } else {
        plat::Dc none;
        draw(none);
    }
    return 1;
}

void CGraphWidget::DrawWaterfall() {
    Guard g(mutex_);
    if (waterfallMode_ == 0 || !owner_ || !waterfall_) return;
    plat::WindowDc wdc(owner_);
    CopyWaterfall(wdc.dc());
    if (CValueRecord* r = Record(0)) r->SetRow(0);
    if (CValueRecord* r = Record(1)) r->SetRow(Cur().PlotBottom() - Cur().top);
    DrawTimeMarks(wdc.dc());
}

int CGraphWidget::RestoreWaterfall() {
    Guard g(mutex_);
    const int r = RowCount();
    const uint32_t index = Get32(trailer_, kRowIndexAt);
    rowIndex_ = index < static_cast<uint32_t>(r) ? static_cast<int>(index) : 0;
    rowsSoFar_ = 0;
    firstStamp_ = 0;
    const size_t stored = std::min<size_t>(static_cast<size_t>(r), (kTrailerSize - kStampsAt) / 4);
    for (size_t i = 0; i < rowStamps_.size(); ++i) {
        rowStamps_[i] = i < stored ? Get32(trailer_, kStampsAt + 4 * i) : 0;
        if (rowStamps_[i] != 0) ++rowsSoFar_;
    }
    if (rowsSoFar_ > 0) {
        // The oldest stamp is where the next row goes once the ring is full.
        firstStamp_ = rowStamps_[static_cast<size_t>(rowsSoFar_ >= r ? rowIndex_ : 0)];
    }
    DrawWaterfall();
    return 1;
}

bool CGraphWidget::PaintWaterfallClear() {
    // The picture of an empty waterfall is only wanted at a clear: it is
    // loaded for it rather than kept.
    const plat::Bitmap clear = plat::load_bitmap(kWaterfallClear);
    if (!clear) return false;
    if (waterfall_)
        plat::Dc(waterfall_).bit_blt(0, 0, waterfall_.width(), waterfall_.height(), clear, 0, 0);
    return true;
}

void CGraphWidget::ClearWaterfall() {
    Guard g(mutex_);
    PaintWaterfallClear();
    std::fill(rowStamps_.begin(), rowStamps_.end(), 0u);
    rowIndex_ = rowsSoFar_ = 0;
    firstStamp_ = 0;
    marks_ = {};
}

plat::Bitmap CGraphWidget::GetWaterfallImage() const {
    Guard g(mutex_);
    auto lock = waterfall_.lock();
    return waterfall_.clone();
}

uint32_t CGraphWidget::GetRowStamp(int row) const {
    Guard g(mutex_);
    return row >= 0 && row < static_cast<int>(rowStamps_.size())
               ? rowStamps_[static_cast<size_t>(row)]
               : 0;
}

int CGraphWidget::GetRowIndex() const {
    Guard g(mutex_);
    return rowIndex_;
}

core::Text CGraphWidget::GetLastPicturePath() const {
    Guard g(mutex_);
    return lastPicture_;
}

bool CGraphWidget::SaveWaterfall(std::span<const uint32_t, 9> values) {
    std::array<uint8_t, kTrailerSize> t{};
    plat::Bitmap image;
    {
        Guard g(mutex_);
        if (!waterfall_) return false;
        ComputeTimeMarks();
        Put32(t, kPointsAt, static_cast<uint32_t>(std::max(data_.total, 0)));
        for (size_t k = 0; k < kTimeMarks; ++k) Put32(t, kMarksAt + 4 * k, marks_[k]);
        Put32(t, kValue1At, values[0]);
        for (size_t k = 1; k < 9; ++k) Put32(t, kValues2At + 4 * (k - 1), values[k]);
        Put32(t, kRowIndexAt, static_cast<uint32_t>(rowIndex_));
        const size_t stored = std::min<size_t>(rowStamps_.size(), (kTrailerSize - kStampsAt) / 4);
        for (size_t i = 0; i < stored && static_cast<int>(i) < RowCount(); ++i)
            Put32(t, kStampsAt + 4 * i, rowStamps_[i]);
        auto lock = waterfall_.lock();
        image = waterfall_.clone();
        lastPicture_ = PictureName("WF");
    }
    return CBitmapFile().SaveFile(image, lastPicture_, t, true);
}

int CGraphWidget::RecallWaterfall(const core::Text& path) {
    const auto host = plat::host_path(std::u16string_view(path));
    std::ifstream in;
    if (host) in.open(*host, std::ios::binary);
    if (!in) {
        WidgetShowMessage(LoadResString(kCannotOpen) + path, kExclamation);
        return 0;
    }
    in.seekg(0, std::ios::end);
    const uint64_t length = static_cast<uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
    in.seekg(0);
    uint8_t head[6] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    const uint64_t size = Get32(head, 2);
    const bool bm = in.gcount() == sizeof head && head[0] == 'B' && head[1] == 'M';
    auto refuse = [&] {
        WidgetShowMessage(path + u" " + LoadResString(kNotWaterfall), kExclamation);
        return 0;
    };
    if (!bm || size < plat::BMP_HEADERS_SIZE || size + kTrailerSize > length) return refuse();
    std::array<uint8_t, kTrailerSize> trailer{};
    in.seekg(static_cast<std::streamoff>(size));
    in.read(reinterpret_cast<char*>(trailer.data()), kTrailerSize);
    if (static_cast<size_t>(in.gcount()) != kTrailerSize) return refuse();
    in.close();
    CBitmapFile file;
    plat::Bitmap picture;
    if (!file.LoadBitmap(path, picture)) return 0;  // the file says why
    bool fits = false;
    {
        Guard g(mutex_);
        fits = waterfall_ && picture.size() == waterfall_.size();
        if (fits) {
            const Layout& P = layouts_[kPanelLayout];
            plat::Dc(waterfall_).bit_blt(0, 0, P.Width(), P.Height(), picture, 0, 0);
            trailer_ = trailer;
        }
    }
    if (!fits) return refuse();  // the message box runs without the graph's lock
    DrawWaterfall();
    return 1;
}

bool CGraphWidget::SaveScreenImage() {
    plat::Bitmap image;
    {
        Guard g(mutex_);
        if (!owner_) return false;
        // The screen's copy is made for the picture alone, not kept.
        image = plat::Bitmap::create(plat::SCREEN_WIDTH, plat::SCREEN_HEIGHT);
        if (!image) return false;
        plat::WindowDc wdc(owner_);
        plat::Dc(image).bit_blt(0, 0, plat::SCREEN_WIDTH, plat::SCREEN_HEIGHT, wdc.dc(), 0, 0);
        lastPicture_ = PictureName("Screen");
    }
    return CBitmapFile().SaveFile(image, lastPicture_);
}

int CGraphWidget::PrintScreen(int argument) {
    Guard g(mutex_);
    return printer_ ? printer_->Print(owner_, argument) : 0;
}
