#include "dialogs/numeric_edit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

#include "core/text.h"
#include "platform/framework/list_ctrl.h"
#include "platform/framework/system_services.h"

namespace {

// The program's edit brush (see CreateEditBrush); UI thread.
std::unique_ptr<plat::Brush> g_editBrush;

// The 8-bit form of the text from its first non-blank character.
std::string NumberBytes(std::u16string_view text) {
    std::string s = core::LowBytes(text);
    const size_t first = s.find_first_not_of(" \t\n\r\f\v");
    return first == std::string::npos ? std::string() : s.substr(first);
}

void Beep() {
    plat::message_beep(plat::MB_ICONEXCLAMATION);
}

}  // namespace

std::optional<double> ParseRealText(std::u16string_view text) {
    const std::string s = NumberBytes(text);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc::result_out_of_range && end != s.data()) {
        // Beyond the double range: infinity when the whole part is not 0,
        // else (a fraction too small to hold) zero.
        const bool negative = s.front() == '-';
        const std::string_view number(s.data(), static_cast<size_t>(end - s.data()));
        const size_t point = std::min(number.find('.'), number.size());
        const bool whole = number.substr(0, point).find_first_of("123456789") != std::string::npos;
        const double magnitude = whole ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    if (ec != std::errc()) return std::nullopt;
    return v;
}

std::optional<int64_t> ParseWholeText(std::u16string_view text) {
    std::string s = NumberBytes(text);
    if (!s.empty() && s.front() == '+') s.erase(0, 1);
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc::result_out_of_range) {
        return !s.empty() && s.front() == '-' ? std::numeric_limits<int64_t>::min()
                                              : std::numeric_limits<int64_t>::max();
    }
    if (ec != std::errc()) return std::nullopt;
    return v;
}

// --- CNumericEdit ------------------------------------------------------------

void CNumericEdit::CreateEditBrush() {
    if (!g_editBrush) g_editBrush = std::make_unique<plat::Brush>(plat::Brush::solid(EditColor()));
}

void CNumericEdit::DeleteEditBrush() {
    g_editBrush.reset();
}

bool CNumericEdit::HasEditBrush() {
    return g_editBrush != nullptr;
}

plat::COLORREF CNumericEdit::EditColor() {
    return plat::GetSysColor(plat::COLOR_ACTIVEBORDER);
}

const plat::Brush* CNumericEdit::CtlColor(plat::Dc* dc, uint32_t ctl_message) {
    if (IsReadOnly()) return CEdit::CtlColor(dc, ctl_message);
    static const plat::Brush kStandIn = plat::Brush::solid(EditColor());
    if (dc) {
        dc->set_text_color(kEditTextColor);
        dc->set_bk_color(EditColor());
    }
    return g_editBrush ? g_editBrush.get() : &kStandIn;
}

void CNumericEdit::Activate() {
    SetFocus();
    HideCaret();
    const int len = static_cast<int>(GetWindowText().size());
    SetSel(len, len);
}

void CNumericEdit::Reactivate() {
    if (!exists()) return;
    Activate();
    if (m_bSelectAll) SetSel(0, -1);
}

void CNumericEdit::SetText(std::u16string_view text) {
    SetWindowText(text);
    const int len = static_cast<int>(text.size());
    SetSel(len, len);
}

bool CNumericEdit::HasSelection() const {
    int s, e;
    GetSel(s, e);
    return s != e;
}

bool CNumericEdit::DeleteSelection() {
    if (!HasSelection()) return false;
    ReplaceSel(u"");
    m_bSelectAll = false;
    return true;
}

bool CNumericEdit::HoldsOutsideSelection(char16_t ch) const {
    const std::u16string text = GetWindowText();
    int s, e;
    GetSel(s, e);
    const auto before = std::u16string_view(text).substr(0, static_cast<size_t>(s));
    const auto after = std::u16string_view(text).substr(static_cast<size_t>(e));
    return before.find(ch) != std::u16string_view::npos ||
           after.find(ch) != std::u16string_view::npos;
}

void CNumericEdit::InsertChar(char16_t ch) {
    // A control character (backspace) that removed a selection has done
    // its work; anything else is then typed at the caret.
    if (DeleteSelection() && ch < u' ') return;
    SetSel(-1, 0);
    CEdit::OnChar(ch, 1, 0);
}

void CNumericEdit::AddMinus() {
    DeleteSelection();
    const std::u16string text = GetWindowText();
    if (text.find(u'-') == std::u16string::npos) SetText(u"-" + text);
}

void CNumericEdit::RemoveMinus() {
    if (HasSelection()) {
        AddMinus();
        return;
    }
    std::u16string text = GetWindowText();
    if (const size_t at = text.find(u'-'); at != std::u16string::npos) {
        text.erase(at, 1);
        SetText(text);
    }
}

void CNumericEdit::SelectAll() {
    SetSel(0, -1);
    m_bSelectAll = true;
}

bool CNumericEdit::Refused() {
    Beep();
    SelectAll();
    return false;
}

void CNumericEdit::OnWheel(uint32_t, int delta, int, int) {
    StepBy(delta > 0 ? 1 : -1, true);
}

void CNumericEdit::ShowLimit(bool) {}
void CNumericEdit::StepBy(int, bool) {}

