// Every text the screens show fits its box, in English and in Mandarin: each
// soft-key page, menu-key caption, readout caption, title and clock format,
// measured with the font its widget draws it in against the widget's own
// rectangles, with the fonts of the device image.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/language.h"
#include "app/tests/app_test_support.h"
#include "core/keys.h"
#include "core/res_string.h"
#include "core/units.h"
#include "instrument/measurement.h"
#include "language/tests/language_test_support.h"
#include "platform/text/utf.h"
#include "screens/measurement_base.h"
#include "screens/power/power_meter_mode.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "screens/system/mode_select_mode.h"
#include "screens/system/setup_mode.h"
#include "screens/system/tools_mode.h"
#include "screens/vna/vna_mode.h"
#include "widgets/draw_panel.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/title_bar.h"
#include "widgets/widget_services.h"

namespace {

namespace fs = std::filesystem;

// The screens the check walks. A screen joins the check here, with one
// entry: how it is made and how it shows each of its measurement functions
// (its title names the function). The check itself shows every menu key and
// every soft-key page (0..73) of each screen under each function, the clock
// in every format and the graph's title in every level unit, in English and
// in Mandarin.
struct ScreenUnderCheck {
    const char* name;
    std::function<std::unique_ptr<CModeBase>()> make;
    // Makes each measurement function current in turn with its title shown,
    // calling `look` after each.
    std::function<void(CModeBase&, const std::function<void()>& look)> functions;
    // A pane of the screen's own beside the common ones (may be null).
    std::function<const CScreenWidget*(const CModeBase&)> own_pane = nullptr;
    // Shows a soft-key page's labels (null: as a measurement screen does).
    std::function<void(CModeBase&, int page)> show_page = nullptr;
};

// A measurement screen shows a page's labels with no key highlighted.
void ShowMeasurementPage(CModeBase& screen, int page) {
    static_cast<CMeasurementBase&>(screen).ShowSoftKeys(page, -1);
}

// A screen without measurement functions has its one state.
void OneState(CModeBase&, const std::function<void()>& look) {
    look();
}

// The functions of a screen that keeps them as its chain of measurements.
template <class Screen>
void EachMeasurement(CModeBase& base, const std::function<void()>& look) {
    auto& screen = static_cast<Screen&>(base);
    for (CMeasurement* m = screen.GetFirstMeasurement(); m; m = m->GetNext()) {
        screen.SetCurrentMeasurement(m, screen.GetSetup());
        screen.ShowTitle();
        look();
    }
}

// The power meter's functions are its sensor families: each sensor type
// with menus of its own is attached in turn, and its title shown.
void EachSensor(CModeBase& base, const std::function<void()>& look) {
    auto& screen = static_cast<CPowerMeterMode&>(base);
    for (int type : {1, 2, 3, 5, 15, 6, 18, 19, 20, 21}) {
        screen.AttachSensor(type);
        screen.PostKeyEvent(power_events::kSensorFound, 0);
        look();
    }
    screen.EnterWaitState();
    look();
}

// The spectrum analyzer also shows each trigger mode: the sweep page's
// trigger key names it.
void EachMeasurementAndTrigger(CModeBase& base, const std::function<void()>& look) {
    EachMeasurement<CSpecAnMode>(base, look);
    CMeasSetup* setup = base.GetSetup();
    ASSERT_NE(setup, nullptr);
    const int32_t kept = setup->GetTriggerMode();
    for (int32_t mode = 0; mode < 6; ++mode) {
        ASSERT_TRUE(setup->SetTriggerMode(mode)) << mode;
        look();
    }
    setup->SetTriggerMode(kept);
}

// The network analyzer also shows a recalled gain trace with its own
// calibration, gain and DC bias.
void EachVnaMeasurementAndRecall(CModeBase& base, const std::function<void()>& look) {
    EachMeasurement<CVnaMode>(base, look);
    auto& screen = static_cast<CVnaMode&>(base);
    CMeasurement* gain = screen.MeasurementOfType(vna::kGain);
    ASSERT_NE(gain, nullptr);
    screen.SetCurrentMeasurement(gain, screen.GetSetup());
    const std::vector<float> points(2 * CVnaMode::kMaxPoints, -20.0f);
    screen.LoadRecalledTrace(points.data(), CVnaMode::kMaxPoints);
    VnaTraceValues values;
    values.calibration_type = 7;
    values.two_port_avg_gain = -88.8f;
    values.two_port_bias = true;
    values.two_port_bias_current = 8.88;
    screen.ReceiveVnaValues(values);
    screen.ShowRecalledTrace(0);
    screen.UpdateSweepReadout(true);
    screen.ShowAverageGain(0);
    look();
    screen.ResetHoldState();
}

const std::vector<ScreenUnderCheck>& ScreensUnderCheck() {
    static const std::vector<ScreenUnderCheck> screens = {
        {"spectrum analyzer", [] { return std::make_unique<CSpecAnMode>(nullptr); },
         EachMeasurementAndTrigger},
        {"network analyzer", [] { return std::make_unique<CVnaMode>(nullptr); },
         EachVnaMeasurementAndRecall},
        {"power meter", [] { return std::make_unique<CPowerMeterMode>(nullptr, nullptr); },
         EachSensor,
         [](const CModeBase& s) -> const CScreenWidget* {
             return static_cast<const CPowerMeterMode&>(s).GetReadout();
         }},
        {"setup manager", [] { return std::make_unique<CSetupMode>(); }, OneState, nullptr,
         [](CModeBase& screen, int page) {
             static_cast<CSetupMode&>(screen).ShowPageLabels(page);
         }},
        // Its help page comes with menu key 6, which the check presses.
        {"mode selection", [] { return std::make_unique<CModeSelectMode>(); }, OneState, nullptr,
         [](CModeBase& screen, int page) {
             if (page == 0) screen.ShowSoftKeys();
         }},
        // The backlight page with the custom level in its edit state.
        {"tools", [] { return std::make_unique<CToolsMode>(); }, OneState, nullptr,
         [](CModeBase& screen, int page) {
             static_cast<CToolsMode&>(screen).ShowSoftKeys(
                 page, page == CToolsMode::kBacklightPage ? 4 : -1);
         }},
    };
    return screens;
}

// What the application gives the screens: a unit with every instrument,
// the backlight's custom level and sensor gain at their widest values.
class FitScreenServices : public StubScreenServices {
  public:
    using StubScreenServices::StubScreenServices;
    uint32_t GetHardwareId() const override { return 0x207; }
    int GetBacklightLevel(bool custom) override { return custom ? 100 : 2; }
    int GetSensorGain() override { return -250; }
};

// What the application gives the widgets: the language's face and the
// clock's format.
class FitWidgetServices : public IWidgetServices {
  public:
    std::u16string face = kDefaultWidgetFace;
    uint32_t time_format = kTimeFormatTimeFirst;
    std::u16string GetFontFace2() const override { return face; }
    uint32_t GetTimeFormat() const override { return time_format; }
    int ShowMessage(const core::Text&, uint32_t) override { return kMessageOk; }
};

// The string ids a shown text came from, for the report: the ids whose text
// is the whole text, else those of its lines.
class IdFinder {
  public:
    explicit IdFinder(const std::map<uint32_t, std::u16string>& table) {
        for (const auto& [id, text] : table) ids_[LoadResString(id)].insert(id);
    }
    std::string Of(const core::Text& text) const {
        std::set<uint32_t> found = Find(text);
        if (found.empty()) {
            size_t start = 0;
            while (start <= text.size()) {
                const size_t end = text.find(u'\n', start);
                const auto line = text.substr(start, end == text.npos ? text.npos : end - start);
                const auto ids = Find(line);
                found.insert(ids.begin(), ids.end());
                if (end == text.npos) break;
                start = end + 1;
            }
        }
        if (found.empty()) return "composed text";
        std::string out = "id";
        for (uint32_t id : found) out += " " + std::to_string(id);
        return out;
    }

