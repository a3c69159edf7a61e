#pragma once
// Edits that take numbers from the keypad.
//
// CNumericEdit: the common behaviour. After a limit, a step or a reset the
// whole text is selected (the select-all flag), so the next digit starts a
// new number. Editable edits are painted on system colour 10 with one brush
// that the program makes at start and deletes at exit.
//
// CDoubleEdit: a real number within minimum .. maximum (accepted up to 9e-07
// below the minimum and 9e-10 above the maximum, so a value that reaches a
// limit through arithmetic is not refused). Left shows the minimum, Right the
// maximum, Up and Down step by the arrow step, the wheel by the wheel step;
// "+" toggles the sign where the range allows, "-" adds it, "." goes in once.
// A text that holds no number reads as the default.
//
// CIntegerEdit: the same for a whole number; no decimal point. Texts are
// read into 64 bits, so a number too large for the range counts as beyond
// its limit.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/framework/edit.h"

class CNumericEdit : public plat::CEdit {
  public:
    // The edit brush of the whole program: made once at start, deleted at
    // exit. Without it editable edits paint with a brush of the same colour.
    static void CreateEditBrush();
    static void DeleteEditBrush();
    static bool HasEditBrush();
    // The colour of the brush (system colour 10) and of the text on it.
    static plat::COLORREF EditColor();
    static constexpr plat::COLORREF kEditTextColor = plat::RGB(255, 255, 255);

    // Takes the focus, hides the caret and puts it after the last character.
    void Activate();
    // Activates the edit and, when the select-all flag is set, selects the
    // whole text again (the dialog got the focus back).
    void Reactivate();
    // Sets the text with the caret at its end.
    void SetText(std::u16string_view text);
    // Replaces a selection (clearing the select-all flag), then types `ch`.
    void InsertChar(char16_t ch);
    // Deletes a selection, then puts "-" in front when there is none.
    void AddMinus();
    // Deletes the "-" (with a selection: as AddMinus).
    void RemoveMinus();
    // Selects the whole text and sets the select-all flag.
    void SelectAll();

    bool IsSelectAll() const { return m_bSelectAll; }
    void SetSelectAll(bool on) { m_bSelectAll = on; }
    bool HasSelection() const;

    // A step up (delta above 0) or down by the wheel step.
    virtual void OnWheel(uint32_t key_state, int delta, int x, int y);

  protected:
    // Left shows the minimum, Right the maximum, Up and Down step by the
    // arrow step; other keys are the edit's.
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    bool OnMouseWheel(uint32_t flags, int delta, plat::Point screen) override;
    // Shows a limit wholly selected.
    virtual void ShowLimit(bool maximum);
    // Steps by the wheel or the arrow step, up (1) or down (-1).
    virtual void StepBy(int direction, bool wheel);
    // After a refused value is shown: the beep, and all selected; false.
    bool Refused();
    const plat::Brush* CtlColor(plat::Dc* dc, uint32_t ctl_message) override;
    // Removes the selected text; answers whether there was any.
    bool DeleteSelection();
    // Whether `ch` is in the text once the selection is replaced.
    bool HoldsOutsideSelection(char16_t ch) const;

    bool m_bSelectAll = false;  // UI thread
};

class CDoubleEdit : public CNumericEdit {
  public:
    static constexpr double kLowerTolerance = 9e-07;
    static constexpr double kUpperTolerance = 9e-10;
    static constexpr const char* kDefaultFormat = "%3.1f";

    CDoubleEdit() = default;

    void SetValue(double value);
    // Reads the text; false (and `value` = the default) when it holds no
    // number. A number beyond the double range reads as +-infinity.
    bool GetValue(double& value) const;
    double Clamp(double value) const;
    // True (the value re-shown formatted) within the range; otherwise the
    // violated limit (the default for a text without a number) is shown
    // selected with a beep and the answer is false.
    bool Validate();
    void ResetToDefault();
    void Step(double step);

    void SetDefault(double v) { m_Default = v; }
    void SetRange(double minimum, double maximum) {
        m_Min = minimum;
        m_Max = maximum;
    }
    void SetSteps(double wheel, double arrow) {
        m_WheelStep = wheel;
        m_ArrowStep = arrow;
    }
    void SetFormat(std::string format) { m_Format = std::move(format); }
    double GetDefault() const { return m_Default; }
    double GetMin() const { return m_Min; }
    double GetMax() const { return m_Max; }
    double GetWheelStep() const { return m_WheelStep; }
    double GetArrowStep() const { return m_ArrowStep; }
    const std::string& GetFormat() const { return m_Format; }
    // The text a value shows as.
    std::u16string Format(double value) const;

  protected:
    void ShowLimit(bool maximum) override;
    void StepBy(int direction, bool wheel) override;
    void OnChar(uint32_t ch, uint32_t repeat, uint32_t flags) override;

  private:
    // Shows a limit selected, with the beep; answers false.
    bool Refuse(double shown);

    double m_Default = 0;
    double m_Min = 0;
    double m_Max = 0;
    double m_WheelStep = 1;
    double m_ArrowStep = 1;
    double m_LowerTolerance = kLowerTolerance;
    double m_UpperTolerance = kUpperTolerance;
    std::string m_Format = kDefaultFormat;
};

class CIntegerEdit : public CNumericEdit {
  public:
    void SetValue(int32_t value);
    // True when the text reads as a number (then within 32 bits, or clamped
    // to them); `value` is untouched otherwise.
    bool GetValue(int32_t& value) const;
    bool Validate();
    void ResetToDefault();
    void Step(int32_t step);

    void SetDefault(int32_t v) { m_Default = v; }
    void SetRange(int32_t minimum, int32_t maximum) {
        m_Min = minimum;
        m_Max = maximum;
    }
    void SetSteps(int32_t wheel, int32_t arrow) {
        m_WheelStep = wheel;
        m_ArrowStep = arrow;
    }
    int32_t GetDefault() const { return m_Default; }
    int32_t GetMin() const { return m_Min; }
    int32_t GetMax() const { return m_Max; }
    int32_t GetWheelStep() const { return m_WheelStep; }
    int32_t GetArrowStep() const { return m_ArrowStep; }

  protected:
    void ShowLimit(bool maximum) override;
    void StepBy(int direction, bool wheel) override;
    void OnChar(uint32_t ch, uint32_t repeat, uint32_t flags) override;

  private:
    // The text read into 64 bits; beyond 64 bits the extreme of its sign.
    std::optional<int64_t> Read() const;
    bool Refuse(int32_t shown);

    int32_t m_Min = 0;
    int32_t m_Max = 0;
    int32_t m_WheelStep = 1;
    int32_t m_ArrowStep = 1;
    int32_t m_Default = 0;
};

// The number at the start of a text (after blanks), as scanf reads a real
// number; none when the text starts with no number. Beyond the double range
// it reads as +-infinity.
std::optional<double> ParseRealText(std::u16string_view text);
// The whole number at the start of a text (after blanks, with an optional
// sign); beyond 64 bits the extreme of its sign.
std::optional<int64_t> ParseWholeText(std::u16string_view text);
