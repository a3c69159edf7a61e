#include "widgets/color_scheme.h"

#include <utility>

namespace {

// Columns of the scheme tables; "not set" entries are 0.
constexpr CColorScheme::Table kDefault = {
    0x000000, 0xA2E8BF, 0x80FFFF, 0x008000, 0x000000, 0xFFFFD2, 0x80FFFF, 0x000000,  // 0-7
    0x0080FF, 0x0000FF, 0xD1A57C, 0x000000, 0x000000, 0x808080, 0xFFFFFF, 0x00FFFF,  // 8-15
    0xC0C0C0, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0x00C800, 0xFFFFFF, 0x0000FF,  // 16-23
    0x00FFFF, 0xFF80FF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x00FFFF, 0xFF80FF, 0xFF8000,  // 24-31
    0x008000, 0x0000FF, 0x0000FF, 0xC0C0C0, 0x0080FF, 0x0080FF, 0,        0,         // 32-39
    0,        0,        0xC0C0C0, 0x008000, 0,        0,        0,        0,         // 40-47
    0};
constexpr CColorScheme::Table kWhite = {
    0x000000, 0xFFFFFF, 0x00DCFF, 0x008000, 0x000000, 0xFFFFD2, 0x008000, 0x000000,  // 0-7
    0x0080FF, 0x0000FF, 0xC0C0C0, 0x000000, 0x000000, 0xFFFFFF, 0x000000, 0x000000,  // 8-15
    0xC0C0C0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x000000, 0x00C800, 0x0000FF, 0x0000FF,  // 16-23
    0x0000FF, 0x0000FF, 0x000000, 0x000000, 0x000000, 0x008000, 0x008000, 0xFF8000,  // 24-31
    0x008000, 0x0000FF, 0x008000, 0xC0C0C0, 0x0080FF, 0x0080FF, 0,        0x00DCFF,  // 32-39
    0xFFFFD2, 0,        0xC0C0C0, 0xC0C0C0, 0xA2E8BF, 0xD1A57C, 0x0000FF, 0x808080,  // 40-47
    1};
constexpr CColorScheme::Table kBlack = {
    0x000000, 0xFFFFFF, 0xFFFFFF, 0xC0C0C0, 0x000000, 0xFFFFFF, 0xC0C0C0, 0x000000,  // 0-7
    0x0080FF, 0x0000FF, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xC0C0C0, 0xFFFFFF, 0x00FFFF,  // 8-15
    0xC0C0C0, 0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFF8000, 0x0000FF,  // 16-23
    0x00FFFF, 0xFF80FF, 0xFFFFFF, 0xFFFFFF, 0x00FFFF, 0x0000FF, 0xFF8000, 0xFF8000,  // 24-31
    0x008000, 0x0000FF, 0x0000FF, 0xC0C0C0, 0x0080FF, 0x0080FF, 0,        0,         // 32-39
    0,        0,        0xC0C0C0, 0xC0C0C0, 0,        0,        0,        0,         // 40-47
    2};
constexpr CColorScheme::Table kDark = {
    0x000000, 0x008000, 0x008080, 0x767600, 0xFFFFFF, 0xFF8000, 0xA2E8BF, 0xFFFFFF,  // 0-7
    0x0080FF, 0x0000FF, 0xFFFFFF, 0xFFFFFF, 0x000000, 0x808080, 0xFFFFFF, 0x00FFFF,  // 8-15
    0xC0C0C0, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0x00C800, 0xFFFFFF, 0x0000FF,  // 16-23
    0x00FFFF, 0xFF80FF, 0xFFFFFF, 0xFFFFFF, 0x00FFFF, 0x0000FF, 0xFF8000, 0xFF8000,  // 24-31
    0x008000, 0x0000FF, 0x0000FF, 0xC0C0C0, 0x0080FF, 0x0080FF, 0,        0,         // 32-39
    0,        0,        0xC0C0C0, 0x767600, 0,        0,        0,        0,         // 40-47
    3};
constexpr CColorScheme::Table kBright = {
    0x000000, 0xFFFFFF, 0xFFFFFF, 0xC0C0C0, 0x000000, 0xFFFFFF, 0xC0C0C0, 0x000000,  // 0-7
    0x0080FF, 0x0000FF, 0xFFFFFF, 0x000000, 0x000000, 0xFFFFFF, 0x000000, 0x00FFFF,  // 8-15
    0xC0C0C0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x000000, 0x00C800, 0x008000, 0x0000FF,  // 16-23
    0x00FFFF, 0xFF80FF, 0x000000, 0x000000, 0x00FFFF, 0x0000FF, 0xFF8000, 0xFF8000,  // 24-31
    0x008000, 0x0000FF, 0x0000FF, 0xC0C0C0, 0x0080FF, 0x0080FF, 0,        0,         // 32-39
    0,        0,        0xC0C0C0, 0xC0C0C0, 0,        0,        0,        0,         // 40-47
    4};
constexpr CColorScheme::Table kCustom = {
    0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,  // 0-7
    0x0080FF, 0x0000FF, 0xFFFFFF, 0xFFFFFF, 0x000000, 0x808080, 0xFFFFFF, 0x00FFFF,  // 8-15
    0xC0C0C0, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x0000FF,  // 16-23
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x00FFFF, 0x0000FF, 0xFF8000, 0xFF8000,  // 24-31
    0x008000, 0x0000FF, 0x0000FF, 0xC0C0C0, 0x0080FF, 0x0080FF, 0,        0,         // 32-39
    0,        0,        0xC0C0C0, 0xFFFFFF, 0,        0,        0,        0,         // 40-47
    5};

}  // namespace

CColorScheme::CColorScheme(std::u16string name, const Table& colors)
    : name_(std::move(name)), colors_(colors) {}

COLORREF CColorScheme::GetColor(ColorSchemeIndex index) const {
    if (static_cast<uint32_t>(index) >= ci::kCount) return colors_[0];
    return colors_[static_cast<size_t>(index)];
}

void CColorScheme::SetColor(ColorSchemeIndex index, COLORREF color) {
    if (static_cast<uint32_t>(index) >= ci::kCount) return;
    colors_[static_cast<size_t>(index)] = color;
    ++generation_;
}

void CColorScheme::CopyFrom(const CColorScheme& other) {
    name_ = other.name_;
    colors_ = other.colors_;
    ++generation_;
}

CDefaultDisplay::CDefaultDisplay() : CColorScheme(u"Default Display", kDefault) {}
CWhiteDisplay::CWhiteDisplay() : CColorScheme(u"White Display", kWhite) {}
CBlackDisplay::CBlackDisplay() : CColorScheme(u"Black Display", kBlack) {}
CDarkDisplay::CDarkDisplay() : CColorScheme(u"Dark Display", kDark) {}
CBrightDisplay::CBrightDisplay() : CColorScheme(u"Bright Display", kBright) {}
CCustomDisplay::CCustomDisplay() : CColorScheme(u"Custom Display", kCustom) {}

std::unique_ptr<CColorScheme> CreateColorScheme(int32_t number) {
    switch (static_cast<SchemeNumber>(number)) {
        case SchemeNumber::kWhite:
            return std::make_unique<CWhiteDisplay>();
        case SchemeNumber::kBlack:
            return std::make_unique<CBlackDisplay>();
        case SchemeNumber::kDark:
            return std::make_unique<CDarkDisplay>();
        case SchemeNumber::kBright:
            return std::make_unique<CBrightDisplay>();
        case SchemeNumber::kCustom:
            return std::make_unique<CCustomDisplay>();
        default:
            return std::make_unique<CDefaultDisplay>();
    }
}
