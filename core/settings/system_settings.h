#pragma once
// The system-wide settings of the main program. Values live in the registry
// under the application's key (HKEY_CURRENT_USER\<company>\<product>), the
// language id in "\FlashFX Disk\System\language.txt"; power-off times, board
// name and printers come from HKEY_LOCAL_MACHINE.
//
// Start-up order: construct, Initialize (which loads what is stored), and only
// then change fields and Save. Saving before Initialize would write the
// construction defaults over everything stored.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/settings/registry_access.h"
#include "core/sorted_string_array.h"
#include "core/text.h"

// One installed printer, as listed under HKEY_LOCAL_MACHINE "Printers".
struct CPrinterRecord {
    core::Text Name;
    core::Text Port;
    core::Text Color;
    core::Text DraftQuality;
    core::Text HighQuality;
    uint32_t Reserved = 0;
};

// The software version text this build reports and writes into its files.
inline constexpr char16_t kApplicationVersion[] = u"1.6.20130314";

class CSystemSettings {
  public:
    static constexpr size_t kCustomColorCount = 48;
    static constexpr uint32_t kCustomScheme = 5;
    // Quick-text list kinds.
    static constexpr uint32_t kUserTexts = 0;
    static constexpr uint32_t kLocationTexts = 1;

    CSystemSettings();
    virtual ~CSystemSettings();
    CSystemSettings(const CSystemSettings&) = delete;
    CSystemSettings& operator=(const CSystemSettings&) = delete;

    // Identity, then what is stored (the defaults are written when something
    // required is missing), versions, and the printer. Returns 0.
    virtual int Initialize();
    // Writes the settings; with `defaults`, the full set with the firmware file
    // names and check words reset. False when the key cannot be made or a
    // value cannot be written.
    virtual bool Save(bool defaults);
    // False for a list that is neither user (0) nor location (1) texts.
    virtual bool SaveQuickTexts(const CSortedStringArray& texts);
    // Null for a kind other than 0 and 1.
    virtual std::unique_ptr<CSortedStringArray> LoadQuickTexts(int kind);
    virtual uint32_t GetDeviceModel() const { return DeviceModel; }
    virtual void SetDeviceModel(uint32_t model) { DeviceModel = model; }
    virtual core::Text GetRegistryPath() const;
    // Stores the 48 colours of the custom scheme (fewer given: false).
    virtual bool SaveCustomColors(std::span<const uint32_t> colors);
    virtual bool SaveVersions();
    virtual bool LoadPowerOffTimes();
    virtual bool SetBatteryPowerOff(bool on);
    virtual uint32_t ReadDeviceModel();
    virtual core::Text ReadUnitSerialNumber();
    virtual bool WriteDeviceModel();
    virtual core::Text GetBoardName() const { return board_name_; }
    virtual void SetBoardName(const core::Text& name) { board_name_ = name; }
    virtual core::Text ReadBoardName();
    // Prunes the other printers, resets the serial and network ports, makes
    // `name` the default and configures its key.
    virtual bool InstallPrinter(std::u16string_view name);
    virtual bool SaveDevMode(std::u16string_view printer, const void* bytes, uint32_t size);
    // `*size` holds the buffer's capacity on entry and the stored byte count
    // on return. False when there is no such value, or when the buffer is too
    // small (nothing copied; `*size` tells what is needed).
    virtual bool LoadDevMode(std::u16string_view printer, void* buffer, uint32_t* size);
    virtual bool LoadPrinterTable();
    virtual void InitIdentity();
    virtual bool OnBeforeLoad() { return true; }
    // False when the application key or a required value is missing; the
    // values that are present are taken either way.
    virtual bool Load();

    bool IsPrinterInstalled() const { return printer_installed_; }
    uint32_t GetPrinterCount() const { return uint32_t(printers_.size()); }
    // Null past the count.
    const CPrinterRecord* GetPrinter(uint32_t index) const;

    // The settings, read and written directly by the screens that own them.
    uint32_t DeviceModel = 6;
    std::array<uint32_t, kCustomColorCount> CustomColor{};
    uint32_t Backlight = 1;
    uint32_t Contrast = 100;
    core::Text ApplicationVersion = kApplicationVersion;
    uint32_t LanguageId = 0;
    uint32_t Debug = 0x80400010;
    uint32_t LastMode = 0;
    uint32_t CurrentMode = 0;  // set by the screens; not stored
    uint32_t UseLastMode = 1;
    uint32_t ColorScheme = 1;
    core::Text UnitSerialNumber = u"00000001";
    core::Text RfSerialNumber = u"00000001";
    core::Text FirmwareVersion = u"Unknown";
    core::Text KeypadVersion = u"Unknown";
    core::Text DspFile;
    core::Text FpgaFile;
    core::Text CalFile;
    uint32_t Emulation = 0;
    uint32_t FpgaLoadCrc = 0;
    uint32_t DspLoadCrc = 0;
    uint32_t CalLoadCrc = 0;
    uint32_t AlertTimeout = 5000;
    uint32_t TimeDisplayFormat = 1;
    bool Shortcuts = true;
    bool RuntimeFlag = true;  // set by its users; not stored
    bool LoadSetups = true;
    bool LoadBandList = true;
    bool LoadCableList = true;
    bool LoadAntennaList = true;
    bool LoadTraces = true;
    uint32_t ListMode = 0;
    uint32_t LongKeyTime = 2;
    uint32_t CustomBacklight = 50;
    uint32_t RuntimeWord = 1;  // set by its users; not stored
    bool SenseLight = true;
    uint32_t OverTemps = 0;
    uint32_t OverVolts = 0;
    uint32_t BattPowerOff = 0;
    uint32_t ExtPowerOff = 0;

  private:
    std::unique_ptr<CRegKey> OpenAppKey(bool create) const;
    std::unique_ptr<CRegKey> OpenPrintersKey() const;
    void PrunePrinters(const CRegKey& printers);

    bool printer_installed_ = false;
    std::vector<CPrinterRecord> printers_;
    core::Text board_name_;
};
