// The power meter's six menus for each sensor family, the set-up of a new
// sensor and the page selection.
#include "core/res_string.h"
#include "screens/power/power_meter_mode.h"
#include "screens/power/sensor_families.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

namespace dw = display_word;

namespace {

constexpr int kBlank = CModeBase::kBlankLabel;
constexpr int kNone = -1;
constexpr int kPages = 6;
constexpr int kFirst = CPowerMeterMode::kFirstPage;
constexpr uint32_t kMenuBlankHint = 63049;
constexpr uint32_t kPromptPrefix = 2632;
constexpr uint32_t kLogLabel = 2642;
constexpr uint32_t kOn = 308, kOff = 309;
constexpr COLORREF kYellow = 0xDCFF;

struct Key {
    int label = kBlank;
    int action = kNone;
    int hint = kMenuBlankHint;
};
struct Page {
    int menu[6];
    int menu_hint[6];
    Key keys[8];
};
using Family = std::array<Page, kPages>;

constexpr Key B{};  // a blank key

// The file and help page every family shares.
constexpr Key kFileKeys[8] = {{63145, 49, 63150},  {kBlank, 50, 63151}, {63117, 29, 63081},
                              {kBlank, 51, 63152}, {kBlank, 52, 63153}, {kBlank, 53, 63154},
                              {63119, 34, 63051},  {63155, 48, 63156}};
// The units page of the through-line and peak families.
constexpr Key kUnitKeys[8] = {{63109, 7, 63055},  {63110, 11, 63056}, B,
                              {61272, 12, 63058}, {61273, 14, 63059}, {61274, 15, 63060},
                              {63029, 16, 63061}, {63030, 17, 63062}};

#define MENU_THROUGH \
    { 61258, 61259, 61260, kBlank, kBlank, 63143 }
#define HINTS_THROUGH \
    { 63046, 63047, 63185, 63049, 63049, 63144 }
constexpr Family kThroughLine = {{
    {MENU_THROUGH,
     HINTS_THROUGH,
     {{61264, 1, 63182},
      {61265, 8, 63183},
      {61266, 9, 63184},
      {kBlank, kNone, 63189},
      {kBlank, kNone, 63190},
      B,
      B,
      {kBlank, 55, 63049}}},
    {MENU_THROUGH, HINTS_THROUGH, {}},
    {MENU_THROUGH,
     {63046, 63047, 63185, 63049, kBlank, 63144},
     {{63022, 18, 63066},
      {63023, 20, 63067},
      {63024, 21, 63068},
      {63072, 37, 63071},
      {61276, 22, 63073},
      {61277, 23, 63074},
      {kBlank, kNone, 63057},
      {kBlank, kNone, 63075}}},
    {MENU_THROUGH, HINTS_THROUGH, {B, B, B, B, B, B, B, B}},
    {{61258, 61259, 61260, kBlank, kBlank, 61263}, HINTS_THROUGH, {B, B, B, B, B, B, B, B}},
    {MENU_THROUGH, HINTS_THROUGH, {}},
}};

#define MENU_TERMINATING \
    { kBlank, kBlank, 61260, 61261, kBlank, 63143 }
#define HINTS_TERMINATING_OUTER \
    { 63049, 63049, 63048, 63077, 63049, 63144 }
#define HINTS_TERMINATING_INNER \
    { 63046, 63047, 63048, 63077, 63049, 63144 }
constexpr Family kTerminating = {{
    {MENU_TERMINATING, HINTS_TERMINATING_OUTER, {B, B, B, B, B, B, B, B}},
    {MENU_TERMINATING, HINTS_TERMINATING_OUTER, {B, B, B, B, B, B, B, B}},
    {MENU_TERMINATING,
     HINTS_TERMINATING_INNER,
     {{61276, 22, 63073}, B, {63109, 7, 63191}, {63110, 11, 63192}, B, B, B, {63033, 36, 63075}}},
    {MENU_TERMINATING, HINTS_TERMINATING_INNER, {{63089, 42, 63090}, B, B, B, B, B, B, B}},
    {MENU_TERMINATING, HINTS_TERMINATING_INNER, {B, B, B, B, B, B, B, B}},
    {MENU_TERMINATING, HINTS_TERMINATING_OUTER, {}},
}};

#define MENU_PEAK \
    { 61258, 61259, 61260, 61261, kBlank, 63143 }
#define HINTS_PEAK \
    { 63046, 63047, 63048, 63077, 63049, 63144 }
constexpr Family kPeak = {{
    {MENU_PEAK,
     HINTS_PEAK,
     {{61264, 1, 63063},
      {61265, 8, 63064},
      {61266, 9, 63065},
      {61267, 2, 63088},
      {61268, 3, 63085},
      {61269, 4, 63086},
      {61270, 5, 63087},
      {kBlank, 55, 63049}}},
    {MENU_PEAK, HINTS_PEAK, {}},
    {MENU_PEAK,
     HINTS_PEAK,
     {{61276, 22, 63073},
      {61277, 23, 63074},
      {63099, 39, 63096},
      {63084, 38, 63123},
      {63112, 40, 63124},
      {61281, 41, 63101},
      B,
      {63033, 36, 63075}}},
    {MENU_PEAK, HINTS_PEAK, {{63089, 42, 63090}, B, B, B, B, B, B, {kBlank, 58, 63049}}},
    {MENU_PEAK, HINTS_PEAK, {B, B, B, B, B, B, B, B}},
    {MENU_PEAK, HINTS_PEAK, {}},
}};

// Page-55 hints of the peak sensors, keys 1 to 8.
constexpr int kPeakHints[5][8] = {
    {63063, 63064, 63065, 63088, 63085, 63086, 63087, 63049},
    {63528, 63532, 63536, 63552, 63540, 63544, 63548, 63049},
    {63529, 63533, 63537, 63553, 63541, 63545, 63549, 63049},
    {63530, 63534, 63538, 63554, 63542, 63546, 63550, 63049},
    {63531, 63535, 63539, 63555, 63543, 63547, 63551, 63049},
};

struct SensorRow {
    int type;
    const Family* family;
    uint32_t name, labels[3], hint;
    int first_page;
};
constexpr SensorRow kSensors[] = {
    {1, &kThroughLine, 64294, {63172, 63173, 63174}, 0, 57},
    {2, &kThroughLine, 64296, {63172, 63173, 63174}, 0, 55},
    {3, &kThroughLine, 64295, {63160, 63161, 63162}, 63108, 57},
    {14, &kThroughLine, 64297, {63172, 63173, 63174}, 0, 55},
    {5, &kTerminating, 64298, {63169, 63170, 63171}, 63107, 57},
    {15, &kTerminating, 64299, {63169, 63170, 63171}, 63107, 57},
    {6, &kPeak, 64300, {63157, 63158, 63159}, 63106, 55},
    {17, &kPeak, 64504, {63157, 63158, 63159}, 63106, 55},
    {18, &kPeak, 64505, {63157, 63158, 63159}, 64507, 55},
    {19, &kPeak, 64506, {63157, 63158, 63159}, 64508, 55},
    {20, &kPeak, 64526, {63157, 63158, 63159}, 63556, 55},
    {21, &kPeak, 64527, {63157, 63158, 63159}, 63557, 55},
};

const SensorRow* FindSensor(int type) {
    for (const SensorRow& row : kSensors)
        if (row.type == type) return &row;
    return nullptr;
}

const Key& KeyOf(const Family& family, int page, int key) {
    const Page& p = family[static_cast<size_t>(page - kFirst)];
    if (page == kFirst + 1 && &family != &kTerminating) return kUnitKeys[key];
    if (page == CPowerMeterMode::kLastMenuPage) return kFileKeys[key];
    return p.keys[key];
}

}  // namespace

