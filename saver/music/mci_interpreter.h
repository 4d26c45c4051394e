// The media-control command interpreter: takes the command strings the
// music player sends ("open cdaudio", "status MP3Play mode", ...) and
// answers with the platform's reply texts and error codes.
//
// Grammar: verb, device (or alias), then keywords; verbs and keywords are
// case-insensitive, words are separated by blanks or tabs, a word in double
// quotes may hold blanks.  Verbs: close, open, play, set, status, stop.
// A command on a name that is not open opens it first (its answer is then
// the open's error, if the open fails) and closes it again afterwards,
// except after a play, which keeps it open; "close" of a name that is not
// open is 263.  "wait" and "notify" are accepted and change nothing:
// commands never block and no callback is ever sent (a "notify" on a
// device opened for the command is 300).
//
// Thread-safe: commands are serialised by one lock.
#pragma once

#include "mci_device.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tumbleview::mci {

struct Word;

class MciInterpreter {
 public:
  explicit MciInterpreter(MciDriverFactory& drivers);
  ~MciInterpreter();
  MciInterpreter(const MciInterpreter&) = delete;
  MciInterpreter& operator=(const MciInterpreter&) = delete;

  // mciSendString.  `command` is NUL-terminated UTF-8 (null counts as
  // empty).  When `reply` is not null and `replyLength` > 0 the reply
  // buffer is emptied first and, on success, receives the reply text; a
  // reply that does not fit (with its NUL) gives 268 and leaves the buffer
  // empty (an "open" whose device ID does not fit is undone).  Nothing is
  // ever written past `replyLength` bytes.  Returns 0 or an MciError code.
  std::uint32_t sendString(const char* command, char* reply, std::uint32_t replyLength);

  // Stops and closes every open device ("close all").
  void closeAll();

 private:
  struct Request;  // a parsed command
  struct OpenDevice {
    std::uint32_t id = 0;
    std::unique_ptr<MciDevice> device;
  };

  struct VerbEntry;
  std::uint32_t execute(const std::vector<Word>& words, std::uint32_t replyCapacity, std::string& reply);
  static std::uint32_t parseKeywords(const VerbEntry& entry, const std::vector<Word>& words, Request& request);
  std::uint32_t doClose(const Request& request, std::string& reply);
  std::uint32_t doOpen(const Request& request, std::string& reply);
  std::uint32_t doPlay(const Request& request, std::string& reply);
  std::uint32_t doSet(const Request& request, std::string& reply);
  std::uint32_t doStatus(const Request& request, std::string& reply);
  std::uint32_t doStop(const Request& request, std::string& reply);
  std::uint32_t findDevice(const Request& request, MciDevice*& device);
  std::uint32_t unusedId() const;

  static const VerbEntry kVerbs[];

  MciDriverFactory& m_drivers;
  mutable std::mutex m_mutex;
  std::map<std::string, OpenDevice> m_devices;  // key: lower-case alias
};

}  // namespace tumbleview::mci
