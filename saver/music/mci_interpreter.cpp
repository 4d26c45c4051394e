#include "mci_interpreter.h"

#include "mci_command.h"
#include "mci_errors.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <span>

namespace tumbleview::mci {

const char* timeFormatWord(TimeFormat format) {
  switch (format) {
    case TimeFormat::Milliseconds: return "milliseconds";
    case TimeFormat::Msf: return "msf";
    case TimeFormat::Tmsf: return "tmsf";
  }
  return "";
}

namespace command_table {

enum class Keyword {
  Alias,
  CurrentTrack,
  From,
  Length,
  MediaPresent,
  Mode,
  Notify,
  NumberOfTracks,
  Position,
  Ready,
  Shareable,
  TimeFormat,
  To,
  Track,
  Type,
  Wait,
};

struct KeywordRule {
  std::string_view phrase;  // lower case; several words separated by one blank
  Keyword keyword;
  bool takesValue;
};

constexpr KeywordRule kCloseKeywords[] = {
    {"notify", Keyword::Notify, false},
    {"wait", Keyword::Wait, false},
};
constexpr KeywordRule kOpenKeywords[] = {
    {"alias", Keyword::Alias, true},
    {"notify", Keyword::Notify, false},
    {"shareable", Keyword::Shareable, false},
    {"type", Keyword::Type, true},
    {"wait", Keyword::Wait, false},
};
constexpr KeywordRule kPlayKeywords[] = {
    {"from", Keyword::From, true},
    {"notify", Keyword::Notify, false},
    {"to", Keyword::To, true},
    {"wait", Keyword::Wait, false},
};
constexpr KeywordRule kSetKeywords[] = {
    {"notify", Keyword::Notify, false},
    {"time format", Keyword::TimeFormat, true},
    {"wait", Keyword::Wait, false},
};
constexpr KeywordRule kStatusKeywords[] = {
    {"current track", Keyword::CurrentTrack, false},
    {"length", Keyword::Length, false},
    {"media present", Keyword::MediaPresent, false},
    {"mode", Keyword::Mode, false},
    {"notify", Keyword::Notify, false},
    {"number of tracks", Keyword::NumberOfTracks, false},
    {"position", Keyword::Position, false},
    {"ready", Keyword::Ready, false},
    {"time format", Keyword::TimeFormat, false},
    {"track", Keyword::Track, true},
    {"wait", Keyword::Wait, false},
};
constexpr KeywordRule kStopKeywords[] = {
    {"notify", Keyword::Notify, false},
    {"wait", Keyword::Wait, false},
};

struct StatusKeyword {
  Keyword keyword;
  StatusItem item;
};
constexpr StatusKeyword kStatusItems[] = {
    {Keyword::CurrentTrack, StatusItem::CurrentTrack},
    {Keyword::Length, StatusItem::Length},
    {Keyword::MediaPresent, StatusItem::MediaPresent},
    {Keyword::Mode, StatusItem::Mode},
    {Keyword::NumberOfTracks, StatusItem::NumberOfTracks},
    {Keyword::Position, StatusItem::Position},
    {Keyword::Ready, StatusItem::Ready},
    {Keyword::TimeFormat, StatusItem::TimeFormat},
};

struct TimeFormatName {
  std::string_view name;
  TimeFormat format;
};
constexpr TimeFormatName kTimeFormats[] = {
    {"milliseconds", TimeFormat::Milliseconds},
    {"ms", TimeFormat::Milliseconds},
    {"msf", TimeFormat::Msf},
    {"tmsf", TimeFormat::Tmsf},
};

// File name extensions that the sound-file driver takes without "type".
constexpr std::string_view kSoundExtensions[] = {
    "aif", "aiff", "flac", "it", "mid", "midi", "mod", "mp2", "mp3",
    "oga", "ogg", "opus", "s3m", "voc", "wav", "xm",
};

constexpr std::string_view kCdAudioName = "cdaudio";
constexpr std::string_view kMpegVideoName = "mpegvideo";
constexpr std::string_view kAllName = "all";

// Number of words of `phrase` that match the words from `at` on, or 0.
std::size_t matchPhrase(std::string_view phrase, const std::vector<Word>& words, std::size_t at) {
  std::size_t count = 0;
  while (!phrase.empty()) {
    const std::size_t blank = phrase.find(' ');
    const std::string_view part = phrase.substr(0, blank);
    if (at + count >= words.size() || words[at + count].lower != part) return 0;
    ++count;
    phrase = blank == std::string_view::npos ? std::string_view{} : phrase.substr(blank + 1);
  }
  return count;
}

}  // namespace command_table

using command_table::Keyword;
using command_table::KeywordRule;

struct MciInterpreter::Request {
  const Word* device = nullptr;
  std::string deviceKey;  // lower case
  std::map<Keyword, std::string> arguments;  // keyword -> value ("" for flags)
  std::uint32_t replyCapacity = 0;

