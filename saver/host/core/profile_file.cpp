#include "profile_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "basic_conversions.h"
#include "iconv_cp932.h"
#include "posix_atomic_file.h"

namespace tumbleview {
namespace {

constexpr char kUtf16Mark[] = "\xFF\xFE";
constexpr std::string_view kLineEnd = "\r\n";

// Stand-ins for file units that are no character.  Both ranges hold no
// character a caller can ask for, and every such unit stays distinct, so
// names never match through broken bytes.
constexpr char32_t kBrokenByteBase = 0xDC00;         // lone or unassigned CP932 byte
constexpr char32_t kUnmappedPairBase = 0x110000;     // lead/trail pair CP932 leaves unassigned
constexpr char32_t kReplacementCharacter = 0xFFFD;

enum class Encoding { Cp932, Utf16Le };

bool isProfileBlank(char32_t c) {
  return c == 0x09 || c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D || c == 0x1A || c == 0x20;
}

bool isBroken(char32_t c) {
  return (c >= 0xD800 && c <= 0xDFFF) || c >= kUnmappedPairBase;
}

// The file decoded to characters, each remembering where its bytes start,
// so that an edit can splice new bytes in and leave all others alone.
struct Document {
  Encoding encoding = Encoding::Cp932;
  std::string bytes;
  std::u32string chars;
  std::vector<std::uint32_t> offsets;  // byte offset of chars[i]; one more entry for the end
  bool clean = true;                   // every unit decoded to a real character
  bool oddTail = false;                // a UTF-16 file with a stray last byte
};

Document decode(std::string_view fileBytes) {
  Document doc;
  doc.bytes.assign(fileBytes);
  const std::string& b = doc.bytes;
  const std::size_t n = b.size();
  doc.chars.reserve(n);
  doc.offsets.reserve(n + 1);
  if (n >= 2 && b.compare(0, 2, kUtf16Mark) == 0) {
    doc.encoding = Encoding::Utf16Le;
    std::size_t i = 2;
    while (i + 1 < n) {
      const char32_t unit = static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8);
      doc.offsets.push_back(static_cast<std::uint32_t>(i));
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < n) {
        const char32_t low = static_cast<unsigned char>(b[i + 2]) | (static_cast<unsigned char>(b[i + 3]) << 8);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          doc.chars.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          i += 4;
          continue;
        }
      }
      // A lone surrogate keeps its own value, which isBroken recognises.
      if (unit >= 0xD800 && unit <= 0xDFFF) doc.clean = false;
      doc.chars.push_back(unit);
      i += 2;
    }
    doc.oddTail = i < n;
    if (doc.oddTail) doc.clean = false;
    doc.offsets.push_back(static_cast<std::uint32_t>(i));
    return doc;
  }
  std::size_t i = 0;
  while (i < n) {
    const auto lead = static_cast<unsigned char>(b[i]);
    doc.offsets.push_back(static_cast<std::uint32_t>(i));
    if (isCp932LeadByte(lead) && i + 1 < n && isCp932TrailByte(static_cast<unsigned char>(b[i + 1]))) {
      // A valid trail byte always belongs to its lead byte, even when the
      // pair is unassigned: a trail that looks like ']' or '\' is no syntax.
      const auto trail = static_cast<unsigned char>(b[i + 1]);
      char32_t cp = cp932CodePoint(lead, trail);
      if (cp == kNoCodePoint) {
        cp = kUnmappedPairBase + (static_cast<char32_t>(lead) << 8) + trail;
        doc.clean = false;
      }
      doc.chars.push_back(cp);
      i += 2;
      continue;
    }
    // A lead byte without a trail byte stands alone, so a line end after it
    // is still a line end.
    char32_t cp = isCp932LeadByte(lead) ? kNoCodePoint : cp932CodePoint(lead);
    if (cp == kNoCodePoint) {
      cp = kBrokenByteBase + lead;
      doc.clean = false;
    }
    doc.chars.push_back(cp);
    ++i;
  }
  doc.offsets.push_back(static_cast<std::uint32_t>(n));
  return doc;
}

enum class LineKind { Blank, Comment, Header, Entry, KeyOnly };

// One line, in character indices into Document::chars.
struct Line {
  LineKind kind = LineKind::Blank;
  std::size_t begin = 0;      // first character of the line
  std::size_t end = 0;        // end of the content, before the line end
  std::size_t next = 0;       // start of the next line
  std::size_t trimmedEnd = 0; // end of the content without trailing blanks
  std::size_t nameBegin = 0, nameEnd = 0;    // section name or key
  std::size_t afterEquals = 0;               // Entry only
  std::size_t valueBegin = 0, valueEnd = 0;  // Entry only
};

