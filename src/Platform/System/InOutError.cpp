// SPDX-License-Identifier: MIT
#include "InOutError.h"

// std
#include <cerrno>
#include <string>

namespace Platform {

namespace {
std::string ErrorText(int code)
{
    switch (code) {
    case TInOutError::EndOfFile:
        return "ファイルの末尾以降を読み込みました";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return "ファイルへのアクセスが拒否されました";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "ディスクがいっぱいです";
    default:
        return "I/O エラー (" + std::to_string(code) + ")";
    }
}
} // namespace

TInOutError::TInOutError(int code) : std::runtime_error(ErrorText(code)), Code(code) {}

} // namespace Platform
