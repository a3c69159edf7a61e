// The soft-key pages of the marker functions, the signal tools and the
// threshold alarm, and the empty defaults of the limit-line editor pages.
#include "files/meas_setup.h"
#include "screens/measurement/page_labels.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"
#include "widgets/soft_key_menu.h"

int CMeasurementBase::ShowPageLabels(int highlight) {
    if (!soft_key_menu_) return 0;
    soft_key_menu_->Show(0, highlight);
    return 1;
}

int CMeasurementBase::ShowMarkerMenu(int highlight, int) {
    if (!soft_key_menu_) return 0;
    BindMarkerRecords();
    int number = 0, delta = 0, deltaIndex = 0;
    bool on = false;
    if (graphPanel && graphPanel->GetGraph()) {
        int marker = 0;
        if (graphPanel->GetCurrentMarker(marker)) {
            number = marker + 1;
            on = graphPanel->GetMarkerState(marker) == 1;
            graphPanel->GetCurrentDelta(delta, deltaIndex);
        }
    }
    page_labels::MarkerPage(*soft_key_menu_, number, on, delta == 1);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowMarkerSearchMenu(int highlight, int) {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::MarkerSearchPage(*soft_key_menu_, *setup_);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowMarkerTypeMenu(int highlight, int) {
    if (!soft_key_menu_) return 0;
    int type = 0;
    if (graphPanel && graphPanel->GetGraph()) {
        int marker = 0, state = 0, delta = 0, option = 0;
        if (graphPanel->GetCurrentMarker(marker))
            graphPanel->GetMarkerInfo(marker, state, type, delta, option);
    }
    page_labels::MarkerTypePage(*soft_key_menu_, type, markerTablePosition);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowSignalToolsMenu(int highlight, int) {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::SignalToolsPage(*soft_key_menu_, *setup_);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowThresholdAlarmMenu(int highlight, int) {
    if (!soft_key_menu_ || !setup_) return 0;
    page_labels::ThresholdAlarmPage(*soft_key_menu_, *setup_);
    return ShowPageLabels(highlight);
}

// The threshold page: the alarm page unless the screen has limit masks.
int CMeasurementBase::BuildLimitLineMenu(int highlight, int extra) {
    return ShowThresholdAlarmMenu(highlight, extra);
}
int CMeasurementBase::BuildRefPointMenu(int, int) {
    return 1;
}
int CMeasurementBase::BuildLimitEditMenu(int, int) {
    return 1;
}
int CMeasurementBase::BuildEditPointsMenu(int, int) {
    return 1;
}
int CMeasurementBase::HasExtraMenu() {
    return 0;
}
