#pragma once
// The progress bar: a range and a position, drawn as a filled share of the
// bar. The range is kept in 32 bits (PBM_SETRANGE32), besides the 16-bit
// PBM_SETRANGE.
#include <cstdint>

#include "platform/framework/wnd.h"

namespace plat {

inline constexpr char kProgressClass[] = "msctls_progress32";

// Progress messages.
inline constexpr uint32_t PBM_SETRANGE = WM_USER + 1;
inline constexpr uint32_t PBM_SETPOS = WM_USER + 2;
inline constexpr uint32_t PBM_DELTAPOS = WM_USER + 3;
inline constexpr uint32_t PBM_SETSTEP = WM_USER + 4;
inline constexpr uint32_t PBM_STEPIT = WM_USER + 5;
inline constexpr uint32_t PBM_SETRANGE32 = WM_USER + 6;
inline constexpr uint32_t PBM_GETRANGE = WM_USER + 7;
inline constexpr uint32_t PBM_GETPOS = WM_USER + 8;

inline constexpr COLORREF kProgressFill = RGB(0x2E, 0x8B, 0x57);

class CProgressCtrl : public CWnd {
  public:
    bool Create(uint32_t style, const Rect& r, CWnd* parent, int id);

    void SetRange32(int32_t lower, int32_t upper);
    void GetRange(int32_t& lower, int32_t& upper) const;
    // Answers the previous position; the position is kept inside the range.
    int32_t SetPos(int32_t pos);
    int32_t GetPos() const { return pos_; }
    int32_t OffsetPos(int32_t delta);
    int32_t SetStep(int32_t step);
    int32_t StepIt();
    // The filled pixels of the bar's inside as the position gives them.
    int FilledWidth() const;
    Rect BarInside() const;

  protected:
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    void OnPaint() override;

  private:
    int32_t lower_ = 0;  // UI thread
    int32_t upper_ = 100;
    int32_t pos_ = 0;
    int32_t step_ = 10;
};

void register_progress_control();

}  // namespace plat
