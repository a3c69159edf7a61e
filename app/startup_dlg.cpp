#include "app/startup_dlg.h"

#include <mutex>

#include "core/res_string.h"
#include "platform/framework/controls.h"

namespace {

void RegisterTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        plat::DialogTemplate t;
        t.id = CStartupDlg::IDD;
        t.style = plat::WS_POPUP | plat::WS_BORDER | plat::DS_CENTER;
        t.cx = 200;
        t.cy = 96;
        t.items = {
            {"STATIC", u"", CStartupDlg::kCompany, plat::SS_CENTER, 8, 8, 184, 16},
            {"STATIC", u"", CStartupDlg::kTitle, plat::SS_CENTER, 8, 28, 184, 20},
            {"STATIC", u"", CStartupDlg::kModel, plat::SS_CENTER, 8, 52, 184, 14},
            {"STATIC", u"", CStartupDlg::kVersion, plat::SS_CENTER, 8, 70, 184, 14},
        };
        plat::register_dialog_template(t);
    });
}

}  // namespace

CStartupDlg::CStartupDlg(std::u16string model, std::u16string version, const UiFonts& fonts)
    : CDialog(IDD), model_(std::move(model)), version_(std::move(version)) {
    RegisterTemplate();
    small_ = plat::Font::create_point(static_cast<int>(fonts.small.height), fonts.small.face);
    large_ = plat::Font::create_point(static_cast<int>(fonts.large.height), fonts.large.face);
}

bool CStartupDlg::Create(plat::CWnd* parent) {
    return CDialog::Create(IDD, parent);
}

bool CStartupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const struct {
        int id;
        std::u16string text;
        const plat::Font* font;
    } rows[] = {
        {kCompany, LoadResString(61204), &small_},
        {kTitle, LoadResString(57344), &large_},
        {kModel, model_, &small_},
        {kVersion, version_, &small_},
    };
    for (const auto& row : rows) {
        if (auto* c = GetDlgItem(row.id)) {
            c->SetFont(*row.font, false);
            c->SetWindowText(row.text);
        }
    }
    return false;
}
