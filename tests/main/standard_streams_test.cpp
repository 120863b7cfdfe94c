#include "main/standard_streams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace tilvane {
namespace {

// Standard output and error sent to one file, as `tilvane ... >log 2>&1` does,
// for the length of one test.
class OneFileForBoth {
public:
    OneFileForBoth() {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut_ = ::dup(1);
        savedErr_ = ::dup(2);
        ::dup2(file_, 1);
        ::dup2(file_, 2);
    }
    ~OneFileForBoth() {
        restore();
        ::close(file_);
        ::unlink(path_);
    }
    std::string text() {
        restore();
        std::string text(4096, '\0');
        ssize_t n = ::pread(file_, text.data(), text.size(), 0);
        text.resize(n > 0 ? size_t(n) : 0);
        return text;
    }

private:
    void restore() {
        if (savedOut_ < 0) return;
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(savedOut_, 1);
        ::dup2(savedErr_, 2);
        ::close(savedOut_);
        ::close(savedErr_);
        savedOut_ = savedErr_ = -1;
    }
    char path_[64] = "/tmp/tilvane-streams-XXXXXX";
    int file_ = ::mkstemp(path_);
    int savedOut_ = -1, savedErr_ = -1;
};

TEST(StandardStreams, WhatGoesToErrorComesAfterWhatWentToOutputBefore) {
    OneFileForBoth both;
    // No newline: a terminal's line buffering would not send it on by itself.
    standardOutput() << "listed, ";
    standardError() << "then the error\n";
    standardOutput() << "and the rest" << std::flush;
    EXPECT_EQ(both.text(), "listed, then the error\nand the rest");
}

}  // namespace
}  // namespace tilvane
