#include "widgets/widget_services.h"

#include <atomic>
#include <mutex>

namespace {

std::atomic<IWidgetServices*> g_services{nullptr};

// Messages shown while no application is registered.
struct Recorded {
    std::mutex mutex;
    std::vector<core::Text> messages;  // guarded by mutex
};

Recorded& recorded() {
    static Recorded r;
    return r;
}

}  // namespace

IWidgetServices* IWidgetServices::current() {
    return g_services.load();
}

void IWidgetServices::set_current(IWidgetServices* services) {
    g_services.store(services);
}

std::u16string WidgetFontFace() {
    if (IWidgetServices* s = IWidgetServices::current()) return s->GetFontFace2();
    return kDefaultWidgetFace;
}

uint32_t WidgetTimeFormat() {
    if (IWidgetServices* s = IWidgetServices::current()) return s->GetTimeFormat();
    return kTimeFormatTimeFirst;
}

int WidgetShowMessage(const core::Text& text, uint32_t style) {
    if (IWidgetServices* s = IWidgetServices::current()) return s->ShowMessage(text, style);
    Recorded& r = recorded();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.messages.push_back(text);
    return kMessageOk;
}

std::vector<core::Text> RecordedWidgetMessages() {
    Recorded& r = recorded();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.messages;
}

void ClearRecordedWidgetMessages() {
    Recorded& r = recorded();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.messages.clear();
}
