// The entry dialogs of the spectrum analyzer's settings menus, each run
// modally over the main frame.
#include "screens/specan/specan_entries.h"

#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/freq_entry_dlg.h"
#include "dialogs/mask_dialogs.h"
#include "dialogs/setting_list_dlg.h"
#include "dialogs/unit_entry_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"

namespace {

constexpr uint32_t kMilliseconds = CSweepTimeDlg::kMilliseconds;
constexpr double kAmplitudeStep = 1.0;
constexpr double kDbcWheelStep = 0.1, kDbcArrowStep = 1.0;

// Runs a dialog; its answer when the user accepted it.
template <typename Dialog, typename Read>
auto Run(Dialog& dialog, Read read) -> std::optional<decltype(read(dialog))> {
    if (dialog.DoModal() != plat::IDOK) return std::nullopt;
    return read(dialog);
}

class DialogEntries : public ISpecAnEntries {
  public:
    DialogEntries(plat::CWnd* frame, CSpecAnMode* screen) : frame_(frame), screen_(screen) {}

    std::optional<int> Bandwidth(bool video, int position, int first) override {
        CBandwidthEntryDlg dlg(frame_, video ? u"VBW" : u"RBW", first, position);
        return Run(dlg, [](CBandwidthEntryDlg& d) { return d.GetSelection(); });
    }
    std::optional<int> SpanRbwRatio(int ratio, int first) override {
        CSpanRbwDlg dlg(frame_, CIntegerEntryDlg::KeyToChar(first), ratio);
        return Run(dlg, [](CSpanRbwDlg& d) { return static_cast<int>(d.GetValue()); });
    }
    std::optional<double> RbwVbwRatio(int ratio) override {
        CRbwVbwDlg dlg(frame_, ratio);
        return Run(dlg, [](CRbwVbwDlg& d) { return d.GetValue(); });
    }
    std::optional<double> GateDelay(uint32_t title_id, int ms, int low, int high,
                                    int first) override {
        CSweepTimeDlg dlg(frame_, LoadResString(title_id), CKeypadEntryDlg::KeyToChar(first), ms,
                          low, high, kMilliseconds);
        return Run(dlg, [](CSweepTimeDlg& d) { return d.GetRawValue(); });
    }
    // The screen's own numeric entry, which the keys typed meanwhile reach.
    std::optional<double> Number(uint32_t title_id, double value, double high, double low,
                                 double step, int) override {
        if (!screen_) return std::nullopt;
        const std::optional<float> entered = screen_->RunNumberDialog(
            title_id, static_cast<float>(value), false, static_cast<float>(high),
            static_cast<float>(low), static_cast<float>(step));
        if (!entered) return std::nullopt;
        return *entered;
    }
    std::optional<double> Amplitude(uint32_t title_id, uint32_t unit, double value, double high,
                                    double low, int first) override {
        CAmplitudeEntryDlg dlg(frame_, LoadResString(title_id), CKeypadEntryDlg::KeyToChar(first),
                               unit, value, high, low, kAmplitudeStep);
        return Run(dlg, [](CAmplitudeEntryDlg& d) { return d.GetValue(); });
    }
    std::optional<int> Scale(int scale, uint32_t unit, int first) override {
        CScaleEntryDlg dlg(frame_, CIntegerEntryDlg::KeyToChar(first), scale,
                           static_cast<int32_t>(unit));
        return Run(dlg, [](CScaleEntryDlg& d) { return static_cast<int>(d.GetValue()); });
    }
    std::optional<double> Offset(double offset, int first) override {
        CSignalOffsetDlg dlg(frame_, CKeypadEntryDlg::KeyToChar(first), offset);
        return Run(dlg, [](CSignalOffsetDlg& d) { return d.GetValue(); });
    }

    std::optional<double> Percent(uint32_t title_id, double percent, int first) override {
        CVolumeEntryDlg dlg(frame_, LoadResString(title_id), CVolumeEntryDlg::KeyToChar(first),
                            percent);
        return Run(dlg, [](CVolumeEntryDlg& d) { return d.GetValue(); });
    }
    std::optional<double> DbcLevel(double db, double low, double high, int first) override {
        CLimitsEntryDlg dlg(
            frame_, LoadResString(CThresholdDlg::kTitle), CKeypadEntryDlg::KeyToChar(first),
            LoadResString(CThresholdDlg::kCaption), low, high, kDbcWheelStep, kDbcArrowStep, db);
        return Run(dlg, [](CLimitsEntryDlg& d) { return d.GetValue(); });
    }
    std::optional<uint64_t> Frequency(uint32_t title_id, uint64_t value, uint64_t low,
                                      uint64_t high, int first) override {
        if (!screen_) return std::nullopt;
        uint64_t step = 1;
        const uint64_t entered =
            screen_->EnterFrequency(first, value, low, high, 1, title_id,
                                    static_cast<int>(FrequencyUnitIndex(value)), false, &step);
        if (entered == value) return std::nullopt;
        return entered;
    }
    std::optional<double> Duration(uint32_t title_id, int ms, int low, int high,
                                   int first) override {
        CSweepTimeDlg dlg(frame_, LoadResString(title_id), CKeypadEntryDlg::KeyToChar(first), ms,
                          low, high, CSweepTimeDlg::kSeconds);
        return Run(dlg, [](CSweepTimeDlg& d) { return d.GetRawValue(); });
    }
    std::optional<int> Antenna(const core::Text& current) override {
        CValueListDlg dlg(frame_, current);
        return Run(dlg, [](CValueListDlg& d) { return d.GetSelectedIndex(); });
    }
    std::optional<int> LineMask(const std::vector<core::Text>& names, int current) override {
        CLineMaskListDlg dlg(frame_, names, current);
        return Run(dlg, [](CLineMaskListDlg& d) { return d.GetSelection(); });
    }
    std::optional<core::Text> MaskName(uint32_t title_id, const core::Text& name) override {
        CLabelEntryDlg dlg(frame_, title_id, name);
        return Run(dlg, [](CLabelEntryDlg& d) { return d.GetText(); });
    }
    bool MaskPoint(const CMeasurementBase::PointDialog& d, const PointLoader& load,
                   const PointTaker& enter) override {
        CMaskPointDlg::Setup s;
        s.caption = LoadResString(d.titleId);
        s.initialText = CMaskPointDlg::DigitToText(d.firstKey);
        s.count = d.count;
        s.mode = d.mode;
        s.offsetMin = d.offsetLow;
        s.offsetMax = d.offsetHigh;
        s.levelMin = d.levelLow;
        s.levelMax = d.levelHigh;
        s.centre = d.centre;
        s.span = d.span;
        s.current = d.current;
        CMaskPointDlg dlg(frame_, s, load, enter);
        return dlg.DoModal() == plat::IDOK;
    }

  private:
    plat::CWnd* frame_;
    CSpecAnMode* screen_;
};

}  // namespace

std::unique_ptr<ISpecAnEntries> CreateDialogEntries(plat::CWnd* frame, CSpecAnMode* screen) {
    return std::make_unique<DialogEntries>(frame, screen);
}

std::unique_ptr<CFreqEntryDlg> CreateFrequencyEntry(plat::CWnd* frame) {
    return std::make_unique<CFreqEntryDlg>(frame);
}
