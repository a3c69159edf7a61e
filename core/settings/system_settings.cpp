#include "core/settings/system_settings.h"

#include <cstring>
#include <string>

#include "core/res_string.h"
#include "core/routines.h"
#include "core/scoped_lock.h"
#include "platform/fs/atomic_save.h"
#include "platform/text/utf.h"

namespace {

constexpr uint32_t kCompanyNameId = 61204;
constexpr uint32_t kProductNameId = 57344;
constexpr uint32_t kDefaultLanguage = 9;
constexpr uint32_t kDefaultModel = 6;
constexpr uint32_t kBatteryPowerOffSeconds = 300;
constexpr std::u16string_view kLanguageFile = u"\\FlashFX Disk\\System\\language.txt";
constexpr std::u16string_view kPowerKey = u"SYSTEM\\CurrentControlSet\\Control\\Power";
constexpr std::u16string_view kPrintersKey = u"Printers";
constexpr std::u16string_view kPortsKey = u"Ports";
constexpr std::u16string_view kDevModeValue = u"DEVMODE";

// The language id: one decimal number; the default when the file cannot be
// opened or holds no number.
uint32_t ReadLanguageFile() {
    return uint32_t(ReadNumberFile(kLanguageFile).value_or(int(kDefaultLanguage)));
}

// Skipped when the folder is missing.
void WriteLanguageFile(uint32_t id) {
    plat::atomic_save(kLanguageFile, std::to_string(int32_t(id)));
}

const char16_t* QuickTextKeyName(uint32_t kind) {
    switch (kind) {
        case CSystemSettings::kUserTexts:
            return u"UserQText";
        case CSystemSettings::kLocationTexts:
            return u"LocationQText";
        default:
            return nullptr;
    }
}

bool IsKeptPrinter(std::u16string_view name) {
    return plat::equals_ignore_case(name, u"Pagejet Inkjet") ||
           plat::equals_ignore_case(name, u"Pagejet Laser");
}

// Ports the instrument cannot print to; their entries are emptied.
bool IsUnusablePort(std::u16string_view port) {
    return port == u"COM1: 9600" || port == u"COM1: 57600" || port == u"IRDA" || port == u"NET0:";
}

// Takes values of the expected type into fields. Each call tells whether the
// value exists; one of another type exists but is not taken.
class ValueReader {
  public:
    explicit ValueReader(const CRegKey& key) : key_(key) {}

    bool Dword(std::u16string_view name, uint32_t& field) const {
        auto value = key_.QueryValue(name);
        if (!value) return false;
        if (value->IsDword() && value->GetSize() == sizeof(uint32_t)) field = value->GetDword();
        return true;
    }
    bool Flag(std::u16string_view name, bool& field) const {
        uint32_t word = field;
        bool present = Dword(name, word);
        field = word != 0;
        return present;
    }
    bool String(std::u16string_view name, core::Text& field) const {
        auto value = key_.QueryValue(name);
        if (!value) return false;
        if (value->IsString()) field = value->GetText();
        return true;
    }
    // Taken only when it holds exactly the words of the field.
    bool Words(std::u16string_view name, std::span<uint32_t> field) const {
        auto value = key_.QueryValue(name);
        if (!value) return false;
        if (value->IsBinary() && value->GetSize() == field.size_bytes())
            std::memcpy(field.data(), value->GetData(), field.size_bytes());
        return true;
    }

  private:
    const CRegKey& key_;
};

// Writes values and remembers whether every write succeeded.
class ValueWriter {
  public:
    explicit ValueWriter(const CRegKey& key) : key_(key) {}

    void Dword(std::u16string_view name, uint32_t value) {
        ok_ = key_.SetValue(name, plat::REG_DWORD, &value, sizeof value) && ok_;
    }
    void String(std::u16string_view name, std::u16string_view text) {
        ok_ = key_.SetString(name, plat::REG_SZ, text) && ok_;
    }
    // 8-bit text with a terminating zero byte.
    void Narrow(std::u16string_view name, std::u16string_view text) {
        ok_ = key_.SetString(name, plat::REG_BINARY, text) && ok_;
    }
    bool ok() const { return ok_; }

  private:
    const CRegKey& key_;
    bool ok_ = true;
};

}  // namespace

CSystemSettings::CSystemSettings() = default;
CSystemSettings::~CSystemSettings() = default;

core::Text CSystemSettings::GetRegistryPath() const {
    return LoadResString(kCompanyNameId) + u"\\" + LoadResString(kProductNameId);
}

