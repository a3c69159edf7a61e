// A message box, a 100-row list-box dialog and a frequency entry (with the
// screen's soft-key bar relabelled), from construction until they are drawn
// on the screen (then closed).
#include <benchmark/benchmark.h>

#include <string>

#include "dialogs/dialog_services.h"
#include "dialogs/freq_entry_dlg.h"
#include "dialogs/list_box_dlg.h"
#include "dialogs/message_dlg.h"
#include "platform/framework/message_box.h"
#include "widgets/color_scheme.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr int kListIdd = 9301;
constexpr int kListId = 1393;

void Drain() {
    plat::Message m;
    while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
}

class HundredRows : public CListBoxDlg {
  public:
    HundredRows() : CListBoxDlg(kListIdd, nullptr, kListId) {}

  protected:
    bool OnInitDialog() override {
        const bool r = CListBoxDlg::OnInitDialog();
        for (int i = 0; i < 100; ++i) {
            const std::string s = "Setting " + std::to_string(i);
            m_List.AddString(std::u16string(s.begin(), s.end()));
        }
        m_List.SetCurSel(0);
        return r;
    }
};

void BM_MessageBoxDrawn(benchmark::State& state) {
    for (auto _ : state) {
        CMessageDlg box(nullptr, u"Overwrite the existing setup?",
                        plat::MB_YESNO | plat::MB_ICONQUESTION);
        box.Create(CMessageDlg::IDD, nullptr);
        box.ShowWindow(plat::SW_SHOW);
        Drain();
        box.DestroyWindow();
        Drain();
    }
}
BENCHMARK(BM_MessageBoxDrawn)->Unit(benchmark::kMillisecond);

void BM_HundredRowListDialogDrawn(benchmark::State& state) {
    plat::DialogTemplate t;
    t.id = kListIdd;
    t.style = plat::WS_POPUP | plat::WS_CAPTION | plat::DS_CENTER;
    t.cx = 200;
    t.cy = 160;
    t.items = {{"LISTBOX", u"", kListId, 0x0001, 8, 8, 184, 144}};
    plat::register_dialog_template(t);
    for (auto _ : state) {
        HundredRows dlg;
        dlg.Create(kListIdd, nullptr);
        dlg.ShowWindow(plat::SW_SHOW);
        Drain();
        dlg.DestroyWindow();
        Drain();
    }
}
BENCHMARK(BM_HundredRowListDialogDrawn)->Unit(benchmark::kMillisecond);

// A screen's view with its soft-key bar, offered to the dialogs.
class BarServices : public IDialogServices {
  public:
    BarServices() {
        plat::register_window_class({"BenchView", 0, std::nullopt});
        view.Create("BenchView", u"", plat::WS_POPUP | plat::WS_VISIBLE,
                    {0, 0, plat::kScreenWidth, plat::kScreenHeight}, nullptr, 0);
        keys.Create(&view, 705, 30, 800, 566, 1, 100, scheme.get());
        IDialogServices::set_current(this);
    }
    ~BarServices() override {
        IDialogServices::set_current(nullptr);
        view.DestroyWindow();
    }
    std::u16string GetFontFace() const override { return u"Tahoma"; }
    uint32_t GetSmallFontWeight() const override { return 280; }
    uint32_t GetLargeFontHeight() const override { return 140; }
    plat::CWnd* GetMainView() const override { return nullptr; }
    CSoftKeyMenu* GetSoftKeyBar() const override { return const_cast<CSoftKeyMenu*>(&keys); }
    CPanelWidget* GetMenuKeyBar() const override { return nullptr; }
    bool QueryLinkValue(plat::Point, uint32_t* key) const override {
        if (key) *key = 0;
        return false;
    }
    CColorScheme* const* GetColorSchemeHolder() const override { return &holder; }

    std::unique_ptr<CColorScheme> scheme = CreateColorScheme(0);
    CColorScheme* holder = scheme.get();
    plat::CWnd view;
    CSoftKeyMenu keys;
};

void BM_FrequencyEntryDrawn(benchmark::State& state) {
    BarServices services;
    CNumericEdit::CreateEditBrush();
    Drain();
    for (auto _ : state) {
        CFreqEntryDlg dlg(&services.view);
        dlg.Setup(214, 1'000'000'000, 3'600'000'000, 0, 1'000'000, 2, 1);
        dlg.SetSpanKeys(true);
        dlg.Create();
        dlg.ShowWindow(plat::SW_SHOW);
        Drain();
        dlg.DestroyWindow();
        Drain();
    }
    CNumericEdit::DeleteEditBrush();
}
BENCHMARK(BM_FrequencyEntryDrawn)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
