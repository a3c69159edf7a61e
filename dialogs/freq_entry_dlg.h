#pragma once
// CFreqEntryDlg: entry of a frequency in hertz, shown in Hz, kHz, MHz or
// GHz. A screen keeps one, calls Setup before each run, and after IDOK reads
// the value, the unit and the wheel step (which it keeps for the next
// entry). Its soft keys: the four units (each accepts the typed number in
// that unit at once), the wheel step (x10, from 1 GHz back to 1 Hz), full
// span and minimum span (the range's maximum and minimum, when offered) and
// clear (the current value again). The result is rounded to the nearest
// hertz.
//
// CBandwidthEntryDlg: the same restricted to the bandwidths 10 Hz .. 1 MHz
// in 1-3 steps; a value between two of them is raised to the next with a
// beep.
#include <array>
#include <cstdint>
#include <string>

#include "core/text.h"
#include "dialogs/keypad_entry_dlg.h"

class CFreqEntryDlg : public CKeypadEntryDlg {
  public:
    // Soft-key labels (string ids).
    static constexpr uint32_t kHzLabel = 887;
    static constexpr uint32_t kKHzLabel = 685;
    static constexpr uint32_t kMHzLabel = 686;
    static constexpr uint32_t kGHzLabel = 687;
    static constexpr uint32_t kStepLabel = 63011;
    static constexpr uint32_t kFullSpanLabel = 232;
    static constexpr uint32_t kMinSpanLabel = 63013;
    static constexpr uint32_t kClearLabel = 138;
    static constexpr uint32_t kBlankLabel = 184;
    // The soft keys by index.
    static constexpr int kStepKey = 4;
    static constexpr int kFullSpanKey = 5;
    static constexpr int kMinSpanKey = 6;
    static constexpr int kClearKey = 7;
    // Units 0 Hz .. 3 GHz; a larger index is taken as MHz.
    static constexpr uint32_t kUnitCount = 4;
    static constexpr uint32_t kFallbackUnit = 2;
    // The wheel step cycles 1 Hz .. 1 GHz.
    static constexpr uint64_t kLargestStep = 1'000'000'000;

    explicit CFreqEntryDlg(plat::CWnd* parent);

    // Prepares a run: title string id, current value, limits and wheel step
    // in hertz, unit index, and the key that started the entry (-1 none,
    // 0..9 a digit, 10 the sign key, 11 the point).
    void Setup(uint32_t title_id, uint64_t value, uint64_t maximum, uint64_t minimum, uint64_t step,
               uint32_t unit, int first_key);
    // Offers the full-span and minimum-span keys.
    void SetSpanKeys(bool offered) { m_bSpanKeys = offered; }

    // After IDOK: the entered frequency, the unit it was shown in, and the
    // wheel step.
    uint64_t GetValue() const { return m_ResultHz; }
    uint32_t GetUnit() const { return m_Unit; }
    uint64_t GetStep() const { return m_Step; }

    // Sets the edit's format for the unit; answers the unit's multiplier.
    double ApplyUnit();
    // The value, limits and steps in the current unit.
    void Rescale();
    void NextStep();
    // Validates the entry; on success stores the result in hertz.
    bool ReadValue();
    // A key typed on the owning screen while the dialog is open: its
    // release reaches the edit as the character.
    void ForwardChar(uint32_t key, bool pressed);

    bool OnSoftKey(int index, bool pressed) override;
    void OnOK() override;

    // The wheel-step key's label ("Step", a line break, "1 KHz").
    static core::Text StepLabel(uint64_t step);
    static uint32_t UnitLabel(uint32_t unit);

  protected:
    bool OnInitDialog() override;
    // Labels the screen's soft-key bar.
    virtual void LabelSoftKeys();
    // Shows the wheel step on its key.
    void ShowStepLabel();
    // Switches to a unit (edit format, limits, caption).
    void SetUnit(uint32_t unit);
    uint64_t Minimum() const { return m_Min; }
    uint64_t Maximum() const { return m_Max; }
    void SetResult(uint64_t hz) { m_ResultHz = hz; }

  private:
    uint32_t m_TitleId = 0;
    uint64_t m_Value = 0;
    uint64_t m_Max = 0;
    uint64_t m_Min = 0;
    uint64_t m_Step = 1;
    uint32_t m_Unit = kFallbackUnit;
    bool m_bSpanKeys = false;
    uint64_t m_ResultHz = 0;
};

class CBandwidthEntryDlg : public CFreqEntryDlg {
  public:
    static constexpr std::array<uint64_t, 11> kBandwidths = {
        10, 30, 100, 300, 1000, 3000, 10'000, 30'000, 100'000, 300'000, 1'000'000};
    static constexpr uint32_t kRbwTitle = 64442;
    static constexpr uint32_t kVbwTitle = 64443;
    static constexpr uint32_t kIfbwTitle = 64455;
    static constexpr uint64_t kWheelStep = 10;

    // `name` is "RBW", "IFBW" or "VBW"; `position` counts from the first
    // bandwidth the name offers.
    CBandwidthEntryDlg(plat::CWnd* parent, std::u16string_view name, int first_key, int position);

    // After IDOK: the chosen bandwidth's position.
    int GetSelection() const { return m_Selection; }
    // The unit a bandwidth shows in: MHz from 1 MHz, kHz above 1000 Hz,
    // else Hz.
    static uint32_t UnitFor(uint64_t hz);

    bool OnSoftKey(int index, bool pressed) override;
    void OnOK() override;
    // The index of the first bandwidth not below `hz` (the last for larger).
    static size_t SnapToList(uint64_t hz);

  protected:
    void LabelSoftKeys() override;

  private:
    size_t m_First = 0;
    int m_Selection = 0;
};