std::unique_ptr<CRegKey> CSystemSettings::OpenAppKey(bool create) const {
    return CRegistry().OpenKey(plat::hkey_current_user(), GetRegistryPath(), create);
}

std::unique_ptr<CRegKey> CSystemSettings::OpenPrintersKey() const {
    return CRegistry().OpenKey(plat::hkey_local_machine(), kPrintersKey, false);
}

int CSystemSettings::Initialize() {
    InitIdentity();
    OnBeforeLoad();
    if (!Load()) {
        if (!WriteDeviceModel()) SetDeviceModel(kDefaultModel);
        Save(true);
    }
    SaveVersions();
    printer_installed_ = InstallPrinter(u"Pagejet Inkjet");
    if (printer_installed_) LoadPrinterTable();
    return 0;
}

void CSystemSettings::InitIdentity() {
    board_name_ = ReadBoardName();
    DeviceModel = ReadDeviceModel();
    UnitSerialNumber = ReadUnitSerialNumber();
    RfSerialNumber = u"00000001";
    FirmwareVersion = u"Unknown";
    KeypadVersion = u"Unknown";
    ApplicationVersion = kApplicationVersion;
}

bool CSystemSettings::Load() {
    auto key = OpenAppKey(false);
    if (!key) return false;
    ValueReader in(*key);
    bool complete = true;
    in.Dword(u"Debug", Debug);
    LanguageId = ReadLanguageFile();
    complete = in.Dword(u"ColorScheme", ColorScheme) && complete;
    if (ColorScheme == kCustomScheme) in.Words(u"CustomColor", CustomColor);
    complete = in.Dword(u"Contrast", Contrast) && complete;
    complete = in.Dword(u"Backlight", Backlight) && complete;
    complete = in.String(u"DspFile", DspFile) && complete;
    complete = in.String(u"FpgaFile", FpgaFile) && complete;
    complete = in.String(u"CalFile", CalFile) && complete;
    in.Dword(u"DspLoadCrc", DspLoadCrc);
    in.Dword(u"FpgaLoadCrc", FpgaLoadCrc);
    in.Dword(u"CalLoadCrc", CalLoadCrc);
    in.Dword(u"AlertTimeout", AlertTimeout);
    in.Dword(u"Emulation", Emulation);
    in.Dword(u"TimeDisplayFormat", TimeDisplayFormat);
    in.Flag(u"Shortcuts", Shortcuts);
    in.Flag(u"LoadSetups", LoadSetups);
    in.Flag(u"LoadBandList", LoadBandList);
    // The stored word as it is: 0 (start on the mode file's screen) must
    // survive a restart as well as any other choice.
    in.Dword(u"UseLastMode", UseLastMode);
    in.Flag(u"LoadCableList", LoadCableList);
    in.Flag(u"LoadTraces", LoadTraces);
    in.Dword(u"ListMode", ListMode);
    in.Dword(u"LongKeyTime", LongKeyTime);
    in.Dword(u"OverTemps", OverTemps);
    in.Dword(u"OverVolts", OverVolts);
    in.Flag(u"SenseLight", SenseLight);
    in.Dword(u"CustomBacklight", CustomBacklight);
    in.Flag(u"LoadAntennaList", LoadAntennaList);
    return complete;
}

bool CSystemSettings::Save(bool defaults) {
    auto key = OpenAppKey(true);
    if (!key) return false;
    WriteLanguageFile(LanguageId);
    ValueWriter out(*key);
    if (defaults) {
        out.Dword(u"Debug", Debug);
        out.Dword(u"ColorScheme", ColorScheme);
        out.Dword(u"Contrast", Contrast);
        out.Dword(u"Backlight", Backlight);
        out.String(u"DspFile", u"DspImage.bin");
        out.String(u"FpgaFile", u"FpgaImage.bin");
        out.String(u"CalFile", u"CalImage.bin");
        out.Dword(u"DspLoadCrc", 0);
        out.Dword(u"FpgaLoadCrc", 0);
        out.Dword(u"CalLoadCrc", 0);
    } else {
        out.Dword(u"ColorScheme", ColorScheme);
        out.Dword(u"Contrast", Contrast);
        out.Dword(u"DspLoadCrc", DspLoadCrc);
        out.Dword(u"FpgaLoadCrc", FpgaLoadCrc);
        out.Dword(u"CalLoadCrc", CalLoadCrc);
    }
    out.Dword(u"AlertTimeout", AlertTimeout);
    out.Dword(u"TimeDisplayFormat", TimeDisplayFormat);
    out.Dword(u"Shortcuts", Shortcuts);
    if (!defaults) out.Dword(u"Backlight", Backlight);
    out.Dword(u"LoadSetups", LoadSetups);
    out.Dword(u"LoadBandList", LoadBandList);
    out.Dword(u"UseLastMode", UseLastMode);
    out.Dword(u"LastMode", LastMode);
    out.Dword(u"LoadCableList", LoadCableList);
    out.Dword(u"LoadTraces", LoadTraces);
    out.Dword(u"ListMode", ListMode);
    out.Dword(u"LongKeyTime", LongKeyTime);
    out.Dword(u"OverTemps", OverTemps);
    out.Dword(u"OverVolts", OverVolts);
    out.Dword(u"SenseLight", SenseLight);
    out.Dword(u"CustomBacklight", CustomBacklight);
    out.Dword(u"LoadAntennaList", LoadAntennaList);
    return out.ok();
}

