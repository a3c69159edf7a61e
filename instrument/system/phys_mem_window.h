#pragma once
// One GPIO pin of the processor through a 64 KB window onto its GPIO block.
#include <cstdint>

#include "platform/hardware/registers.h"

class CPhysMemWindow {
  public:
    // Maps the window and sets (output) or clears (input) the pin's direction
    // bit. Without the window every call does nothing.
    CPhysMemWindow(uint32_t mask, bool output);
    virtual ~CPhysMemWindow() = default;
    CPhysMemWindow(const CPhysMemWindow&) = delete;
    CPhysMemWindow& operator=(const CPhysMemWindow&) = delete;

    // Only for an output: drives the pin high or low.
    virtual void SetLevel(bool high);
    virtual uint32_t ReadDirection() const;
    virtual void WriteDirection(uint32_t value);
    virtual uint32_t DirectionOffset() const;
    virtual uint32_t SetOffset() const;
    virtual uint32_t ClearOffset() const;
    bool IsMapped() const { return bool(m_window); }

  private:
    uint32_t m_mask;
    plat::hw::RegisterWindow m_window;
    bool m_output;
};
