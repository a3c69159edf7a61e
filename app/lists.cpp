// The lists of "\FlashFX Disk\My Lists" that the program starts with: signal
// bands, cable types and antennas, each from its comma-separated file when
// its start-up setting is on, else (bands, antennas) the built-in lists; and
// the limit masks the spectrum screens load.
#include "app/celvane_app.h"
#include "core/app_commands.h"
#include "files/formats/limit_mask_file.h"
#include "files/formats/list_files.h"
#include "instrument/power_measurement.h"

bool CCelvaneApp::LoadStartupLists() {
    buffer_pool_ = std::make_unique<CBufferHelper>();
    CPowerMeasurement::SetBufferPool(buffer_pool_.get());
    band_list_.reset();
    if (!settings_ || !settings_->LoadBandList || !LoadListFile(kCmdBandList, 0))
        if (!band_list_) band_list_ = BuildDefaultBandList();
    cable_list_.reset();
    if (settings_ && settings_->LoadCableList) LoadListFile(kCmdCableList, 0);
    antenna_list_.reset();
    if (!settings_ || !settings_->LoadAntennaList || !LoadListFile(kCmdAntennaList, 0))
        if (!antenna_list_) antenna_list_ = CreateDefaultAntennaList();
    return true;
}

bool CCelvaneApp::LoadListFile(uint32_t command, intptr_t arg) {
    if (arg != 0) return false;
    switch (command) {
        case kCmdBandList:
            return CBandListFile().ReadCommaSeparated(band_list_);
        case kCmdCableList:
            return CCableListFile().ReadCommaSeparated(cable_list_);
        case kCmdAntennaList:
            return CAntennaListFile().ReadCommaSeparated(antenna_list_);
        case kCmdLimitMask: {
            auto masks = std::make_unique<CLimitMaskFile>();
            if (!masks->Load()) return false;
            limit_masks_ = std::move(masks);
            return true;
        }
        default:
            return false;
    }
}

CLimitMaskFile* CCelvaneApp::LoadLimitMasks() {
    return LoadListFile(kCmdLimitMask, 0) ? limit_masks_.get() : nullptr;
}

// Saves the list in its tagged form beside the comma-separated file.
bool CCelvaneApp::ShowListFile(uint32_t command, intptr_t) {
    switch (command) {
        case kCmdBandList:
            return CBandListFile().Save(band_list_.get());
        case kCmdCableList:
            return CCableListFile().Save(cable_list_.get());
        case kCmdAntennaList:
            return antenna_list_ && CAntennaListFile().Save(*antenna_list_);
        default:
            return false;
    }
}
