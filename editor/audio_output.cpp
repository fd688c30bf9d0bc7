#include "editor/audio_output.h"

#include "media/audio/audio_player.h"

namespace quillforge {
namespace {

class MixerOutput final : public AudioOutput {
public:
    std::uint32_t open(const std::string& path) override
    {
        std::uint32_t device = 0;
        AudioPlayer::openDevice(device, path);
        return device;
    }
    void playFrom(std::uint32_t device, std::uint32_t positionMs) override
    {
        AudioPlayer::playFrom(device, positionMs);
    }
    bool stopped(std::uint32_t device) override { return AudioPlayer::mode(device) == AudioPlayer::kModeStop; }
    void close(std::uint32_t device) override { AudioPlayer::closeDevice(device); }
};

} // namespace

AudioOutput& mixerAudio()
{
    static MixerOutput output;
    return output;
}

} // namespace quillforge
