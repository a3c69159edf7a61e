// The demodulated audio stream (a ring of ten buffers handed to the wave
// player in order) and the marker results of the counter query.
#include <algorithm>
#include <cstring>

#include "core/scoped_lock.h"
#include "files/meas_setup.h"
#include "instrument/device_item.h"
#include "instrument/wave_player.h"
#include "platform/kernel/clock.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"

namespace {
enum AudioBufferState { kFree = 0, kFull = 1, kQueued = 2 };
// Buffers full before playing starts, and how far behind a queued buffer is
// given back.
constexpr int kBuffersBeforePlaying = 2;
constexpr int kReleaseDistance = 5;
constexpr int kPlayTimeMarginS = 2;
constexpr int kMsPerSecond = 1000;
}  // namespace

void CMeasurementBase::AppendAudioSamples(const int16_t* samples, uint32_t count) {
    if (!samples) return;
    AppendAudioUnderLock(samples, count);
    // The user-interface thread's refresh hands full buffers to the player.
    PostDisplayRefresh();
}

void CMeasurementBase::AppendAudioUnderLock(const int16_t* samples, uint32_t count) {
    ScopedLock guard(*this);
    m_AudioDataArrived = true;
    int16_t* ring = m_AudioRing.get();
    auto buffer = [&](int index) {
        return ring + static_cast<size_t>(index % kAudioBuffers) * kAudioBufferSamples;
    };
    int& state = m_AudioState[static_cast<size_t>(m_FillBuffer % kAudioBuffers)];
    if (state != kFree) return;  // still queued: dropped
    const uint32_t room = static_cast<uint32_t>(kAudioBufferSamples - m_FillPos);
    const uint32_t first = std::min(count, room);
    std::memcpy(buffer(m_FillBuffer) + m_FillPos, samples, first * sizeof(int16_t));
    m_FillPos += static_cast<int>(first);
    if (m_FillPos < kAudioBufferSamples) return;
    state = kFull;
    ++m_FillBuffer;
    m_FillPos = 0;
    if (m_FillBuffer >= kBuffersBeforePlaying) m_AudioStreaming = true;
    // The rest goes to the next buffer only while that one is free, and
    // never more than one buffer holds.
    const uint32_t rest = std::min<uint32_t>(count - first, kAudioBufferSamples);
    if (rest == 0 || m_AudioState[static_cast<size_t>(m_FillBuffer % kAudioBuffers)] != kFree)
        return;
    std::memcpy(buffer(m_FillBuffer), samples + first, rest * sizeof(int16_t));
    m_FillPos = static_cast<int>(rest);
    if (m_FillPos == kAudioBufferSamples) {
        m_AudioState[static_cast<size_t>(m_FillBuffer % kAudioBuffers)] = kFull;
        ++m_FillBuffer;
        m_FillPos = 0;
    }
}

bool CMeasurementBase::AudioDataArrived() {
    ScopedLock guard(*this);
    return m_AudioDataArrived;
}

void CMeasurementBase::PumpAudio() {
    ScopedLock guard(*this);
    const int64_t now = plat::tick_count() / kMsPerSecond;
    if (!m_AudioStreaming) {
        m_AudioStartTime = now;
        return;
    }
    if (m_FillBuffer <= m_PlayBuffer) return;
    const auto slot = static_cast<size_t>(m_PlayBuffer % kAudioBuffers);
    if (m_AudioState[slot] == kFree) return;
    QueueAudioBuffer(static_cast<int>(slot));
    m_AudioState[slot] = kQueued;
    // From the fifth buffer on, the one five places behind is given back;
    // with a wave player, any buffer it has played (and only such a one,
    // so that no sample is written under the output).
    if (m_PlayBuffer >= kReleaseDistance) {
        const auto behind = static_cast<size_t>((m_PlayBuffer - kReleaseDistance) % kAudioBuffers);
        if (ReleaseAudioBuffer(static_cast<int>(behind))) m_AudioState[behind] = kFree;
    }
    for (size_t i = 0; wavePlayer && i < m_AudioState.size(); ++i)
        if (m_AudioState[i] == kQueued && i != slot && ReleaseAudioBuffer(static_cast<int>(i)))
            m_AudioState[i] = kFree;
    ++m_PlayBuffer;
    const int playSeconds = setup_ ? setup_->GetPlayTime() / kMsPerSecond : 0;
    if (playSeconds > kPlayTimeMarginS && now - m_AudioStartTime + kPlayTimeMarginS < playSeconds)
        return;
    m_AudioTimeOver = true;
}

// The screen's wave player, when it has one, plays the buffer.
void CMeasurementBase::QueueAudioBuffer(int slot) {
    if (!wavePlayer) return;
    const int16_t* samples = m_AudioRing.get() + static_cast<size_t>(slot) * kAudioBufferSamples;
    wavePlayer->PlayBuffer(samples, kAudioBufferSamples * sizeof(int16_t), slot);
}

bool CMeasurementBase::ReleaseAudioBuffer(int slot) {
    if (!wavePlayer) return true;
    return wavePlayer->IsHeaderDone(slot) && wavePlayer->UnprepareBuffer(slot) == 0;
}

void CMeasurementBase::OnMarkerResults(CDeviceItem* record) {
    auto* reply = dynamic_cast<CQueryReplyItem*>(record);
    if (!reply) return;
    std::array<std::pair<uint64_t, double>, kMarkerCount> values{};
    for (int i = 0; i < kMarkerCount; ++i) {
        const auto k = static_cast<size_t>(i);
        const bool present = reply->present[k] == 1;
        markerPresent[k] = present ? 1 : 0;
        markerReadings[k] = present ? std::array<double, 2>{reply->frequency[k], reply->level[k]}
                                    : std::array<double, 2>{0.0, 0.0};
        values[k] = {static_cast<uint64_t>(markerReadings[k][0]), markerReadings[k][1]};
    }
    if (graphPanel && graphPanel->GetGraph()) graphPanel->SetMarkerFcValues(values);
}
