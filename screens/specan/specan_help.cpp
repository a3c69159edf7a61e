// CSpecAnMode: the help captions of the screen's keys. The help row shows
// the caption of each soft key as it is pressed (a blank one leaves the row
// as it is; "Return" shows the page's own caption), and the caption of each
// menu page as its menu key opens it.
#include <array>

#include "screens/specan/specan_mode.h"

namespace {

constexpr int kBlank = 184, kBack = 1019;

struct PageHelp {
    int page;
    std::array<int, CModeBase::kKeysPerPage> keys;
};

// The captions of the menu pages the six menu keys open.
constexpr std::array<int, 6> kMenuPageHelp = {2000, 2001, 2003, 2004, 2005, 2006};

constexpr std::array<int, CModeBase::kKeysPerPage> kBlankPage = {kBlank, kBlank, kBlank, kBlank,
                                                                 kBlank, kBlank, kBlank, kBack};

constexpr PageHelp kKeyHelp[] = {
    {0, {2100, 2110, 2120, 2130, 2140, 2141, 2142, 2143}},
    {1, {2200, 2201, 2202, 2203, 2204, 2205, 2210, 2220}},
    {3, {2211, 2212, 2213, 2214, kBlank, kBlank, kBlank, kBack}},
    {4, {2221, 2223, 2231, kBlank, kBlank, kBlank, kBlank, kBack}},
    {5, {2224, 2225, 2226, 2227, 2228, 2229, kBlank, kBack}},
    {9, {2300, 2301, 2302, 2303, 2304, 2305, 2306, 2310}},
    {10, {kBlank, 2303, 2210, 2314, 2313, kBlank, kBlank, kBack}},
    {12, kBlankPage},
    {14, {2312, 2313, 2317, 2314, 2315, 2316, 64380, kBack}},
    {15, {64380, 64381, kBlank, kBlank, kBlank, kBlank, kBlank, kBack}},
    {17, {2400, 2410, 2420, 2430, 2440, 2450, 2460, 2470}},
    {18, kBlankPage},
    {19, kBlankPage},
    {20, kBlankPage},
    {21, kBlankPage},
    {22, {2440, 64199, 64379, 64382, kBlank, 226, kBlank, kBack}},
    {23, kBlankPage},
    {24, kBlankPage},
    {25, {2461, kBlank, 2462, 2463, kBlank, kBlank, kBlank, kBack}},
    {33, {2506, 2507, 2508, 64462, 2521, 64471, 2520, 2530}},
    {34, {64379, 226, 64463, 2510, 2511, 519, kBlank, kBack}},
    {35, {64464, 64465, 2508, 64466, 64467, 2526, 2527, kBack}},
    {36, {2523, 64468, 64469, kBlank, 2522, kBlank, kBlank, kBack}},
    {37, {2531, 2532, 2533, 2534, kBlank, 2535, 2536, kBack}},
    {38, kBlankPage},
    {39, kBlankPage},
    {40, kBlankPage},
    {41, {2600, 2610, 2601, 2611, 1353, 64472, 2701, 2602}},
    {44, {64195, 64196, kBlank, kBlank, kBlank, kBlank, kBlank, kBack}},
    {47, {64470, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBack}},
};

}  // namespace

void CSpecAnMode::ResetKeyTables() {
    CMeasurementBase::ResetKeyTables();
    for (size_t p = 0; p < kMenuPageHelp.size(); ++p) page_help_[p] = kMenuPageHelp[p];
    for (const PageHelp& h : kKeyHelp) key_help_[static_cast<size_t>(h.page)] = h.keys;
}
