// SPDX-License-Identifier: MIT
#pragma once
// libjpeg's errors as a jump back to the caller, for everything that decodes
// or encodes with it. libjpeg reports errors through a callback that must not
// return (its own ends the process): this one keeps the library's message
// and jumps back to the setjmp of Jump.

// std
#include <csetjmp>
#include <cstdio>
// libjpeg
#include <jpeglib.h>

struct TJpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] inline void OnJpegError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}
