#include "tools/diag/diag_resources.h"

#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"
#include "platform/framework/list_box.h"
#include "platform/gfx/dc.h"

namespace diag {

using plat::RGB;

namespace {

using plat::DialogItem;
using plat::DialogTemplate;

constexpr uint32_t kDialogStyle = plat::WS_CAPTION | plat::DS_MODALFRAME | plat::DS_CENTER;
constexpr uint32_t kValueStyle =
    plat::ES_LEFT | plat::ES_AUTOHSCROLL | plat::ES_READONLY | plat::WS_BORDER;

DialogTemplate dialog(int id, int cx, int cy, std::u16string caption) {
    DialogTemplate t;
    t.id = id;
    t.style = kDialogStyle;
    t.cx = cx;
    t.cy = cy;
    t.caption = std::move(caption);
    return t;
}

DialogItem label(std::u16string text, int x, int y, int cx, int cy = 12) {
    return {"STATIC", std::move(text), 0, plat::SS_LEFT, x, y, cx, cy};
}
DialogItem value(int id, int x, int y, int cx, int cy = 12) {
    return {"EDIT", u"", id, kValueStyle, x, y, cx, cy};
}
DialogItem button(int id, int x, int y, int cx, int cy) {
    return {"BUTTON", u"", id, plat::BS_PUSHBUTTON, x, y, cx, cy};
}

// The main dialog, 455 x 320: the values in a column of labelled edits, the
// soft keys down the right edge, the menu keys along the bottom.
DialogTemplate main_dialog() {
    DialogTemplate t = dialog(IDD_TWDIAG, 455, 320, u"Tarnwick Diagnostics");
    struct Row {
        const char16_t* text;
        int id;
    };
    static constexpr Row rows[] = {
        {u"Unit Serial Number", IDC_SERIAL_NUMBER},
        {u"DSP Driver Version", IDC_DSP_DRIVER_VERSION},
        {u"Firmware Version", IDC_FIRMWARE_VERSION},
        {u"Keyboard Driver Version", IDC_KEYBOARD_DRIVER_VERSION},
        {u"SPI Driver Version", IDC_SPI_DRIVER_VERSION},
        {u"I/O Driver Version", IDC_IO_DRIVER_VERSION},
        {u"Battery Driver Version", IDC_BATTERY_DRIVER_VERSION},
        {u"I2C Driver Version", IDC_I2C_DRIVER_VERSION},
        {u"Program Version", IDC_PROGRAM_VERSION},
        {u"DSP Status", IDC_DSP_STATUS},
        {u"Error Code", IDC_ERROR_CODE},
        {u"Component ID", IDC_COMPONENT_ID},
    };
    constexpr int kTop = 8, kPitch = 19, kLabelX = 12, kLabelW = 120, kValueX = 136, kValueW = 180;
    int y = kTop;
    for (const Row& r : rows) {
        t.items.push_back(label(r.text, kLabelX, y + 2, kLabelW));
        t.items.push_back(value(r.id, kValueX, y, kValueW));
        y += kPitch;
    }
    t.items.push_back(label(u"Press Escape key to exit", kLabelX, y + 12, 200));
    constexpr int kSoftX = 392, kSoftW = 58, kSoftH = 29, kSoftPitch = 34;
    for (int i = 0; i < kSoftKeys; ++i)
        t.items.push_back(
            button(IDC_SOFT_KEY_FIRST + i, kSoftX, 4 + i * kSoftPitch, kSoftW, kSoftH));
    constexpr int kMenuY = 288, kMenuW = 60, kMenuH = 28, kMenuPitch = 64;
    for (int i = 0; i < kMenuKeys; ++i)
        t.items.push_back(
            button(IDC_MENU_KEY_FIRST + i, 4 + i * kMenuPitch, kMenuY, kMenuW, kMenuH));
    return t;
}

DialogTemplate keypad_test() {
    DialogTemplate t = dialog(IDD_KEYPAD_TEST, 200, 64, u"Keypad Test");
    t.items.push_back(label(u"Press any key, Press Escape key to end test", 10, 10, 180));
    t.items.push_back(value(IDC_KEY_NAME, 10, 32, 180, 14));
    return t;
}

DialogTemplate light_sensor_test() {
    DialogTemplate t = dialog(IDD_LIGHT_SENSOR_TEST, 160, 64, u"Light Sensor Test");
    t.items.push_back(label(u"Press Escape key to end test", 10, 10, 140));
    t.items.push_back(value(IDC_LIGHT_VALUE, 10, 32, 80, 14));
    return t;
}

DialogTemplate battery_status() {
    DialogTemplate t = dialog(IDD_BATTERY_STATUS, 170, 80, u"Battery Status");
    const struct {
        const char16_t* text;
        int id;
    } rows[] = {{u"Status", IDC_BATTERY_STATUS},
                {u"Level", IDC_BATTERY_LEVEL},
                {u"Temperature", IDC_BATTERY_TEMPERATURE}};
    int y = 10;
    for (const auto& r : rows) {
        t.items.push_back(label(r.text, 10, y + 2, 60));
        t.items.push_back(value(r.id, 74, y, 86));
        y += 20;
    }
    return t;
}

DialogTemplate file_select() {
    DialogTemplate t = dialog(IDD_FILE_SELECT, 220, 190, u"");
    t.items.push_back({"LISTBOX", u"", IDC_FILE_LIST,
                       plat::LBS_NOTIFY | plat::WS_BORDER | plat::WS_TABSTOP, 10, 8, 200, 140});
    t.items.push_back(label(u"Use Arrow and Scroll Wheel to select a file", 10, 154, 200, 10));
    t.items.push_back(label(u"Use Enter key to open selected file", 10, 168, 200, 10));
    return t;
}

}  // namespace

void register_diag_templates() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (DialogTemplate t :
             {main_dialog(), keypad_test(), light_sensor_test(), battery_status(), file_select()})
            plat::register_dialog_template(std::move(t));
    });
}

plat::Icon diag_icon() {
    constexpr int kSide = 32;
    plat::Bitmap image = plat::Bitmap::create(kSide, kSide, RGB(0x1C, 0x3F, 0x6E));
    plat::Dc dc(image);
    // The screen of a scope with its graticule and a green trace.
    dc.fill_rect({3, 3, 29, 25}, RGB(0, 0, 0));
    dc.select_pen(plat::Pen::solid(1, RGB(0x30, 0x50, 0x30)));
    for (int x = 3; x < 29; x += 6) {
        dc.move_to({x, 3});
        dc.line_to({x, 25});
    }
    dc.move_to({3, 14});
    dc.line_to({29, 14});
    dc.select_pen(plat::Pen::solid(2, RGB(0x40, 0xF0, 0x40)));
    static constexpr plat::Point trace[] = {{4, 20},  {8, 20},  {11, 8},  {14, 21},
                                            {17, 11}, {20, 18}, {23, 14}, {28, 14}};
    dc.polyline(trace);
    // Two knobs below the screen.
    dc.fill_rect({6, 27, 11, 30}, RGB(0xE4, 0xE8, 0xEE));
    dc.fill_rect({21, 27, 26, 30}, RGB(0xE4, 0xE8, 0xEE));
    return plat::Icon(std::move(image), {});
}

}  // namespace diag
