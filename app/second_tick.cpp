// CCelvaneApp once-a-second services on the frame's timer: the current
// screen, battery, memory, fan and the programs started from here.
#include "app/celvane_app.h"

#include "app/main_frame.h"
#include "platform/byte_order.h"
#include "platform/devices/battery_device.h"
#include "platform/framework/system_services.h"
#include "screens/mode_base.h"

namespace {

constexpr uint32_t kStillActive = 259;
constexpr uint32_t kAlarmMask = 2;

plat::MemoryStatus g_memoryStatus;

}  // namespace

void CCelvaneApp::OnSecondTick() {
    UpdateCurrentMode();
    KeepPendingVersion();
    CheckBatteryStatus();
    CheckMemory();
    UpdateFanState();
    WatchProcess();
    plat::system_idle_timer_reset();
    OnIdle(1);
}

void CCelvaneApp::UpdateCurrentMode() {
    if (current_mode_) current_mode_->OnIdle();
}

// The DSP link's alarm (board supply or temperature high) is the high flag.
void CCelvaneApp::UpdateFanState() {
    if (temperature_monitor_ && dsp_) temperature_monitor_->CheckTemperature(dsp_->GetAlarm());
}

void CCelvaneApp::PostAlarm(uint32_t argument) {
    if (dispatcher_) dispatcher_->Post(new CAppEvent(kAlarmMask, argument));
}

void CCelvaneApp::CheckMemory() {
    const plat::MemoryStatus status = plat::global_memory_status();
    if (status.memory_load >= 95 && !memory_alarm_posted_) {
        PostAlarm(1);
        memory_alarm_posted_ = true;
    }
    g_memoryStatus = status;
}

uint64_t CCelvaneApp::GetAvailableMemory() {
    const plat::MemoryStatus status = plat::global_memory_status();
    return uint64_t(status.avail_phys) + status.avail_virtual;
}

void CCelvaneApp::CheckBatteryStatus() {
    // Without a battery record the status is unknown: external power, 255 %.
    uint8_t record[plat::battery::kRecordSize] = {};
    const bool read = battery_ && battery_->ReadRecord(record);
    const uint8_t code = read ? record[plat::battery::kRecordSource] : 1;
    const uint8_t flags = read ? record[plat::battery::kRecordFlags] : 0xFF;
    const uint32_t percent = read ? record[plat::battery::kRecordCharge] : 255;
    const uint32_t word =
        read ? plat::get_le<uint32_t>(record, plat::battery::kRecordRemaining) : 255;
    if (!current_mode_ || !current_mode_->ShowsBattery()) return;
    if (code != battery_status_ || percent != battery_percent_ || mode_changed_) {
        mode_changed_ = false;
        int kind = 0;
        uint32_t shown = 0;
        if (code == 0 || code == 2) {
            kind = (flags & 4) ? 3 : 2;
            shown = percent;
        } else if (code == 1) {
            if (!(flags & 8) || percent == 100) {
                kind = 1;
                shown = 100;
            } else {
                kind = 4;
                shown = percent;
            }
        }
        current_mode_->UpdateStatusIcons(kind, static_cast<int>(shown));
    }
    battery_status_ = code;
    battery_percent_ = percent;
    battery_word_ = word;
    if (!battery_alarm_ || !battery_alarm_.is_set()) {
        battery_alarm_posted_ = false;
    } else if (!battery_alarm_posted_) {
        PostAlarm(0);
        battery_alarm_posted_ = true;
    }
}

void CCelvaneApp::WatchProcess() {
    for (auto& record : launched_) {
        if (!record.process) continue;
        uint32_t code = 0;
        plat::Process check = plat::Process::open(record.process.id());
        if (!check || !check.exit_code(code) || code != kStillActive) {
            record.process.close();
            if (frame_ && plat::is_window(frame_)) frame_->view().SetFocus();
        }
    }
}

bool CCelvaneApp::LaunchProgram(uint32_t command) {
    const uint32_t which = command - 0x8000001Du;
    switch (which) {
        case 0:
        case 1:
        case 8:
        case 10: {
            Launched& record = launched_[which == 0 ? 0 : 1];
            if (record.process) return false;
            record.process = plat::Process::start(which == 0 ? u"\\windows\\pdfviewer.exe"
                                                             : u"\\windows\\iesample.exe");
            return static_cast<bool>(record.process);
        }
        case 9: {
            plat::Process diag =
                plat::Process::start(u"\\FlashFX Disk\\Startup\\QXCopy\\TWDiag.exe");
            if (!diag) return false;
            diag.close();
            RequestShutdown();
            return true;
        }
        default:
            return false;
    }
}

const plat::MemoryStatus& GlobalMemoryStatusRecord() {
    return g_memoryStatus;
}
