#include "widgets/gallery/chrome.h"

#include <string>

#include "core/frequency_range.h"

namespace gallery {

namespace {

// String ids of the sample texts (the program's own table).
constexpr uint32_t kStartId = 229;
constexpr uint32_t kStopId = 230;
constexpr uint32_t kCentreId = 214;
constexpr uint32_t kSpanId = 215;
constexpr uint32_t kDrawRow0Ids[2] = {kStartId, kStopId};
constexpr uint32_t kDrawRow1Ids[2] = {kCentreId, kSpanId};

}  // namespace

Chrome::Chrome(plat::Window* owner, CColorScheme* scheme)
    : title(u"Spectrum Analyzer", u"", false, true),
      readout(0),
      drawPanel(std::make_unique<CDrawPanel>(2, kDrawRow0Ids, 2, kDrawRow1Ids)) {
    CreateIn(main, owner, kMainLayout, scheme);
    CreateIn(*drawPanel, owner, kBannerLayout, scheme);
    CreateIn(title, owner, kTitleLayout, scheme);
    CreateIn(softKeys, owner, kSoftKeyLayout, scheme);
    CreateIn(menuKeys, owner, kBottomLayout, scheme);
    CreateIn(readout, owner, kReadoutLayout, scheme);
    CreateIn(status, owner, kCornerLayout, scheme);

    title.SetSetupName(u"Antenna 1");
    softKeys.SetKeyText(u"Normal", kKeyNormal, false, false);
    softKeys.SetKeyText(u"Active", kKeyActive, false, false);
    softKeys.SetKeyText(u"Selected", kKeySelected, false, true);
    softKeys.SetKeyText(u"Disabled", kKeyDisabled, true, false);
    softKeys.SetKeyChoices(u"Mode", 4, 555, 1023, 0, false);
    softKeys.SetKeyChoices(u"Mode", 5, 555, 1023, 1, false);
    softKeys.SetKeyText(u"Two\nlines", 6, false, false);
    softKeys.SetKeyText(u" ", 7, false, false);
    if (CReadoutBox* k = softKeys.Key(kKeyActive)) k->SetActive(true);

    const uint32_t captions[CPanelWidget::kBoxCount] = {kStartId, kSpanId, kCentreId,
                                                        kStopId,  555,     1023};
    menuKeys.SetTexts(captions, CPanelWidget::kBoxCount);
    menuKeys.SetBoxTextById(kCentreId, kBoxSelected, false, true);
    if (CReadoutBox* b = menuKeys.Box(kBoxActive)) b->SetActive(true);

    CFrequencyRange range(100'000'000, 1'550'000'000, 3'000'000'000, 2'900'000'000);
    readout.ShowFrequencyRow(&range, 0, 0);
    readout.SetCellTexts(u"RBW:", u"1 MHz", 1, 0);
    readout.SetCellTexts(u"VBW:", u"300 kHz", 1, 1);
    readout.SetCellTexts(u"Ref:", u"0.0 dBm", 1, 2);
    readout.SetCellTexts(u"Att:", u"10 dB", 1, 3);
    readout.SetRowCaption(u"Press a soft key", CReadoutPanel::kCaptionRow);
    readout.RedrawRows(0, false, ci::kMenuKeySelected);

    auto pair = std::make_unique<CBufferPair>();
    pair->Set(0, u"100.0 MHz");
    pair->Set(1, u"3.000 GHz");
    pair->Set(2, u"1.550 GHz");
    pair->Set(3, u"2.900 GHz");
    pair->Set(5, u"Channel power");
    drawPanel->SetRowTexts(pair.get());

    status.SetValue(0, kSampleLevel);
}

Chrome::~Chrome() = default;

void Chrome::RedrawAll() {
    main.Redraw();
    drawPanel->Redraw();
    title.Redraw();
    softKeys.Show(0, CSoftKeyMenu::kAllKeys);
    menuKeys.Show(0, -1);
    readout.RedrawRows(0, true, 0);
    status.Redraw();
}

void Chrome::Draw(plat::Dc& dc) {
    main.Draw(dc);
    drawPanel->Draw(dc);
    title.Draw(dc);
    softKeys.Draw(dc);
    menuKeys.Draw(dc);
    readout.Draw(dc);
    status.Draw(dc);
}

std::string SchemeFolder(int number) {
    static const char* const kNames[kSchemeCount] = {"default", "white",  "black",
                                                     "dark",    "bright", "custom"};
    if (number < 0 || number >= kSchemeCount) number = 0;
    return std::to_string(number) + "-" + kNames[number];
}

}  // namespace gallery