void CPowerMeterMode::ApplyFamilyTables(int type) {
    const SensorRow* row = FindSensor(type);
    if (!row) return;
    for (int page = kFirst; page <= kLastMenuPage; ++page) {
        const Page& p = (*row->family)[static_cast<size_t>(page - kFirst)];
        for (int m = 0; m < kMenuKeyCount; ++m) {
            menu_caption_[page][m] = p.menu[m];
            menu_hint_[page][m] = p.menu_hint[m];
        }
        for (int k = 0; k < kKeysPerPage; ++k) {
            const Key& key = KeyOf(*row->family, page, k);
            label_[page][k] = key.label;
            action_[page][k] = key.action;
            soft_hint_[page][k] = key.hint;
        }
    }
    if (row->family == &kPeak) {
        const int set = type == 6 || type == 17 ? 0 : type - 17;
        for (int k = 0; k < kKeysPerPage; ++k) soft_hint_[kFirst][k] = kPeakHints[set][k];
    }
    if (type == 1) {
        label_[57][0] = kBlank;
        action_[57][0] = kNone;
        soft_hint_[57][0] = kMenuBlankHint;
    }
}

core::Text CPowerMeterMode::SetupSensorDisplay() {
    display_word_ = 0xA01;
    const int type = sensor_type_;
    const SensorRow* row = FindSensor(type);
    if (!row) {
        LoadCaptions();
        return {};
    }
    ApplyFamilyTables(type);
    SetReadoutLabels(row->labels[0], row->labels[1], row->labels[2]);
    description_hint_ = row->hint;
    if (power_families::IsTerminating(type)) {
        display_word_ |= dw::kSingleChannel;
        page_ = 57;
    }
    if (row->family == &kPeak) {
        filter_caption_ = applied_filter_ = 63099;
        filter_value_ = 10000.0f;
        filter_pending_ = false;
    }
    probe_ = false;
    peak_mode_sent_ = false;
    LoadCaptions();
    if (row->family == &kPeak) captions_[57 * kKeysPerPage + 2].text = LoadResString(63099);
    const int first = row->first_page;
    SelectMenuPage(first, -1, true);
    menu_page_ = first;
    forward_range_ = 3;
    reflected_range_ = 0;
    return LoadResString(row->name);
}

