// The checks of korintool's results that the command tests share.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace korin::testing {

using Args = std::vector<std::string>;

// Exit 0 with exactly this on stdout and stderr.
inline ::testing::AssertionResult Ok(const ToolResult& r, const std::string& out, const std::string& err = "") {
    if (r.exitCode == 0 && r.out == out && r.err == err) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit " << r.exitCode << ", stdout [" << r.out << "], stderr [" << r.err
                                         << "], expected stdout [" << out << "] stderr [" << err << "]";
}

// Exit 1 with the store's message alone on stderr.
inline ::testing::AssertionResult Fails(const ToolResult& r, const std::string& message) {
    if (r.exitCode == 1 && r.err == message + "\n" && r.out.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit " << r.exitCode << ", stdout [" << r.out << "], stderr [" << r.err
                                         << "], expected [" << message << "]";
}

}  // namespace korin::testing
