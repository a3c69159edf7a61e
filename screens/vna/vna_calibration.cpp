// CVnaMode: the calibration page, the download of the error terms from the
// board after the standards were measured, the upload of the setup's terms
// at each activation, the transfer watchdog (timer 8) and the clearing of a
// calibration. Everything here runs on the user-interface thread; each
// request goes once the previous one was answered (or the watchdog ticked).
#include <algorithm>
#include <cstring>

#include "core/keys.h"
#include "core/res_string.h"
#include "files/vna_meas_setup.h"
#include "instrument/vna_measurements.h"
#include "platform/kernel/clock.h"
#include "screens/vna/vna_mode.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace vna;

namespace {

constexpr int kNormalColour = 39;
constexpr int kRowColour = 0;
constexpr uint32_t kDownloadText = 64182;
constexpr uint32_t kUploadText = 64181;
constexpr uint32_t kMeasuredMark = 700;
constexpr uint32_t kBlank = 184;
constexpr uint32_t kSettleMs = 1000;
constexpr int kClearKey = 6;

// The download requests in the order they go, with the progress shown.
struct Request {
    uint16_t code;
    int percent;
    int colour;
    bool awaited;
};
constexpr Request kDownload[] = {
    {9, 0, 44, true},    {24, 10, 44, true},  {32, 10, 44, true},  {10, 20, 45, false},
    {12, 40, 44, false}, {14, 60, 45, false}, {16, 80, 44, false}, {33, 90, 45, false},
};
constexpr size_t kDownloadCount = std::size(kDownload);
enum DownloadIndex : size_t {
    kSolveOnePort,
    kSolveTwoPort,
    kSolveIsolation,
    kFetchEr,
    kFetchEs,
    kFetchEd,
    kFetchEt,
    kFetchEx
};

// The upload items in the order they go: the two parameter blocks, then the
// five terms with their store codes.
struct Upload {
    uint16_t code;
    int percent;
    int colour;
};
constexpr Upload kUpload[] = {
    {19, 0, 0}, {21, 0, 0}, {11, 20, 45}, {13, 40, 44}, {15, 60, 45}, {17, 80, 44}, {34, 90, 45},
};
constexpr size_t kUploadCount = std::size(kUpload);
enum UploadIndex : size_t { kParamA, kParamB, kTermEr, kTermEs, kTermEd, kTermEt, kTermEx };

constexpr uint32_t kStandardCode[] = {0, 5, 6, 7, 8, 25};  // by standard

}  // namespace

// ------------------------------------------------------------ the page

int CVnaMode::ShowCalibrationMenu() {
    if (!soft_key_menu_) return 0;
    const bool two_port = CurrentType() == kGain;
    // A measured standard's label carries the measured mark.
    const auto label = [this](const core::Text& base, int standard, bool break_before) {
        core::Text t = base;
        if (measured_[static_cast<size_t>(standard)])
            t += (break_before ? u"\n" : u"") + LoadResString(kMeasuredMark) + u"\n";
        return t;
    };
    soft_key_menu_->SetKeyTitle(label(LoadResString(190) + LoadResString(64304), kOpen, false), 0);
    soft_key_menu_->SetKeyTitle(label(LoadResString(698) + u"\n", kShort, false), 1);
    soft_key_menu_->SetKeyTitle(label(LoadResString(699) + u"\n", kLoad, false), 2);
    if (two_port) {
        soft_key_menu_->SetKeyTitle(label(LoadResString(64305), kThru, true), 3);
        soft_key_menu_->SetKeyTitle(label(LoadResString(61400), kIsolation, true), 4);
    } else {
        soft_key_menu_->SetKeyTitleById(kBlank, 3);
        soft_key_menu_->SetKeyTitleById(kBlank, 4);
    }
    const bool all_others =
        measured_[kOpen] && measured_[kShort] && measured_[kLoad] && measured_[kIsolation];
    const bool skip_shown = two_port && measured_[kThru] && !all_others && !skip_others_;
    soft_key_menu_->SetKeyTitleById(skip_shown ? 61401 : kBlank, 5);
    const bool any = std::any_of(measured_.begin() + 1, measured_.end(), [](bool m) { return m; });
    soft_key_menu_->SetKeyTitleById(any ? 64357 : kBlank, 6);
    soft_key_menu_->SetKeyTitleById(kBlank, 7);
    soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    ShowCalibrationAnnotation();
    return 1;
}

