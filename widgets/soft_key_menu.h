#pragma once
// The column of eight soft keys at the right edge of every full screen, key
// 0 at the top. Each key is a key-style readout box; the screen writes the
// labels of the current page, marks keys and disables them.
#include "widgets/readout_box.h"

class CSoftKeyMenu : public CWidgetGroup {
  public:
    static constexpr int kKeyCount = 8;
    // Show/Select key values that mean every key.
    static constexpr int kAllKeys = -1;
    static constexpr int kAllKeysToo = -2;

    void SetTexts(const uint32_t* ids, int count) override;
    int Create(plat::Window* owner, int left, int top, int right, int bottom,
               ColorSchemeIndex color_index, int pt10, CColorScheme* scheme) override;

    void SetKeyLabelById(uint32_t id, int key, uint32_t id2, uint32_t id3, int choice,
                         bool highlight);
    void SetKeyLabel(const core::Text& text, int key, uint32_t id2, uint32_t id3, int choice,
                     bool highlight);
    void SetKeyCaptionById(uint32_t id, int key, bool disabled, bool selected);
    void SetKeyCaption(const core::Text& text, int key, bool disabled, bool selected);
    void SetKeyTitleById(uint32_t id, int key);
    void SetKeyTitle(const core::Text& text, int key);
    void SetKeyTextById(uint32_t id, int key, bool disabled, bool selected);
    void SetKeyText(const core::Text& text, int key, bool disabled, bool selected);
    void SetKeyChoicesById(uint32_t id, int key, uint32_t id2, uint32_t id3, int choice,
                           bool highlight);
    void SetKeyChoices(const core::Text& text, int key, uint32_t id2, uint32_t id3, int choice,
                       bool highlight);
    int Show(int ignored, int key);
    using CWidgetGroup::Select;
    int Select(int ignored, int key, bool on);
    int SetKeyState(int ignored, int key, bool selected);
    int Highlight(int key);

    CReadoutBox* Key(int i) const { return GroupBox(*this, i); }
};