std::size_t skipBlanks(const std::u32string& s, std::size_t from, std::size_t to) {
  while (from < to && isProfileBlank(s[from])) ++from;
  return from;
}
std::size_t trimEnd(const std::u32string& s, std::size_t from, std::size_t to) {
  while (to > from && isProfileBlank(s[to - 1])) --to;
  return to;
}

std::vector<Line> splitLines(const std::u32string& s) {
  std::vector<Line> lines;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    Line line;
    line.begin = i;
    while (i < n && s[i] != '\r' && s[i] != '\n') ++i;
    line.end = i;
    if (i < n && s[i] == '\r') ++i;
    if (i < n && s[i] == '\n' && (i == line.end || s[i - 1] == '\r')) ++i;
    line.next = i;

    const std::size_t tb = skipBlanks(s, line.begin, line.end);
    const std::size_t te = trimEnd(s, tb, line.end);
    line.trimmedEnd = te;
    if (tb == te) {
      line.kind = LineKind::Blank;
    } else if (s[tb] == ';') {
      line.kind = LineKind::Comment;
    } else {
      std::size_t close = std::u32string::npos;
      if (s[tb] == '[') {
        for (std::size_t k = te; k > tb + 1; --k) {
          if (s[k - 1] == ']') {
            close = k - 1;
            break;
          }
        }
      }
      if (close != std::u32string::npos) {
        line.kind = LineKind::Header;
        line.nameBegin = skipBlanks(s, tb + 1, close);
        line.nameEnd = trimEnd(s, line.nameBegin, close);
      } else {
        std::size_t eq = tb;
        while (eq < te && s[eq] != '=') ++eq;
        line.nameBegin = tb;
        line.nameEnd = trimEnd(s, tb, eq);
        if (eq < te) {
          line.kind = LineKind::Entry;
          line.afterEquals = eq + 1;
          line.valueBegin = skipBlanks(s, eq + 1, te);
          line.valueEnd = te;
        } else {
          line.kind = LineKind::KeyOnly;
        }
      }
    }
    lines.push_back(line);
  }
  return lines;
}

// A requested name, trimmed and folded; nullopt for invalid UTF-8.
std::optional<std::u32string> foldedName(std::string_view name) {
  std::u32string chars = decodeUtf8(name);
  for (char32_t c : chars) {
    if (c >= 0xD800 && c <= 0xDFFF) return std::nullopt;
  }
  const std::size_t b = skipBlanks(chars, 0, chars.size());
  const std::size_t e = trimEnd(chars, b, chars.size());
  std::u32string folded = chars.substr(b, e - b);
  for (char32_t& c : folded) c = upperCaseOf(c);
  return folded;
}

bool nameMatches(const std::u32string& s, std::size_t begin, std::size_t end, const std::u32string& folded) {
  if (end - begin != folded.size()) return false;
  for (std::size_t k = 0; k < folded.size(); ++k) {
    if (upperCaseOf(s[begin + k]) != folded[k]) return false;
  }
  return true;
}

// Where a section and a key sit in the document (indices into lines).
struct Location {
  std::optional<std::size_t> header;     // the section's header line
  std::size_t sectionEnd = 0;            // first line after the section
  std::optional<std::size_t> lastEntry;  // last non-blank line of the section
  std::optional<std::size_t> key;        // the key's line
};

Location find(const std::u32string& s, const std::vector<Line>& lines, const std::u32string& section,
              const std::u32string& key) {
  Location where;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (!where.header) {
      if (line.kind == LineKind::Header && nameMatches(s, line.nameBegin, line.nameEnd, section)) {
        where.header = i;
      }
      continue;
    }
    if (line.kind == LineKind::Header) {
      where.sectionEnd = i;
      return where;
    }
    if (line.kind != LineKind::Blank) where.lastEntry = i;
    if (!where.key && (line.kind == LineKind::Entry || line.kind == LineKind::KeyOnly) &&
        nameMatches(s, line.nameBegin, line.nameEnd, key)) {
      where.key = i;
    }
  }
  where.sectionEnd = lines.size();
  return where;
}

