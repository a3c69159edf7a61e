#include "widgets/title_bar.h"

#include "platform/gfx/artwork.h"
#include "platform/window/window.h"

namespace {
constexpr uint32_t kTitleFormat =
    plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOCLIP | plat::DT_NOPREFIX;
constexpr int kSetupTop = 5;
constexpr const char16_t* kSetupLabel = u"Setup:";
constexpr const char16_t* kTestTraceLabel = u"Test Trace File Label";
constexpr const char16_t* kTestSetupLabel = u"Test Setup File Label";
constexpr int kStateConnected = 1;
constexpr int kStateBusy = 2;
constexpr uint32_t kCentredFormat =
    plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX;
}  // namespace

// --- CIdPanel ---------------------------------------------------------------

void CIdPanel::Draw(plat::Dc& dc) {
    if (!visible_) {
        dc.fill_rect(rect_, SchemeColor(colorIndex_));
        return;
    }
    DrawCentredText(dc, rect_, text_, SchemeColor(ci::kTitleText), SchemeColor(colorIndex_));
}

void CIdPanel::CollectTexts(DrawnTexts& out) const {
    if (visible_) out.push_back({"id", text_, font_, rect_, kCentredFormat});
}

int CIdPanel::Redraw() {
    WithOwnerDc([&](plat::Dc& dc) { Draw(dc); });
    if (owner_) owner_->invalidate(&rect_, true);
    return 1;
}

// --- CFileLabelPanel -------------------------------------------------------

CFileLabelPanel::CFileLabelPanel(core::Text title, bool id_flag)
    : CFileLabelPanel(std::move(title), u"", id_flag, false) {}

CFileLabelPanel::CFileLabelPanel(core::Text title, core::Text second, bool id_flag, bool setup_flag)
    : titleText_(std::move(title)),
      secondText_(std::move(second)),
      idFlag_(id_flag),
      setupFlag_(setup_flag),
      connected_(plat::load_icon(kIconConnected)),
      busy_(plat::load_icon(kIconBusy)),
      noIcon_(plat::load_bitmap(kNoIconBitmap)) {}

CFileLabelPanel::~CFileLabelPanel() = default;

void CFileLabelPanel::Init() {
    CScreenWidget::Init();
    idPanel_.reset();
    clock_.reset();
    title_.reset();
    setup_.reset();
    traceLabel_.clear();
    setupLabel_.clear();
}

int CFileLabelPanel::Create(plat::Window* owner, int left, int top, int right, int bottom,
                            ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    // The picture that clears the status icon is the bar's own background.
    noIcon_.fill(SchemeColor(color_index));
    titleBox_ = {left + 1, top, left + kClockLeft, bottom};
    title_ = std::make_unique<CTextLabel>(titleBox_);
    title_->SetText(titleText_);
    title_->font = &font_;
    title_->textColor = SchemeColor(ci::kTitleText);
    title_->brush = &brush_;
    title_->opaque = true;
    clock_ = std::make_unique<CClockPanel>();
    clock_->Create(owner, left + kClockLeft, top, left + kRightPartLeft, bottom, ci::kPane,
                   kClockPt10, scheme);
    if (idFlag_) {
        idPanel_ = std::make_unique<CIdPanel>(idFlag_);
        idPanel_->Create(owner, left + kRightPartLeft, top, right, bottom, ci::kPane, kClockPt10,
                         scheme);
    }
    if (setupFlag_) {
        setup_ = std::make_unique<CTextWidget>(CTextWidget::kSplitNarrow);
        setup_->Create(owner, left + kRightPartLeft, top + kSetupTop, right, bottom, ci::kPane,
                       kSetupPt10, scheme);
        traceLabel_ = kTestTraceLabel;
        setupLabel_ = kTestSetupLabel;
        setup_->SetTexts(kSetupLabel, setupLabel_);
    }
    return 1;
}

void CFileLabelPanel::TakeSchemeColours() {
    CScreenWidget::TakeSchemeColours();
    noIcon_.fill(SchemeColor(colorIndex_));
    if (title_) title_->textColor = SchemeColor(ci::kTitleText);
}

bool CFileLabelPanel::HitTest(plat::Point p) const {
    return clock_ && clock_->HitTest(p);
}

plat::Rect CFileLabelPanel::StatusIconRect() const {
    return {rect_.right - plat::SYSTEM_ICON_SIZE, rect_.top, rect_.right,
            rect_.top + plat::SYSTEM_ICON_SIZE};
}

void CFileLabelPanel::DrawStatusIcon(plat::Dc& dc) const {
    // The icon is taller than the bar: it never paints below the bar.
    const plat::Rect old_clip = dc.clip();
    dc.intersect_clip(rect_);
    const plat::Rect r = StatusIconRect();
    if (iconState_ == kStateConnected) {
        dc.draw_icon(r.left, r.top, connected_, r.width(), r.height());
    } else if (iconState_ == kStateBusy) {
        dc.draw_icon(r.left, r.top, busy_, r.width(), r.height());
    } else {
        dc.bit_blt(r.left, r.top, r.width(), r.height(), noIcon_, 0, 0);
    }
    dc.set_clip(old_clip);
}

void CFileLabelPanel::Draw(plat::Dc& dc) {
    CScreenWidget::Draw(dc);
    if (clock_) clock_->Draw(dc);
    if (idFlag_ && idPanel_)
        idPanel_->Draw(dc);
    else if (setupFlag_ && setup_)
        setup_->Draw(dc);
    if (title_) {
        const plat::Rect old_clip = dc.clip();
        dc.intersect_clip(rect_);
        // A title that grew for a long text does not stay grown.
        title_->rect = titleBox_;
        title_->DrawFit(dc, kTitleFormat);
        dc.set_clip(old_clip);
    }
    DrawStatusIcon(dc);
}

void CFileLabelPanel::CollectTexts(DrawnTexts& out) const {
    if (title_) out.push_back({"title", title_->Text(), font_, titleBox_, kTitleFormat});
    if (clock_) clock_->CollectTexts(out);
    if (idFlag_ && idPanel_)
        idPanel_->CollectTexts(out);
    else if (setupFlag_ && setup_)
        setup_->CollectTexts(out);
}

int CFileLabelPanel::Redraw() {
    WithOwnerDc([&](plat::Dc& dc) { Draw(dc); });
    return 1;
}

void CFileLabelPanel::SetFileLabel(const core::Text& text, const core::Text& extra) {
    if (!title_) return;
    title_->SetText(extra.empty() ? text : text + u":" + extra);
}

void CFileLabelPanel::SetIdObject(core::Text* text, bool release) {
    if (text && idPanel_ && idFlag_) {
        idPanel_->SetTextObject(*text);
        idPanel_->Redraw();
    }
    if (release) delete text;
}

void CFileLabelPanel::SetIdText(const core::Text& text) {
    if (!idPanel_ || !idFlag_) return;
    idPanel_->SetText(text);
    idPanel_->Redraw();
}

void CFileLabelPanel::RedrawClock() {
    if (clock_) clock_->Redraw();
}

void CFileLabelPanel::SetStatusIcon(int state) {
    if (state == iconState_) return;
    iconState_ = state;
    WithOwnerDc([&](plat::Dc& dc) { DrawStatusIcon(dc); });
}

void CFileLabelPanel::SetSetupName(const core::Text& name) {
    SetSetupText(kSetupLabel, name);
}

void CFileLabelPanel::SetSetupText(const core::Text& label, const core::Text& value) {
    if (!setup_) return;
    setup_->SetTexts(label, value);
    setup_->RedrawAll();
}
