#pragma once
// File references in talk messages. A message of type 1 carries the server
// path of an uploaded file instead of a text; the last path segment holds
// the original name percent-encoded between brackets, followed by its
// extension:  /upload/1712_3(a%20b%E4%BD%A0).jpg  ->  "a b你.jpg".
// Also the percent-encoding of file paths in download URLs.

#include <string>
#include <string_view>

namespace vel {

enum class FileRefResult
{
    Ok,
    NoSlash,    // the path has no "/"
    NoBrackets, // the last segment has no "(" ... ")" pair
};

// The file name in the local code page. `segment` gets the last path segment.
FileRefResult DecodeFileReference(std::string_view serverPath, std::string& ansiName, std::string& segment);

// "%" and two hexadecimal digits (letters in upper case) give one byte;
// anything else is kept as it is.
std::string PercentDecodeUpper(std::string_view text);

// Every byte except ! ' ( ) * - . digits ASCII letters ~ becomes "%XX"
// (upper-case hexadecimal).
std::string PercentEncodeFilePath(std::string_view text);

} // namespace vel
