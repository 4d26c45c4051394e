// Tumbleview_BGM: the background music of a screen-saver run.  A music CD
// (the whole disc, or one track over and over) is played through the
// media-control device "cdaudio" and kept going by WatchCdAudio ticks; a
// WAV file loops through the sound player; an MP3 file is opened under
// the alias "MP3Play" and restarted by RepeatMp3 ticks once it has stopped.
//
// Only the saver run calls these, on its one user-interface thread.  No
// operation shows anything: failures end up in return codes, reply texts,
// LastApiResult and CdWatchActive.  Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace tumbleview {

class MediaControl;

// -1 while CD polling should go on, 0 once a tick has met an error.
extern std::int16_t CdWatchActive;

// Sends `command` with the 512-byte reply buffer.  Returns 0 and the reply
// text, or the MCI code and its error text ("Error (文字列が取れません)" when
// there is none); an empty command returns -1 and
// "コマンド文字列が指定されていません" without sending anything.  The code
// also goes to LastApiResult.
std::int32_t SendMciCommand(const std::string& command, std::string& reply);

// The reply of `command`, or "Error:" followed by the code in decimal.
std::string QueryMci(const std::string& command);

// Sends "play <device>[ from <from>][ to <to>]"; empty from/to are left out.
std::int32_t PlayMciDevice(const std::string& device, const std::string& from, const std::string& to);

void OpenCdAudio();
// One CD polling tick (every 200 ms): starts the disc, plays it again when
// it has finished, and keeps Settings.BgmRepeat's track playing.
void WatchCdAudio();
void CloseCdAudio();

// Loops Settings.BgmFile as a WAV file, if there is an audio output.
void PlayWave();
void StopWave();

// Opens Settings.BgmFile under "MP3Play" and plays it.
void PlayMp3();
bool IsMp3Playing();
// One MP3 tick (every 1000 ms): restarts the file from the start when it
// is no longer playing.
void RepeatMp3();
void StopMp3();

// The media layer used from now on; null means the system's own
// (systemMediaControl).  The layer must outlive its use.
void useMediaControl(MediaControl* layer);

}  // namespace tumbleview
