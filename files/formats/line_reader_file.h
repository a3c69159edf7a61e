#pragma once
// A text file read line by line: lines end at LF, every CR is dropped, each
// line is decoded from UTF-8. Empty lines are skipped; a line longer than
// kMaxLineBytes ends the reading.
#include <string>

#include "core/text.h"
#include "platform/fs/file.h"

class CLineReaderFile {
  public:
    static constexpr size_t kBufferSize = 1024;
    static constexpr size_t kMaxLineBytes = 64 * 1024;

    bool Open(const core::Text& path);
    void Close();
    // The next non-empty line; false at the end of the file (or on a read
    // error or a line over the limit, see Failed).
    bool ReadString(core::Text& line);
    bool Failed() const { return failed_; }

  private:
    // The next byte; false at the end or on an error.
    bool NextByte(char& c);

    plat::File file_;
    char buffer_[kBufferSize];
    size_t filled_ = 0;
    size_t position_ = 0;
    bool failed_ = false;
};