void CVnaMode::OnCalibrationKey(int key) {
    if (one_port_fetch_ || two_port_fetch_) return;
    const bool two_port = CurrentType() == kGain;
    switch (key) {
        case 0:
            MeasureOpen();
            break;
        case 1:
            MeasureShort();
            break;
        case 2:
            MeasureLoad();
            break;
        case 3:
            if (!two_port) return;
            MeasureThru();
            break;
        case 4:
            if (!two_port) return;
            MeasureIsolation();
            break;
        case 5: {
            const bool all_others =
                measured_[kOpen] && measured_[kShort] && measured_[kLoad] && measured_[kIsolation];
            if (!(two_port && measured_[kThru] && !all_others && !skip_others_)) return;
            SkipOtherCalibrations();
            break;
        }
        case kClearKey:
            if (std::none_of(measured_.begin() + 1, measured_.end(), [](bool m) { return m; }))
                return;
            ClearCalibration();
            return;
        case kEscapeKey:
            StopMeasurement();
            break;
        default:
            return;
    }
    ShowCalibrationMenu();
    if (key <= 4 || key == kEscapeKey) {
        UpdateSweepReadout(true);
        if (readout_panel_) readout_panel_->RedrawRows(0, true, kRowColour);
        if (graphPanel) graphPanel->RedrawBackground(true, 0);
    }
    int& last = lastKey[kPageCalibration];
    if (soft_key_menu_) {
        if (last >= 0 && last < kNoKey) soft_key_menu_->SetKeyState(0, last, false);
        soft_key_menu_->SetKeyState(0, kClearKey, false);
        if (key <= 4) soft_key_menu_->SetKeyState(0, key, true);
    }
    last = key;
}

void CVnaMode::MeasureStandard(Standard standard, uint32_t code) {
    measured_[static_cast<size_t>(standard)] = false;
    current_standard_ = standard;
    if (CVnaMeasurement* m = Current()) m->SendSweepSetup(code);
}

void CVnaMode::MeasureOpen() {
    MeasureStandard(kOpen, kStandardCode[kOpen]);
}
void CVnaMode::MeasureShort() {
    MeasureStandard(kShort, kStandardCode[kShort]);
}
void CVnaMode::MeasureLoad() {
    MeasureStandard(kLoad, kStandardCode[kLoad]);
}
void CVnaMode::MeasureThru() {
    MeasureStandard(kThru, kStandardCode[kThru]);
}
void CVnaMode::MeasureIsolation() {
    MeasureStandard(kIsolation, kStandardCode[kIsolation]);
}

void CVnaMode::SkipOtherCalibrations() {
    current_standard_ = kSkipOthers;
    skip_others_ = true;
    ComputeCalibration();
    current_standard_ = kNoStandard;
}

// Key 6: every standard and term is forgotten; the board drops its terms
// (only the two parameter blocks go) and the DC bias goes off, as at an
// upload.
void CVnaMode::ClearCalibration() {
    measured_.fill(false);
    skip_others_ = false;
    upload_pending_.fill(false);
    upload_unacknowledged_.fill(false);
    key_lock_ = true;
    upload_pending_[kParamA] = upload_pending_[kParamB] = true;
    upload_unacknowledged_[kParamA] = upload_unacknowledged_[kParamB] = true;
    if (dc_bias_on_) SwitchOffDcBias();
    KillTimer(kBiasTimer);
    KillTimer(kTransferTimer);
    SetTimer(kTransferTimer);
    vna_setup_->InvalidateCal();
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kRowColour);
    ShowCalibrationMenu();
    if (soft_key_menu_) {
        soft_key_menu_->SetKeyState(0, kClearKey, true);
        soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    }
    UploadNextTerm();
}

void CVnaMode::EndCalibration() {
    cal_batch_.reset();  // the setup's held notifications go out once
    vna_setup_->ClearCalibrating();
    ShowDataPointsAnnotation();
    current_standard_ = kNoStandard;
    measured_.fill(false);
    skip_others_ = false;
    cal_page_ = false;
    one_port_fetch_ = two_port_fetch_ = false;
}

// ------------------------------------------------------------ download

