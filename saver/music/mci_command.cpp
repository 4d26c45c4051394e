#include "mci_command.h"

#include "mci_errors.h"

namespace tumbleview::mci {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::uint32_t splitWords(std::string_view command, std::vector<Word>& words) {
  words.clear();
  std::size_t at = 0;
  while (at < command.size()) {
    if (isBlank(command[at])) {
      ++at;
      continue;
    }
    Word word;
    if (command[at] == '"') {
      const std::size_t close = command.find('"', at + 1);
      if (close == std::string_view::npos) return kNoClosingQuote;
      if (close + 1 < command.size() && !isBlank(command[close + 1])) return kExtraCharacters;
      word.text.assign(command.substr(at + 1, close - at - 1));
      word.quoted = true;
      at = close + 1;
    } else {
      std::size_t end = at;
      while (end < command.size() && !isBlank(command[end])) ++end;
      word.text.assign(command.substr(at, end - at));
      at = end;
    }
    word.lower = lowerAscii(word.text);
    words.push_back(std::move(word));
  }
  return kOk;
}

std::uint32_t parseNumber(std::string_view text, std::uint32_t& value) {
  if (text.empty()) return kBadInteger;
  if (text.find(':') == std::string_view::npos) {
    std::uint64_t number = 0;
    for (const char c : text) {
      if (!isDigit(c)) return kBadInteger;
      number = number * 10 + static_cast<std::uint64_t>(c - '0');
      if (number > 0xFFFFFFFFu) return kBadInteger;
    }
    value = static_cast<std::uint32_t>(number);
    return kOk;
  }
  std::uint32_t packed = 0;
  int field = 0;
  bool anyDigits = false;
  std::uint32_t fieldValue = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ':') {
      if (field >= 4) return kBadInteger;
      packed |= fieldValue << (8 * field);
      ++field;
      fieldValue = 0;
      continue;
    }
    if (!isDigit(text[i])) return kBadInteger;
    anyDigits = true;
    fieldValue = fieldValue * 10 + static_cast<std::uint32_t>(text[i] - '0');
    if (fieldValue > 255) return kBadInteger;
  }
  if (!anyDigits) return kBadInteger;
  value = packed;
  return kOk;
}

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

}  // namespace tumbleview::mci
