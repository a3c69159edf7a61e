#pragma once
// Lines from a file descriptor (a script file, a pipe, a terminal), read so
// that a reader waiting for the next line can be woken from another thread:
// the program's end does not wait for a line that may never come.
#include <atomic>
#include <string>

namespace plat {

class LineReader {
  public:
    // Reads `fd`; closes it at the end when `owned`.
    LineReader(int fd, bool owned);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its end; false at the end of the input, on a
    // read error or once interrupted (a last line without an end counts).
    bool next(std::string& line);
    // Ends every present and later `next` (any thread).
    void interrupt();

  private:
    // Waits until input or the interruption arrives; false for the latter.
    bool wait_readable();

    int fd_;
    bool owned_;
    int wake_fd_ = -1;  // an eventfd that interrupt() sets
    std::atomic<bool> interrupted_{false};
    std::string buffer_;   // read but not yet handed out; reader thread only
    bool at_end_ = false;  // reader thread only
};

}  // namespace plat
