// The words of one command of the tools: its flags and options wherever they
// stand, its positional words in order, and the numbers, camera ids and
// byte strings they carry. Anything malformed is a usage error.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kmxtool {

// Bad command-line input: the tools print it with the command's usage and
// exits with 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class CommandLine {
  public:
    explicit CommandLine(std::vector<std::string> words) : words_(std::move(words)) {}

    // True when FLAG is among the words (it is taken out).
    bool Flag(const std::string& flag);
    // The word after OPTION, when OPTION is given (both are taken out).
    std::optional<std::string> Option(const std::string& option);
    // The camera of "-c ID" (ID as a connection id or as "USB%d"); a usage
    // error when it is missing.
    DWORD Camera();
    std::optional<DWORD> OptionalCamera();
    // The next positional word; a usage error naming WHAT when there is none.
    std::string Next(const std::string& what);
    std::optional<std::string> NextIfAny();
    // A usage error when words are left over.
    void Finish() const;

  private:
    std::vector<std::string> words_;
};

// TEXT as an unsigned number (decimal, or hexadecimal after 0x) of at most
// MAXIMUM; a usage error naming WHAT otherwise.
uint64_t ParseUnsigned(const std::string& text, const std::string& what, uint64_t maximum);
// TEXT as a signed 32-bit number (decimal, or hexadecimal after 0x, either
// after a minus sign); a usage error naming WHAT otherwise.
int32_t ParseSigned(const std::string& text, const std::string& what);
// Bytes written as hexadecimal pairs, optionally separated by spaces,
// colons or commas ("0a0b", "0a:0b").
std::vector<BYTE> ParseBytes(const std::string& text, const std::string& what);
std::string HexBytes(const BYTE* bytes, size_t count);
// A GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional).
GUID ParseGuid(const std::string& text, const std::string& what);
std::string GuidText(const GUID& guid);
// Camera identity words written "WORD1:WORD2".
std::pair<DWORD, DWORD> ParseIdentity(const std::string& text);
// "USB%d" of a connection id.
std::string CameraName(DWORD id);

}  // namespace kmxtool
