#pragma once
// The base of every measurement object, and the one measurement worker the
// program runs: all measurements share its mutex and quit event. A
// measurement sends its DSP messages through the DSP link, gets the link's
// checked reply blocks in ParseReply and hands its results to its screen.
#include <array>
#include <atomic>
#include <cstdint>

#include "core/data_block.h"
#include "core/text.h"
#include "instrument/measurement_screen.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

class CDevicePort;
class CDspInterface;
class CDeviceItem;
class CMeasSetup;

class CMeasurement {
  public:
    // Families.
    static constexpr uint32_t kFamilyVna = 1;
    static constexpr uint32_t kFamilySpectrum = 2;
    static constexpr uint32_t kFamilyPower = 3;
    // States.
    static constexpr uint32_t kIdle = 0;
    static constexpr uint32_t kAcquiring = 1;
    static constexpr uint32_t kStartRequested = 2;
    static constexpr uint32_t kDetach = 3;

    explicit CMeasurement(CDevicePort* link = nullptr);
    // Deletes the rest of the chain, sets the shared quit event (stopping the
    // worker) and leaves the DSP link's listener place.
    virtual ~CMeasurement();
    CMeasurement(const CMeasurement&) = delete;
    CMeasurement& operator=(const CMeasurement&) = delete;

    virtual CDevicePort* GetDspInterface() const { return link_; }
    virtual uint32_t QueryScreen();
    // A checked reply block; the result to hand to the screen, or null to
    // drop the block.
    virtual CDeviceItem* ParseReply(CDataBlock& block);
    // Gives back a result of ParseReply after the screen had it.
    virtual void ReleaseResult(CDeviceItem* result);
    virtual plat::Thread StartWorker();
    virtual bool StopWorker();
    virtual bool WaitWorker();
    virtual void Reset();
    virtual void OnIdle() {}
    virtual void SetSleepState(uint32_t s) { sleep_state_ = s; }
    virtual int IsReady() { return 0; }
    virtual uint32_t GetSleepState() const { return sleep_state_; }
    virtual uint32_t GetEnglishNameId() const { return english_name_id_; }
    virtual uint32_t GetOption() { return 0; }
    virtual void SetOption(uint32_t) {}
    virtual IMeasurementScreen* GetScreen() const { return screen_; }
    virtual void ForwardGpsText(const char* text, int length, int extra);
    // Hands a result to the screen's ProcessNewData; the result stays the
    // measurement's (released after the call), so the screen copies what it
    // keeps.
    virtual int ForwardResult(CDeviceItem* result, int flag);
    virtual int OnReplyIdle();
    virtual uint32_t NotifyScreen();
    virtual uint32_t QueryScreenState();
    virtual void OnMessageSent();
    virtual bool StopAndWait();
    virtual uint32_t GetWord1() const { return word1_; }
    virtual uint32_t GetChainLength() const;
    virtual void SetState(uint32_t state) { state_ = state; }
    virtual void ShowStatusText(const core::Text& text, int flag);
    virtual uint32_t GetState() const { return state_; }
    virtual void Stop();
    virtual void Halt();
    virtual void OnAttach() {}
    virtual void Start(uint32_t a, uint32_t b);
    virtual CMeasurement* FindByFamilyAndId(uint32_t family, uint32_t id);
    virtual uint32_t GetFamily() const { return family_; }
    virtual uint32_t GetId() const { return id_; }
    virtual uint32_t GetTitleId() const { return title_id_; }
    virtual CMeasurement* GetByIndex(uint32_t n);
    virtual CMeasurement* GetNthOfFamily(uint32_t family, uint32_t n);
    virtual uint32_t CountFamily(uint32_t family);
    virtual void Append(CMeasurement* m);
    virtual int Init(IMeasurementScreen* screen);
    virtual CMeasurement* FindById(uint32_t id);
    virtual CMeasurement* GetNext() const { return next_; }
    virtual uint32_t GetTitle2Id() const { return title2_id_; }
    virtual uint32_t GetDescriptionId() const { return description_id_; }
    // The measurement's label (the text of its row in lists).
    virtual uint32_t GetLabelId() const { return label_id_; }
    virtual bool HasNewResult() const { return changed_; }
    virtual int CanStart() { return 1; }
    virtual int CanSave() { return 1; }
    // Whether the last change of the setup needs a new start of this
    // measurement; a measurement that keeps no record of its start never
    // asks.
    virtual int SetupChanged(CMeasSetup* /*setup*/) { return 0; }

    bool IsActive() const { return active_.load(); }
    // True once after a sleep of the board's I/O controller stopped this
    // measurement while it ran: the screen that resumes after the wake takes
    // it and measures again.
    bool TakeStoppedBySleep() { return stopped_by_sleep_.exchange(false); }
    uint8_t GetReplyNumber() const { return reply_number_; }
    uint32_t GetStartArgument() const { return start_argument_; }
    CMeasSetup* GetSetup() const { return setup_; }

    // The class-wide record.
    static CMeasurement* CurrentMeasurement();
    static plat::Thread WorkerThread();
    // Events of the board's I/O controller that the worker watches (sleep
    // entry and exit); none until the SPI client hands them over.
    static void SetSleepEvents(plat::Event entry, plat::Event exit);
    // Measurement workers running in the process (for supervision).
    static int RunningWorkers();
    // Passes between two checks of the DSP link's alive flag.
    static constexpr uint32_t kAliveCheckPasses = 2500;
    // How long stopping (and deleting a measurement) waits for the worker.
    static constexpr uint32_t kWorkerStopWaitMs = 1000;

  protected:
    uint32_t label_id_ = 0;
    uint32_t description_id_ = 0;
    uint32_t id_ = 0;
    uint32_t title_id_ = 0;
    uint32_t title2_id_ = 0;
    uint32_t family_ = 0;
    uint32_t english_name_id_ = 0;
    uint8_t reply_number_ = 255;
    // Written on the link thread as results arrive, read by the screen.
    std::atomic<bool> changed_{false};
    CDevicePort* link_ = nullptr;

  private:
    static uint32_t WorkerMain();
    static uint32_t WaitForWork(std::array<const plat::Event*, 4> slots, uint32_t timeout_ms);

    plat::Event quit_event_;
    plat::Mutex class_mutex_;
    plat::Thread worker_;
    CMeasSetup* setup_ = nullptr;
    std::atomic<bool> active_{false};
    std::atomic<bool> second_flag_{false};
    std::atomic<uint32_t> state_{kIdle};
    IMeasurementScreen* screen_ = nullptr;
    uint32_t word1_ = 0;
    uint32_t word2_ = 0;
    std::atomic<uint32_t> sleep_state_{0};
    std::atomic<bool> stopped_by_sleep_{false};  // set by the worker, taken by the UI thread
    uint32_t start_argument_ = 0;
    CMeasurement* next_ = nullptr;
    bool counted_ = false;
};