void CVnaMode::OnCalibrationReply(uint16_t code, const std::vector<uint8_t>& data,
                                  uint32_t values) {
    switch (code) {
        case 5:
        case 6:
        case 7:
        case 8:
        case 25: {
            const auto* it = std::find(std::begin(kStandardCode), std::end(kStandardCode), code);
            measured_[static_cast<size_t>(it - std::begin(kStandardCode))] = true;
            ShowCalibrationMenu();
            if (soft_key_menu_ && current_standard_ > 0 && current_standard_ < kSkipOthers)
                soft_key_menu_->SetKeyState(0, current_standard_ - 1, false);
            ComputeCalibration();
            current_standard_ = kNoStandard;
            return;
        }
        case 9:
        case 24:
        case 32:
            DownloadCalibration();
            return;
        case 10:
        case 12:
        case 14:
        case 16:
        case 33: {
            const bool two_port_term = code == 16 || code == 33;
            if (two_port_term ? !two_port_fetch_ : !(one_port_fetch_ || two_port_fetch_)) return;
            // A reply that does not hold the whole term is not taken; the
            // watchdog offers to ask again.
            if (!TermFromReply(reinterpret_cast<const float*>(data.data()),
                               std::min<uint32_t>(values, static_cast<uint32_t>(data.size() / 4)),
                               vna_setup_->GetDataPoints(), term_buffer_.data()))
                return;
            StoreTerm(code);
            if (code == 33) {
                ShowCalibrationAnnotation();
                OnMenuKey(VK_F13, 0);
            }
            DownloadCalibration();
            return;
        }
        default:
            return;
    }
}

void CVnaMode::StoreTerm(uint16_t code) {
    const uint8_t* b = term_buffer_.data();
    switch (code) {
        case 10:
            vna_setup_->SetReflectionTracking(b);
            break;
        case 12:
            vna_setup_->SetSourceMatch(b);
            break;
        case 14:
            vna_setup_->SetDirectivity(b);
            break;
        case 16:
            vna_setup_->SetTransmissionTracking(b);
            break;
        case 33:
            vna_setup_->SetIsolation(b);
            break;
        default:
            break;
    }
}

// The requests for the measured standards; false when the set is not
// complete for the type.
bool CVnaMode::QueueDownloadRequests() {
    download_pending_.fill(false);
    const bool osl = measured_[kOpen] && measured_[kShort] && measured_[kLoad];
    if (CurrentType() == kGain) {
        const bool others = osl && measured_[kIsolation];
        if (!measured_[kThru] || !(others || skip_others_)) return false;
        two_port_fetch_ = true;
        if (osl) {
            for (size_t i : {kSolveOnePort, kFetchEr, kFetchEs, kFetchEd})
                download_pending_[i] = true;
        }
        download_pending_[kSolveTwoPort] = download_pending_[kFetchEt] = true;
        if (measured_[kIsolation])
            download_pending_[kSolveIsolation] = download_pending_[kFetchEx] = true;
        return true;
    }
    if (!osl) return false;
    one_port_fetch_ = true;
    for (size_t i : {kSolveOnePort, kFetchEr, kFetchEs, kFetchEd}) download_pending_[i] = true;
    return true;
}

void CVnaMode::ComputeCalibration() {
    download_pending_.fill(false);
    if (current_standard_ == kNoStandard) return;
    if (!QueueDownloadRequests()) return;
    first_request_ = true;
    DownloadCalibration();
}

void CVnaMode::DownloadCalibration() {
    if (first_request_) {
        key_lock2_ = true;
        first_request_ = false;
    }
    KillTimer(kTransferTimer);
    SetTimer(kTransferTimer);
    for (size_t i = 0; i < kDownloadCount; ++i) {
        if (!download_pending_[i]) continue;
        download_pending_[i] = false;
        if (CVnaMeasurement* m = Current()) m->SendCommand(kDownload[i].code);
        if (key_lock2_) ShowProgress(kDownloadText, kDownload[i].percent, kDownload[i].colour);
        return;
    }
    KillTimer(kTransferTimer);
    key_lock_ = key_lock2_ = false;
    ShowCalibrationAnnotation();
    OnMenuKey(VK_F13, 0);
    progress_colour_ = kNormalColour;
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kNormalColour);
}

void CVnaMode::ShowProgress(uint32_t text_id, int percent, int colour) {
    progress_colour_ = colour;
    ShowHelpRow(LoadResString(text_id) + u"  .... " + core::FormatText("%u", percent) + u" %.",
                colour);
}

// ------------------------------------------------------------ upload

