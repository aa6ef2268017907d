#include "core/engine/Errors.h"

#include <cerrno>
#include <cstring>

namespace vornix {

std::string RunTimeErrorMessage(int errnum) {
    switch (errnum) {
        case ENOENT:
        case ENOTDIR:
            return "File not found";
        case ENAMETOOLONG:
        case EINVAL:
        case EISDIR:
            return "Invalid filename";
        case EMFILE:
        case ENFILE:
            return "Too many open files";
        case EACCES:
        case EPERM:
        case EROFS:
            return "File access denied";
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "Disk full";
        default:
            return "I/O error " + std::to_string(errnum);
    }
}

std::string DescribeFileFailure(const std::string& what, const std::string& path, int errnum) {
    std::string text = what + " " + path;
    if (errnum != 0) {
        text += " (";
        text += std::strerror(errnum);
        text += ")";
    }
    return text;
}

FileError FileFailure(const std::string& what, const std::string& path, int errnum) {
    return FileError(DescribeFileFailure(what, path, errnum), errnum);
}

}  // namespace vornix
