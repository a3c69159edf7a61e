#pragma once
// The soft input panel wrapper. Creating and deleting one hides the panel.
#include <cstdint>

#include "platform/framework/system_services.h"

class CSipHelper {
  public:
    // Input-method data values the panel understands.
    static constexpr uint32_t kImOpen = 1;
    // Asks for the selected character, answered in the second word.
    static constexpr uint32_t kImAnswer = 1;
    static constexpr uint32_t kImReady = 513;
    static constexpr uint32_t kImLeft = 3;
    static constexpr uint32_t kImUp = 5;
    static constexpr uint32_t kImRight = 2;
    static constexpr uint32_t kImDown = 4;

    CSipHelper();
    virtual ~CSipHelper();
    CSipHelper(const CSipHelper&) = delete;
    CSipHelper& operator=(const CSipHelper&) = delete;

    virtual int Hide();
    // Shows the panel at (x, y); 0 takes the defaults 212 and 320.
    virtual void ShowAt(int x, int y);
    virtual uint32_t GetImValue();
    virtual void SendImValue(uint32_t value);
    // Arrow keys become panel moves; false for any other key.
    virtual bool OnArrowKey(uint32_t key);
    virtual void OnWheel(int delta);
    // The character selected on the panel; 0 without a panel.
    virtual char16_t GetSelectedChar();

    bool available() const { return available_; }

  private:
    bool ReadInfo();
    void WriteIm(uint32_t value);

    plat::SipInfo info_{};
    uint32_t im_[2] = {};
    bool available_ = false;
};

// Hides the panel when there is one.
void ShowSip();
