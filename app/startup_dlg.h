#pragma once
// The dialog shown while the program starts: company, product, model and
// version.
#include <string>

#include "app/language.h"
#include "platform/framework/dialog.h"

class CStartupDlg : public plat::CDialog {
  public:
    static constexpr int IDD = 211;
    static constexpr int kCompany = 1001;
    static constexpr int kTitle = 1002;
    static constexpr int kModel = 1003;
    static constexpr int kVersion = 1004;

    CStartupDlg(std::u16string model, std::u16string version, const UiFonts& fonts);

    // Creates the modeless window.
    bool Create(plat::CWnd* parent = nullptr);

  protected:
    bool OnInitDialog() override;

  private:
    std::u16string model_;
    std::u16string version_;
    plat::Font small_;
    plat::Font large_;
};
