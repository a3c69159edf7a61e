#pragma once
// CInfoDlgBase: the read-only information boxes of the tools screen. A box
// takes the screen's list area; its upper block holds a short contact text,
// its lower block rows of a label and one or two fields. It never takes the
// keyboard focus: the screen behind it keeps the keys. Timer 3 refreshes the
// fields at the period the box asks for.
#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"
#include "dialogs/list_dlg.h"
#include "platform/framework/dialog.h"

class CInfoDlgBase : public CListDlg {
  public:
    static constexpr uintptr_t kRefreshTimer = 3;
    // Statics of the contact block.
    static constexpr int kFirstContact = 1308;
    static constexpr int kContactCount = 6;

    // One row of the lower block: a label static (its string id is its
    // control id) and up to two fields, in one of two columns.
    struct Row {
        int label;
        int field;
        int field2;
        int column;
    };

    CInfoDlgBase(int idd, plat::CWnd* frame, plat::CWnd* screen, uint32_t refresh_ms);
    ~CInfoDlgBase() override;

    // The box's rectangle (screen coordinates), before Create.
    void SetArea(const plat::Rect& area) { m_Area = area; }
    // The text of a label or field.
    core::Text GetItemText(int id) const;
    // The labels', the contact block's and the fields' texts again
    // (language change).
    void ReloadTexts();
    // Fills the fields now.
    virtual void Refresh() = 0;

    bool OnArrow(uint32_t key, bool pressed) override;
    bool OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags) override;

  protected:
    // Registers the template of the box with the contact block and the rows.
    static void RegisterInfoTemplate(int idd, const std::vector<Row>& rows,
                                     std::vector<plat::DialogItem> extra);
    bool OnInitDialog() override;
    void OnTimer(uintptr_t id) override;
    void OnDestroy() override;
    void SetField(int id, const core::Text& text);
    virtual const std::vector<Row>& Rows() const = 0;
    // The font the box's texts use (the interface face, 10 points).
    const plat::Font& DialogFont() const { return m_DialogFont; }

  private:
    plat::Font m_DialogFont;  // owned
    plat::Rect m_Area{};
    uint32_t m_RefreshMs;
};

// A one-value text from a format of the string table ("%d s", "%.1f%% free"):
// its one conversion takes the value, "%%" gives "%".
core::Text FormatResValue(uint32_t format_id, double value);
