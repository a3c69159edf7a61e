#include "files/listed_setup.h"

#include "files/meas_setup.h"

CListedSetup::CListedSetup(std::unique_ptr<CMeasSetup> setup)
    : setup_(std::move(setup)),
      name_(NameFromPath(setup_ ? setup_->GetFilePath() : core::Text())) {}

CListedSetup::~CListedSetup() = default;

CListedSetup* CListedSetup::From(CSortedItem* item) {
    return dynamic_cast<CListedSetup*>(item);
}

ISetupEntry* CListedSetup::EntryOf(CSortedItem* item) {
    return dynamic_cast<ISetupEntry*>(item);
}

core::Text CListedSetup::NameFromPath(const core::Text& path) {
    const size_t slash = path.find_last_of(u"\\/");
    core::Text name = slash == core::Text::npos ? path : path.substr(slash + 1);
    // Setup files end in ".tws", trace files in ".twf".
    for (std::u16string_view extension : {u".tws", u".twf"}) {
        if (core::EndsWithIgnoreCase(name, extension)) {
            name.resize(name.size() - extension.size());
            break;
        }
    }
    return name;
}

bool CListedSetup::IsValidName(const core::Text& name) {
    return core::IsValidFileName(name);
}

uint32_t CListedSetup::GetModeId() const {
    return static_cast<uint32_t>(GetMeasurementClass());
}

core::Text CListedSetup::GetFilePath() const {
    return setup_ ? setup_->GetFilePath() : core::Text();
}

uint32_t CListedSetup::GetDate() const {
    return static_cast<uint32_t>(GetEntryTime());
}

std::time_t CListedSetup::GetEntryTime() const {
    return setup_ ? setup_->GetSaveTime() : 0;
}

ISetupEntry* CListedSetup::GetNextEntry() const {
    return EntryOf(NextItem());
}

int32_t CListedSetup::GetMeasurementClass() const {
    return setup_ ? setup_->GetMeasurementClass() : 0;
}

const CFrequencyRange* CListedSetup::GetFrequencyRange() const {
    return setup_ ? static_cast<const CMeasSetup&>(*setup_).GetFrequencyRange() : nullptr;
}

const ISetupBand* CListedSetup::GetSignalBand() const {
    return setup_ ? setup_->GetBand() : nullptr;
}

const CChoiceBlock* CListedSetup::GetBandwidthSettings() const {
    return setup_ ? setup_->GetBandwidthSettings() : nullptr;
}

core::Text CListedSetup::GetInstrumentName() const {
    return setup_ ? setup_->GetClassName() : core::Text();
}

core::Text CListedSetup::GetMeasurementName() const {
    return setup_ ? setup_->GetMeasurementName() : core::Text();
}

core::Text CListedSetup::GetMeasurementText() const {
    return setup_ ? setup_->GetMeasurementDescription() : core::Text();
}
