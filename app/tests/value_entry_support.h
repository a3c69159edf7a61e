#pragma once
// The value entry dialogs in the real application on the headless display:
// a screen with real panes opens the next queued dialog when an entry key
// (digit, sign or point) comes up, as the measurement screens do, and
// records how the dialog ended.
#include <cmath>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/tests/screen_base_support.h"
#include "core/keys.h"
#include "dialogs/keypad_entry_dlg.h"
#include "platform/framework/system_services.h"

namespace entry_test {

using app_test::Log;
using screen_test::PaneApp;
using screen_test::PaneScreen;

// How an entry ended.
struct Outcome {
    intptr_t code = -2;
    double value = NAN;                // the real or whole result
    uint64_t hz = 0;                   // frequency dialogs
    int selection = -1;                // bandwidth dialogs
    uint32_t unit = 0;                 // frequency dialogs: the unit index
    uint64_t step = 0;                 // frequency dialogs: the wheel step
    std::u16string text;               // the edit when the dialog ended
    std::u16string units;              // the units caption then
    std::u16string title;              // the dialog's title
    std::vector<std::u16string> keys;  // the soft-key bar while open
    int beeps = 0;                     // exclamation beeps while open
    plat::Rect edit;                   // the edit on the screen
    bool brush = false;                // the program's edit brush existed
};

inline int ExclamationBeeps() {
    int n = 0;
    for (uint32_t b : plat::system_service_calls().beeps) n += b == plat::MB_ICONEXCLAMATION;
    return n;
}

// A dialog that records its edit, caption and the soft-key bar.
template <class D>
class Recorded : public D {
  public:
    template <class... A>
    explicit Recorded(Outcome* out, A&&... args) : D(std::forward<A>(args)...), out_(out) {}

    void OnOK() override {
        D::OnOK();
        Record();
    }
    void OnCancel() override {
        D::OnCancel();
        Record();
    }
    bool OnSoftKey(int index, bool pressed) override {
        const bool r = D::OnSoftKey(index, pressed);
        if (!pressed) Record();
        return r;
    }

  protected:
    bool OnInitDialog() override {
        const bool r = D::OnInitDialog();
        out_->keys.clear();
        if (CSoftKeyMenu* bar = this->GetSoftKeyBar())
            for (int i = 0; i < CSoftKeyMenu::kKeyCount; ++i)
                out_->keys.push_back(bar->Key(i) ? bar->Key(i)->GetTitle() : u"?");
        out_->edit = this->GetEdit().GetWindowRect();
        out_->brush = CNumericEdit::HasEditBrush();
        return r;
    }

  private:
    void Record() {
        out_->text = this->GetEdit().GetWindowText();
        out_->units = this->GetUnitsCaption();
        out_->title = this->GetWindowText();
    }
    Outcome* out_;
};

// Runs a dialog modally and fills the common part of the outcome.
template <class Dlg, class Fill>
void RunModal(Dlg& dlg, Outcome& out, Fill fill) {
    const int beeps = ExclamationBeeps();
    out.code = dlg.DoModal();
    out.beeps = ExclamationBeeps() - beeps;
    fill(dlg);
}

// Opens the next queued entry on the release of an entry key, with the key
// code the screen makes of it, and shows its own soft keys again after.
class EntryScreen : public PaneScreen {
  public:
    using PaneScreen::PaneScreen;
    std::deque<std::function<void(int key_code)>> entries;

    static bool IsEntryKey(uint32_t key) {
        return IsDigitKey(key) || IsNumPadKey(key) || IsPeriodKey(key) || key == VK_DECIMAL ||
               key == VK_ADD || key == VK_SUBTRACT;
    }
    void OnKeyEvent(uint32_t key, int pressed) override {
        if (IsEntryKey(key) && !entries.empty()) {
            if (pressed) return;
            auto entry = std::move(entries.front());
            entries.pop_front();
            entry(KeyToDigit(key));
            ShowSoftKeys();
            ShowPageTexts(page());
            return;
        }
        PaneScreen::OnKeyEvent(key, pressed);
    }
};

// The application whose first screen is an entry screen.
class EntryApp : public PaneApp {
  public:
    explicit EntryApp(std::shared_ptr<Log> l) : PaneApp(l) {
        entry_ = std::make_unique<EntryScreen>(kScreenNetworkAnalyzer, log, 64184);
        screen = entry_.get();
        first = screen;
    }
    EntryScreen* screen = nullptr;
    bool CreateModes() override {
        AddMode(entry_.release());
        return true;
    }

  private:
    std::unique_ptr<EntryScreen> entry_;
};

// A script that types each sequence: tokens are script key names ("1",
// "POINT", "F3"), "wheel+"/"wheel-" for one wheel notch.
inline std::string TypeScript(const std::vector<std::string>& sequences) {
    std::string s = "wait 10\n";
    for (const std::string& seq : sequences) {
        size_t pos = 0;
        while (pos < seq.size()) {
            size_t end = seq.find(' ', pos);
            if (end == std::string::npos) end = seq.size();
            const std::string tok = seq.substr(pos, end - pos);
            if (tok == "wheel+" || tok == "wheel-") {
                s += std::string("wheel ") + (tok == "wheel+" ? "1" : "-1") + "\n";
            } else if (!tok.empty()) {
                s += "key " + tok + "\n";
            }
            pos = end + 1;
        }
    }
    return s + "quit\n";
}

}  // namespace entry_test
