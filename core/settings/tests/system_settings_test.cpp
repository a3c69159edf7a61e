// The settings store over a real registry and language file in a temporary
// device root.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <numeric>

#include "core/settings/system_settings.h"
#include "platform/fs/tests/test_support.h"
#include "platform/text/utf.h"

namespace {

constexpr const char16_t* kAppPath = u"Vorn Electronic\\Tarnwick";

class SystemSettings : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"settings"};

    static std::unique_ptr<CRegKey> Key(const plat::RegKey& hive, std::u16string_view path) {
        return CRegistry().OpenKey(hive, path, true);
    }
    static std::unique_ptr<CRegKey> AppKey() { return Key(plat::hkey_current_user(), kAppPath); }
    static void SetDword(const CRegKey& key, std::u16string_view name, uint32_t value) {
        ASSERT_TRUE(key.SetValue(name, plat::REG_DWORD, &value, sizeof value));
    }
    static std::optional<uint32_t> Dword(const CRegKey& key, std::u16string_view name) {
        auto v = key.QueryValue(name);
        if (!v || !v->IsDword()) return std::nullopt;
        return v->GetDword();
    }
    static std::optional<core::Text> Text(const CRegKey& key, std::u16string_view name) {
        auto v = key.QueryValue(name);
        if (!v) return std::nullopt;
        return v->GetText();
    }
    std::string LanguageFile() const {
        return celvane_test::slurp(root_.path() / "FlashFX Disk" / "System" / "language.txt");
    }
    void WriteLanguageFile(const std::string& text) const {
        std::ofstream(root_.path() / "FlashFX Disk" / "System" / "language.txt") << text;
    }
    // Everything Load needs, as Save with defaults leaves it.
    static void SeedComplete() {
        CSystemSettings first;
        first.Initialize();
    }
};

TEST_F(SystemSettings, FirstStartWritesTheDefaults) {
    CSystemSettings settings;
    EXPECT_EQ(settings.GetRegistryPath(), kAppPath);
    EXPECT_FALSE(settings.Load()) << "no application key yet";
    EXPECT_FALSE(CRegistry().OpenKey(plat::hkey_current_user(), kAppPath, false))
        << "Load never creates the key";

    EXPECT_EQ(settings.Initialize(), 0);
    auto key = AppKey();
    struct Expected {
        const char16_t* name;
        uint32_t value;
    };
    for (auto [name, value] : {Expected{u"Debug", 0x80400010},    Expected{u"ColorScheme", 1},
                               Expected{u"Contrast", 100},        Expected{u"Backlight", 1},
                               Expected{u"DspLoadCrc", 0},        Expected{u"FpgaLoadCrc", 0},
                               Expected{u"CalLoadCrc", 0},        Expected{u"AlertTimeout", 5000},
                               Expected{u"TimeDisplayFormat", 1}, Expected{u"Shortcuts", 1},
                               Expected{u"LoadSetups", 1},        Expected{u"LoadBandList", 1},
                               Expected{u"UseLastMode", 1},       Expected{u"LastMode", 0},
                               Expected{u"LoadCableList", 1},     Expected{u"LoadTraces", 1},
                               Expected{u"ListMode", 0},          Expected{u"LongKeyTime", 2},
                               Expected{u"OverTemps", 0},         Expected{u"OverVolts", 0},
                               Expected{u"SenseLight", 1},        Expected{u"CustomBacklight", 50},
                               Expected{u"LoadAntennaList", 1},   Expected{u"DeviceModel", 6}})
        EXPECT_EQ(Dword(*key, name), value) << plat::to_utf8(name);
    EXPECT_EQ(Text(*key, u"DspFile"), u"DspImage.bin");
    EXPECT_EQ(Text(*key, u"FpgaFile"), u"FpgaImage.bin");
    EXPECT_EQ(Text(*key, u"CalFile"), u"CalImage.bin");
    EXPECT_TRUE(key->QueryValue(u"DspFile")->IsString());
    EXPECT_EQ(settings.DspFile, u"") << "the record's file names stay as they were";
    for (auto name : {u"Emulation", u"CustomColor"}) EXPECT_FALSE(key->QueryValue(name));

    // Versions: 8-bit text with a terminating zero.
    auto version = key->QueryValue(u"ApplicationVersion");
    ASSERT_TRUE(version);
    EXPECT_TRUE(version->IsBinary());
    EXPECT_EQ(version->GetSize(), 13u);
    EXPECT_EQ(version->GetData()[12], 0);
    EXPECT_EQ(version->GetNarrowText(), u"1.6.20130314");
    EXPECT_EQ(Text(*key, u"FirmwareVersion"), u"Unknown");
    EXPECT_EQ(Text(*key, u"RfSerialNumber"), u"00000001");
    EXPECT_EQ(settings.UnitSerialNumber, u"00000001");
    EXPECT_FALSE(settings.IsPrinterInstalled()) << "no Printers key";

    // The second start finds everything it needs.
    CSystemSettings second;
    EXPECT_TRUE(second.Load());
}