// At each activation: the setup's terms go to the board unless it holds
// them already. Every term valid for the sweep goes, saved or not, whichever
// measurement is current: a one-port calibration goes also while the gain
// measurement shows, so that the match measurement finds it on the board.
void CVnaMode::UploadCalibration() {
    if (vna_setup_->IsCalUploaded()) {
        key_lock_ = key_lock2_ = false;
        ApplyAndRestart(true);
        OnMenuKey(VK_F13, 0);
        return;
    }
    upload_pending_.fill(false);
    const bool one = vna_setup_->IsOnePortCalValid(false);
    const bool two = vna_setup_->IsCalValid(false) && vna_setup_->HasTwoPortCal();
    if (one || two) {
        upload_pending_[kTermEr] = upload_pending_[kTermEs] = upload_pending_[kTermEd] = one;
        upload_pending_[kTermEt] = two;
        upload_pending_[kTermEx] = two && vna_setup_->HasIsolationCal();
        ShowProgress(kUploadText, 0, 45);
    }
    upload_unacknowledged_ = upload_pending_;
    key_lock_ = true;
    upload_pending_[kParamA] = upload_pending_[kParamB] = true;
    upload_unacknowledged_[kParamA] = upload_unacknowledged_[kParamB] = true;
    plat::sleep_ms(kSettleMs);
    SwitchOffDcBias();
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kRowColour);
    plat::sleep_ms(kSettleMs);
    KillTimer(kTransferTimer);
    SetTimer(kTransferTimer);
    UploadNextTerm();
}

// Copies a term of the setup into the conversion buffer; false when the
// setup has no valid term of that kind.
static bool CopyTerm(const CVNAMeasSetup& setup, size_t item, uint8_t* buffer) {
    switch (item) {
        case kTermEr:
            return setup.GetReflectionTracking(buffer);
        case kTermEs:
            return setup.GetSourceMatch(buffer);
        case kTermEd:
            return setup.GetDirectivity(buffer);
        case kTermEt:
            return setup.GetTransmissionTracking(buffer);
        case kTermEx:
            return setup.GetIsolation(buffer);
        default:
            return false;
    }
}

void CVnaMode::UploadNextTerm() {
    KillTimer(kTransferTimer);
    SetTimer(kTransferTimer);
    CVnaMeasurement* m = Current();
    for (size_t i = 0; i < kUploadCount; ++i) {
        if (!upload_pending_[i]) continue;
        upload_pending_[i] = false;
        if (i == kParamA || i == kParamB) {
            if (m) m->SendFrequencyList(kUpload[i].code);
            return;
        }
        // A term the setup cannot give is skipped: nothing stale goes.
        if (!CopyTerm(*vna_setup_, i, term_buffer_.data())) {
            upload_unacknowledged_[i] = false;
            continue;
        }
        if (m) m->SendCalTable(kUpload[i].code, term_buffer_.data(), term_buffer_.size());
        if (key_lock_) ShowProgress(kUploadText, kUpload[i].percent, kUpload[i].colour);
        return;
    }
    if (key_lock_) vna_setup_->SetCalUploaded(true);
    KillTimer(kTransferTimer);
    key_lock_ = key_lock2_ = false;
    if (!cal_page_) {
        ApplyAndRestart(true);
        OnMenuKey(VK_F13, 0);
    }
    progress_colour_ = kNormalColour;
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kNormalColour);
}

void CVnaMode::OnDspReply(uint16_t code) {
    const auto* it = std::find_if(std::begin(kUpload), std::end(kUpload),
                                  [code](const Upload& u) { return u.code == code; });
    if (it == std::end(kUpload)) return;
    upload_unacknowledged_[static_cast<size_t>(it - std::begin(kUpload))] = false;
    UploadNextTerm();
}

// Timer 8: the board did not answer a transfer request in time.
void CVnaMode::OnCalTransferFailed() {
    KillTimer(kTransferTimer);
    if (key_lock_) {
        if (Messages().Ask(2515, 0, true)) {
            upload_pending_ = upload_unacknowledged_;
            UploadNextTerm();
        } else {
            key_lock_ = false;
            vna_setup_->InvalidateCal();
            ApplyAndRestart(true);
        }
    }
    if (key_lock2_) {
        if (Messages().Ask(2516, 0, true)) {
            QueueDownloadRequests();
            first_request_ = true;
            DownloadCalibration();
        } else {
            key_lock2_ = false;
            vna_setup_->InvalidateCal();
            OnMenuKey(VK_F13, 0);
        }
    }
}
