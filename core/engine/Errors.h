#pragma once
// One way of reporting a failed file operation everywhere: the error carries the
// message that the user sees ("Cannot open file PATH", "Cannot create file PATH", ...),
// and one place per command boundary turns it into an error box or a line on stderr.
#include <stdexcept>
#include <string>

namespace vornix {

class FileError : public std::runtime_error {
public:
    explicit FileError(const std::string& message, int errnum = 0) : std::runtime_error(message), code_(errnum) {}
    // The system's error number, 0 when none is known.
    int Code() const { return code_; }

private:
    int code_;
};

// The short message a failed save shows for a system error number: "File not found",
// "Invalid filename", "Too many open files", "File access denied", "Disk full", else
// "I/O error N".
std::string RunTimeErrorMessage(int errnum);

// "<what> PATH", with the system's reason appended when errno names one.
std::string DescribeFileFailure(const std::string& what, const std::string& path, int errnum);

// Every FileError of the core is built here, so each carries the system's error number
// and the message says why: "Cannot open file PATH (Permission denied)".
FileError FileFailure(const std::string& what, const std::string& path, int errnum);

}  // namespace vornix
