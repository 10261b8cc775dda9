#pragma once
// Results of a file download, as 32-bit codes in the form the download
// window shows them ("下载出错 0x800C0008"): 0 for success, and for each kind
// of failure the code that the program's users and its site know.

#include <cstdint>

namespace download {

inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kInvalidUrl = 0x800C0002;        // the address cannot be used
inline constexpr uint32_t kCannotConnect = 0x800C0004;     // no connection to the server
inline constexpr uint32_t kResourceNotFound = 0x800C0005;  // unknown host
inline constexpr uint32_t kObjectNotFound = 0x800C0006;    // the server has no such file
inline constexpr uint32_t kDataNotAvailable = 0x800C0007;  // the server refused it otherwise
inline constexpr uint32_t kDownloadFailure = 0x800C0008;   // the transfer broke off
inline constexpr uint32_t kAuthenticationRequired = 0x800C0009;
inline constexpr uint32_t kRedirectFailed = 0x800C0014;
inline constexpr uint32_t kInvalidCertificate = 0x800C0019;
inline constexpr uint32_t kAborted = 0x80004004;  // the user cancelled
inline constexpr uint32_t kFailed = 0x80004005;
inline constexpr uint32_t kOutOfMemory = 0x8007000E;
// The destination file: a folder that is missing, no right to write, a full disk.
inline constexpr uint32_t kPathNotFound = 0x80070003;
inline constexpr uint32_t kAccessDenied = 0x80070005;
inline constexpr uint32_t kDiskFull = 0x80070070;

}  // namespace download
