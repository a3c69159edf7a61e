#pragma once
// One row of the setup and file lists: what the list dialogs read of a
// stored setup or of a stored trace. The lists walk the entries by their
// next-entry link and own none of them.
#include <cstdint>
#include <ctime>

#include "core/text.h"

class CChoiceBlock;
class CFrequencyRange;
class CMeasSetup;
class CSortedItem;
class ISetupBand;

class ISetupEntry {
  public:
    virtual ~ISetupEntry() = default;
    // The name the list shows in its file column.
    virtual core::Text GetEntryFileName() const = 0;
    // The entry's modification stamp (local time).
    virtual std::time_t GetEntryTime() const = 0;
    virtual ISetupEntry* GetNextEntry() const = 0;
    // 1 network analyzer, 2 spectrum analyzer, 3 power meter.
    virtual int32_t GetMeasurementClass() const = 0;
    virtual const CFrequencyRange* GetFrequencyRange() const = 0;
    // The signal band the entry follows; null when it follows none.
    virtual const ISetupBand* GetSignalBand() const = 0;
    // Null when the entry has no bandwidth settings.
    virtual const CChoiceBlock* GetBandwidthSettings() const = 0;
    virtual core::Text GetInstrumentName() const = 0;
    virtual core::Text GetMeasurementName() const = 0;
    virtual core::Text GetMeasurementText() const = 0;
    // The entry as an item of the application's setup list (what a recall
    // carries); null for entries that are not listed setups.
    virtual CSortedItem* GetListItem() { return nullptr; }
    // The setup the entry holds; null when it holds none.
    virtual CMeasSetup* GetSetup() const { return nullptr; }
};
