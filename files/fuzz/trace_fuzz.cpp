// Any bytes read as a trace file of each analyzer and as a legacy trace: a
// refused file leaves the setup, the point buffer and the screen untouched.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/formats/analyzer_trace_file.h"
#include "files/formats/trace_file.h"
#include "files/sa_meas_setup.h"

namespace {

class Receiver : public ITraceValueReceiver {
  public:
    void ReceiveSaValues(const SaTraceValues&) override { ++calls; }
    void ReceiveVnaValues(const VnaTraceValues&) override { ++calls; }
    int calls = 0;
};

constexpr float kUntouched = 7.0f;

template <typename Setup, typename File, typename SetupFile>
void ReadTrace(const std::string& bytes) {
    Setup setup;
    std::string text = SetupFile(&setup).FormatInMemory();
    std::vector<TracePoint> buffer(kTraceBufferPoints, {kUntouched, kUntouched});
    Receiver receiver;
    File file(&setup, nullptr);
    file.SetReceiver(&receiver);
    if (file.ReadTraceBytes(bytes, u"fuzz", buffer.data())) return;
    if (SetupFile(&setup).FormatInMemory() != text || receiver.calls != 0 ||
        buffer[0].first != kUntouched)
        std::abort();
}

void ReadLegacy(const std::string& bytes) {
    std::vector<TracePoint> buffer(kTraceBufferPoints);
    CSAMeasSetup setup;
    std::string text = CSASetupFile(&setup).FormatInMemory();
    if (!CTraceFile(&setup, 0, 0, 1).ReadLegacyBytes(bytes, u"fuzz", buffer.data()) &&
        CSASetupFile(&setup).FormatInMemory() != text)
        std::abort();
    CSAMeasSetup listed;
    CTraceFile(&listed, 0, 0, 1).LoadTraceHeaderBytes(bytes, u"fuzz");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadTrace<CSAMeasSetup, CSATraceFile, CSASetupFile>(bytes);
    ReadTrace<CVNAMeasSetup, CVNATraceFile, CVNASetupFile>(bytes);
    ReadLegacy(bytes);
    ClearRecordedFileMessages();
    return 0;
}