void CNumericEdit::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    switch (key) {
        case plat::VK_LEFT:
        case plat::VK_RIGHT:
            ShowLimit(key == plat::VK_RIGHT);
            return;
        case plat::VK_UP:
        case plat::VK_DOWN:
            StepBy(key == plat::VK_UP ? 1 : -1, false);
            return;
        default:
            CEdit::OnKeyDown(key, repeat, flags);
    }
}

bool CNumericEdit::OnMouseWheel(uint32_t flags, int delta, plat::Point screen) {
    OnWheel(flags, delta, screen.x, screen.y);
    Default();
    return true;
}

// --- CDoubleEdit -------------------------------------------------------------

std::u16string CDoubleEdit::Format(double value) const {
    return core::FormatText(m_Format.c_str(), value);
}

void CDoubleEdit::SetValue(double value) {
    SetText(Format(value));
    SetSel(-1, 0);
    m_bSelectAll = false;
}

bool CDoubleEdit::GetValue(double& value) const {
    if (const auto v = ParseRealText(GetWindowText())) {
        value = *v;
        return true;
    }
    value = m_Default;
    return false;
}

double CDoubleEdit::Clamp(double value) const {
    return std::max(std::min(value, m_Max), m_Min);
}

bool CDoubleEdit::Refuse(double shown) {
    SetValue(shown);
    return Refused();
}

bool CDoubleEdit::Validate() {
    double v = 0;
    if (!GetValue(v) || std::isnan(v)) return Refuse(m_Default);
    if (v > m_Max + m_UpperTolerance) return Refuse(m_Max);
    if (v < m_Min - m_LowerTolerance) return Refuse(m_Min);
    SetValue(v);
    return true;
}

void CDoubleEdit::ResetToDefault() {
    SetValue(m_Default);
    SelectAll();
}

void CDoubleEdit::Step(double step) {
    double v = 0;
    if (!GetValue(v)) {
        ResetToDefault();
        return;
    }
    SetValue(v + step);
    Validate();
    SelectAll();
}

void CDoubleEdit::ShowLimit(bool maximum) {
    SetValue(maximum ? m_Max : m_Min);
    SelectAll();
}

void CDoubleEdit::StepBy(int direction, bool wheel) {
    Step(direction * (wheel ? m_WheelStep : m_ArrowStep));
}

void CDoubleEdit::OnChar(uint32_t ch, uint32_t, uint32_t) {
    const bool has_minus = GetWindowText().find(u'-') != std::u16string::npos;
    switch (ch) {
        case u'+':
            if (has_minus) {
                if (m_Max > 0 && m_Min < 0) RemoveMinus();
            } else if (m_Min < 0) {
                AddMinus();
            }
            return;
        case u'-':
            if (m_Min < 0) AddMinus();
            return;
        case u'.':
            if (!HoldsOutsideSelection(u'.')) InsertChar(u'.');
            return;
        default:
            if ((ch >= u'0' && ch <= u'9') || ch < u' ') InsertChar(static_cast<char16_t>(ch));
    }
}

// --- CIntegerEdit ------------------------------------------------------------

void CIntegerEdit::SetValue(int32_t value) {
    SetText(core::FormatText("%d", value));
    SetSel(-1, 0);
    m_bSelectAll = false;
}

std::optional<int64_t> CIntegerEdit::Read() const {
    return ParseWholeText(GetWindowText());
}

bool CIntegerEdit::GetValue(int32_t& value) const {
    const auto v = Read();
    if (!v) return false;
    value = static_cast<int32_t>(std::clamp<int64_t>(*v, std::numeric_limits<int32_t>::min(),
                                                     std::numeric_limits<int32_t>::max()));
    return true;
}

bool CIntegerEdit::Refuse(int32_t shown) {
    SetValue(shown);
    return Refused();
}

bool CIntegerEdit::Validate() {
    const auto v = Read();
    if (!v) return Refuse(m_Default);
    if (*v > m_Max) return Refuse(m_Max);
    if (*v < m_Min) return Refuse(m_Min);
    return true;
}

void CIntegerEdit::ResetToDefault() {
    SetValue(m_Default);
    SelectAll();
}

void CIntegerEdit::Step(int32_t step) {
    const auto v = Read();
    if (!v) {
        ResetToDefault();
        return;
    }
    // Within 64 bits the sum cannot overflow; Validate pulls it back.
    const int64_t sum = std::clamp<int64_t>(*v, INT32_MIN, INT32_MAX) + step;
    SetText(core::FormatText("%lld", static_cast<long long>(sum)));
    Validate();
    SelectAll();
}

void CIntegerEdit::ShowLimit(bool maximum) {
    SetValue(maximum ? m_Max : m_Min);
    SelectAll();
}

void CIntegerEdit::StepBy(int direction, bool wheel) {
    Step(direction * (wheel ? m_WheelStep : m_ArrowStep));
}

void CIntegerEdit::OnChar(uint32_t ch, uint32_t, uint32_t) {
    const bool has_minus = GetWindowText().find(u'-') != std::u16string::npos;
    switch (ch) {
        case u'+':
            if (!has_minus || m_Min >= 0) return;
            if (m_Max >= 1) {
                RemoveMinus();
            } else {
                AddMinus();
            }
            return;
        case u'-':
            if (m_Min < 0) AddMinus();
            return;
        default:
            if ((ch >= u'0' && ch <= u'9') || ch < u' ') InsertChar(static_cast<char16_t>(ch));
    }
}
