#include "app/app_print_services.h"

#include "app/celvane_app.h"
#include "dialogs/tw_print_dlg.h"
#include "files/screen_print.h"
#include "widgets/graph_widget.h"

namespace {

class CAppPrintServices : public IPrintServices {
  public:
    explicit CAppPrintServices(CCelvaneApp& app) : app_(app) {}

    CSystemSettings* GetPrintSettings() override { return app_.GetSettings(); }

    bool RunPrintDialog(plat::CWnd* parent, const CPrinterRecord* table, uint32_t count,
                        PrintChoice& choice) override {
        CTWPrintDlg dlg(parent, table, count);
        if (dlg.DoModal() != plat::IDOK) return false;
        choice.printer = dlg.GetPrinterName();
        choice.high_quality = dlg.IsHighQuality();
        choice.color = dlg.IsColor();
        choice.orientation = dlg.GetOrientation();
        return true;
    }

  private:
    CCelvaneApp& app_;
};

class CAppScreenPrint : public IScreenPrint {
  public:
    explicit CAppScreenPrint(CCelvaneApp& app) : app_(app) {}
    int Print(plat::Window* window, int) override {
        return print_.Print(window, app_.GetMainView());
    }

  private:
    CCelvaneApp& app_;
    CScreenPrint print_;
};

// Owned here; created and removed on the user-interface thread.
std::unique_ptr<CAppPrintServices> g_print_services;

}  // namespace

void RegisterAppPrintServices(CCelvaneApp& app) {
    IPrintServices::set_current(nullptr);
    g_print_services = std::make_unique<CAppPrintServices>(app);
    IPrintServices::set_current(g_print_services.get());
}

void UnregisterAppPrintServices() {
    IPrintServices::set_current(nullptr);
    g_print_services.reset();
}

std::unique_ptr<IScreenPrint> CreateAppScreenPrint(CCelvaneApp& app) {
    return std::make_unique<CAppScreenPrint>(app);
}
