// A message box and a 100-row list-box dialog, from construction until they
// are drawn on the screen (then closed).
#include <benchmark/benchmark.h>

#include <string>

#include "dialogs/list_box_dlg.h"
#include "dialogs/message_dlg.h"
#include "platform/framework/message_box.h"

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

}  // namespace