  bool has(Keyword keyword) const { return arguments.count(keyword) != 0; }
  const std::string& value(Keyword keyword) const { return arguments.at(keyword); }
};

struct MciInterpreter::VerbEntry {
  std::string_view name;
  std::span<const KeywordRule> keywords;
  std::uint32_t (MciInterpreter::*handler)(const Request&, std::string&);
};

// Sorted by verb: looked up by binary search.
const MciInterpreter::VerbEntry MciInterpreter::kVerbs[] = {
    {"close", command_table::kCloseKeywords, &MciInterpreter::doClose},
    {"open", command_table::kOpenKeywords, &MciInterpreter::doOpen},
    {"play", command_table::kPlayKeywords, &MciInterpreter::doPlay},
    {"set", command_table::kSetKeywords, &MciInterpreter::doSet},
    {"status", command_table::kStatusKeywords, &MciInterpreter::doStatus},
    {"stop", command_table::kStopKeywords, &MciInterpreter::doStop},
};

MciInterpreter::MciInterpreter(MciDriverFactory& drivers) : m_drivers(drivers) {}

MciInterpreter::~MciInterpreter() { closeAll(); }

void MciInterpreter::closeAll() {
  std::lock_guard lock(m_mutex);
  m_devices.clear();
}

std::uint32_t MciInterpreter::sendString(const char* command, char* reply, std::uint32_t replyLength) {
  const std::uint32_t capacity = reply != nullptr ? replyLength : 0;
  if (capacity > 0) reply[0] = '\0';

  std::vector<Word> words;
  const std::uint32_t splitCode = splitWords(command != nullptr ? command : "", words);
  if (splitCode != kOk) return splitCode;

  std::string text;
  std::lock_guard lock(m_mutex);
  const std::uint32_t code = execute(words, capacity, text);
  if (code != kOk || capacity == 0) return code;
  if (text.size() >= capacity) return kParamOverflow;
  std::memcpy(reply, text.c_str(), text.size() + 1);
  return kOk;
}

std::uint32_t MciInterpreter::execute(const std::vector<Word>& words, std::uint32_t replyCapacity,
                                      std::string& reply) {
  if (words.empty()) return kMissingCommandString;
  const std::string& verb = words[0].lower;
  const auto* entry = std::lower_bound(
      std::begin(kVerbs), std::end(kVerbs), verb,
      [](const VerbEntry& candidate, const std::string& wanted) { return candidate.name < wanted; });
  if (entry == std::end(kVerbs) || entry->name != verb) return kUnrecognizedCommand;
  if (words.size() < 2) return kMissingDeviceName;

  Request request;
  request.device = &words[1];
  request.deviceKey = words[1].lower;
  request.replyCapacity = replyCapacity;
  // A name that is not open is opened for the command, as "open <name>"
  // would, and a failed open is the command's answer.  Only "close" never
  // opens.
  bool autoOpened = false;
  if (entry->handler != &MciInterpreter::doOpen && request.deviceKey != command_table::kAllName &&
      m_devices.count(request.deviceKey) == 0) {
    if (entry->handler == &MciInterpreter::doClose) return kInvalidDeviceName;
    Request open;
    open.device = request.device;
    open.deviceKey = request.deviceKey;
    std::string ignored;
    if (const std::uint32_t code = doOpen(open, ignored); code != kOk) return code;
    autoOpened = true;
  }
  std::uint32_t code = parseKeywords(*entry, words, request);
  if (code == kOk && autoOpened && request.has(Keyword::Notify)) code = kNotifyOnAutoOpen;
  if (code == kOk) code = (this->*entry->handler)(request, reply);
  // An opened-for-the-command device closes again, except one that plays.
  if (autoOpened && (code != kOk || entry->handler != &MciInterpreter::doPlay)) m_devices.erase(request.deviceKey);
  return code;
}

std::uint32_t MciInterpreter::parseKeywords(const VerbEntry& entry, const std::vector<Word>& words,
                                            Request& request) {
  for (std::size_t at = 2; at < words.size();) {
    // The longest phrase wins, so "current track" is not read as "track".
    const KeywordRule* best = nullptr;
    std::size_t bestLength = 0;
    for (const KeywordRule& rule : entry.keywords) {
      const std::size_t length = command_table::matchPhrase(rule.phrase, words, at);
      if (length > bestLength) {
        best = &rule;
        bestLength = length;
      }
    }
    if (best == nullptr) return kUnrecognizedKeyword;
    at += bestLength;
    std::string value;
    if (best->takesValue) {
      if (at >= words.size()) return kMissingParameter;
      value = words[at++].text;
    }
    if (!request.arguments.emplace(best->keyword, std::move(value)).second) return kDuplicateFlags;
  }
  return kOk;
}

std::uint32_t MciInterpreter::findDevice(const Request& request, MciDevice*& device) {
  if (request.deviceKey == command_table::kAllName) return kCannotUseAll;
  const auto found = m_devices.find(request.deviceKey);
  if (found == m_devices.end()) return kInvalidDeviceName;
  device = found->second.device.get();
  return kOk;
}

std::uint32_t MciInterpreter::unusedId() const {
  std::uint32_t id = 1;
  for (;;) {
    const bool used = std::any_of(m_devices.begin(), m_devices.end(),
                                  [id](const auto& entry) { return entry.second.id == id; });
    if (!used) return id;
    ++id;
  }
}

std::uint32_t MciInterpreter::doClose(const Request& request, std::string&) {
  if (request.deviceKey == command_table::kAllName) {
    m_devices.clear();
    return kOk;
  }
  const auto found = m_devices.find(request.deviceKey);
  if (found == m_devices.end()) return kInvalidDeviceName;
  m_devices.erase(found);
  return kOk;
}

std::uint32_t MciInterpreter::doOpen(const Request& request, std::string& reply) {
  if (request.deviceKey == command_table::kAllName) return kCannotUseAll;
  const std::string& name = request.device->text;

  enum class Driver { CdAudio, MpegVideo } driver;
  if (request.has(Keyword::Type)) {
    const std::string type = lowerAscii(request.value(Keyword::Type));
    if (type == command_table::kCdAudioName) {
      driver = Driver::CdAudio;
    } else if (type == command_table::kMpegVideoName) {
      driver = Driver::MpegVideo;
    } else {
      return kInvalidDeviceName;
    }
  } else if (request.deviceKey == command_table::kCdAudioName) {
    driver = Driver::CdAudio;
  } else {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return kInvalidDeviceName;
    const std::string extension = lowerAscii(name.substr(dot + 1));
    const bool known = std::binary_search(std::begin(command_table::kSoundExtensions),
                                          std::end(command_table::kSoundExtensions), extension);
    if (!known) return kExtensionNotFound;
    driver = Driver::MpegVideo;
  }

  const bool hasAlias = request.has(Keyword::Alias);
  const std::string key = hasAlias ? lowerAscii(request.value(Keyword::Alias)) : request.deviceKey;
  if (key.empty()) return kInvalidDeviceName;
  if (m_devices.count(key) != 0) return hasAlias ? kDuplicateAlias : kDeviceOpen;

  std::uint32_t error = kOk;
  std::unique_ptr<MciDevice> device = driver == Driver::CdAudio ? m_drivers.openCdAudio(error)
                                                                : m_drivers.openMpegVideo(name, error);
  if (device == nullptr) return error != kOk ? error : kCannotLoadDriver;

  const std::uint32_t id = unusedId();
  std::string idText = std::to_string(id);
  // A caller that cannot receive the ID gets no device either.
  if (request.replyCapacity > 0 && idText.size() >= request.replyCapacity) return kParamOverflow;
  m_devices.emplace(key, OpenDevice{id, std::move(device)});
  reply = std::move(idText);
  return kOk;
}

std::uint32_t MciInterpreter::doPlay(const Request& request, std::string&) {
  MciDevice* device = nullptr;
  if (const std::uint32_t code = findDevice(request, device); code != kOk) return code;
  std::optional<std::uint32_t> from;
  std::optional<std::uint32_t> to;
  std::uint32_t number = 0;
  if (request.has(Keyword::From)) {
    if (const std::uint32_t code = parseNumber(request.value(Keyword::From), number); code != kOk) return code;
    from = number;
  }
  if (request.has(Keyword::To)) {
    if (const std::uint32_t code = parseNumber(request.value(Keyword::To), number); code != kOk) return code;
    to = number;
  }
  return device->play(from, to);
}

std::uint32_t MciInterpreter::doSet(const Request& request, std::string&) {
  MciDevice* device = nullptr;
  if (const std::uint32_t code = findDevice(request, device); code != kOk) return code;
  if (!request.has(Keyword::TimeFormat)) return kMissingParameter;
  const std::string wanted = lowerAscii(request.value(Keyword::TimeFormat));
  for (const auto& entry : command_table::kTimeFormats) {
    if (entry.name == wanted) return device->setTimeFormat(entry.format);
  }
  return kBadTimeFormat;
}

std::uint32_t MciInterpreter::doStatus(const Request& request, std::string& reply) {
  MciDevice* device = nullptr;
  if (const std::uint32_t code = findDevice(request, device); code != kOk) return code;
  StatusQuery query;
  int items = 0;
  for (const auto& entry : command_table::kStatusItems) {
    if (request.has(entry.keyword)) {
      query.item = entry.item;
      ++items;
    }
  }
  if (items == 0) return kMissingParameter;
  if (items > 1) return kFlagsNotCompatible;
  if (request.has(Keyword::Track)) {
    if (query.item != StatusItem::Position && query.item != StatusItem::Length) return kFlagsNotCompatible;
    std::uint32_t track = 0;
    if (const std::uint32_t code = parseNumber(request.value(Keyword::Track), track); code != kOk) return code;
    query.track = track;
  }
  return device->status(query, reply);
}

std::uint32_t MciInterpreter::doStop(const Request& request, std::string&) {
  MciDevice* device = nullptr;
  if (const std::uint32_t code = findDevice(request, device); code != kOk) return code;
  return device->stop();
}

}  // namespace tumbleview::mci
