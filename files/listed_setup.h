#pragma once
// A stored setup as an entry of the application's setup list: it owns the
// setup object read from its file and answers the list's sort keys (class,
// name = the file name without ".tws", date = the modification stamp) and
// the list dialogs' row texts.
#include <memory>

#include "core/sorted_item_list.h"
#include "files/setup_entry.h"

class CListedSetup : public CSortedItem, public ISetupEntry {
  public:
    // The setup's file path names the entry.
    explicit CListedSetup(std::unique_ptr<CMeasSetup> setup);
    ~CListedSetup() override;

    // The entry of an item of the setup list; null for other items.
    static CListedSetup* From(CSortedItem* item);
    static ISetupEntry* EntryOf(CSortedItem* item);

    // --- CSortedItem
    uint32_t GetModeId() const override;
    core::Text GetName() const override { return name_; }
    core::Text GetFilePath() const override;
    uint32_t GetDate() const override;

    // --- ISetupEntry
    core::Text GetEntryFileName() const override { return name_; }
    std::time_t GetEntryTime() const override;
    ISetupEntry* GetNextEntry() const override;
    int32_t GetMeasurementClass() const override;
    const CFrequencyRange* GetFrequencyRange() const override;
    const ISetupBand* GetSignalBand() const override;
    const CChoiceBlock* GetBandwidthSettings() const override;
    core::Text GetInstrumentName() const override;
    core::Text GetMeasurementName() const override;
    core::Text GetMeasurementText() const override;
    CSortedItem* GetListItem() override { return this; }
    CMeasSetup* GetSetup() const override { return setup_.get(); }

    // The file name without its folder and without a final ".tws" (compared
    // without regard to case).
    static core::Text NameFromPath(const core::Text& path);
    // Whether a name typed for a setup file is one: not empty, none of
    // \ / : * ? " < > | or control characters, not only dots and blanks.
    static bool IsValidName(const core::Text& name);

  private:
    std::unique_ptr<CMeasSetup> setup_;
    core::Text name_;
};
