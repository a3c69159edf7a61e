#pragma once
// The print-job base: one job at a time. The user-interface thread starts a
// job (which starts the worker), draws the page on the printer context and
// then sets the print event; the worker ends the page and the document on
// it, deletes the context and clears busy. A job without a page sets the end
// event instead, and the worker just ends.
//
// A page that cannot be ended (the printer went away mid-job) is reported on
// the user-interface thread that started the job: "Lost the printer
// connection!".
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
#include "platform/print/printer_dc.h"

inline constexpr const char16_t* kPrinterBusyText = u"The printer is busy.";
inline constexpr const char16_t* kLostPrinterText = u"Lost the printer connection!";
inline constexpr const char16_t* kPrinterMessageCaption = u"Printer Message";

class CPrintIO {
  public:
    CPrintIO();
    // Ends a running worker first (it finishes a page it is sending).
    ~CPrintIO();
    CPrintIO(const CPrintIO&) = delete;
    CPrintIO& operator=(const CPrintIO&) = delete;

    virtual bool CanPrint() { return true; }
    virtual bool BeginPrinting(plat::PrinterDc* dc) { return dc != nullptr; }
    virtual void EndPrinting(std::unique_ptr<plat::PrinterDc>& dc) { dc.reset(); }

    // Starts a job and its worker; false when a job is running ("The
    // printer is busy." is shown) or the worker does not start.
    bool StartJob();
    // Ends the page and the document of the job's context and deletes it;
    // false when either failed.
    bool EndJob();

    void SetOrientationFromSize(int width, int height) { landscape_ = width > height; }
    bool IsLandscape() const { return landscape_; }
    void SetPrintArea(int32_t area) { print_area_ = area; }
    int32_t GetPrintArea() const { return print_area_; }
    bool IsBusy() const { return busy_.load(); }
    // Waits until the running job's worker has ended (tests).
    bool WaitIdle(uint32_t timeout_ms) const;

  protected:
    // Ends a running worker (it finishes a page it is sending). The worker
    // calls the virtual members: a derived class calls this from its own
    // destructor, before its part of the object goes.
    void EndWorker();
    // Shows a lost connection on the thread that started the job.
    void ReportLostConnection() const;
    static uint32_t PrintingWorkThread(CPrintIO* self);

    plat::Event m_hEndEvent{true, false};
    plat::Event m_hPrintEvent{true, false};
    // Set by the user-interface thread before it sets the print event; the
    // worker takes it after seeing the event.
    std::unique_ptr<plat::PrinterDc> printer_dc_;
    bool landscape_ = false;  // user-interface thread
    int32_t print_area_ = 1;  // user-interface thread
    std::atomic<bool> busy_{false};
    plat::Thread worker_;     // user-interface thread
    uint32_t ui_thread_ = 0;  // the thread that started the running job
};
