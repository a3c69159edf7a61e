#include "instrument/measurement.h"

#include <array>
#include <mutex>

#include "core/history.h"
#include "instrument/device_item.h"
#include "instrument/device_port.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"

namespace {

// What all measurements share: the class mutex and quit event (kept while
// any measurement exists), the current measurement, the worker and the
// measurement it supervises.
struct ClassRecord {
    std::mutex guard;  // guards the fields below but the atomics
    plat::Mutex mutex;
    plat::Event quit;
    CMeasurement* current = nullptr;
    plat::Thread worker;
    uint32_t start_argument = 0;
    int live = 0;
    std::atomic<CMeasurement*> worker_object{nullptr};
    bool worker_looping = false;  // the worker has not decided to end yet
    plat::Event sleep_entry;
    plat::Event sleep_exit;
};

ClassRecord& Record() {
    static ClassRecord record;
    return record;
}

std::atomic<int> g_running_workers{0};

constexpr uint32_t kHistoryMask = 16;

}  // namespace

CMeasurement::CMeasurement(CDevicePort* link) : link_(link) {}

CMeasurement::~CMeasurement() {
    delete next_;
    next_ = nullptr;
    ClassRecord& rec = Record();
    plat::Thread worker;
    {
        std::lock_guard lock(rec.guard);
        if (rec.quit) rec.quit.set();
        worker = rec.worker;
        // From now on the worker leaves this object alone, even when it
        // comes back late from a screen call.
        if (rec.worker_object == this) rec.worker_object = nullptr;
    }
    // The worker may be inside this object: let it end first, but never wait
    // longer than a stop does (a worker held up in a screen call must not
    // hang the program that deletes the measurement).
    if (worker && worker.id() != plat::current_thread_id() && !worker.join(kWorkerStopWaitMs))
        plat::debug_printf("CMeasurement: the worker did not end within %u ms\n",
                           kWorkerStopWaitMs);
    if (link_) link_->RemoveListener(this);
    std::lock_guard lock(rec.guard);
    if (rec.current == this) rec.current = nullptr;
    if (rec.worker_object == this) rec.worker_object = nullptr;
    if (counted_ && --rec.live == 0) {
        rec.mutex = plat::Mutex();
        rec.quit = plat::Event();
    }
}

int CMeasurement::Init(IMeasurementScreen* screen) {
    screen_ = screen;
    setup_ = screen ? screen->GetSetup() : nullptr;
    ClassRecord& rec = Record();
    std::lock_guard lock(rec.guard);
    if (!rec.mutex) {
        rec.mutex = plat::Mutex(false);
        rec.quit = plat::Event(true, false);
    }
    class_mutex_ = rec.mutex;
    quit_event_ = rec.quit;
    worker_ = rec.worker;
    if (!counted_) {
        counted_ = true;
        ++rec.live;
    }
    return 1;
}

CMeasurement* CMeasurement::CurrentMeasurement() {
    std::lock_guard lock(Record().guard);
    return Record().current;
}

plat::Thread CMeasurement::WorkerThread() {
    std::lock_guard lock(Record().guard);
    return Record().worker;
}

void CMeasurement::SetSleepEvents(plat::Event entry, plat::Event exit) {
    std::lock_guard lock(Record().guard);
    Record().sleep_entry = std::move(entry);
    Record().sleep_exit = std::move(exit);
}

int CMeasurement::RunningWorkers() {
    return g_running_workers.load();
}

// ---- Start and stop ------------------------------------------------------------

void CMeasurement::Start(uint32_t /*a*/, uint32_t b) {
    Stop();
    std::lock_guard class_lock(class_mutex_);
    {
        std::lock_guard lock(Record().guard);
        Record().current = this;
        Record().start_argument = b;
    }
    start_argument_ = b;
    state_ = kStartRequested;
    active_ = true;
    second_flag_ = true;
}

void CMeasurement::Stop() {
    std::lock_guard class_lock(class_mutex_);
    if (link_ && active_) link_->RequestStop();
    active_ = false;
    second_flag_ = false;
    state_ = kIdle;
}

void CMeasurement::Halt() {
    std::lock_guard class_lock(class_mutex_);
    active_ = false;
    state_ = kIdle;
}

void CMeasurement::Reset() {
    state_ = kIdle;
    sleep_state_ = 0;
    word2_ = 0;
}

