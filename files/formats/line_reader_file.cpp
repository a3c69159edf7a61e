#include "files/formats/line_reader_file.h"

#include "platform/text/utf.h"

bool CLineReaderFile::Open(const core::Text& path) {
    file_ = plat::File::open(path, plat::FileAccess::Read, plat::FileOpen::Existing);
    filled_ = position_ = 0;
    failed_ = false;
    return static_cast<bool>(file_);
}

void CLineReaderFile::Close() {
    file_.close();
    filled_ = position_ = 0;
}

bool CLineReaderFile::NextByte(char& c) {
    if (position_ == filled_) {
        if (!file_) return false;
        int64_t n = file_.read(std::as_writable_bytes(std::span(buffer_, kBufferSize)));
        if (n < 0) failed_ = true;
        if (n <= 0) return false;
        filled_ = static_cast<size_t>(n);
        position_ = 0;
    }
    c = buffer_[position_++];
    return true;
}

bool CLineReaderFile::ReadString(core::Text& line) {
    line.clear();
    std::string bytes;
    char c = 0;
    for (;;) {
        bool more = NextByte(c);
        if (!more || c == '\n') {
            if (!bytes.empty()) break;
            if (!more) return false;
            continue;  // an empty line
        }
        if (c == '\r') continue;
        if (bytes.size() == kMaxLineBytes) {
            failed_ = true;
            return false;
        }
        bytes.push_back(c);
    }
    line = plat::from_utf8(bytes);
    return true;
}
