#include "files/print_io.h"

#include "platform/framework/message_box.h"
#include "platform/kernel/debug_out.h"
#include "platform/window/message_loop.h"

namespace {

constexpr int kWorkerPriority = 3;
constexpr size_t kWorkerStack = 64000;
constexpr uint32_t kWorkerPollMs = 500;
constexpr uint32_t kEndSignalled = 0;    // index of the end event in the wait
constexpr uint32_t kPrintSignalled = 1;  // index of the print event

}  // namespace

CPrintIO::CPrintIO() = default;

CPrintIO::~CPrintIO() {
    EndWorker();
}

void CPrintIO::EndWorker() {
    if (worker_) {
        m_hEndEvent.set();
        worker_.join();
    }
}

bool CPrintIO::StartJob() {
    if (busy_.load()) {
        plat::message_box(nullptr, kPrinterBusyText, u"", plat::MB_ICONEXCLAMATION);
        return false;
    }
    if (worker_) worker_.join();  // the last job's worker has ended (busy is clear)
    busy_ = true;
    ui_thread_ = plat::current_thread_id();
    m_hEndEvent.reset();
    m_hPrintEvent.reset();
    plat::ThreadOptions options;
    options.stack_size = kWorkerStack;
    options.priority = kWorkerPriority;
    worker_ = plat::Thread::start([this] { return PrintingWorkThread(this); }, options);
    if (!worker_) {
        busy_ = false;
        return false;
    }
    return true;
}

bool CPrintIO::EndJob() {
    bool ok = true;
    if (printer_dc_) {
        const bool page = printer_dc_->end_page() > 0;
        const bool doc = printer_dc_->end_doc() > 0;
        ok = page && doc;
    }
    EndPrinting(printer_dc_);
    printer_dc_.reset();
    return ok;
}

void CPrintIO::ReportLostConnection() const {
    plat::queue_on_ui_thread(ui_thread_, [] {
        plat::message_box(nullptr, kLostPrinterText, kPrinterMessageCaption,
                          plat::MB_OK | plat::MB_ICONEXCLAMATION);
    });
}

uint32_t CPrintIO::PrintingWorkThread(CPrintIO* self) {
    plat::debug_output("CPrintIO::PrintingWorkThread, begin!\n");
    for (;;) {
        const uint32_t signalled =
            plat::wait_any({&self->m_hEndEvent, &self->m_hPrintEvent}, kWorkerPollMs);
        if (signalled == kEndSignalled) {
            self->m_hEndEvent.reset();
            break;
        }
        if (signalled == kPrintSignalled) {
            self->m_hPrintEvent.reset();
            if (!self->EndJob()) self->ReportLostConnection();
            self->m_hEndEvent.set();
        }
    }
    plat::debug_output("CPrintIO::PrintingWorkThread, end!\n");
    self->busy_ = false;
    return 0;
}

bool CPrintIO::WaitIdle(uint32_t timeout_ms) const {
    return !worker_ || worker_.join(timeout_ms);
}