bool CSystemSettings::SaveCustomColors(std::span<const uint32_t> colors) {
    if (colors.size() < kCustomColorCount) return false;
    auto key = OpenAppKey(true);
    if (!key) return false;
    return key->SetValue(u"CustomColor", plat::REG_BINARY, colors.data(),
                         uint32_t(kCustomColorCount * sizeof(uint32_t)));
}

bool CSystemSettings::SaveVersions() {
    auto key = OpenAppKey(true);
    if (!key) return false;
    ValueWriter out(*key);
    out.Narrow(u"ApplicationVersion", ApplicationVersion);
    out.Narrow(u"KeypadVersion", KeypadVersion);
    out.Narrow(u"RfSerialNumber", RfSerialNumber);
    out.Narrow(u"FirmwareVersion", FirmwareVersion);
    return out.ok();
}

std::unique_ptr<CSortedStringArray> CSystemSettings::LoadQuickTexts(int kind) {
    const char16_t* name = kind < 0 ? nullptr : QuickTextKeyName(uint32_t(kind));
    if (name == nullptr) return nullptr;
    auto list = std::make_unique<CSortedStringArray>(10, uint32_t(kind));
    auto key =
        CRegistry().OpenKey(plat::hkey_current_user(), GetRegistryPath() + u"\\" + name, true);
    if (!key) return list;
    const uint32_t count = key->GetValueCount();
    for (uint32_t i = 0; i < count; ++i)
        if (auto value = key->EnumValue(i)) list->Add(value->GetNarrowText());
    return list;
}

bool CSystemSettings::SaveQuickTexts(const CSortedStringArray& texts) {
    const char16_t* name = QuickTextKeyName(texts.GetKind());
    if (name == nullptr) return false;
    ScopedLock lock(texts);
    auto key =
        CRegistry().OpenKey(plat::hkey_current_user(), GetRegistryPath() + u"\\" + name, true);
    if (!key) return false;
    for (uint32_t n = key->GetValueCount(); n > 0; --n) {
        auto first = key->EnumValue(0);
        if (!first) break;
        key->DeleteValue(*first);
    }
    ValueWriter out(*key);
    for (uint32_t i = 0; i < texts.GetCount(); ++i)
        out.Narrow(core::FormatText("QText%u", i), *texts.GetAt(i));
    return out.ok();
}

bool CSystemSettings::LoadPowerOffTimes() {
    auto key = CRegistry().OpenKey(plat::hkey_local_machine(), kPowerKey, false);
    if (!key) return false;
    ValueReader in(*key);
    in.Dword(u"BattPowerOff", BattPowerOff);
    in.Dword(u"ExtPowerOff", ExtPowerOff);
    return true;
}

bool CSystemSettings::SetBatteryPowerOff(bool on) {
    if (!on) return true;
    if (auto key = CRegistry().OpenKey(plat::hkey_local_machine(), kPowerKey, false))
        ValueWriter(*key).Dword(u"BattPowerOff", kBatteryPowerOffSeconds);
    return true;
}

uint32_t CSystemSettings::ReadDeviceModel() {
    uint32_t model = kDefaultModel;
    if (auto key = OpenAppKey(false)) ValueReader(*key).Dword(u"DeviceModel", model);
    switch (model) {
        case 6:
        case 0x107:
        case 0x205:
        case 0x207:
            return model;
        default:
            return kDefaultModel;
    }
}

core::Text CSystemSettings::ReadUnitSerialNumber() {
    auto key = OpenAppKey(false);
    auto value = key ? key->QueryValue(u"UnitSerialNumber") : nullptr;
    return value ? value->GetText() : u"00000001";
}

