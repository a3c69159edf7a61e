#include "app/write_failure_notice.h"

#include "core/history.h"
#include "core/res_string.h"
#include "platform/kernel/debug_out.h"
#include "platform/text/utf.h"
#include "platform/window/message_loop.h"

namespace {
constexpr uint32_t kRegistryNotWritten = 65001;
constexpr uint32_t kHistoryNotWritten = 65002;
}  // namespace

CWriteFailureNotice::CWriteFailureNotice(uint32_t historyBit, StatusLine statusLine)
    : history_bit_(historyBit),
      status_line_(std::make_shared<const StatusLine>(std::move(statusLine))) {}

uint32_t CWriteFailureNotice::TextId(Kind kind) {
    return kind == kRegistry ? kRegistryNotWritten : kHistoryNotWritten;
}

void CWriteFailureNotice::Written(Kind kind, bool ok) {
    if (ok) {
        said_[kind].store(false);
        return;
    }
    if (!said_[kind].exchange(true)) Say(kind);
}

void CWriteFailureNotice::Say(Kind kind) {
    const std::u16string text = LoadResString(TextId(kind));
    HistoryAdd(history_bit_, text, kHistoryNoValue);
    plat::debug_printf("%s\n", plat::to_utf8(text).c_str());
    const uint32_t ui = ui_thread_.load();
    if (!ui || !*status_line_) return;
    std::weak_ptr<const StatusLine> line = status_line_;
    (void)plat::queue_on_ui_thread(ui, [line, text] {
        if (const auto show = line.lock()) (*show)(text);
    });
}
