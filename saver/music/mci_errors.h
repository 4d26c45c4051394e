// Error codes of the media-control layer and the texts that go with them.
// The codes are the platform's MCIERR_* numbers; the texts are its native
// English wording, typography included (two spaces after a full stop inside
// a message, CR LF CR LF in 264).
#pragma once

#include <cstdint>
#include <string_view>

namespace tumbleview::mci {

enum MciError : std::uint32_t {
  kOk = 0,
  kInvalidDeviceId = 257,
  kUnrecognizedKeyword = 259,
  kUnrecognizedCommand = 261,
  kHardware = 262,
  kInvalidDeviceName = 263,
  kOutOfMemory = 264,
  kDeviceOpen = 265,
  kCannotLoadDriver = 266,
  kMissingCommandString = 267,
  kParamOverflow = 268,
  kMissingStringArgument = 269,
  kBadInteger = 270,
  kMissingParameter = 273,
  kUnsupportedFunction = 274,
  kFileNotFound = 275,
  kDeviceNotReady = 276,
  kInternal = 277,
  kCannotUseAll = 279,
  kExtensionNotFound = 281,
  kOutOfRange = 282,
  kFlagsNotCompatible = 284,
  kDuplicateAlias = 289,
  kBadConstant = 290,
  kMissingDeviceName = 292,
  kBadTimeFormat = 293,
  kNoClosingQuote = 294,
  kDuplicateFlags = 295,
  kInvalidFile = 296,
  kNotifyOnAutoOpen = 300,
  kExtraCharacters = 305,
  kDeviceNotInstalled = 306,
};

// The text of an error code, or an empty view for 0 and for codes that
// have none.
std::string_view errorText(std::uint32_t code);

// mciGetErrorString: copies the text of `code` into `text` (at most
// `length` - 1 bytes, always NUL-terminated) and returns true; returns false
// and writes nothing for codes without a text, a null buffer or length 0.
bool getErrorString(std::uint32_t code, char* text, std::uint32_t length);

}  // namespace tumbleview::mci
