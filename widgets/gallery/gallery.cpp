#include "widgets/gallery/gallery.h"

#include <cstdio>
#include <functional>

#include "platform/gfx/image_file.h"
#include "platform/window/window.h"
#include "widgets/gallery/graph_scene.h"
#include "widgets/satellite_bars.h"

namespace gallery {

namespace {

constexpr const char* kOwnerClass = "WidgetGalleryView";

plat::Bitmap Render(const plat::Rect& r, const std::function<void(plat::Dc&)>& draw) {
    plat::Bitmap b =
        plat::Bitmap::create(r.width() + 2 * kMargin, r.height() + 2 * kMargin, kOutside);
    plat::Dc dc(b);
    dc.set_origin({kMargin - r.left, kMargin - r.top});
    draw(dc);
    return b;
}

template <typename W>
void Add(std::vector<Picture>& out, const std::string& name, W& w) {
    out.push_back({name, w.GetRect(), Render(w.GetRect(), [&](plat::Dc& dc) { w.Draw(dc); })});
}

// The window the chrome draws into: no background, like the main view.
class Owner : public plat::Window {};

// Runs `draw` with a window over the whole screen (no background, like the
// main view) and answers the screen it left.
template <typename F>
plat::Bitmap ThroughOwner(F&& draw) {
    plat::register_window_class({kOwnerClass, 0, std::nullopt});
    Owner owner;
    plat::CreateParams p;
    p.class_name = kOwnerClass;
    p.style = plat::WS_VISIBLE;
    p.rect = {0, 0, plat::kScreenWidth, plat::kScreenHeight};
    if (!owner.create(p)) return {};
    draw(owner);
    plat::Bitmap shot = plat::screen_snapshot();
    owner.destroy();
    return shot;
}

plat::Bitmap RenderChrome(CColorScheme* scheme) {
    return ThroughOwner([&](Owner& owner) {
        Chrome chrome(&owner, scheme);
        chrome.title.GetClock()->SetFixedTime(GalleryTime());
        chrome.RedrawAll();
    });
}

// The graph scenes, each drawn through a window over a screen filled with
// kOutside: a sweep with limit lines and markers, the split waterfall after
// a few hundred rows, the full-screen layout, and the whole screen with the
// chrome.
enum class GraphScene { sweep, waterfall, layout2, screen };

plat::Bitmap RenderGraph(CColorScheme* scheme, GraphScene scene) {
    constexpr int kWaterfallRows = 300;
    return ThroughOwner([&](Owner& owner) {
        {
            plat::Bitmap s = plat::screen_surface();
            auto lock = s.lock();
            s.fill(kOutside);
        }
        std::unique_ptr<Chrome> chrome;
        if (scene == GraphScene::screen) {
            chrome = std::make_unique<Chrome>(&owner, scheme);
            chrome->title.GetClock()->SetFixedTime(GalleryTime());
            chrome->RedrawAll();
        }
        MarkerRecords records;
        CGraphPanel panel(1, 0);
        CreateIn(panel, &owner, kMainLayout, scheme);
        CGraphWidget& g = *panel.GetGraph();
        int64_t now = 0;
        g.SetTimeSource([&now] { return now += 2; });
        if (scene == GraphScene::layout2) panel.SetLayout(CGraphWidget::kScreenLayout);
        if (scene == GraphScene::waterfall) panel.SetWaterfallMode(2);
        panel.SetWaterfallTimeStamp(true);
        FillSweep(g, kSweepPoints, kSegmentNone, scene != GraphScene::waterfall);
        PlaceSampleMarkers(panel, records);
        panel.DrawGraph(nullptr, false);
        if (scene == GraphScene::waterfall) {
            for (int row = 0; row < kWaterfallRows; ++row) {
                FillColumns(g, (row * 7) % 256);
                panel.AddWaterfallLine();
            }
        }
        panel.DrawTrace();
    });
}

void AddGraphs(std::vector<Picture>& out, CColorScheme* scheme) {
    const plat::Rect screen{0, 0, plat::kScreenWidth, plat::kScreenHeight};
    out.push_back({"screen-graph-sweep", screen, RenderGraph(scheme, GraphScene::sweep)});
    out.push_back({"screen-graph-waterfall", screen, RenderGraph(scheme, GraphScene::waterfall)});
    out.push_back({"screen-graph-layout2", screen, RenderGraph(scheme, GraphScene::layout2)});
    out.push_back({"screen-full", screen, RenderGraph(scheme, GraphScene::screen)});
}

void AddStatus(std::vector<Picture>& out, CColorScheme* scheme) {
    const struct {
        const char* name;
        int state;
        int level;
    } states[] = {{"status-0", 0, kSampleLevel}, {"status-1", 1, kSampleLevel},
                  {"status-1-full", 1, 100},     {"status-2", 2, kSampleLevel},
                  {"status-3", 3, kSampleLevel}, {"status-4", 4, kSampleLevel}};
    for (const auto& s : states) {
        CStatusIndicator w;
        CreateIn(w, nullptr, kCornerLayout, scheme);
        w.SetValue(s.state, s.level);
        Add(out, s.name, w);
    }
}

void AddTitleBar(std::vector<Picture>& out, const char* name, CFileLabelPanel& bar,
                 CColorScheme* scheme, int icon) {
    CreateIn(bar, nullptr, kTitleLayout, scheme);
    bar.GetClock()->SetFixedTime(GalleryTime());
    bar.SetStatusIcon(icon);
    bar.SetIdText(u"Sensor 0042");
    bar.SetFileLabel(bar.GetFileLabel(), u"7");
    bar.SetSetupName(u"Antenna 1");
    Add(out, name, bar);
}

void AddTitleBars(std::vector<Picture>& out, CColorScheme* scheme) {
    CFileLabelPanel plain(u"Mode Selection", false);
    AddTitleBar(out, "title-bar-plain", plain, scheme, 0);
    CFileLabelPanel id(u"Power Meter", u"", true, false);
    AddTitleBar(out, "title-bar-id", id, scheme, 1);
    CFileLabelPanel setup(u"Trace", u"", false, true);
    AddTitleBar(out, "title-bar-setup", setup, scheme, 2);
}

void AddPanels(std::vector<Picture>& out, CColorScheme* scheme) {
    CReadoutPanel captions(3);
    CreateIn(captions, nullptr, kReadoutLayout, scheme);
    captions.SetRowCaption(u"First caption row", 0);
    captions.SetRowCaption(u"Second caption row", 1);
    captions.SetRowCaption(u"Highlighted row", 2);
    captions.RedrawRows(0, false, ci::kMenuKeySelected);
    Add(out, "readout-captions", captions);

    CDrawPanel plain;
    CreateIn(plain, nullptr, kBannerLayout, scheme);
    plain.SetRowText(u"Row 0", 0);
    plain.SetRowText(u"Row 1", 1);
    plain.SetRowText(u"Row 2", 2);
    Add(out, "draw-panel-plain", plain);

    CSatelliteBars bars(nullptr);
    CGsvSentence gsv;
    gsv.SetSatellitesInView(5);
    const int snr[5] = {99, 75, 40, 10, 0};
    for (uint32_t i = 0; i < 5; ++i) gsv.AddSatellite({i + 1, 30, 90 * i, uint32_t(snr[i])});
    bars.SetFromSentence(&gsv);
    const plat::Rect all{bars.GetBar(0).GetRect().left, bars.GetBar(0).GetRect().top,
                         bars.GetBar(CSatelliteBars::kBarCount - 1).GetRect().right,
                         bars.GetBar(0).GetRect().bottom};
    out.push_back({"satellite-bars", all, Render(all, [&](plat::Dc& dc) { bars.Draw(dc); })});
}

}  // namespace

plat::SystemTime GalleryTime() {
    plat::SystemTime t;
    t.year = 2013;
    t.month = 2;
    t.day = 1;
    t.hour = 13;
    t.minute = 30;
    t.second = 5;
    return t;
}

std::vector<Picture> RenderScheme(int number) {
    std::unique_ptr<CColorScheme> scheme = CreateColorScheme(number);
    std::vector<Picture> out;
    {
        Chrome chrome(nullptr, scheme.get());
        chrome.title.GetClock()->SetFixedTime(GalleryTime());
        Add(out, "soft-keys", chrome.softKeys);
        Add(out, "menu-keys", chrome.menuKeys);
        Add(out, "readout-panel", chrome.readout);
        Add(out, "draw-panel", *chrome.drawPanel);
        Add(out, "title-bar-chrome", chrome.title);
    }
    AddTitleBars(out, scheme.get());
    AddStatus(out, scheme.get());
    AddPanels(out, scheme.get());
    out.push_back(
        {"chrome", {0, 0, plat::kScreenWidth, plat::kScreenHeight}, RenderChrome(scheme.get())});
    AddGraphs(out, scheme.get());
    return out;
}

int WriteGallery(const std::filesystem::path& out) {
    int written = 0;
    for (int n = 0; n < kSchemeCount; ++n) {
        const std::filesystem::path dir = out / SchemeFolder(n);
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        for (const Picture& p : RenderScheme(n)) {
            const auto file = dir / (p.name + ".png");
            if (!p.bitmap || !plat::write_png_file(file, p.bitmap)) {
                std::fprintf(stderr, "widget_gallery: cannot write %s\n", file.c_str());
                return -1;
            }
            ++written;
        }
    }
    return written;
}

}  // namespace gallery