TEST_F(SystemSettings, LoadTakesPresentValuesAndNeedsTheRequiredOnes) {
    SeedComplete();
    auto key = AppKey();
    SetDword(*key, u"Contrast", 33);
    SetDword(*key, u"Emulation", 1);
    SetDword(*key, u"Shortcuts", 7);  // a flag: any non-zero word is 1
    SetDword(*key, u"UseLastMode", 0);
    key->SetString(u"DspFile", plat::REG_SZ, u"Dsp2.bin");
    key->SetString(u"AlertTimeout", plat::REG_SZ, u"9");  // wrong type: present, not taken
    key->DeleteValue(*key->QueryValue(u"LoadTraces"));

    {
        CSystemSettings settings;
        EXPECT_TRUE(settings.Load()) << "LoadTraces is not required";
        EXPECT_EQ(settings.Contrast, 33u);
        EXPECT_EQ(settings.Emulation, 1u);
        EXPECT_TRUE(settings.Shortcuts);
        EXPECT_EQ(settings.UseLastMode, 0u) << "a stored 0 survives";
        EXPECT_EQ(settings.DspFile, u"Dsp2.bin");
        EXPECT_EQ(settings.AlertTimeout, 5000u);
    }
    for (auto required :
         {u"ColorScheme", u"Contrast", u"Backlight", u"DspFile", u"FpgaFile", u"CalFile"}) {
        SeedComplete();
        SetDword(*key, u"LongKeyTime", 9);
        key->DeleteValue(*key->QueryValue(required));
        CSystemSettings settings;
        EXPECT_FALSE(settings.Load()) << plat::to_utf8(required);
        EXPECT_EQ(settings.LongKeyTime, 9u) << "reading goes on to the end";
    }
}

TEST_F(SystemSettings, MissingRequiredValueRewritesDefaultsKeepingWhatWasRead) {
    SeedComplete();
    auto key = AppKey();
    SetDword(*key, u"Contrast", 40);
    SetDword(*key, u"DspLoadCrc", 0xabcd);
    key->DeleteValue(*key->QueryValue(u"Backlight"));
    CSystemSettings settings;
    settings.Initialize();
    EXPECT_EQ(settings.Contrast, 40u);
    EXPECT_EQ(Dword(*key, u"Contrast"), 40u);
    EXPECT_EQ(Dword(*key, u"Backlight"), 1u);
    EXPECT_EQ(Dword(*key, u"DspLoadCrc"), 0u) << "defaults reset the check words";
}

TEST_F(SystemSettings, CustomColoursOnlyForSchemeFiveAndExactSize) {
    SeedComplete();
    auto key = AppKey();
    std::array<uint32_t, 48> colors;
    std::iota(colors.begin(), colors.end(), 0xff0000u);
    CSystemSettings writer;
    EXPECT_FALSE(writer.SaveCustomColors(std::span(colors).first(47)));
    ASSERT_TRUE(writer.SaveCustomColors(colors));
    EXPECT_EQ(key->QueryValue(u"CustomColor")->GetSize(), 192u);

    struct Case {
        uint32_t scheme;
        uint32_t size;
        bool taken;
    };
    for (auto [scheme, size, taken] :
         {Case{5, 192, true}, Case{4, 192, false}, Case{5, 191, false}, Case{5, 196, false}}) {
        std::vector<uint8_t> bytes(size, 0x11);
        std::memcpy(bytes.data(), colors.data(), std::min<size_t>(size, 192));
        key->SetValue(u"CustomColor", plat::REG_BINARY, bytes.data(), size);
        SetDword(*key, u"ColorScheme", scheme);
        CSystemSettings settings;
        settings.Load();
        EXPECT_EQ(settings.CustomColor[47], taken ? colors[47] : 0u) << scheme << " " << size;
    }
}

