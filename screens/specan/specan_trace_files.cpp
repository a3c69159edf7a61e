// CSpecAnMode: the spectrum trace file written from the screen's record,
// the recall of the file manager's highlighted trace and the refresh after
// a setup was loaded into the screen.
#include <memory>

#include "core/app_commands.h"
#include "core/res_string.h"
#include "files/formats/analyzer_trace_file.h"
#include "files/formats/trace_file.h"
#include "files/sa_meas_setup.h"
#include "instrument/measurement.h"
#include "platform/framework/message_box.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"

namespace {
constexpr uint32_t kOtherModeQuestion = 64261, kNoTraceToRecall = 64263;
constexpr int32_t kTimeDomain = 28;
constexpr uint32_t kFrequencyFormat = 6;
constexpr int kFrequencyRow = 3;
}  // namespace

bool CSpecAnMode::SaveTraceFile(const core::Text& path, CMeasSetup* setup,
                                const ITraceSource* source) {
    if (!setup) return false;
    CSATraceFile file(setup, path, source);
    return file.Save();
}

bool CSpecAnMode::OnKeyCode(int code) {
    if (code > 1) return CMeasurementBase::OnKeyCode(code);
    return RecallSelectedTrace(code);
}

bool CSpecAnMode::RecallSelectedTrace(int code) {
    if (!m_FileManager) {
        HoldForRecallKey(code);
        return false;
    }
    ISetupEntry* entry = SelectedTraceEntry();
    const CMeasSetup* listed = entry ? entry->GetSetup() : nullptr;
    if (!listed) return false;
    const core::Text path = listed->GetFilePath();
    const bool traceTimeDomain = listed->GetMeasurementId() == kTimeDomain;
    const bool nowTimeDomain =
        currentMeasurement && static_cast<int32_t>(currentMeasurement->GetId()) == kTimeDomain;
    auto* s = services();
    if (traceTimeDomain != nowTimeDomain &&
        (!s || s->ShowScreenMessage(LoadResString(kOtherModeQuestion),
                                    plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES))
        return false;
    if (!currentMeasurement || !setup_) {
        if (s) s->ShowScreenMessage(LoadResString(kNoTraceToRecall), plat::MB_OK);
        return false;
    }
    auto buffer = std::make_unique<TracePoint[]>(kTraceBufferPoints);
    core::Text reason;
    bool read = CSATraceFile(setup_, path).ReadTraceSilently(path, buffer.get(), &reason);
    if (!read) {
        CTraceFile legacy(setup_, 0, 0, 1);
        legacy.SetQuiet(true);
        read = legacy.ReadWithProgress(path, buffer.get());
    }
    if (!read) {
        // Neither form: a damaged file, or an old file of this screen's own
        // kind whose body cannot be read. The screen stays as it was.
        if (s)
            s->ShowScreenMessage(LoadResString(CTraceFile::kInvalidFormatId) + u"\n" + path,
                                 plat::MB_OK | plat::MB_ICONEXCLAMATION);
        return false;
    }
    LoadRecalledTrace(reinterpret_cast<const float*>(buffer.get()), setup_->GetDataPoints());
    CMeasurement* measurement = FindMeasurement(setup_->GetMeasurementId());
    if (measurement && measurement != currentMeasurement) {
        SetCurrentMeasurement(measurement, setup_);
        PostCommandObject<kCmdSwitchNoStart>(main_frame(), this);
    }
    RefreshAfterLoad();
    ShowRecalledTrace(code);
    // The result row shows the file's results while its trace is held.
    m_Recalled = true;
    RefreshReadouts();
    return true;
}

void CSpecAnMode::RefreshAfterLoad() {
    if (!sa_setup_) return;
    if (readout_panel_)
        readout_panel_->ShowFrequencyRow(sa_setup_->GetFrequencyRange(), kFrequencyFormat,
                                         kFrequencyRow);
    UpdateStatusRows();
    ApplyAutoAttenuation();
    AutoScaleUnit();
    PushScaleToGraph();
    settingsLoaded_ = true;
    if (main_frame()) {
        main_frame()->SetFocus();
        main_frame()->InvalidateRect(nullptr);
    }
}