  private:
    std::set<uint32_t> Find(const core::Text& text) const {
        auto it = ids_.find(text);
        return it == ids_.end() ? std::set<uint32_t>{} : it->second;
    }
    std::map<core::Text, std::set<uint32_t>> ids_;
};

std::string Quoted(const core::Text& text) {
    std::string out = plat::to_utf8(text);
    for (size_t i = 0; (i = out.find('\n', i)) != std::string::npos;) out.replace(i, 1, "\\n");
    return "\"" + out + "\"";
}

class TextFit : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(lang_test::LayOutImage(root_.path()));
        IWidgetServices::set_current(&widget_services_);
    }
    void TearDown() override {
        IScreenServices::set_current(nullptr);
        IWidgetServices::set_current(nullptr);
        graph_.reset();
        binding_.Free();
    }

    void BindLanguage(int32_t id) {
        UiFonts fonts;
        ASSERT_TRUE(binding_.Load(id, false, fonts)) << "language " << id;
        widget_services_.face = fonts.large.face;
        language_ = id == kLanguageMandarin ? "Mandarin" : "English";
        table_ = lang_test::ReadTable(id == kLanguageMandarin
                                          ? lang_test::SourceDir() / "language/strings-zh.tsv"
                                          : lang_test::SourceDir() / "core/strings/strings.tsv");
        ids_ = std::make_unique<IdFinder>(table_);
    }

    // Measures every text of the screen's panes and of the graph; each
    // overflow is reported once, with where it was seen first.
    void Look(const CModeBase& screen, const std::string& state) {
        const std::pair<const char*, const CScreenWidget*> panes[] = {
            {"title bar", screen.file_label_panel()},
            {"soft keys", screen.soft_key_menu()},
            {"menu keys", screen.menu_key_panel()},
            {"readout", screen.readout_panel()},
            {"draw panel", screen.draw_panel()},
            {"graph", graph_.get()},
            {"main readout", own_pane_ ? own_pane_(screen) : nullptr},
        };
        for (const auto& [pane, widget] : panes) {
            if (!widget) continue;
            DrawnTexts texts;
            widget->CollectTexts(texts);
            for (const DrawnText& t : texts) {
                // Captions, titles and the clock: the readout values are
                // readings of the moment.
                if (t.text.empty() || !t.caption) continue;
                const TextOverflow o = MeasureOverflow(t);
                if (o.Fits()) continue;
                const std::string key = std::string(pane) + t.where + plat::to_utf8(t.text);
                if (!reported_.insert(language_ + key).second) continue;
                std::ostringstream line;
                line << language_ << ", " << screen_name_ << " (" << state << "), " << pane << " "
                     << t.where << ": " << ids_->Of(t.text) << " " << Quoted(t.text);
                if (o.width > 0) line << " is " << o.width << " px too wide";
                if (o.height > 0)
                    line << (o.width > 0 ? " and " : " is ") << o.height << " px too tall";
                failures_.push_back(line.str());
            }
        }
    }

    // The clock's widest texts: each month at the longest hours, in both
    // formats.
    void LookAtClock(CModeBase& screen) {
        CClockPanel* clock = screen.file_label_panel()->GetClock();
        ASSERT_NE(clock, nullptr);
        for (uint32_t format : {kTimeFormatTimeFirst, 0u}) {
            widget_services_.time_format = format;
            for (uint16_t month = 1; month <= 12; ++month)
                for (uint16_t hour : {0, 10, 12, 23}) {
                    plat::SystemTime t{};
                    t.year = 2028;
                    t.month = month;
                    t.day = 28;
                    t.hour = hour;
                    t.minute = 58;
                    t.second = 58;
                    clock->SetFixedTime(t);
                    Look(screen, "clock format " + std::to_string(format));
                }
        }
        clock->SetFixedTime(std::nullopt);
        widget_services_.time_format = kTimeFormatTimeFirst;
    }

    // The graph's title and level labels at the highest and lowest reference
    // level in every level unit a screen offers; watts and volts come in the
    // decade that suits the level, as the screens choose it.
    void LookAtGraph(const CModeBase& screen) {
        for (uint32_t offered : {UNIT_DBM, UNIT_DBUV, UNIT_DBMV, UNIT_DBV, UNIT_W, UNIT_V})
            for (double dbm : {20.0, -120.0}) {
                const double watts = ConvertPowerUnit(dbm, UNIT_W, UNIT_DBM);
                const uint32_t unit = AutoScaleUnit(watts, offered);
                graph_->SetReferenceLevel(watts, unit, 10);
                Look(screen, "unit " + plat::to_utf8(UnitName(unit)));
            }
    }

    void Walk(const ScreenUnderCheck& entry) {
        screen_name_ = entry.name;
        own_pane_ = entry.own_pane;
        // The application's graph panel, shared by the screens.
        graph_ = std::make_unique<CGraphPanel>(1, 0);
        graph_->Create(nullptr, 0, 30, 705, 455, 18, 90, scheme_.get());
        FitScreenServices services(graph_.get());
        IScreenServices::set_current(&services);
        std::unique_ptr<CModeBase> screen = entry.make();
        screen->OnCreate(nullptr, nullptr, 0, scheme_.get());
        int function = 0;
        entry.functions(*screen, [&] {
            const std::string state = "function " + std::to_string(++function) + ", ";
            Look(*screen, state + "title");
            for (int k = 0; k < CModeBase::kMenuKeyCount; ++k) {
                screen->OnKeyEvent(VK_F13 + static_cast<uint32_t>(k), 1);
                screen->OnKeyEvent(VK_F13 + static_cast<uint32_t>(k), 0);
                Look(*screen, state + "menu key " + std::to_string(k + 1));
            }
            for (int page = 0; page < CModeBase::kPageCount; ++page) {
                (entry.show_page ? entry.show_page : ShowMeasurementPage)(*screen, page);
                Look(*screen, state + "page " + std::to_string(page));
            }
        });
        EXPECT_GT(function, 0) << entry.name << " shows no function";
        LookAtClock(*screen);
        LookAtGraph(*screen);
        screen.reset();
        IScreenServices::set_current(nullptr);
    }

    std::string Report() const {
        std::string out;
        for (const auto& f : failures_) out += f + "\n";
        return out;
    }

    app_test::DeviceRoot root_{"celvane-text-fit"};
    FitWidgetServices widget_services_;
    std::unique_ptr<CGraphPanel> graph_;
    std::unique_ptr<CColorScheme> scheme_ = CreateColorScheme(1);
    LanguageBinding binding_;
    std::string language_;
    std::string screen_name_;
    std::function<const CScreenWidget*(const CModeBase&)> own_pane_;
    std::map<uint32_t, std::u16string> table_;
    std::unique_ptr<IdFinder> ids_;
    std::set<std::string> reported_;
    std::vector<std::string> failures_;
};

