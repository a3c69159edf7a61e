// The entry dialogs and message boxes of the network analyzer's pages, each
// run modally over the main frame.
#include "screens/vna/vna_entries.h"

#include <algorithm>

#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/band_select_dlg.h"
#include "dialogs/cable_list_dlg.h"
#include "dialogs/dialog_services.h"
#include "dialogs/dtf_wizard_dlg.h"
#include "dialogs/freq_entry_dlg.h"
#include "dialogs/quick_help_dlg.h"
#include "dialogs/setting_list_dlg.h"
#include "dialogs/unit_entry_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "platform/framework/message_box.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"

namespace {

constexpr double kMaxPower = 10.0;

// Runs a dialog; its answer when the user accepted it.
template <typename Dialog, typename Read>
auto Run(Dialog& dialog, Read read) -> std::optional<decltype(read(dialog))> {
    if (dialog.DoModal() != plat::IDOK) return std::nullopt;
    return read(dialog);
}

class DialogEntries : public IVnaEntries {
  public:
    explicit DialogEntries(plat::CWnd* frame) : frame_(frame) {}

    // The dialog answers in the unit of the key that closed it: the level
    // goes back into the caller's unit.
    std::optional<double> Level(uint32_t title_id, int first, uint32_t unit, int type, double value,
                                double high, double low, double step) override {
        CLevelEntryDlg dlg(frame_, LoadResString(title_id), CKeypadEntryDlg::KeyToChar(first), unit,
                           type, value, high, low, step);
        return Run(dlg, [unit](CLevelEntryDlg& d) {
            const double v = d.GetValue();
            return d.GetUnit() == unit ? v : ConvertReflectionUnit(v, unit, d.GetUnit());
        });
    }
    std::optional<double> Offset(int first, double offset) override {
        CSignalOffsetDlg dlg(frame_, CKeypadEntryDlg::KeyToChar(first), offset);
        return Run(dlg, [](CSignalOffsetDlg& d) { return d.GetValue(); });
    }
    // The dialog's own range starts at -20 dBm; the gain measurement's at
    // -40 dBm: the answer is held to the caller's range.
    std::optional<double> PowerOutput(int first, double power, double low) override {
        CPowerOutputDlg dlg(frame_, CKeypadEntryDlg::KeyToChar(first), power);
        return Run(dlg,
                   [low](CPowerOutputDlg& d) { return std::clamp(d.GetValue(), low, kMaxPower); });
    }

    bool CableList(CCableType** choice, bool metric, CCableType* list) override {
        CCableListDlg dlg(frame_, choice, metric);
        dlg.SetCableList(list);
        return dlg.DoModal() == plat::IDOK;
    }
    bool Band(CSignalBand** band, CSignalBand* list) override {
        CBandSelectDlg dlg(frame_, band, list);
        const bool chosen = dlg.DoModal() == plat::IDOK;
        if (frame_) frame_->SetFocus();
        return chosen;
    }
    std::optional<int32_t> DataPoints(int32_t points) override {
        CDataPointsDlg dlg(frame_, points);
        return Run(dlg, [](CDataPointsDlg& d) { return d.GetSelection(); });
    }
    std::optional<int> Ifbw(int index) override {
        CBandwidthEntryDlg dlg(frame_, u"IFBW", kNoKey, index);
        return Run(dlg, [](CBandwidthEntryDlg& d) { return d.GetSelection(); });
    }
    std::optional<double> Distance(uint32_t title_id, int first, bool metric, double value,
                                   double low, double high, double wheel_step,
                                   double arrow_step) override {
        CLimitsEntryDlg dlg(frame_, LoadResString(title_id), CKeypadEntryDlg::KeyToChar(first),
                            LengthUnitText(metric ? 1 : 0), low, high, wheel_step, arrow_step,
                            value);
        return Run(dlg, [](CLimitsEntryDlg& d) { return d.GetValue(); });
    }
    std::optional<double> Vp(int first, double percent) override {
        CVpEntryDlg dlg(frame_, CVpEntryDlg::KeyToChar(first), static_cast<float>(percent));
        return Run(dlg, [](CVpEntryDlg& d) { return d.GetValue(); });
    }
    std::optional<Loss> CableLoss(int first, uint32_t unit, double value) override {
        CCableLossDlg dlg(frame_, CKeypadEntryDlg::KeyToChar(first), unit,
                          static_cast<float>(value));
        return Run(dlg, [](CCableLossDlg& d) { return Loss{d.GetValue(), d.GetUnit()}; });
    }
    void QuickHelp(const core::Text& title, const core::Text& path) override {
        CQuickHelpDlg dlg(frame_, title, path);
        dlg.DoModal();
    }

    std::optional<DtfWizardResults> DtfWizard(CVNAMeasSetup* setup,
                                              std::function<void()> choose_cable,
                                              uint64_t lowest) override {
        CDtfWizardDlg dlg(frame_, setup, std::move(choose_cable), lowest);
        if (dlg.DoModal() != plat::IDOK || !dlg.IsValidated()) return std::nullopt;
        return DtfWizardResults{
            dlg.GetVp(),           dlg.GetLoss(),        dlg.GetCenterFrequency(),
            dlg.GetSpan(),         dlg.GetDataPoints(),  dlg.GetLossUnit(),
            dlg.GetDistanceUnit(), dlg.GetStopDistance()};
    }

  private:
    // No key typed: the dialog opens on its current value.
    static constexpr int kNoKey = -1;
    plat::CWnd* frame_;
};

class DialogMessages : public IVnaMessages {
  public:
    bool Ask(uint32_t text_id, uint32_t caption_id, bool yes_no) override {
        const uint32_t style = plat::MB_ICONEXCLAMATION | (yes_no ? plat::MB_YESNO : plat::MB_OK);
        const int answer = dialog_services::ShowMessage(
            LoadResString(text_id), style, caption_id ? LoadResString(caption_id) : core::Text());
        return yes_no ? answer == plat::IDYES : true;
    }
};

}  // namespace

std::unique_ptr<IVnaEntries> CreateVnaEntries(plat::CWnd* frame) {
    return std::make_unique<DialogEntries>(frame);
}

std::unique_ptr<IVnaMessages> CreateVnaMessages(plat::CWnd*) {
    return std::make_unique<DialogMessages>();
}

std::unique_ptr<CFreqEntryDlg> CreateVnaFrequencyEntry(plat::CWnd* frame) {
    return std::make_unique<CFreqEntryDlg>(frame);
}
