#pragma once
// The value entry dialogs with fixed settings: each fixes its title, units
// caption, range and steps (in the shown unit), and which entry keys may
// start it (KeyToChar). The screen builds one with the first character and
// the current value, runs it and reads GetValue after IDOK.
#include <cstdint>
#include <string>

#include "dialogs/keypad_entry_dlg.h"

// Real numbers.
class CSignalOffsetDlg : public CKeypadEntryDlg {
  public:
    static constexpr uint32_t kTitle = 1200;
    static constexpr uint32_t kCaption = 670;
    CSignalOffsetDlg(plat::CWnd* parent, std::u16string initial_text, double value);
};

class CThresholdDlg : public CKeypadEntryDlg {
  public:
    static constexpr uint32_t kTitle = 63121;
    static constexpr uint32_t kCaption = 851;
    CThresholdDlg(plat::CWnd* parent, std::u16string initial_text, double value);
};

class CPowerOutputDlg : public CKeypadEntryDlg {
  public:
    static constexpr uint32_t kTitle = 64387;
    static constexpr uint32_t kCaption = 561;
    CPowerOutputDlg(plat::CWnd* parent, std::u16string initial_text, double value);
};

// A percentage above zero: no sign key.
class CVpEntryDlg : public CKeypadEntryDlg {
  public:
    static constexpr uint32_t kCaption = 1077;
    CVpEntryDlg(plat::CWnd* parent, std::u16string initial_text, float value);
    static std::u16string KeyToChar(int key_code);
};

class CVolumeEntryDlg : public CKeypadEntryDlg {
  public:
    CVolumeEntryDlg(plat::CWnd* parent, std::u16string title, std::u16string initial_text,
                    double value);
    static std::u16string KeyToChar(int key_code);
};

// Everything given by the caller.
class CLimitsEntryDlg : public CKeypadEntryDlg {
  public:
    CLimitsEntryDlg(plat::CWnd* parent, std::u16string title, std::u16string initial_text,
                    std::u16string caption, double minimum, double maximum, double wheel_step,
                    double arrow_step, double value);
};

// A number shown formatted and wholly selected, so the first digit starts
// a new one; the owning screen may type into it (OnChar).
class CNumberEntryDlg : public CKeypadEntryDlg {
  public:
    // The step a step of 0 stands for.
    static constexpr float kDefaultStep = 0.01f;
    // The longest text a point is still appended to.
    static constexpr size_t kPointLimit = 11;

    CNumberEntryDlg(plat::CWnd* parent, uint32_t title_id, float value, bool flag, float maximum,
                    float minimum, float step, std::string format);
    bool GetFlag() const { return m_bFlag; }
    // A key of the owning screen: releases of digits and the point type.
    void OnChar(uint32_t key, bool pressed);

  protected:
    bool OnInitDialog() override;

  private:
    bool m_bFlag;
    std::string m_Format;
};

// Whole numbers.
class CScaleEntryDlg : public CIntegerEntryDlg {
  public:
    static constexpr uint32_t kTitle = 220;
    static constexpr uint32_t kCaption = 1198;
    CScaleEntryDlg(plat::CWnd* parent, std::u16string initial_text, int32_t value, int32_t unit);
    // The second number the caller gave, kept for it.
    int32_t GetUnit() const { return m_Unit; }

  private:
    int32_t m_Unit;
};

class CAverageDlg : public CIntegerEntryDlg {
  public:
    static constexpr uint32_t kTitle = 63175;
    CAverageDlg(plat::CWnd* parent, std::u16string initial_text, int32_t value);
};

class CSpanRbwDlg : public CIntegerEntryDlg {
  public:
    static constexpr uint32_t kTitle = 809;
    CSpanRbwDlg(plat::CWnd* parent, std::u16string initial_text, int32_t value);
};
