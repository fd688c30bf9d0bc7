#pragma once
// The audio a story model starts for the editor's preview, reached through
// the devices it is given rather than a sound system of its own, so the
// story document builds and runs without one.

#include <cstdint>
#include <string>

// Audio devices as the model uses them: a device id per open file, 0 for
// none. The editor hands the model its real device layer; tests a recorder.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // The new device's id, 0 when the file cannot be played. path is a
    // file-system path.
    virtual std::uint32_t open(const std::string& path) = 0;
    virtual void playFrom(std::uint32_t device, std::uint32_t positionMs) = 0;
    // True once a device has played to its end (or was stopped).
    virtual bool stopped(std::uint32_t device) = 0;
    virtual void close(std::uint32_t device) = 0;
};

// What the editor lends every story model it opens: the devices and the
// sound preview's slot, which outlives a change of mod.
struct PreviewAudio {
    AudioOutput* output = nullptr; // null: the preview stays silent
    std::uint32_t soundDevice = 0;
    bool soundOpen = false; // soundDevice holds a sound attempt
};
