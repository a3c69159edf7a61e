#pragma once
// Colour schemes: a named table of 49 colours that every widget takes its
// colours from by index. Entry 48 holds the scheme's own number.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gfx/color.h"

using COLORREF = plat::COLORREF;
using ColorSchemeIndex = int32_t;

// The entries the widgets use themselves.
namespace ci {
inline constexpr ColorSchemeIndex kBlack = 0;
inline constexpr ColorSchemeIndex kPane = 1;
inline constexpr ColorSchemeIndex kMenuKey = 2;
inline constexpr ColorSchemeIndex kMenuKeyActive = 3;
inline constexpr ColorSchemeIndex kPanelText = 4;
inline constexpr ColorSchemeIndex kSoftKey = 5;
inline constexpr ColorSchemeIndex kSoftKeyActive = 6;
inline constexpr ColorSchemeIndex kKeyText = 7;
inline constexpr ColorSchemeIndex kStatusFill = 8;
inline constexpr ColorSchemeIndex kStatusAlarm = 9;
inline constexpr ColorSchemeIndex kHighlightText = 11;
inline constexpr ColorSchemeIndex kFrame = 12;
inline constexpr ColorSchemeIndex kMain = 18;
inline constexpr ColorSchemeIndex kTitleText = 20;
inline constexpr ColorSchemeIndex kDisabledBar = 34;
inline constexpr ColorSchemeIndex kSoftKeySelected = 42;
inline constexpr ColorSchemeIndex kMenuKeySelected = 43;
inline constexpr ColorSchemeIndex kSchemeNumber = 48;
inline constexpr int kCount = 49;
// The colours the settings store keeps for the custom scheme: entries 0..47.
inline constexpr int kCustomCount = 48;
}  // namespace ci

// Scheme numbers, as the settings store keeps them.
enum class SchemeNumber : uint32_t {
    kDefault = 0,
    kWhite = 1,
    kBlack = 2,
    kDark = 3,
    kBright = 4,
    kCustom = 5,
};
inline constexpr int kSchemeCount = 6;

class CColorScheme {
  public:
    using Table = std::array<COLORREF, ci::kCount>;
    CColorScheme(std::u16string name, const Table& colors);
    virtual ~CColorScheme() = default;

    // The colour at `index`; an index outside 0..48 gives entry 0.
    virtual COLORREF GetColor(ColorSchemeIndex index) const;
    // Stores a colour at 0..48 (48 overwrites the scheme number); any other
    // index is ignored.
    virtual void SetColor(ColorSchemeIndex index, COLORREF color);

    // Takes the name and every colour of `other` (the object stays where
    // the widgets point to it).
    void CopyFrom(const CColorScheme& other);

    const std::u16string& GetName() const { return name_; }
    uint32_t GetNumber() const { return GetColor(ci::kSchemeNumber); }
    // Counts the changes of the colours, so that widgets holding brushes of
    // them can tell when to make them again.
    uint32_t GetGeneration() const { return generation_; }

  private:
    std::u16string name_;
    Table colors_;
    uint32_t generation_ = 0;
};

// One class per scheme.
class CDefaultDisplay : public CColorScheme {
  public:
    CDefaultDisplay();
};
class CWhiteDisplay : public CColorScheme {
  public:
    CWhiteDisplay();
};
class CBlackDisplay : public CColorScheme {
  public:
    CBlackDisplay();
};
class CDarkDisplay : public CColorScheme {
  public:
    CDarkDisplay();
};
class CBrightDisplay : public CColorScheme {
  public:
    CBrightDisplay();
};
class CCustomDisplay : public CColorScheme {
  public:
    CCustomDisplay();
};

// 1 White, 2 Black, 3 Dark, 4 Bright, 5 Custom; any other number Default.
std::unique_ptr<CColorScheme> CreateColorScheme(int32_t number);