// Cuts a value to the byte budget; see getProfileString.
std::string limitValue(std::u32string value, std::size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  const std::size_t budget = bufferSize - 1;
  std::size_t used = 0;
  std::size_t keep = 0;
  for (; keep < value.size(); ++keep) {
    char32_t& c = value[keep];
    if (isBroken(c)) c = kReplacementCharacter;
    std::size_t length = cp932Length(c);
    if (length == 0) length = encodeUtf8(std::u32string_view(&c, 1)).size();
    if (used + length > budget) break;
    used += length;
  }
  value.resize(keep);
  return encodeUtf8(value);
}

std::u32string stripQuotes(std::u32string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string defaultAnswer(std::string_view defaultValue, std::size_t bufferSize) {
  std::string_view d = defaultValue;
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  std::u32string chars = decodeUtf8(d);
  const std::size_t nul = chars.find(U'\0');
  if (nul != std::u32string::npos) chars.resize(nul);
  return limitValue(std::move(chars), bufferSize);
}

// ---- Writing -------------------------------------------------------------------

bool hasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The file that a write through `path` replaces: a symbolic link's target.
std::optional<std::string> writeTarget(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return std::nullopt;  // dangling link or loop
  std::string target = resolved;
  free(resolved);
  return target;
}

}  // namespace

ProfileFileBytes readProfileFileBytes(const std::string& path) {
  ProfileFileBytes result;
  if (path.empty()) return result;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    result.state = (errno == ENOENT || errno == ENOTDIR) ? ProfileFileState::Missing
                   : errno == EISDIR                     ? ProfileFileState::NotRegularFile
                                                         : ProfileFileState::Unreadable;
    return result;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    result.state = ProfileFileState::Unreadable;
  } else if (!S_ISREG(info.st_mode)) {
    result.state = ProfileFileState::NotRegularFile;
  } else if (static_cast<std::uint64_t>(info.st_size) > kProfileFileSizeLimit) {
    result.state = ProfileFileState::TooLarge;
  } else {
    // The size may change under us: read until the end, but never more
    // than one byte past the limit.
    std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t used = 0;
    result.state = ProfileFileState::Ok;
    while (used <= kProfileFileSizeLimit) {
      if (used == bytes.size()) bytes.resize(std::min(bytes.size() * 2, kProfileFileSizeLimit + 1));
      const ssize_t n = read(fd, bytes.data() + used, bytes.size() - used);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result.state = ProfileFileState::Unreadable;
        break;
      }
      if (n == 0) break;
      used += static_cast<std::size_t>(n);
    }
    if (result.state == ProfileFileState::Ok && used > kProfileFileSizeLimit) {
      result.state = ProfileFileState::TooLarge;
    }
    if (result.state == ProfileFileState::Ok) {
      bytes.resize(used);
      result.bytes = std::move(bytes);
    }
  }
  close(fd);
  return result;
}

std::string getProfileStringFromBytes(std::string_view fileBytes, std::string_view section,
                                      std::string_view key, std::string_view defaultValue,
                                      std::size_t bufferSize) {
  const std::optional<std::u32string> wantedSection = foldedName(section);
  const std::optional<std::u32string> wantedKey = foldedName(key);
  if (!wantedSection || !wantedKey || wantedSection->empty() || wantedKey->empty()) {
    return defaultAnswer(defaultValue, bufferSize);
  }
  const Document doc = decode(fileBytes);
  const std::vector<Line> lines = splitLines(doc.chars);
  const Location where = find(doc.chars, lines, *wantedSection, *wantedKey);
  if (!where.key || lines[*where.key].kind != LineKind::Entry) {
    return defaultAnswer(defaultValue, bufferSize);
  }
  const Line& line = lines[*where.key];
  std::u32string value = stripQuotes(doc.chars.substr(line.valueBegin, line.valueEnd - line.valueBegin));
  const std::size_t nul = value.find(U'\0');
  if (nul != std::u32string::npos) value.resize(nul);
  return limitValue(std::move(value), bufferSize);
}

std::string getProfileString(const std::string& path, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferSize) {
  const ProfileFileBytes file = readProfileFileBytes(path);
  if (file.state != ProfileFileState::Ok) return defaultAnswer(defaultValue, bufferSize);
  return getProfileStringFromBytes(file.bytes, section, key, defaultValue, bufferSize);
}

