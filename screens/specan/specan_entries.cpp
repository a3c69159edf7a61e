// The entry dialogs of the spectrum analyzer's settings menus.
#include "screens/specan/specan_entries.h"

namespace {

class DialogEntries : public ISpecAnEntries {
  public:
    explicit DialogEntries(plat::CWnd* frame) : frame_(frame) {}
    std::optional<int> Bandwidth(bool, int, int) override { return std::nullopt; }
    std::optional<int> SpanRbwRatio(int, int) override { return std::nullopt; }
    std::optional<double> RbwVbwRatio(int) override { return std::nullopt; }
    std::optional<double> GateDelay(uint32_t, int, int, int, int) override { return std::nullopt; }
    std::optional<double> Number(uint32_t, double, double, double, double, int) override {
        return std::nullopt;
    }
    std::optional<double> Amplitude(uint32_t, uint32_t, double, double, double, int) override {
        return std::nullopt;
    }
    std::optional<int> Scale(int, uint32_t, int) override { return std::nullopt; }
    std::optional<double> Offset(double, int) override { return std::nullopt; }

  private:
    plat::CWnd* frame_;
};

}  // namespace

std::unique_ptr<ISpecAnEntries> CreateDialogEntries(plat::CWnd* frame) {
    return std::make_unique<DialogEntries>(frame);
}

void CSpecAnMode::OnKeyEventHook(uint32_t, int) {}
