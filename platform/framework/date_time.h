#pragma once
// The date-time picker: a time (hours:minutes:seconds) or a date
// (day/month/year) in fields. Left and Right move between the fields, Up and
// Down change the selected field, wrapping within its range; a change that
// would make an impossible date clamps the day to the month's length.
#include <cstdint>
#include <string>

#include "platform/framework/wnd.h"
#include "platform/kernel/clock.h"

namespace plat {

inline constexpr char kDateTimeClass[] = "SysDateTimePick32";

// Picker styles.
inline constexpr uint32_t DTS_SHORTDATEFORMAT = 0x0000;
inline constexpr uint32_t DTS_UPDOWN = 0x0001;
inline constexpr uint32_t DTS_TIMEFORMAT = 0x0009;

// Picker messages and the result of DTM_GETSYSTEMTIME.
inline constexpr uint32_t DTM_GETSYSTEMTIME = 0x1001;
inline constexpr uint32_t DTM_SETSYSTEMTIME = 0x1002;
inline constexpr intptr_t GDT_VALID = 0;
inline constexpr intptr_t GDT_ERROR = -1;

// WM_NOTIFY to the parent after the user changed a field.
inline constexpr int DTN_DATETIMECHANGE = -759;
struct NMDATETIMECHANGE {
    int code = DTN_DATETIMECHANGE;
    int idFrom = 0;
    SystemTime st;
};

// The years a date field offers.
inline constexpr int kPickerFirstYear = 1980;
inline constexpr int kPickerLastYear = 2099;

int days_in_month(int year, int month);

class CDateTimeCtrl : public CWnd {
  public:
    enum Field { kHour, kMinute, kSecond, kDay, kMonth, kYear };

    bool Create(uint32_t style, const Rect& r, CWnd* parent, int id);

    bool IsTimeFormat() const { return (style() & DTS_TIMEFORMAT) == DTS_TIMEFORMAT; }
    SystemTime GetTime() const { return time_; }
    // Keeps the fields the picker shows in range (a day beyond the month's
    // length becomes its last day); answers false for an unusable time.
    bool SetTime(const SystemTime& t);
    // 0..2: the selected field of the three shown.
    int GetSelectedField() const { return field_; }
    void SelectField(int index);
    // Changes the selected field by one step up (+1) or down (-1).
    void StepField(int direction);
    // The text the picker shows.
    std::u16string FormatText() const;

  protected:
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    void OnPaint() override;
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(CWnd* old) override;
    void OnKillFocus(CWnd* next) override;
    void OnLButtonDown(uint32_t flags, Point p) override;

  private:
    Field field_kind(int index) const;
    void notify_change();

    SystemTime time_ = {2000, 1, 6, 1, 0, 0, 0, 0};  // UI thread
    int field_ = 0;
};

void register_date_time_control();

}  // namespace plat