TEST_F(SystemSettings, SaveWritesTheLanguageFileAndLoadReadsIt) {
    SeedComplete();
    CSystemSettings settings;
    ASSERT_TRUE(settings.Load());
    settings.LanguageId = 4;
    ASSERT_TRUE(settings.Save(false));
    EXPECT_EQ(LanguageFile(), "4");

    struct Case {
        const char* text;  // null: no file
        uint32_t id;
    };
    for (auto [text, id] : {Case{"12\n", 12}, Case{"", 9}, Case{"x", 9}, Case{nullptr, 9}}) {
        std::filesystem::remove(root_.path() / "FlashFX Disk" / "System" / "language.txt");
        if (text) WriteLanguageFile(text);
        CSystemSettings reader;
        reader.Load();
        EXPECT_EQ(reader.LanguageId, id) << (text ? text : "(none)");
    }
}

TEST_F(SystemSettings, SaveWithoutDefaultsKeepsFileNamesAndDebug) {
    SeedComplete();
    auto key = AppKey();
    key->SetString(u"DspFile", plat::REG_SZ, u"Custom.bin");
    SetDword(*key, u"Debug", 0x10);
    CSystemSettings settings;
    ASSERT_TRUE(settings.Load());
    settings.Debug = 0x20;
    settings.DspFile = u"Other.bin";
    settings.AlertTimeout = 1234;
    settings.OverTemps = 3;
    ASSERT_TRUE(settings.Save(false));
    EXPECT_EQ(Text(*key, u"DspFile"), u"Custom.bin");
    EXPECT_EQ(Dword(*key, u"Debug"), 0x10u);
    EXPECT_EQ(Dword(*key, u"AlertTimeout"), 1234u);
    EXPECT_EQ(Dword(*key, u"OverTemps"), 3u);
}

TEST_F(SystemSettings, DeviceModelKeepsOnlyKnownModels) {
    CSystemSettings settings;
    EXPECT_EQ(settings.ReadDeviceModel(), 6u) << "no key";
    auto key = AppKey();
    EXPECT_EQ(settings.ReadDeviceModel(), 6u) << "no value";
    for (auto [stored, read] : std::initializer_list<std::pair<uint32_t, uint32_t>>{
             {6, 6}, {263, 263}, {517, 517}, {519, 519}, {518, 6}, {0, 6}, {0x1207, 6}}) {
        SetDword(*key, u"DeviceModel", stored);
        EXPECT_EQ(settings.ReadDeviceModel(), read) << stored;
    }
    key->SetString(u"DeviceModel", plat::REG_SZ, u"519");
    EXPECT_EQ(settings.ReadDeviceModel(), 6u);

    settings.SetDeviceModel(0x205);
    ASSERT_TRUE(settings.WriteDeviceModel());
    EXPECT_EQ(Dword(*key, u"DeviceModel"), 0x205u);
}

TEST_F(SystemSettings, IdentityFromTheRegistry) {
    CSystemSettings settings;
    EXPECT_EQ(settings.ReadBoardName(), u"");
    EXPECT_EQ(settings.ReadUnitSerialNumber(), u"00000001");
    Key(plat::hkey_local_machine(), u"Ident")->SetString(u"Name", plat::REG_SZ, u"TARNWICK");
    const char serial[] = {'1', '2', '3', '4', '5', '6', '7', '8'};  // no terminator
    AppKey()->SetValue(u"UnitSerialNumber", plat::REG_BINARY, serial, sizeof serial);
    settings.InitIdentity();
    EXPECT_EQ(settings.GetBoardName(), u"TARNWICK");
    EXPECT_EQ(settings.UnitSerialNumber, u"12345678");
}

