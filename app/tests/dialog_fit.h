#pragma once
// Every text of an open dialog against its control: each visible static,
// edit and list row measured with the control's own font against the
// control's rectangle; an overflow becomes a line of the report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"
#include "platform/framework/list_box.h"
#include "platform/framework/wnd.h"
#include "platform/text/utf.h"
#include "platform/window/window.h"
#include "widgets/screen_widget.h"
#include "widgets/text_fit.h"

namespace dialog_fit {

// Text inside an edit or a list row keeps this far from the sides.
constexpr int kInnerMargin = 2;

// The dialog that holds the focus, or null.
inline plat::CWnd* OpenDialog() {
    plat::CWnd* w = plat::CWnd::GetFocus();
    while (w && !dynamic_cast<plat::CDialog*>(w)) w = w->GetParent();
    return w;
}

class DialogFit {
  public:
    // Every overflow, one a line.
    std::string Report() const {
        std::string report;
        for (const std::string& f : failures) report += f + "\n";
        return report;
    }

    // Measures every visible control of `dialog`; an overflow becomes a line
    // of the report.
    void Check(plat::CWnd* dialog, const std::string& name) {
        ASSERT_NE(dialog, nullptr) << name;
        ++checked;
        for (plat::Window* w : dialog->children()) {
            auto* control = plat::CWnd::FromHandle(w);
            if (!control || !w->is_visible()) continue;
            const std::string kind = w->class_name();
            const plat::Rect r = control->GetClientRect();
            const std::string where = name + " control " + std::to_string(control->GetDlgCtrlID());
            if (kind == "STATIC") {
                Measure(where, control->GetWindowText(), control->GetFont(), r,
                        plat::DT_LEFT | plat::DT_WORDBREAK | plat::DT_NOPREFIX);
            } else if (kind == "EDIT") {
                const bool lines = w->style() & plat::ES_MULTILINE;
                Measure(where, control->GetWindowText(), control->GetFont(),
                        r.inflate(-kInnerMargin, 0),
                        plat::DT_LEFT | plat::DT_NOPREFIX |
                            (lines ? plat::DT_WORDBREAK : plat::DT_SINGLELINE));
            } else if (kind == "LISTBOX") {
                auto* list = dynamic_cast<plat::CListBox*>(control);
                ASSERT_NE(list, nullptr) << where;
                for (int i = 0; i < list->GetCount(); ++i)
                    Measure(where + " row " + std::to_string(i), list->GetText(i),
                            control->GetFont(), list->GetItemRect(i).inflate(-kInnerMargin, 0),
                            plat::DT_LEFT | plat::DT_SINGLELINE | plat::DT_NOPREFIX);
            }
        }
    }

    // Measures the captions of a bar of keys (the soft keys a dialog
    // labels).
    void CheckKeys(const CScreenWidget* bar, const std::string& name) {
        ASSERT_NE(bar, nullptr) << name;
        DrawnTexts texts;
        bar->CollectTexts(texts);
        for (const DrawnText& t : texts)
            if (t.caption) Measure(name + " " + t.where, t);
    }

    void Measure(const std::string& where, const core::Text& text, const plat::Font& font,
                 const plat::Rect& box, uint32_t format) {
        DrawnText t;
        t.text = text;
        t.font = font;
        t.box = box;
        t.format = format;
        Measure(where, t);
    }
    void Measure(const std::string& where, DrawnText t) {
        if (t.text.empty()) return;
        ++measured;
        t.where = where;
        const TextOverflow o = MeasureOverflow(t);
        if (o.Fits()) return;
        failures.push_back(where + ": \"" + plat::to_utf8(t.text) + "\" is " +
                           std::to_string(o.width) + " px too wide, " + std::to_string(o.height) +
                           " px too tall");
    }

    int checked = 0;
    int measured = 0;
    std::vector<std::string> failures;
};

}  // namespace dialog_fit
