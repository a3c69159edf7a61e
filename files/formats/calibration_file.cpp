// The calibration file of a network analyzer setup: "TWC0", the length and
// text of the unit's serial number, the 32-byte sweep descriptor and the
// term sections ("ERCAL" ... "EXCAL"), each a 5-byte tag and points x 8
// bytes of term data.
#include <algorithm>

#include "core/res_string.h"
#include "files/formats/vna_setup_file.h"
#include "platform/fs/file.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/errors.h"

namespace {

constexpr size_t kMagicSize = 4;
constexpr size_t kMaxNameLength = 255;
constexpr uint32_t kMaxPoints = 11265;
constexpr uint32_t kDefaultPoints = 705;

struct TermTag {
    CVNADataStore::Term term;
    std::string_view tag;
};
constexpr TermTag kTags[] = {{CVNADataStore::ER, "ERCAL"},
                             {CVNADataStore::ES, "ESCAL"},
                             {CVNADataStore::ED, "EDCAL"},
                             {CVNADataStore::ET, "ETCAL"},
                             {CVNADataStore::EX, "EXCAL"}};

std::string_view TagOf(CVNADataStore::Term term) {
    return kTags[term].tag;
}

// Reads bytes of a file in memory one piece after the other.
class ByteReader {
  public:
    explicit ByteReader(const std::string& bytes) : bytes_(bytes) {}
    // The next n bytes; nothing (and no move) when fewer are left.
    std::optional<std::string_view> Take(size_t n) {
        if (bytes_.size() - position_ < n) return std::nullopt;
        std::string_view piece(bytes_.data() + position_, n);
        position_ += n;
        return piece;
    }
    size_t Left() const { return bytes_.size() - position_; }

  private:
    const std::string& bytes_;
    size_t position_ = 0;
};

}  // namespace

// Whatever the store holds goes with the setup, whichever measurement is
// current: a one-port calibration stays while the gain measurement shows, and
// the file's descriptor says which sweep the terms belong to.
bool CVNASetupFile::ShouldSaveCalibration() const {
    const CVNADataStore* store = vna_->GetDataStore();
    return store && (store->HasOnePort() || store->HasTransmission());
}

uint32_t CVNASetupFile::EstimateCalibrationSize() const {
    const CVNADataStore* store = vna_->GetDataStore();
    if (!ShouldSaveCalibration()) return 0;
    uint64_t terms = store->HasOnePort() ? 3 : 0;
    terms += (store->HasTransmission() ? 1 : 0) + (store->HasIsolation() ? 1 : 0);
    uint64_t points = store->GetPointCount() ? store->GetPointCount() : kDefaultPoints;
    uint64_t size = FileServices().GetSerialNumber().size() + (terms * points + 4) * 8;
    return static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX));
}

bool CVNASetupFile::SaveCalibration() {
    IFileServices& services = FileServices();
    const CVNADataStore* store = vna_->GetDataStore();
    CalTermInfo info;
    std::optional<core::Text> path = CVNAMeasSetup::CalFilePathFor(vna_->GetSetupLabel());
    if (!store || !vna_->GetCalInfo(info) || info.points == 0 || !path) {
        services.ShowMessage(kWriteError + (path ? *path : vna_->GetSetupLabel()), kExclamation);
        return false;
    }
    plat::create_directory(kCalFolder);
    if (!OpenForWriteDirect(*path)) {
        services.ShowMessage(*path + kDirectoryNotFound, kExclamation);
        return false;
    }
    OpenProgress(0, 100, *path);
    std::string serial = core::LowBytes(services.GetSerialNumber());
    if (serial.size() > kMaxNameLength) serial.resize(kMaxNameLength);
    WriteBytes(std::string_view(kMagic, kMagicSize));
    WriteBytes(std::string(1, static_cast<char>(serial.size())));
    WriteBytes(serial);
    std::array<uint8_t, CalTermInfo::kSize> descriptor = info.Serialize();
    WriteBytes(
        std::string_view(reinterpret_cast<const char*>(descriptor.data()), descriptor.size()));
    const size_t term_bytes = static_cast<size_t>(info.points) * CVNADataStore::kElementSize;
    auto write_term = [&](CVNADataStore::Term term, int progress) {
        const std::vector<uint8_t>& bytes = store->TermBytes(term);
        if (bytes.size() < term_bytes) return false;
        WriteBytes(TagOf(term));
        WriteBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), term_bytes));
        StepProgress(progress, 100);
        return true;
    };
    bool ok = true;
    if (store->HasOnePort()) {
        ok = write_term(CVNADataStore::ER, 10) && write_term(CVNADataStore::ES, 30) &&
             write_term(CVNADataStore::ED, 60);
    }
    if (ok && store->HasTransmission()) {
        ok = write_term(CVNADataStore::ET, 80);
        if (ok && store->HasIsolation()) ok = write_term(CVNADataStore::EX, 100);
    }
    if (ok) {
        std::optional<plat::AtomicFile> written = CloseUncommitted();
        if (written) calibration_file_.emplace(std::move(*written));
    }
    const bool closed = calibration_file_.has_value();
    if (!ok) Discard();  // the old file stays
    CloseProgress();
    if (!closed) {
        services.ShowMessage(GetWriteError() == plat::ERROR_DISK_FULL ? LoadResString(kNoSpaceId)
                                                                      : kWriteError + *path,
                             kExclamation);
    }
    return closed;
}

