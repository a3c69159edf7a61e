// CCelvaneApp: construction, the application object of the process and the
// services the program does not have yet.
#include "app/celvane_app.h"

#include "app/app_file_services.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "core/debug_log.h"
#include "core/history.h"
#include "core/posted_records.h"
#include "dialogs/file_list_screen.h"
#include "files/formats/limit_mask_file.h"
#include "files/listed_setup.h"
#include "platform/kernel/debug_out.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"
#include "screens/measurement_base.h"
#include "screens/mode_base.h"

namespace {

// What the widgets ask of the application.
class AppWidgetServices : public IWidgetServices {
  public:
    explicit AppWidgetServices(CCelvaneApp& app) : app_(app) {}
    std::u16string GetFontFace2() const override {
        const std::u16string& face = app_.GetFontFace2();
        return face.empty() ? std::u16string(kDefaultWidgetFace) : face;
    }
    uint32_t GetTimeFormat() const override {
        const CSystemSettings* s = app_.GetSettings();
        return s ? s->TimeDisplayFormat : kTimeFormatTimeFirst;
    }
    int ShowMessage(const core::Text& text, uint32_t style) override {
        return ::ShowMessage(text, style);
    }

  private:
    CCelvaneApp& app_;
};

// What the dialogs ask of the application.
class AppDialogServices : public IDialogServices {
  public:
    explicit AppDialogServices(CCelvaneApp& app) : app_(app) {}
    std::u16string GetFontFace() const override {
        const std::u16string& face = app_.GetFontFace();
        return face.empty() ? std::u16string(dialog_services::kDefaultFace) : face;
    }
    uint32_t GetSmallFontWeight() const override { return app_.GetSmallFontWeight(); }
    uint32_t GetLargeFontHeight() const override { return app_.GetLargeFontHeight(); }
    plat::CWnd* GetMainView() const override { return app_.GetMainView(); }
    // The current screen's soft keys and menu-key captions.
    CSoftKeyMenu* GetSoftKeyBar() const override {
        CModeBase* screen = app_.GetCurrentMode();
        return screen ? screen->soft_key_menu() : nullptr;
    }
    CPanelWidget* GetMenuKeyBar() const override {
        CModeBase* screen = app_.GetCurrentMode();
        return screen ? screen->menu_key_panel() : nullptr;
    }
    bool QueryLinkValue(plat::Point, uint32_t* key) const override {
        // The program has no fixed key pane.
        if (key) *key = 0;
        return false;
    }
    CColorScheme* const* GetColorSchemeHolder() const override {
        scheme_ = app_.GetColorScheme();
        return &scheme_;
    }
    const CAntennaList* GetAntennaList() const override { return app_.GetAntennaList(); }
    int ShowMessage(const std::u16string& text, uint32_t style,
                    const std::u16string& caption) override {
        return ::ShowMessage(text, style, 0, caption);
    }
    SystemIdentity GetSystemIdentity() const override { return app_.GetSystemIdentity(); }
    uint64_t GetMemoryAndDiskStatus(int index, uint64_t* total) const override {
        return app_.GetMemoryAndDiskStatus(index, total);
    }
    int32_t GetTemperatureC() const override { return app_.GetTemperatureC(); }
    int32_t GetTemperatureF() const override { return app_.GetTemperatureF(); }
    uint32_t GetBatteryLevel() const override { return app_.GetBatteryLevel(); }
    uint32_t GetBatteryTime() const override { return app_.GetBatteryTime(); }
    CGpsReceiver* GetGpsReceiver() const override { return app_.GetGpsReceiver(); }
    uint32_t GetSmallFontHeight() const override { return app_.GetSmallFontHeight(); }
    uint32_t GetSmallFontWidth() const override { return app_.GetSmallFontWidth(); }
    ISetupEntry* SortSetupList(uint32_t mode) override {
        return CListedSetup::EntryOf(app_.SortSetupList(mode));
    }
    void HandOverToCurrentMode(std::unique_ptr<CBufferPair> pair) override {
        app_.HandOverToCurrentMode(std::move(pair));
    }
    IFileListScreen* GetFileListScreen() const override {
        return dynamic_cast<IFileListScreen*>(app_.GetCurrentMode());
    }
    uint16_t GetSpiWord() const override {
        uint16_t word = 0;
        app_.GetSpiWord(&word);
        return word;
    }
    // Through the measurement screen's copy with its progress window.
    bool CopyFileWithProgress(const std::u16string& name, const std::u16string& source,
                              const std::u16string& target) override {
        CModeBase* screen = app_.GetCurrentMode();
        if (auto* m = dynamic_cast<CMeasurementBase*>(screen))
            return m->CopyFileWithProgress(source, name, target);
        return IDialogServices::CopyFileWithProgress(name, source, target);
    }

  private:
    CCelvaneApp& app_;
    mutable CColorScheme* scheme_ = nullptr;  // UI thread
};

}  // namespace

CCelvaneApp::CCelvaneApp()
    : widget_services_(std::make_unique<AppWidgetServices>(*this)),
      dialog_services_(std::make_unique<AppDialogServices>(*this)),
      write_notice_(kHistoryStart, [this](const std::u16string& text) {
          if (current_mode_) current_mode_->ShowStatusMessage(text, 1);
      }) {}

CCelvaneApp::~CCelvaneApp() {
    plat::set_registry_save_observer({});
    if (IScreenServices::current() == this) {
        IScreenServices::set_current(nullptr);
        UnregisterAppFileServices();
    }
    if (IWidgetServices::current() == widget_services_.get()) IWidgetServices::set_current(nullptr);
    if (IDialogServices::current() == dialog_services_.get()) IDialogServices::set_current(nullptr);
    // Screens the exit routine did not reach (a start that never ran it).
    while (auto* screen = static_cast<CModeBase*>(modes_.GetHead(true))) delete screen;
    if (GetDebugLog() == debug_log_.get()) SetDebugLog(nullptr);
}

CCelvaneApp* CCelvaneApp::GetApp() {
    return dynamic_cast<CCelvaneApp*>(plat::CWinApp::Get());
}

void CCelvaneApp::SkipService(const char16_t* what) {
    HistoryAdd(kHistoryStart, std::u16string(u"not present: ") + what, kHistoryNoValue);
    plat::debug_printf("CCelvaneApp: %s not present, skipped\n", plat::to_utf8(what).c_str());
}
