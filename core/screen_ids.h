#pragma once
// The ids of the instrument's full screens, as the application, the screens
// and the settings store ("mode.txt", the current and last screen) know them.

enum ScreenId : int {
    kScreenModeSelect = 0,
    kScreenNetworkAnalyzer = 1,
    kScreenSpectrumAnalyzer = 2,
    kScreenPowerMeter = 3,
    kScreenTools = 4,
    kScreenSetup = 5,
};

// Number of screen ids; ids from 0 below it are screens.
inline constexpr int kScreenCount = 6;

// The three instruments' measurement screens.
constexpr bool IsMeasurementScreen(int id) {
    return id >= kScreenNetworkAnalyzer && id <= kScreenPowerMeter;
}