TEST_F(TextFit, EveryScreenTextFitsItsBoxInEnglishAndMandarin) {
    // The image's Tahoma is the face the layouts were made for.
    ASSERT_EQ(plat::resolve_face(u"Tahoma"), fs::canonical(root_.system() / "Tahoma.ttf"));
    for (int32_t language : {kLanguageEnglish, kLanguageMandarin}) {
        BindLanguage(language);
        for (const ScreenUnderCheck& entry : ScreensUnderCheck()) Walk(entry);
    }
    EXPECT_TRUE(failures_.empty()) << failures_.size() << " texts do not fit:\n" << Report();
}

// The check sees an overflow: a text of its own, longer than any key.
TEST_F(TextFit, ALongCaptionIsReportedWithItsOverflow) {
    BindLanguage(kLanguageEnglish);
    StubScreenServices services;
    IScreenServices::set_current(&services);
    CSpecAnMode screen(nullptr);
    screen.OnCreate(nullptr, nullptr, 0, scheme_.get());
    screen.soft_key_menu()->SetKeyText(u"Frequency Frequency", 2, false, false);
    screen_name_ = "spectrum analyzer";
    Look(screen, "made long");
    ASSERT_EQ(failures_.size(), 1u) << Report();
    EXPECT_NE(failures_[0].find("soft keys box 3 caption"), std::string::npos) << failures_[0];
    EXPECT_NE(failures_[0].find("px too wide"), std::string::npos) << failures_[0];
}

}  // namespace
