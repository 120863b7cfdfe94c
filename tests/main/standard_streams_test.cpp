#include "main/standard_streams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace tilvane {
namespace {

// Standard output and error sent to one file, as `tilvane ... >log 2>&1`
// does: an error comes after what went to the output before it.
TEST(StandardStreams, WhatGoesToErrorComesAfterWhatWentToOutputBefore) {
    char path[] = "/tmp/tilvane-streams-XXXXXX";
    const int file = ::mkstemp(path);
    ASSERT_GE(file, 0);
    ::unlink(path);
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = ::dup(1), savedErr = ::dup(2);
    ::dup2(file, 1);
    ::dup2(file, 2);
    // No newline: a terminal's line buffering would not send it on by itself.
    standardOutput() << "listed, ";
    standardError() << "then the error\n";
    standardOutput() << "and the rest" << std::flush;
    std::fflush(stdout);
    std::fflush(stderr);
    ::dup2(savedOut, 1);
    ::dup2(savedErr, 2);
    ::close(savedOut);
    ::close(savedErr);
    std::string text(4096, '\0');
    text.resize(size_t(std::max<ssize_t>(::pread(file, text.data(), text.size(), 0), 0)));
    ::close(file);
    EXPECT_EQ(text, "listed, then the error\nand the rest");
}

}  // namespace
}  // namespace tilvane