TEST_F(SystemSettings, PowerOffTimes) {
    CSystemSettings settings;
    const auto path = u"SYSTEM\\CurrentControlSet\\Control\\Power";
    EXPECT_FALSE(settings.LoadPowerOffTimes());
    EXPECT_TRUE(settings.SetBatteryPowerOff(true));
    EXPECT_FALSE(CRegistry().OpenKey(plat::hkey_local_machine(), path, false)) << "never created";

    auto power = Key(plat::hkey_local_machine(), path);
    SetDword(*power, u"ExtPowerOff", 60);
    settings.BattPowerOff = 7;
    EXPECT_TRUE(settings.LoadPowerOffTimes());
    EXPECT_EQ(settings.ExtPowerOff, 60u);
    EXPECT_EQ(settings.BattPowerOff, 7u) << "missing value leaves the field";
    EXPECT_TRUE(settings.SetBatteryPowerOff(false));
    EXPECT_FALSE(power->QueryValue(u"BattPowerOff"));
    EXPECT_TRUE(settings.SetBatteryPowerOff(true));
    EXPECT_EQ(Dword(*power, u"BattPowerOff"), 300u);
}

// ---- printers ----

class Printers : public SystemSettings {
  protected:
    std::unique_ptr<CRegKey> printers_ = Key(plat::hkey_local_machine(), u"Printers");

    void AddPrinter(std::u16string_view name, std::u16string_view port = u"LPT2:") {
        auto key = printers_->OpenSubKey(name, true);
        key->SetString(u"Port", plat::REG_SZ, port);
        key->SetString(u"Color", plat::REG_SZ, u"Mono");
    }
    std::vector<core::Text> SubKeys() const {
        std::vector<core::Text> names;
        while (auto name = printers_->EnumSubKey(uint32_t(names.size()))) names.push_back(*name);
        return names;
    }
};

TEST_F(Printers, PrunesOtherPrintersResetsPortsAndListsTheRest) {
    // Adjacent printers to delete: a walk by index that deletes as it goes
    // would skip the second of each pair.
    AddPrinter(u"Old Laser");
    AddPrinter(u"Acme 1");
    AddPrinter(u"Acme 2");
    AddPrinter(u"Pagejet Inkjet", u"COM1:");
    AddPrinter(u"Acme 3");
    AddPrinter(u"pagejet laser", u"LPT3:");
    auto ports = printers_->OpenSubKey(u"Ports", true);
    const std::vector<std::pair<const char16_t*, const char16_t*>> seeded{
        {u"Port1", u"LPT1:"}, {u"Port2", u"COM1: 9600"},  {u"Port3", u"IRDA"},
        {u"Port4", u"NET0:"}, {u"Port5", u"COM1: 57600"}, {u"Port6", u"COM2:"},
        {u"Port7", u"irda"}};
    for (auto [name, port] : seeded) ports->SetString(name, plat::REG_SZ, port);
    ports->SetString(u"Port8", plat::REG_BINARY, u"IRDA");
    AddPrinter(u"After Ports");  // the walk ends at "Ports"

    CSystemSettings settings;
    settings.Initialize();
    ASSERT_TRUE(settings.IsPrinterInstalled());
    EXPECT_EQ(SubKeys(), (std::vector<core::Text>{u"Pagejet Inkjet", u"pagejet laser", u"Ports",
                                                  u"After Ports"}));
    EXPECT_EQ(Text(*printers_, u"DefaultPrinter"), u"Pagejet Inkjet");
    EXPECT_TRUE(printers_->QueryValue(u"DefaultPrinter")->IsString());

    const std::vector<const char16_t*> after{u"LPT1:", u"", u"", u"", u"", u"COM2:", u"irda"};
    for (size_t i = 0; i < after.size(); ++i) {
        auto value = ports->QueryValue(seeded[i].first);
        ASSERT_TRUE(value);
        EXPECT_TRUE(value->IsString());
        EXPECT_EQ(value->GetText(), after[i]) << i;
        if (*after[i] == 0) {
            EXPECT_EQ(value->GetSize(), 2u);
        }
    }
    EXPECT_TRUE(ports->QueryValue(u"Port8")->IsBinary()) << "only string ports are reset";

    auto inkjet = printers_->OpenSubKey(u"Pagejet Inkjet", false);
    EXPECT_EQ(Text(*inkjet, u"Driver"), u"pagejethd.dll");
    EXPECT_EQ(Text(*inkjet, u"High Quality"), u"600");
    EXPECT_EQ(Text(*inkjet, u"Draft Quality"), u"300");
    EXPECT_EQ(Text(*inkjet, u"Color"), u"Color");
    EXPECT_EQ(Text(*inkjet, u"Port"), u"LPT1:");

    // Four subkeys left, one of them "Ports": three printers.
    ASSERT_EQ(settings.GetPrinterCount(), 3u);
    EXPECT_FALSE(settings.GetPrinter(3));
    const CPrinterRecord* first = settings.GetPrinter(0);
    EXPECT_EQ(first->Name, u"Pagejet Inkjet");
    EXPECT_EQ(first->Port, u"LPT1:");
    EXPECT_EQ(first->Color, u"Color");
    EXPECT_EQ(first->DraftQuality, u"300");
    EXPECT_EQ(first->HighQuality, u"600");
    EXPECT_EQ(settings.GetPrinter(1)->Name, u"pagejet laser");
    EXPECT_EQ(settings.GetPrinter(1)->Port, u"LPT3:");
    EXPECT_EQ(settings.GetPrinter(1)->HighQuality, u"");
    EXPECT_EQ(settings.GetPrinter(2)->Name, u"After Ports");
}

