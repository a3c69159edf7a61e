#include "widgets/soft_key_menu.h"

#include "core/res_string.h"

namespace {
constexpr int kKeyPitch = 67;
constexpr int kKeyHeight = 62;
constexpr int kKeyTop = 4;
constexpr int kKeyInset = 2;
}  // namespace

int CSoftKeyMenu::Create(plat::Window* owner, int left, int top, int right, int bottom,
                         ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) {
    SetCount(kKeyCount);
    CScreenWidget::Create(owner, left, top, right, bottom, color_index, pt10, scheme);
    const BoxStyle style{true, ci::kSoftKey, ci::kSoftKeyActive, ci::kSoftKeySelected, owner,
                         pt10, scheme};
    for (int i = 0; i < kKeyCount; ++i) {
        const int y = top + kKeyTop + kKeyPitch * i;
        SetChild(i, MakeBox(i, style, {left + kKeyInset, y, right - kKeyInset, y + kKeyHeight}));
    }
    return 1;
}

void CSoftKeyMenu::SetTexts(const uint32_t* ids, int count) {
    if (!ids) return;
    for (int i = 0; i < count && i < count_; ++i)
        if (CReadoutBox* k = Key(i)) k->SetCaption(LoadResString(ids[i]), false, false);
}

void CSoftKeyMenu::SetKeyLabelById(uint32_t id, int key, uint32_t id2, uint32_t id3, int choice,
                                   bool highlight) {
    SetKeyChoicesById(id, key, id2, id3, choice, highlight);
}

void CSoftKeyMenu::SetKeyLabel(const core::Text& text, int key, uint32_t id2, uint32_t id3,
                               int choice, bool highlight) {
    SetKeyChoices(text, key, id2, id3, choice, highlight);
}

void CSoftKeyMenu::SetKeyCaptionById(uint32_t id, int key, bool disabled, bool selected) {
    SetKeyTextById(id, key, disabled, selected);
}

void CSoftKeyMenu::SetKeyCaption(const core::Text& text, int key, bool disabled, bool selected) {
    SetKeyText(text, key, disabled, selected);
}

void CSoftKeyMenu::SetKeyTitleById(uint32_t id, int key) {
    SetKeyTitle(LoadResString(id), key);
}

void CSoftKeyMenu::SetKeyTitle(const core::Text& text, int key) {
    if (CReadoutBox* k = Key(key)) k->SetTitle(text);
}

void CSoftKeyMenu::SetKeyTextById(uint32_t id, int key, bool disabled, bool selected) {
    SetKeyText(LoadResString(id), key, disabled, selected);
}

void CSoftKeyMenu::SetKeyText(const core::Text& text, int key, bool disabled, bool selected) {
    if (CReadoutBox* k = Key(key)) k->SetCaption(text, disabled, selected);
}

void CSoftKeyMenu::SetKeyChoicesById(uint32_t id, int key, uint32_t id2, uint32_t id3, int choice,
                                     bool highlight) {
    SetKeyChoices(LoadResString(id), key, id2, id3, choice, highlight);
}

void CSoftKeyMenu::SetKeyChoices(const core::Text& text, int key, uint32_t id2, uint32_t id3,
                                 int choice, bool highlight) {
    if (CReadoutBox* k = Key(key)) k->SetChoiceTexts(text, id2, id3, choice, highlight);
}

int CSoftKeyMenu::Show(int, int key) {
    if (key == kAllKeys || key == kAllKeysToo) {
        CScreenWidget::Redraw();
        ForEachChild([](int, IGroupChild& c) { c.Invalidate(); });
    } else if (CReadoutBox* k = Key(key)) {
        ClearHighlights();
        k->Invalidate();
        k->SetHighlight(true);
        ForEachChild([](int, IGroupChild& c) { c.Invalidate(); });
    }
    return 0;
}

int CSoftKeyMenu::Select(int, int key, bool on) {
    ForEachChild([&](int i, IGroupChild& c) {
        if (on && i == key) {
            c.SetSelected(true);
            c.Update();
            c.SetHighlight(true);
        } else {
            if (c.IsSelected()) c.SetSelected(false);
            c.Update();
            c.SetHighlight(false);
        }
        c.Invalidate();
    });
    return 0;
}

int CSoftKeyMenu::SetKeyState(int, int key, bool selected) {
    if (CReadoutBox* k = Key(key)) {
        k->SetSelected(selected);
        k->Update();
    }
    return 1;
}

int CSoftKeyMenu::Highlight(int key) {
    if (CReadoutBox* k = Key(key)) {
        ClearHighlights();
        k->Invalidate();
        k->SetHighlight(true);
        k->Invalidate();
    }
    return 0;
}