plat::Thread CMeasurement::StartWorker() {
    ClassRecord& rec = Record();
    plat::Thread previous;
    plat::Event quit;
    {
        std::lock_guard lock(rec.guard);
        previous = rec.worker;
        quit = rec.quit;
    }
    // A worker that was told to quit gets a moment to end. One that still
    // loops is kept (its quit is called off) and supervises this measurement
    // from now on: never two workers.
    if (previous && !previous.wait(0) && quit && quit.is_set()) previous.join(1000);
    std::lock_guard lock(rec.guard);
    rec.worker_object = this;
    if (rec.worker_looping) {
        if (rec.quit) rec.quit.reset();
        worker_ = rec.worker;
        return worker_;
    }
    if (rec.quit) rec.quit.reset();
    plat::ThreadOptions options;
    options.stack_size = 128000;
    options.priority = 2;
    ++g_running_workers;  // counted down by the worker as it ends
    rec.worker_looping = true;
    rec.worker = plat::Thread::start([] { return WorkerMain(); }, options);
    worker_ = rec.worker;
    return worker_;
}

bool CMeasurement::StopWorker() {
    if (quit_event_) quit_event_.set();
    plat::Thread worker = WorkerThread();
    return !worker || worker.join(kWorkerStopWaitMs);
}

bool CMeasurement::StopAndWait() {
    return StopWorker();
}

bool CMeasurement::WaitWorker() {
    plat::Thread worker = WorkerThread();
    return !worker || worker.join(5000);
}

// ---- The worker ------------------------------------------------------------------

// Waits for any of the worker's handles (quit, reply, sleep entry, sleep
// exit) that exist: a measurement without a DSP link has no reply event, and
// its sleep events must still be seen. Answers WAIT_OBJECT_0 + the handle's
// place, or the wait's time-out.
uint32_t CMeasurement::WaitForWork(std::array<const plat::Event*, 4> slots, uint32_t timeout_ms) {
    std::array<const plat::Waitable*, 4> present{};
    std::array<uint32_t, 4> place{};
    size_t n = 0;
    for (uint32_t i = 0; i < slots.size(); ++i) {
        if (!*slots[i]) continue;
        present[n] = slots[i];
        place[n++] = i;
    }
    if (n == 0) {
        plat::sleep_ms(timeout_ms);
        return plat::WAIT_TIMEOUT;
    }
    const uint32_t r = plat::wait_any(std::span(present.data(), n), timeout_ms);
    return r - plat::WAIT_OBJECT_0 < n ? plat::WAIT_OBJECT_0 + place[r - plat::WAIT_OBJECT_0] : r;
}

uint32_t CMeasurement::WorkerMain() {
    ClassRecord& rec = Record();
    try {
        plat::Event quit, reply, entry, exit;
        {
            std::lock_guard lock(rec.guard);
            quit = rec.quit;
        }
        uint32_t passes = 0;
        int phase = 0;
        bool reply_seen = false, resume_pause = false, reported_down = false, left = false;
        CMeasurement* obj = rec.worker_object.load();
        for (;;) {
            CMeasurement* now = rec.worker_object.load();
            if (now != obj) {  // handed another measurement
                obj = now;
                phase = 0;
                left = false;
                reply = plat::Event();
            }
            const bool busy = obj && !left && obj->state_ != kIdle;
            const uint32_t r = WaitForWork({&quit, &reply, &entry, &exit}, busy ? 4 : 1000);
            if (++passes > kAliveCheckPasses) {
                passes = 0;
                CDevicePort* link = obj ? obj->GetDspInterface() : nullptr;
                if (link && link->IsAlive()) {
                    link->SetAlive(false);
                    if (reported_down) {
                        reported_down = false;
                        obj->ShowStatusText(core::Text(), 0);
                    }
                } else if (obj) {
                    HistoryAdd(kHistoryMask, u"Error: DSP Interface not running. ", 0);
                    reported_down = true;
                    obj->ShowStatusText(u"Dsp Interface: Dsp Interface is not running", 1);
                }
            }
            if (r == plat::WAIT_OBJECT_0) {
                // A start that came meanwhile may have called the quit off.
                // Otherwise the link stops taking replies before this worker
                // says it has left: once it has, a new worker may start and
                // its measurement's replies must not be turned off by this
                // one on its way out.
                std::lock_guard lock(rec.guard);
                if (rec.quit && !rec.quit.is_set()) continue;
                if (obj && !left && obj->GetDspInterface())
                    obj->GetDspInterface()->SetAcceptReplies(false);
                rec.worker_looping = false;
                break;
            }
            if (r == plat::WAIT_OBJECT_0 + 1) {
                reply.reset();
                reply_seen = true;
            } else if (r == plat::WAIT_OBJECT_0 + 2) {
                entry.reset();
                if (obj) obj->stopped_by_sleep_ = obj->active_.load();
                if (obj && obj->screen_) obj->screen_->StopMeasurement();
                if (rec.worker_object.load() != obj) continue;  // deleted meanwhile
            } else if (r == plat::WAIT_OBJECT_0 + 3) {
                exit.reset();
                if (obj && obj->sleep_state_ != 2) {
                    resume_pause = true;
                    if (obj->screen_) obj->screen_->Redraw(1);
                    if (rec.worker_object.load() != obj) continue;  // deleted meanwhile
                }
            } else if (r == plat::WAIT_TIMEOUT && phase == 2) {
                reply_seen = true;
            }
            if (!obj || left) continue;
            if (obj->state_ == kDetach) {
                phase = 1;
                obj->state_ = kIdle;
                if (obj->GetDspInterface()) obj->GetDspInterface()->SetAcceptReplies(false);
                left = true;
                continue;
            }
            switch (phase) {
                case 0: {
                    if (obj->GetDspInterface()) reply = obj->GetDspInterface()->GetReplyEvent();
                    std::lock_guard lock(rec.guard);
                    entry = rec.sleep_entry;
                    exit = rec.sleep_exit;
                    phase = 1;
                    break;
                }
                case 1:
                    if (resume_pause) {
                        plat::sleep_ms(3000);
                        resume_pause = false;
                    }
                    phase = 2;
                    break;
                default:
                    if (obj->state_ == kStartRequested) {
                        if (obj->GetDspInterface()) obj->GetDspInterface()->SetAcceptReplies(false);
                        phase = 1;
                    } else if (reply_seen) {
                        obj->OnReplyIdle();
                    }
                    break;
            }
        }
    } catch (const std::exception& e) {
        plat::debug_printf("CMeasurement::WorkerThread: Exception. %s\n", e.what());
    }
    --g_running_workers;
    return 0;
}

