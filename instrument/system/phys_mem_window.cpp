#include "instrument/system/phys_mem_window.h"

#include "platform/hardware/processor_map.h"
#include "platform/kernel/debug_out.h"

using namespace plat::hw;

CPhysMemWindow::CPhysMemWindow(uint32_t mask, bool output) : m_mask(mask), m_output(output) {
    m_window = RegisterWindow::map(kGpioBase, kGpioWindowSize);
    if (!m_window) {
        plat::debug_output("Error! at VirtualCopy()\r\n");
        return;
    }
    if (m_output)
        WriteDirection(ReadDirection() | m_mask);
    else
        WriteDirection(ReadDirection() & ~m_mask);
}

// Masks of bank 0 use the first registers; a mask of 0 the third bank's.
uint32_t CPhysMemWindow::DirectionOffset() const {
    return m_mask ? kGpioDirection0 : kGpioDirection2;
}
uint32_t CPhysMemWindow::SetOffset() const {
    return m_mask ? kGpioSet0 : kGpioSet2;
}
uint32_t CPhysMemWindow::ClearOffset() const {
    return m_mask ? kGpioClear0 : kGpioClear2;
}

void CPhysMemWindow::SetLevel(bool high) {
    if (!m_output || !m_window) return;
    m_window.write(high ? SetOffset() : ClearOffset(), m_mask);
}

uint32_t CPhysMemWindow::ReadDirection() const {
    return m_window.read(DirectionOffset());
}

void CPhysMemWindow::WriteDirection(uint32_t value) {
    m_window.write(DirectionOffset(), value);
}
