// Audio devices: one device per open audio file, played through SDL2_mixer.
//
// Contract
// - A device is a uint32 id handed out by openDevice; 0 is no device. Ids are
//   never reused within a process. Each device owns one mixer channel, so any
//   number of devices (music and sound together) play at the same time.
// - Opening reads the file (WAV, MP3, OGG, FLAC) into memory and its header;
//   it is decoded into the mixer's output format while it plays, on the audio
//   thread (a file libsndfile cannot read is decoded whole at opening). The path goes to the file system as given. Only a
//   regular file of at most kMaxSoundFileBytes (media/story_file.h) whose
//   leading bytes pass checkSound (media/audio/sound_check.h) is opened.
// - Positions are milliseconds from the start of the file. A device plays once
//   (no looping) and stops at its end, where its position stays.
// - Volume is 0 (silent) to 1000 (full), the level of a fresh device.
// - SDL audio and the mixer start on first use (SDL_AUDIODRIVER selects the
//   driver). Operations on id 0, on closed ids, and everything when no audio
//   device can be opened, fail silently: false, mode 0, position 0.
// - All calls come from one thread; playback runs on SDL's audio thread and
//   no call waits for it.
#pragma once

#include <cstdint>
#include <string>

class AudioPlayer {
public:
    static constexpr std::uint32_t kModeStop = 525; // MCI_MODE_STOP
    static constexpr std::uint32_t kModePlay = 526; // MCI_MODE_PLAY

    // Stores the new device id in slot (0 on failure); true on success.
    static bool openDevice(std::uint32_t& slot, const std::string& path);
    // Starts playback at positionMs (clamped to the end; at the end nothing plays).
    static bool playFrom(std::uint32_t device, std::uint32_t positionMs);
    // Starts playback at the device's current position: the start for a fresh
    // device, the end for one that has played out.
    static bool playFromPosition(std::uint32_t device);
    // kModePlay while playing, kModeStop otherwise, 0 for no device.
    static std::uint32_t mode(std::uint32_t device);
    static std::uint32_t positionMs(std::uint32_t device);
    static std::uint32_t lengthMs(std::uint32_t device);
    // volume in 0..1000, clamped.
    static bool setVolume(std::uint32_t device, int volume);
    // Stops playback and frees the decoded audio.
    static bool closeDevice(std::uint32_t device);

    // Whether files can be opened at all: starts the mixer when it has not
    // been tried yet; false when no audio device can be opened.
    static bool available();

    // Closes every device and the mixer; the next call starts them again with
    // the environment of that time.
    static void shutdown();

    // Keeps SDL from installing its own SIGINT and SIGTERM handlers when it
    // starts, for a program that handles those signals itself. Call before
    // the first use.
    static void leaveSignalsToProgram();
};