// ---- Screen forwarding -------------------------------------------------------------

uint32_t CMeasurement::QueryScreen() {
    return screen_ ? static_cast<uint32_t>(screen_->QueryHook(0)) : 0;
}
uint32_t CMeasurement::NotifyScreen() {
    return screen_ ? static_cast<uint32_t>(screen_->NoticeHook(0)) : 0;
}
uint32_t CMeasurement::QueryScreenState() {
    return screen_ ? static_cast<uint32_t>(screen_->ScreenState()) : 0;
}

void CMeasurement::ForwardGpsText(const char* text, int length, int extra) {
    if (screen_) screen_->GpsTextHook(text, length, extra);
}

int CMeasurement::ForwardResult(CDeviceItem* result, int flag) {
    if (!screen_) return 0;
    screen_->ProcessNewData(result, flag);
    return 1;
}

int CMeasurement::OnReplyIdle() {
    if (screen_) screen_->ReplyIdleHook();
    return 1;
}

void CMeasurement::OnMessageSent() {
    if (screen_) screen_->MessageSentHook();
}

void CMeasurement::ShowStatusText(const core::Text& text, int flag) {
    if (screen_) screen_->ShowStatusMessage(text, flag);
}

CDeviceItem* CMeasurement::ParseReply(CDataBlock& /*block*/) {
    return nullptr;
}

void CMeasurement::ReleaseResult(CDeviceItem* result) {
    delete result;
}

// ---- The chain -----------------------------------------------------------------------

uint32_t CMeasurement::GetChainLength() const {
    return 1 + (next_ ? next_->GetChainLength() : 0);
}

void CMeasurement::Append(CMeasurement* m) {
    CMeasurement* last = this;
    while (last->next_) last = last->next_;
    last->next_ = m;
}

CMeasurement* CMeasurement::FindByFamilyAndId(uint32_t family, uint32_t id) {
    for (CMeasurement* m = this; m; m = m->next_)
        if (m->family_ == family && m->id_ == id) return m;
    return nullptr;
}

CMeasurement* CMeasurement::FindById(uint32_t id) {
    for (CMeasurement* m = this; m; m = m->next_)
        if (m->id_ == id) return m;
    return nullptr;
}

CMeasurement* CMeasurement::GetByIndex(uint32_t n) {
    if (n == 0) return nullptr;
    CMeasurement* m = this;
    while (m && --n) m = m->next_;
    return m;
}

CMeasurement* CMeasurement::GetNthOfFamily(uint32_t family, uint32_t n) {
    for (CMeasurement* m = this; m; m = m->next_)
        if (m->family_ == family && --n == 0) return m;
    return nullptr;
}

uint32_t CMeasurement::CountFamily(uint32_t family) {
    uint32_t count = 0;
    for (CMeasurement* m = this; m; m = m->next_) count += m->family_ == family;
    return count;
}
