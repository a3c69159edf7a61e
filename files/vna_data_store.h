#pragma once
// The calibration error terms of the network analyzer: five arrays of
// 8-byte elements with their validity and the sweep they belong to. The
// elements are copied in and out unchanged, never interpreted here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The 32-byte sweep descriptor of a calibration as the calibration file
// stores it: fields back to back, little-endian, no padding.
struct CalTermInfo {
    static constexpr size_t kSize = 32;
    uint32_t points = 0;    // offset 0
    uint64_t start = 0;     // offset 4
    uint64_t stop = 0;      // offset 12
    double power = 0.0;     // offset 20
    uint32_t two_port = 0;  // offset 28

    std::array<uint8_t, kSize> Serialize() const;
    static CalTermInfo Deserialize(const uint8_t* bytes);
    bool operator==(const CalTermInfo&) const = default;
};

class CVNADataStore {
  public:
    enum Term { ER = 0, ES, ED, ET, EX, kTermCount };
    static constexpr uint32_t kElementSize = 8;
    static constexpr uint32_t kDefaultPoints = 705;
    static constexpr uint64_t kDefaultStop = 3600000000ull;

    CVNADataStore() { Init(); }

    void Init();
    void Free();
    void Clear();
    // New arrays and no valid term when the count changes.
    void Resize(uint32_t points);
    // Takes the sweep; a different sweep invalidates every stored term.
    void PrepareTerm(uint32_t points, uint64_t start, uint64_t stop, double power,
                     uint32_t two_port);
    // Stores `points` elements from `buffer` for the sweep and marks the term
    // valid. False (nothing stored) for a null buffer or no points.
    bool SetTerm(Term term, const void* buffer, uint32_t points, uint64_t start, uint64_t stop,
                 double power, uint32_t two_port);
    bool SetER(const void* b, uint32_t n, uint64_t s, uint64_t e, double p, uint32_t t) {
        return SetTerm(ER, b, n, s, e, p, t);
    }
    bool SetES(const void* b, uint32_t n, uint64_t s, uint64_t e, double p, uint32_t t) {
        return SetTerm(ES, b, n, s, e, p, t);
    }
    bool SetED(const void* b, uint32_t n, uint64_t s, uint64_t e, double p, uint32_t t) {
        return SetTerm(ED, b, n, s, e, p, t);
    }
    bool SetET(const void* b, uint32_t n, uint64_t s, uint64_t e, double p, uint32_t t) {
        return SetTerm(ET, b, n, s, e, p, t);
    }
    bool SetEX(const void* b, uint32_t n, uint64_t s, uint64_t e, double p, uint32_t t) {
        return SetTerm(EX, b, n, s, e, p, t);
    }
    // The one-port terms come out only when ER, ES and ED are all valid.
    bool GetER(void* buffer) const { return HasOnePort() && CopyOut(ER, buffer); }
    bool GetES(void* buffer) const { return HasOnePort() && CopyOut(ES, buffer); }
    bool GetED(void* buffer) const { return HasOnePort() && CopyOut(ED, buffer); }
    bool GetET(void* buffer) const { return valid_[ET] && CopyOut(ET, buffer); }
    bool GetEX(void* buffer) const { return valid_[EX] && CopyOut(EX, buffer); }
    uint32_t GetPointCount() const { return points_; }
    CalTermInfo GetCalInfo() const;
    // Same sweep: start, stop and power equal, and the points equal (exact)
    // or not more than the stored count.
    bool Matches(uint32_t points, uint64_t start, uint64_t stop, double power, uint32_t two_port,
                 bool exact) const;
    bool IsValidFor(uint32_t points, uint64_t start, uint64_t stop, double power, uint32_t two_port,
                    bool exact) const;
    bool IsOnePortValidFor(uint32_t points, uint64_t start, uint64_t stop, double power,
                           uint32_t two_port, bool exact) const;
    bool HasOnePort() const { return valid_[ER] && valid_[ES] && valid_[ED]; }
    bool HasTransmission() const { return valid_[ET]; }
    bool HasIsolation() const { return valid_[EX]; }
    bool IsTermValid(Term term) const { return valid_[term]; }
    // The raw bytes of a term (points x 8), for the calibration file.
    const std::vector<uint8_t>& TermBytes(Term term) const { return terms_[term]; }

  private:
    bool CopyOut(Term term, void* buffer) const;
    void Allocate(uint32_t points);

    std::array<bool, kTermCount> valid_{};
    uint32_t points_ = kDefaultPoints;
    uint64_t start_ = 0;
    uint64_t stop_ = kDefaultStop;
    double power_ = 0.0;
    uint32_t two_port_ = 0;
    std::array<std::vector<uint8_t>, kTermCount> terms_;
};
