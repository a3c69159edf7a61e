// Which pixels an operation repaints, judged by poisoning the screen before
// it and looking at what changed: widgets repaint only what changed.
#include <gtest/gtest.h>

#include <functional>

#include "widget_test_support.h"
#include "widgets/soft_key_menu.h"

namespace {

using widget_test::ViewFixture;

class Repaint : public ViewFixture {
  protected:
    void SetUp() override {
        ViewFixture::SetUp();
        keys.Create(&view, 705, 30, 800, 566, 1, 100, scheme.get());
        menu.Create(&view, 0, 563, 705, 600, 1, 100, scheme.get());
        for (int i = 0; i < 8; ++i) keys.SetKeyText(u"Key", i, false, false);
        const uint32_t ids[6] = {229, 230, 214, 215, 555, 1023};
        menu.SetTexts(ids, 6);
        keys.Show(0, -1);
        menu.Show(0, -1);
    }
    plat::Rect Outer(int k) { return keys.Key(k)->GetOuterRect(); }

    CSoftKeyMenu keys;
    CPanelWidget menu;
};

enum class Expect { kExactly, kInside, kNothing };

TEST_F(Repaint, OnlyWhatChanged) {
    const plat::Rect all_keys{707, 34, 798, 565};
    const struct Case {
        const char* what;
        std::function<void()> prepare;
        std::function<void()> act;
        std::function<plat::Rect()> area;
        Expect expect;
    } cases[] = {
        {"SetActive(true) repaints the key", [] {}, [&] { keys.Key(1)->SetActive(true); },
         [&] { return Outer(1); }, Expect::kExactly},
        {"SetActive(true) again repaints nothing", [&] { keys.Key(1)->SetActive(true); },
         [&] { keys.Key(1)->SetActive(true); }, [] { return plat::Rect{}; }, Expect::kNothing},
        {"SetActive(false) repaints in full", [&] { keys.Key(1)->SetActive(false); },
         [&] { keys.Key(1)->SetActive(false); }, [&] { return Outer(1); }, Expect::kExactly},
        {"disabling draws only the bar", [] {},
         [&] {
             keys.Key(3)->SetDisabled(true);
             keys.Update();
         },
         [&] { return keys.Key(3)->GetBarRect(); }, Expect::kExactly},
        {"clearing disabled repaints the frame",
         [&] {
             keys.SetKeyText(u"Key", 3, true, false);
             keys.Update();
         },
         [&] {
             keys.SetKeyTitle(u"Key", 3);
             keys.Update();
         },
         [&] { return Outer(3); }, Expect::kExactly},
        {"a new title repaints the label area", [] {},
         [&] {
             keys.SetKeyTitle(u"Other", 0);
             keys.Update();
         },
         [&] { return keys.Key(0)->GetTextRect(); }, Expect::kInside},
        {"a choice change repaints only the label",
         [&] {
             keys.SetKeyChoices(u"Mode", 4, 555, 1023, 0, false);
             keys.Update();
         },
         [&] {
             keys.SetKeyChoices(u"Mode", 4, 555, 1023, 1, false);
             keys.Update();
         },
         [&] { return keys.Key(4)->GetTextRect(); }, Expect::kInside},
        {"SetKeyState repaints the frame", [] {}, [&] { keys.SetKeyState(0, 5, true); },
         [&] { return Outer(5); }, Expect::kExactly},
        {"Show(0, 8) repaints nothing", [] {}, [&] { keys.Show(0, 8); },
         [] { return plat::Rect{}; }, Expect::kNothing},
        {"Show(0, -9) repaints nothing", [] {}, [&] { keys.Show(0, -9); },
         [] { return plat::Rect{}; }, Expect::kNothing},
        {"Show(0, 3) repaints every key, not the background", [] {}, [&] { keys.Show(0, 3); },
         [&] { return all_keys; }, Expect::kExactly},
        {"Show(0, -2) repaints the column", [] {}, [&] { keys.Show(0, -2); },
         [] {
             return plat::Rect{705, 30, 800, 566};
         },
         Expect::kExactly},
        {"Select on a blank key repaints every key", [&] { keys.SetKeyText(u"", 6, false, false); },
         [&] { keys.Select(0, 6, true); }, [&] { return all_keys; }, Expect::kExactly},
        {"the menu-key panel's Show repaints one box", [] {}, [&] { menu.Show(0, 2); },
         [&] { return menu.Box(2)->GetOuterRect(); }, Expect::kExactly},
        {"Update with nothing changed repaints nothing", [] {}, [&] { keys.Update(); },
         [] { return plat::Rect{}; }, Expect::kNothing},
    };
    for (const Case& c : cases) {
        c.prepare();
        Poison();
        c.act();
        const plat::Rect painted = Painted();
        const plat::Rect area = c.area();
        switch (c.expect) {
            case Expect::kExactly:
                EXPECT_EQ(painted, area) << c.what;
                break;
            case Expect::kInside:
                EXPECT_FALSE(painted.empty()) << c.what;
                EXPECT_EQ(painted.unite(area), area) << c.what;
                break;
            case Expect::kNothing:
                EXPECT_TRUE(painted.empty()) << c.what;
                break;
        }
    }
}

TEST_F(Repaint, FillsAndTextsByState) {
    keys.Key(1)->SetActive(true);
    keys.SetKeyState(0, 2, true);
    keys.SetKeyText(u"Key", 3, true, false);
    keys.SetKeyText(u"", 6, false, false);
    keys.Select(0, 6, true);  // a blank key cannot become selected
    keys.Update();
    auto fill_of = [&](int k) { return Pixel(711, Outer(k).top + 45); };
    EXPECT_EQ(fill_of(0), Color(5));
    EXPECT_EQ(fill_of(1), Color(6));
    EXPECT_EQ(fill_of(6), Color(5));
    const plat::Rect bar = keys.Key(3)->GetBarRect();
    EXPECT_EQ(Pixel(bar.left + 1, bar.top + 1), Color(34));
    // Key 2 lost its selection to the blank key's Select; select it again.
    keys.SetKeyState(0, 2, true);
    EXPECT_EQ(fill_of(2), Color(42));
    EXPECT_TRUE(AnyPixel(keys.Key(0)->GetTextRect(), Color(7))) << "normal text entry 7";
    // White Display: active text entry 11 (black) on green.
    EXPECT_TRUE(AnyPixel(keys.Key(1)->GetTextRect(), Color(11)));
}

}  // namespace