TEST_F(Printers, SinglePrinterIsConfiguredWithoutPruning) {
    AddPrinter(u"Pagejet Inkjet");
    CSystemSettings settings;
    EXPECT_TRUE(settings.InstallPrinter(u"Pagejet Inkjet"));
    EXPECT_FALSE(printers_->QueryValue(u"DefaultPrinter"));
    EXPECT_EQ(Text(*printers_->OpenSubKey(u"Pagejet Inkjet", false), u"Driver"), u"pagejethd.dll");
    EXPECT_TRUE(settings.LoadPrinterTable());
    EXPECT_EQ(settings.GetPrinterCount(), 0u);
}

TEST_F(Printers, MissingKeysInstallNothing) {
    AddPrinter(u"Acme");
    printers_->OpenSubKey(u"Ports", true);
    CSystemSettings settings;
    settings.Initialize();
    EXPECT_FALSE(settings.IsPrinterInstalled());
    EXPECT_EQ(settings.GetPrinterCount(), 0u);
    EXPECT_EQ(SubKeys(), (std::vector<core::Text>{u"Ports"}));

    ASSERT_TRUE(CRegKey(plat::hkey_local_machine()).DeleteSubKey(u"Printers"));
    EXPECT_FALSE(settings.InstallPrinter(u"Pagejet Inkjet"));
    EXPECT_FALSE(settings.LoadPrinterTable());
}

TEST_F(Printers, DevModeIsBoundedByTheCallersBuffer) {
    AddPrinter(u"Pagejet Inkjet");
    CSystemSettings settings;
    std::vector<uint8_t> devmode(220);
    std::iota(devmode.begin(), devmode.end(), 0);
    EXPECT_FALSE(settings.SaveDevMode(u"Missing", devmode.data(), 220));
    ASSERT_TRUE(settings.SaveDevMode(u"Pagejet Inkjet", devmode.data(), 220));

    std::vector<uint8_t> buffer(300, 0xee);
    uint32_t size = 100;
    EXPECT_FALSE(settings.LoadDevMode(u"Pagejet Inkjet", buffer.data(), &size));
    EXPECT_EQ(size, 220u) << "the needed size";
    EXPECT_EQ(buffer[0], 0xee) << "nothing copied";

    size = 220;
    ASSERT_TRUE(settings.LoadDevMode(u"Pagejet Inkjet", buffer.data(), &size));
    EXPECT_EQ(size, 220u);
    EXPECT_TRUE(std::equal(devmode.begin(), devmode.end(), buffer.begin()));
    EXPECT_EQ(buffer[220], 0xee);

    ASSERT_TRUE(settings.SaveDevMode(u"Pagejet Inkjet", devmode.data(), 0));
    size = 0;
    EXPECT_TRUE(settings.LoadDevMode(u"Pagejet Inkjet", nullptr, &size));
    EXPECT_EQ(size, 0u);
    size = 300;
    EXPECT_FALSE(settings.LoadDevMode(u"Missing", buffer.data(), &size));
    EXPECT_FALSE(settings.LoadDevMode(u"Pagejet Inkjet", buffer.data(), nullptr));
}

