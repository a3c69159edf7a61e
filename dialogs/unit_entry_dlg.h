#pragma once
// Value entries whose soft keys choose a unit and accept the entry at once.
// A unit key acts on its release (its press is consumed; other releases do
// nothing). A conversion that gives no number or an infinite one (0 or a
// negative number taken in volts or watts) yields the minimum, the maximum
// for plus infinity.
//
// CAmplitudeEntryDlg: the number in dBm, dBuV, dBmV, dBV, volts or watts,
// converted into the dialog's level unit.
// CLevelEntryDlg: the number as VSWR, return loss, reflection coefficient,
// match efficiency or reflection %, converted into return loss dB (none in
// modes 3 and 4).
// CCableLossDlg: the loss per metre or per foot; the key's unit becomes the
// dialog's.
// CSweepTimeDlg: milliseconds or seconds; the key switches the shown unit,
// then accepts as Enter does. The results are milliseconds.
#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/keypad_entry_dlg.h"

// A unit soft key: its label and its unit code.
struct UnitKey {
    uint32_t label;
    uint32_t unit;
};

class CUnitKeyEntryDlg : public CKeypadEntryDlg {
  public:
    static constexpr uint32_t kBlankLabel = 184;

    bool OnSoftKey(int index, bool pressed) override;
    // The entered number (the default when the text holds none).
    double EnteredNumber() const;
    // A converted value limited to the edit's range without a beep; no
    // number or minus infinity gives the minimum, plus infinity the maximum.
    double LimitConverted(double value) const;

  protected:
    // `reset_bar`: the bar is reset before the keys are labelled.
    CUnitKeyEntryDlg(plat::CWnd* parent, std::u16string initial_text, std::vector<UnitKey> keys,
                     bool reset_bar);
    bool OnInitDialog() override;
    // The release of the unit key of `unit`.
    virtual void OnUnitKey(uint32_t unit) = 0;
    // No unit keys shown (and soft keys do nothing).
    void DropUnitKeys() { m_Keys.clear(); }

  private:
    std::vector<UnitKey> m_Keys;
    bool m_bResetBar;
};

class CAmplitudeEntryDlg : public CUnitKeyEntryDlg {
  public:
    CAmplitudeEntryDlg(plat::CWnd* parent, std::u16string title, std::u16string initial_text,
                       uint32_t unit, double value, double maximum, double minimum, double step);
    uint32_t GetUnit() const { return m_Unit; }

  protected:
    void OnUnitKey(uint32_t unit) override;

  private:
    uint32_t m_Unit;
};

class CLevelEntryDlg : public CUnitKeyEntryDlg {
  public:
    // Modes without unit keys.
    static constexpr int kPlainModeA = 3;
    static constexpr int kPlainModeB = 4;

    CLevelEntryDlg(plat::CWnd* parent, std::u16string title, std::u16string initial_text,
                   uint32_t unit, int mode, double value, double maximum, double minimum,
                   double step);
    // The unit of the result: return loss dB once the unit keys are shown,
    // else the caller's.
    uint32_t GetUnit() const { return m_Unit; }
    int GetMode() const { return m_Mode; }

  protected:
    bool OnInitDialog() override;
    void OnUnitKey(uint32_t unit) override;

  private:
    uint32_t m_Unit;
    int m_Mode;
};

class CCableLossDlg : public CUnitKeyEntryDlg {
  public:
    static constexpr uint32_t kTitle = 64189;
    CCableLossDlg(plat::CWnd* parent, std::u16string initial_text, uint32_t unit, float value);
    // The unit of the result (29 dB/m, 30 dB/ft).
    uint32_t GetUnit() const { return m_Unit; }

  protected:
    void OnUnitKey(uint32_t unit) override;

  private:
    uint32_t m_Unit;
};

class CSweepTimeDlg : public CUnitKeyEntryDlg {
  public:
    static constexpr uint32_t kMilliseconds = 1;
    static constexpr uint32_t kSeconds = 0;
    static constexpr uint32_t kMsLabel = 63178;
    static constexpr uint32_t kSecondsLabel = 63177;

    // Value and limits in whole milliseconds; `unit` 1 shows milliseconds,
    // anything else seconds.
    CSweepTimeDlg(plat::CWnd* parent, std::u16string title, std::u16string initial_text,
                  double value_ms, double minimum_ms, double maximum_ms, uint32_t unit);

    double GetRawValue() const { return m_Result; }
    double GetSeconds() const { return m_Result * 0.001; }
    uint32_t GetUnit() const { return m_Unit; }

    void OnOK() override;

  protected:
    bool OnInitDialog() override;
    void OnUnitKey(uint32_t unit) override;

  private:
    double Multiplier() const;
    // Shows the edit's limits, default and caption in the current unit.
    void Rescale();

    double m_ValueMs;
    double m_MinMs;
    double m_MaxMs;
    uint32_t m_Unit;
};
