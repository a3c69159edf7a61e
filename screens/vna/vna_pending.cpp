// CVnaMode: the pages of later work (the sweep page, the measurement
// selection and the pages of the four types and their settings). They do
// nothing yet: their pages show blank keys and a back key where they have
// one.
#include "screens/vna/vna_mode.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr uint32_t kBlank = 184, kBack = 1019;
constexpr int kBackKey = 7;
}  // namespace

int CVnaMode::ShowSettingsPage(int page, int) {
    if (!soft_key_menu_ || page < 0 || page >= kPageCount) return 0;
    for (int k = 0; k < kKeysPerPage; ++k) soft_key_menu_->SetKeyTitleById(kBlank, k);
    const auto help = key_help_[static_cast<size_t>(page)][kBackKey];
    if (static_cast<uint32_t>(help) == kBack) soft_key_menu_->SetKeyTitleById(kBack, kBackKey);
    soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    return 1;
}

void CVnaMode::OnSettingsKey(int, int) {}
void CVnaMode::OnSettingsDigit(int, int) {}
void CVnaMode::OnSettingsArrow(int, uint32_t) {}
void CVnaMode::OnSettingsKnob(int, int) {}
