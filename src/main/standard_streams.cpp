#include "main/standard_streams.h"

#include <cstdio>
#include <streambuf>

namespace tilvane {

namespace {

// A stream buffer with no buffer of its own: every character goes straight
// to the C library's stream. What goes to standard error comes after what
// was written to standard output before it, as with std::cerr, even when
// both go to one file.
class StdioBuffer : public std::streambuf {
public:
    explicit StdioBuffer(std::FILE* file, std::FILE* flushedFirst = nullptr)
        : file_(file), flushedFirst_(flushedFirst) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (flushedFirst_) std::fflush(flushedFirst_);
        return std::fputc(c, file_) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (flushedFirst_) std::fflush(flushedFirst_);
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<size_t>(n), file_));
    }
    int sync() override { return std::fflush(file_) == 0 ? 0 : -1; }

private:
    std::FILE* file_;
    std::FILE* flushedFirst_;
};

}  // namespace

// Never destroyed, so that a log line written while the program ends still
// has somewhere to go.
std::ostream& standardOutput() {
    static auto* stream = new std::ostream(new StdioBuffer(stdout));
    return *stream;
}

std::ostream& standardError() {
    static auto* stream = new std::ostream(new StdioBuffer(stderr, stdout));
    return *stream;
}

}  // namespace tilvane
