#pragma once
// CDtfWizardDlg: sets up a distance-to-fault sweep from the cable. The user
// gives the cable's velocity factor (Vp) and loss, an estimated length, a
// centre frequency and a preferred resolution, in five numeric fields that
// form a ring; OK computes the data points and the span that reach 125 % of
// the length at that resolution. Each field offers its own soft keys: the
// cable list and the Vp form (percent or fraction), metres or feet, the
// frequency unit and the step of the centre. The results are read after
// IDOK; the screen writes them into its setup.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/text.h"
#include "dialogs/instrument_dlg.h"
#include "dialogs/numeric_edit.h"
#include "platform/framework/controls.h"

class CVNAMeasSetup;

namespace dtf_wizard {

// Metres a frequency step of 1 Hz reaches for Vp 1 (half the speed of light,
// as a single-precision number).
inline constexpr float kHalfLightSpeed = 149896224.0f;
inline constexpr uint64_t kMaxSpan = 3275000000ull;
inline constexpr uint64_t kMaxFrequency = 3600000000ull;
inline constexpr int32_t kMinPoints = 177;
inline constexpr int32_t kMaxPoints = 11265;
inline constexpr float kFeetToMetres = 0.3048f;
inline constexpr double kMetresToFeet = 3.28083989501312;

struct Input {
    float vp = 0;          // fraction
    float length = 0;      // estimated length, in the distance unit
    float resolution = 0;  // in the distance unit
    bool feet = false;
    uint64_t centre = 0;  // Hz
    uint64_t lowest = 0;  // the lowest allowed frequency, Hz
};
struct Result {
    int32_t points = 0;
    uint64_t span = 0;
    uint64_t centre = 0;
};

// The points, span and centre for a maximum distance of 1.25 x the whole
// metres (or feet) of the length, in single precision. Nothing for a length
// or resolution that is not positive, or a length below 1 (no whole unit to
// reach).
std::optional<Result> Validate(const Input& in);

}  // namespace dtf_wizard

class CDtfWizardDlg : public CSoftKeyDlg {
  public:
    static constexpr int IDD = 275;
    // The fields in ring order, and the controls of the dialog.
    enum Field : int { kVp = 0, kLoss = 1, kLength = 2, kCentre = 3, kResolution = 4 };
    static constexpr int kFieldCount = 5;
    static constexpr std::array<int, kFieldCount> kFieldIds = {1101, 1105, 1107, 1108, 1109};
    static constexpr int kCableNameId = 1102;
    static constexpr int kStartEditId = 1110, kStopEditId = 1111;
    static constexpr std::array<int, kFieldCount> kUnitLabelIds = {1446, 1400, 1401, 1402, 1403};
    static constexpr int kStartStopUnitId = 1406;
    static constexpr int32_t kMetres = 27, kFeet = 28;
    static constexpr int32_t kLossPerMetre = 29, kLossPerFoot = 30;
    static constexpr uint32_t kCaptionText = 64341;

    // `setup` gives the starting values; `choose_cable` runs the screen's
    // cable list (which writes the chosen cable into the setup); `lowest` is
    // the lowest frequency the analyzer measures.
    CDtfWizardDlg(plat::CWnd* parent, CVNAMeasSetup* setup, std::function<void()> choose_cable,
                  uint64_t lowest);
    ~CDtfWizardDlg() override;

    // --- results after IDOK
    float GetVp() const { return m_fVp; }
    float GetLoss() const { return m_fLoss; }
    uint64_t GetCenterFrequency() const { return m_nCentre; }
    uint64_t GetSpan() const { return m_nSpan; }
    int32_t GetDataPoints() const { return m_nPoints; }
    int32_t GetLossUnit() const {
        return m_nDistanceUnit == kMetres ? kLossPerMetre : kLossPerFoot;
    }
    // The estimated length x 1.25, in the distance unit.
    float GetStopDistance() const { return m_fLength * 1.25f; }
    int32_t GetDistanceUnit() const { return m_nDistanceUnit; }
    bool IsValidated() const { return m_bValidated; }
    bool IsCableChanged() const { return m_bCableChanged; }

    int GetCurrentField() const { return m_nField; }
    CDoubleEdit& GetField(int field) { return m_Fields[static_cast<size_t>(field)]; }
    // The divisor of the centre field's unit (1 Hz .. 1 GHz) and the step.
    uint64_t GetCentreStep() const { return m_nStep; }
    int GetFrequencyUnit() const { return m_nFrequencyUnit; }
    bool IsVpInPercent() const { return m_bVpPercent; }

    void OnOK() override;
    bool OnSoftKey(int index, bool pressed) override;
    void OnFocus(plat::CWnd* previous) override;

  protected:
    bool OnInitDialog() override;
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;

  private:
    void SetupField(int field);
    void ShowFieldKeys();
    void GoToField(int field);
    // A field took the focus: the old one is validated.
    void OnFieldFocus(int field);
    void SetDistanceUnit(int32_t unit);
    void ToggleVpForm();
    void SetFrequencyUnit(int unit);
    void ChooseCableFromList();
    // Reads the fields in ring order; false at the first out of its limits.
    bool ReadFields();
    bool Validate();
    // The stored values the fields show now, read without validation.
    void TakeShownValues();
    void SetItemText(int id, const core::Text& text);
    core::Text CableName() const;
    static uint64_t Divisor(int unit);

    CVNAMeasSetup* m_pSetup;
    std::function<void()> m_ChooseCable;
    uint64_t m_nLowest;
    std::array<CDoubleEdit, kFieldCount> m_Fields;
    CDoubleEdit m_StartEdit, m_StopEdit;  // kept for the template, hidden
    plat::CEdit m_CableEdit;
    int m_nField = kVp;

    // The wizard's values (user-interface thread).
    int32_t m_nDistanceUnit = kMetres;
    float m_fVp = 0;
    double m_dVpDefault = 0;
    bool m_bVpPercent = true;
    float m_fLoss = 0, m_fLossDefault = 0;  // dB per metre
    float m_fLength = 0;                    // in the distance unit
    double m_dLengthDefault = 0;
    float m_fResolution = 0, m_fResolutionDefault = 0;
    uint64_t m_nCentre = 0, m_nCentreDefault = 0;
    uint64_t m_nSpan = 0;
    int32_t m_nPoints = 0;
    int m_nFrequencyUnit = 0, m_nFrequencyUnitStart = 0;
    uint64_t m_nStep = 1;
    bool m_bValidated = false;
    bool m_bCableChanged = false;
    core::Text m_CableText;  // the cable the wizard shows
};