bool CSystemSettings::WriteDeviceModel() {
    auto key = OpenAppKey(true);
    if (!key) return false;
    ValueWriter(*key).Dword(u"DeviceModel", DeviceModel);
    return true;
}

core::Text CSystemSettings::ReadBoardName() {
    auto key = CRegistry().OpenKey(plat::hkey_local_machine(), u"Ident", false);
    auto value = key ? key->QueryValue(u"Name") : nullptr;
    return value ? value->GetText() : core::Text();
}

bool CSystemSettings::InstallPrinter(std::u16string_view name) {
    auto printers = OpenPrintersKey();
    if (!printers) return false;
    if (printers->GetSubKeyCount() >= 2) {
        printers->SetString(u"DefaultPrinter", plat::REG_SZ, name);
        PrunePrinters(*printers);
    }
    auto printer = printers->OpenSubKey(name, false);
    if (!printer) return false;
    ValueWriter out(*printer);
    out.String(u"Driver", u"pagejethd.dll");
    out.String(u"High Quality", u"600");
    out.String(u"Draft Quality", u"300");
    out.String(u"Color", u"Color");
    out.String(u"Port", u"LPT1:");
    return true;
}

// Walks the subkeys in their order: the supported printers stay, every other
// printer before "Ports" is deleted, and the walk ends with resetting the
// ports. The names are taken first, so deleting does not shift the walk.
void CSystemSettings::PrunePrinters(const CRegKey& printers) {
    std::vector<core::Text> names;
    while (auto subkey = printers.EnumSubKey(uint32_t(names.size()))) names.push_back(*subkey);
    for (const auto& subkey : names) {
        if (IsKeptPrinter(subkey)) continue;
        if (!plat::equals_ignore_case(subkey, kPortsKey)) {
            printers.DeleteSubKey(subkey);
            continue;
        }
        if (auto ports = printers.OpenSubKey(kPortsKey, false)) {
            const uint32_t count = ports->GetValueCount();
            for (uint32_t j = 1; j <= count; ++j) {
                core::Text port = core::FormatText("Port%u", j);
                auto value = ports->QueryValue(port);
                if (value && value->IsString() && IsUnusablePort(value->GetText()))
                    ports->SetString(port, plat::REG_SZ, u"");
            }
        }
        break;
    }
}

bool CSystemSettings::SaveDevMode(std::u16string_view printer, const void* bytes, uint32_t size) {
    auto printers = OpenPrintersKey();
    auto key = printers ? printers->OpenSubKey(printer, false) : nullptr;
    if (!key) return false;
    return key->SetValue(kDevModeValue, plat::REG_BINARY, bytes, size);
}

bool CSystemSettings::LoadDevMode(std::u16string_view printer, void* buffer, uint32_t* size) {
    if (size == nullptr) return false;
    auto printers = OpenPrintersKey();
    auto key = printers ? printers->OpenSubKey(printer, false) : nullptr;
    auto value = key ? key->QueryValue(kDevModeValue) : nullptr;
    if (!value) return false;
    const uint32_t capacity = *size;
    *size = value->GetSize();
    if (*size == 0) return true;
    if (*size > capacity || buffer == nullptr) return false;
    std::memcpy(buffer, value->GetData(), *size);
    return true;
}

bool CSystemSettings::LoadPrinterTable() {
    auto printers = OpenPrintersKey();
    if (!printers) return false;
    printers_.clear();
    const uint32_t subkeys = printers->GetSubKeyCount();
    if (subkeys < 2) return true;
    // Every subkey but "Ports" is a printer.
    for (uint32_t i = 0; printers_.size() < subkeys - 1; ++i) {
        auto name = printers->EnumSubKey(i);
        if (!name) break;
        if (plat::equals_ignore_case(*name, kPortsKey)) continue;
        CPrinterRecord& record = printers_.emplace_back();
        record.Name = *name;
        auto key = printers->OpenSubKey(*name, false);
        if (!key || key->GetValueCount() == 0) continue;
        ValueReader in(*key);
        in.String(u"Color", record.Color);
        in.String(u"Port", record.Port);
        in.String(u"Draft Quality", record.DraftQuality);
        in.String(u"High Quality", record.HighQuality);
    }
    return true;
}

const CPrinterRecord* CSystemSettings::GetPrinter(uint32_t index) const {
    return index < printers_.size() ? &printers_[index] : nullptr;
}