void CPowerMeterMode::LoadCaptions() {
    for (int page = kFirst; page <= kLastCaptionPage; ++page)
        for (int k = 0; k < kKeysPerPage; ++k)
            captions_[static_cast<size_t>(page * kKeysPerPage + k)] = {
                LoadResString(static_cast<uint32_t>(label_[page][k])), 0, 0, -1};
}

const CPowerMeterMode::KeyCaption& CPowerMeterMode::Caption(int page, int key) const {
    return captions_[static_cast<size_t>(page * kKeysPerPage + key)];
}

uint32_t CPowerMeterMode::GetSoftKeyHint(int page, int key) const {
    if (page < 0 || page >= kPageCount || key < 0 || key >= kKeysPerPage) return 0;
    return static_cast<uint32_t>(soft_hint_[page][key]);
}

void CPowerMeterMode::ShowKeyCaption(int key) {
    if (!soft_key_menu_) return;
    const KeyCaption& c = Caption(page_, key);
    if (c.state >= 0)
        soft_key_menu_->SetKeyChoices(c.text, key, c.first, c.second, c.state, false);
    else
        soft_key_menu_->SetKeyText(c.text, key, false, false);
}

void CPowerMeterMode::ShowPageKeys(int page) {
    if (page < 0 || page >= kPageCount) return;
    if (menu_key_panel_) {
        uint32_t captions[kMenuKeyCount];
        for (int m = 0; m < kMenuKeyCount; ++m)
            captions[m] =
                static_cast<uint32_t>(menu_caption_[page][m] ? menu_caption_[page][m] : kBlank);
        menu_key_panel_->SetTexts(captions, kMenuKeyCount);
    }
    const int saved = page_;
    page_ = page;
    for (int k = 0; k < kKeysPerPage; ++k) ShowKeyCaption(k);
    page_ = saved;
}

int CPowerMeterMode::ShowSoftKeys(int page, int highlight) {
    if (page < kFirst || page > kLastMenuPage) return 0;
    ShowPageKeys(page);
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    if (soft_key_menu_ && highlight >= 0) soft_key_menu_->Select(0, highlight, true);
    return 1;
}

void CPowerMeterMode::SelectMenuPage(int page, int menu_index, bool refresh_panel) {
    forward_choice_open_ = reflected_choice_open_ = false;
    if (readout_) readout_->SetHintBackground(kYellow);
    const int hint = menu_index >= 0 && menu_index < kMenuKeyCount ? menu_hint_[page_][menu_index]
                                                                   : kMenuBlankHint;
    if (prompt_shown_) {
        ShowHint(LoadResString(kPromptPrefix) + LoadResString(static_cast<uint32_t>(hint)));
        prompt_shown_ = false;
        PlaySoundFile(u"close.wav");
        display_word_ |= dw::kKeyPressed;
        return;
    }
    if (menu_index >= 0) ShowHint(LoadResString(static_cast<uint32_t>(hint)));
    page_ = page;
    menu_page_ = page;
    if (menu_index == kMenuKeyCount - 1) {
        captions_[static_cast<size_t>(page * kKeysPerPage + 2)] = {LoadResString(kLogLabel), kOn,
                                                                   kOff, logging_ ? 0 : 1};
    }
    ShowPageKeys(page);
    if (soft_key_menu_) {
        soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
    if (menu_key_panel_) {
        menu_key_panel_->Show(0, -1);
        if (refresh_panel && menu_index >= 0) menu_key_panel_->Select(0, menu_index, true);
    }
    display_word_ |= dw::kKeyPressed;
}

void CPowerMeterMode::SetProbeKeys(bool second_probe) {
    constexpr int kPage = kFirst;
    if (second_probe) {
        label_[kPage][3] = 61267;
        action_[kPage][3] = 43;
        label_[kPage][4] = 63028;
        action_[kPage][4] = 44;
        soft_hint_[kPage][0] = 63186;
        soft_hint_[kPage][1] = 63187;
        soft_hint_[kPage][2] = 63188;
    } else {
        label_[kPage][3] = label_[kPage][4] = kBlank;
        action_[kPage][3] = action_[kPage][4] = kNone;
        soft_hint_[kPage][0] = 63182;
        soft_hint_[kPage][1] = 63183;
        soft_hint_[kPage][2] = 63184;
    }
    for (int k : {3, 4})
        captions_[static_cast<size_t>(kPage * kKeysPerPage + k)] = {
            LoadResString(static_cast<uint32_t>(label_[kPage][k])), 0, 0, -1};
    if (page_ == kPage) {
        ShowKeyCaption(3);
        ShowKeyCaption(4);
    }
}