// ---- quick texts ----

TEST_F(SystemSettings, QuickTextsRoundTripAsEightBitText) {
    CSystemSettings settings;
    const core::Text longText(300, u'L');
    CSortedStringArray user(10, CSystemSettings::kUserTexts);
    for (auto text : {u"Tower B", u"\u03a9 antenna", u"Alpha"}) user.Add(text);
    user.Add(longText);
    ASSERT_TRUE(settings.SaveQuickTexts(user));

    auto key = Key(plat::hkey_current_user(), u"Vorn Electronic\\Tarnwick\\UserQText");
    auto first = key->QueryValue(u"QText0");
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->IsBinary());
    EXPECT_EQ(first->GetSize(), 6u) << "\"Alpha\" and a zero byte";

    auto loaded = settings.LoadQuickTexts(CSystemSettings::kUserTexts);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->GetKind(), CSystemSettings::kUserTexts);
    ASSERT_EQ(loaded->GetCount(), 4u);
    std::vector<core::Text> texts;
    for (uint32_t i = 0; i < loaded->GetCount(); ++i) texts.push_back(*loaded->GetAt(i));
    EXPECT_EQ(texts, (std::vector<core::Text>{u"Alpha", longText, u"Tower B", u"\u00a9 antenna"}))
        << "characters above 255 keep their low 8 bits";

    // A shorter list replaces the longer one; the other kind is apart.
    CSortedStringArray shorter(10, CSystemSettings::kUserTexts);
    shorter.Add(u"Only");
    ASSERT_TRUE(settings.SaveQuickTexts(shorter));
    EXPECT_EQ(key->GetValueCount(), 1u);
    EXPECT_EQ(settings.LoadQuickTexts(CSystemSettings::kUserTexts)->GetCount(), 1u);
    EXPECT_EQ(settings.LoadQuickTexts(CSystemSettings::kLocationTexts)->GetCount(), 0u);
}

TEST_F(SystemSettings, QuickTextValuesAreTakenByTheirOwnSize) {
    auto key = Key(plat::hkey_current_user(), u"Vorn Electronic\\Tarnwick\\LocationQText");
    key->SetValue(u"QText0", plat::REG_BINARY, "Roof", 4);  // no terminator
    key->SetValue(u"QText1", plat::REG_BINARY, "Mast\0junk", 9);
    key->SetValue(u"QText2", plat::REG_BINARY, "", 0);
    CSystemSettings settings;
    auto loaded = settings.LoadQuickTexts(CSystemSettings::kLocationTexts);
    ASSERT_EQ(loaded->GetCount(), 3u);
    EXPECT_EQ(*loaded->GetAt(0), u"");
    EXPECT_EQ(*loaded->GetAt(1), u"Mast");
    EXPECT_EQ(*loaded->GetAt(2), u"Roof");
}

TEST_F(SystemSettings, QuickTextKindsOtherThanUserAndLocationAreRefused) {
    CSystemSettings settings;
    CSortedStringArray other(10, 2);
    other.Add(u"x");
    EXPECT_FALSE(settings.SaveQuickTexts(other));
    EXPECT_FALSE(settings.LoadQuickTexts(2));
    EXPECT_FALSE(settings.LoadQuickTexts(-1));
    EXPECT_FALSE(CRegistry().OpenKey(plat::hkey_current_user(), kAppPath, false));
}

}  // namespace