bool CVNASetupFile::FailCalibration(uint32_t id, const core::Text& path) {
    FileServices().ShowMessage(LoadResString(id) + u"\n" + path, kExclamation);
    return false;
}

bool CVNASetupFile::LoadCalibration() {
    if (!vna_->GetDataStore()) {
        FileServices().ShowMessage(LoadResString(kNoStoreId), kExclamation);
        return false;
    }
    std::optional<core::Text> path = CVNAMeasSetup::CalFilePathFor(vna_->GetSetupLabel());
    if (!path) return false;
    // No calibration file is no news; one that cannot be read is.
    if (LoadFile(*path) == 0 && !plat::file_exists(*path)) return false;
    if (GetLoadedBytes().empty() &&
        !plat::File::open(*path, plat::FileAccess::Read, plat::FileOpen::Existing))
        return FailCalibration(kCannotOpenId, *path);
    return LoadCalibrationBytes(GetLoadedBytes(), *path);
}

bool CVNASetupFile::LoadCalibrationBytes(const std::string& bytes, const core::Text& path) {
    CVNADataStore* store = vna_->GetDataStore();
    if (!store) {
        FileServices().ShowMessage(LoadResString(kNoStoreId), kExclamation);
        return false;
    }
    ByteReader in(bytes);
    std::optional<std::string_view> magic = in.Take(kMagicSize);
    if (!magic || *magic != std::string_view(kMagic, kMagicSize))
        return FailCalibration(kBadHeaderId, path);
    std::optional<std::string_view> length = in.Take(1);
    if (!length || !in.Take(static_cast<uint8_t>((*length)[0])))
        return FailCalibration(kBadFileId, path);
    std::optional<std::string_view> descriptor = in.Take(CalTermInfo::kSize);
    if (!descriptor) return FailCalibration(kBadFileId, path);
    CalTermInfo info =
        CalTermInfo::Deserialize(reinterpret_cast<const uint8_t*>(descriptor->data()));
    if (info.points == 0 || info.points > kMaxPoints) return FailCalibration(kBadFileId, path);
    const size_t term_bytes = static_cast<size_t>(info.points) * CVNADataStore::kElementSize;

    // Every section is read aside; a file failing anywhere stores nothing.
    std::vector<Section> sections;
    auto take_term = [&](CVNADataStore::Term term) {
        std::optional<std::string_view> data = in.Take(term_bytes);
        if (!data) return false;
        sections.push_back({term, std::vector<uint8_t>(data->begin(), data->end())});
        return true;
    };
    for (;;) {
        std::optional<std::string_view> tag = in.Take(kTagSize);
        if (!tag) break;  // the end of the file
        if (*tag == TagOf(CVNADataStore::ER)) {
            if (!take_term(CVNADataStore::ER)) return FailCalibration(kBadFileId, path);
            for (CVNADataStore::Term next : {CVNADataStore::ES, CVNADataStore::ED}) {
                std::optional<std::string_view> follow = in.Take(kTagSize);
                if (!follow || *follow != TagOf(next) || !take_term(next))
                    return FailCalibration(kBadFileId, path);
            }
        } else if (*tag == TagOf(CVNADataStore::ET)) {
            if (!take_term(CVNADataStore::ET)) return FailCalibration(kBadFileId, path);
        } else if (*tag == TagOf(CVNADataStore::EX)) {
            if (!take_term(CVNADataStore::EX)) return FailCalibration(kBadFileId, path);
        } else {
            break;
        }
    }
    for (const Section& s : sections) {
        store->SetTerm(s.term, s.bytes.data(), info.points, info.start, info.stop, info.power,
                       info.two_port);
    }
    return !sections.empty();
}