std::optional<std::string> editProfileBytes(std::string_view fileBytes, std::string_view section,
                                            std::string_view key, std::string_view value) {
  if (hasLineBreakOrNul(section) || hasLineBreakOrNul(key) || hasLineBreakOrNul(value)) return std::nullopt;
  const std::optional<std::u32string> wantedSection = foldedName(section);
  const std::optional<std::u32string> wantedKey = foldedName(key);
  if (!wantedSection || !wantedKey || wantedSection->empty() || wantedKey->empty()) return std::nullopt;
  if (wantedKey->find(U'=') != std::u32string::npos || wantedKey->front() == U'[' ||
      wantedKey->front() == U';') {
    return std::nullopt;
  }
  for (char32_t c : decodeUtf8(value)) {
    if (c >= 0xD800 && c <= 0xDFFF) return std::nullopt;
  }

  const Document doc = decode(fileBytes);
  if (doc.oddTail) return std::nullopt;
  const std::vector<Line> lines = splitLines(doc.chars);
  const Location where = find(doc.chars, lines, *wantedSection, *wantedKey);

  // The edit: characters [from, to) of the document give way to `text`.
  std::size_t from = doc.chars.size();
  std::size_t to = from;
  std::string text;
  const auto endsWithLineBreak = [&](const Line& line) { return line.next > line.end; };
  const std::string keyText(key);
  const std::string entryText = keyText + "=" + std::string(value);
  if (where.key) {
    const Line& line = lines[*where.key];
    // The new value follows the '=' directly: the key and its spacing stay,
    // and repeated writes of a value with a leading blank do not pile up blanks.
    if (line.kind == LineKind::Entry) {
      from = line.afterEquals;
      text = std::string(value);
    } else {
      from = line.trimmedEnd;
      text = "=" + std::string(value);
    }
    to = line.end;
  } else if (where.header) {
    const Line& after = lines[where.lastEntry.value_or(*where.header)];
    from = to = after.next;
    text = (endsWithLineBreak(after) ? "" : std::string(kLineEnd)) + entryText + std::string(kLineEnd);
  } else {
    const bool needBreak = !lines.empty() && !endsWithLineBreak(lines.back());
    text = (needBreak ? std::string(kLineEnd) : "") + "[" + std::string(section) + "]" +
           std::string(kLineEnd) + entryText + std::string(kLineEnd);
  }

  const std::size_t fromByte = doc.offsets[from];
  const std::size_t toByte = doc.offsets[to];
  if (doc.encoding == Encoding::Utf16Le) {
    const ConversionResult encoded = utf8ToUtf16Le(text);
    if (!encoded.ok()) return std::nullopt;
    return doc.bytes.substr(0, fromByte) + encoded.bytes + doc.bytes.substr(toByte);
  }
  const ConversionResult encoded = utf8ToCp932(text);
  if (encoded.ok()) return doc.bytes.substr(0, fromByte) + encoded.bytes + doc.bytes.substr(toByte);
  // CP932 cannot hold the new text: the whole file moves to UTF-16LE,
  // which Windows' profile functions read as well.
  if (encoded.status != TextConversion::Unrepresentable || !doc.clean) return std::nullopt;
  const std::u32string whole = doc.chars.substr(0, from) + decodeUtf8(text) + doc.chars.substr(to);
  const ConversionResult utf16 = utf8ToUtf16Le(encodeUtf8(whole));
  if (!utf16.ok()) return std::nullopt;
  return std::string(kUtf16Mark) + utf16.bytes;
}

bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  const std::optional<std::string> target = writeTarget(path);
  if (!target) return false;
  const ProfileFileBytes file = readProfileFileBytes(*target);
  // A new file gets the usual 0666 less the umask; a replaced one keeps its
  // mode.  Not private: settings are no secret, and other tools read them.
  AtomicWriteOptions options{.mode = 0666, .exactMode = false, .syncToDisk = true};
  if (file.state == ProfileFileState::Ok) {
    struct stat info {};
    if (stat(target->c_str(), &info) == 0) options = {.mode = info.st_mode & 07777, .exactMode = true};
  } else if (file.state != ProfileFileState::Missing) {
    return false;
  }
  const std::optional<std::string> newBytes = editProfileBytes(file.bytes, section, key, value);
  // A file the reader would refuse is as good as lost.
  if (!newBytes || newBytes->size() > kProfileFileSizeLimit) return false;
  // A settings file the user may write, in a folder the user may not (a
  // per-machine install), is still updated: in place, as a last resort.
  return replaceFileContents(*target, *newBytes, options, /*inPlaceFallback=*/true) == 0;
}

}  // namespace tumbleview
