#pragma once
// The screen chrome assembled from the widgets in the pane layouts every
// screen uses: title bar, soft-key column, menu-key captions, readout panel,
// draw panel in the banner, status indicator, with the main area filled in
// its colour. The gallery, the pixel tests and the benchmarks share it.
#include <memory>

#include "widgets/draw_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

namespace gallery {

struct PaneLayout {
    plat::Rect rect;
    ColorSchemeIndex color;
    int pt10;
};

// The pane layouts of a full screen.
inline constexpr PaneLayout kTitleLayout{{0, 0, 800, 30}, 1, 160};
inline constexpr PaneLayout kSoftKeyLayout{{705, 30, 800, 566}, 1, 100};
inline constexpr PaneLayout kBottomLayout{{0, 563, 705, 600}, 1, 100};
inline constexpr PaneLayout kCornerLayout{{705, 566, 800, 600}, 1, 100};
inline constexpr PaneLayout kReadoutLayout{{0, 455, 705, 563}, 1, 100};
inline constexpr PaneLayout kMainLayout{{0, 30, 705, 455}, 18, 90};
inline constexpr PaneLayout kBannerLayout{{0, 30, 705, 90}, 1, 120};

// Soft keys of the sample page: 0 normal, 1 active, 2 selected, 3 disabled,
// 4 and 5 two choices (first and second underlined), 6 two lines, 7 blank.
inline constexpr int kKeyNormal = 0;
inline constexpr int kKeyActive = 1;
inline constexpr int kKeySelected = 2;
inline constexpr int kKeyDisabled = 3;
// Menu-key captions: 1 active, 2 selected.
inline constexpr int kBoxActive = 1;
inline constexpr int kBoxSelected = 2;
// The status indicator's sample level.
inline constexpr int kSampleLevel = 75;

class Chrome {
  public:
    // Creates every pane over `owner` (may be null: draw with Draw(dc)) and
    // fills it with the sample texts and states.
    Chrome(plat::Window* owner, CColorScheme* scheme);
    ~Chrome();

    // Paints everything through the owner window.
    void RedrawAll();
    // Paints everything on `dc`.
    void Draw(plat::Dc& dc);

    CScreenWidget main;
    CFileLabelPanel title;
    CSoftKeyMenu softKeys;
    CPanelWidget menuKeys;
    CReadoutPanel readout;
    std::unique_ptr<CDrawPanel> drawPanel;
    CStatusIndicator status;
};

// Creates a widget in a pane layout.
template <typename W>
void CreateIn(W& w, plat::Window* owner, const PaneLayout& l, CColorScheme* scheme) {
    w.Create(owner, l.rect.left, l.rect.top, l.rect.right, l.rect.bottom, l.color, l.pt10, scheme);
}

// A scheme's folder name in the gallery: "<n>-<name>", e.g. "1-white".
std::string SchemeFolder(int number);

}  // namespace gallery
