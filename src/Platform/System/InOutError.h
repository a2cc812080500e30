// SPDX-License-Identifier: MIT
#pragma once
// The error of a failed read or write of one of the game's files.

// std
#include <stdexcept>

namespace Platform {

// what() is the UTF-8 text the error box shows; Code is the errno of the
// failed call, or EndOfFile when the file ended before its contents did.
class TInOutError : public std::runtime_error {
public:
    // Negative, so that it can never be mistaken for an errno value.
    static constexpr int EndOfFile = -1;

    explicit TInOutError(int code);
    int Code;
};

} // namespace Platform
