#include "media/audio/audio_player.h"

#include "media/audio/audio_stream.h"
#include "media/audio/sound_check.h"
#include "media/story_file.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <vector>

namespace {

// A device either streams its file (decoded while it plays, on the audio
// thread) or, for files libsndfile cannot read, holds it decoded whole.
struct Device {
    std::unique_ptr<AudioStream> stream;
    std::uint32_t startMs = 0;    // where the stream's current play began
    Mix_Chunk* decoded = nullptr; // the whole file in the output format
    Mix_Chunk view{};             // points into decoded, from the start offset; for
                                  // a stream, a block of silence played in a loop
                                  // that the stream writes over
    std::vector<std::uint8_t> silence;
    int channel = -1;
    int volume = 1000;
    std::uint32_t startByte = 0;               // offset of view within decoded
    std::atomic<std::uint64_t> playedBytes{0}; // counted on the audio thread
};

struct Mixer {
    bool tried = false;
    bool open = false;
    int frequency = 0;
    int bytesPerFrame = 0; // channels * bytes per sample
    Uint16 format = 0;
    int channels = 0;
    std::uint32_t nextId = 1;
    std::map<std::uint32_t, std::unique_ptr<Device>> devices;
    std::vector<int> freeChannels;
    int channelCount = 0;
};

// Never destroyed: the audio thread may still be mixing a device when the
// process exits (the G key ends it at once), so the devices outlive exit.
Mixer& mixer()
{
    static Mixer* state = new Mixer;
    return *state;
}

bool ensureMixer()
{
    Mixer& m = mixer();
    if (m.tried) return m.open;
    m.tried = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    m.frequency = frequency;
    m.format = format;
    m.channels = channels;
    m.bytesPerFrame = channels * static_cast<int>(SDL_AUDIO_BITSIZE(format) / 8);
    m.channelCount = Mix_AllocateChannels(0);
    for (int c = m.channelCount - 1; c >= 0; --c) m.freeChannels.push_back(c);
    m.open = m.frequency > 0 && m.bytesPerFrame > 0;
    return m.open;
}

Device* find(std::uint32_t id)
{
    if (id == 0 || !ensureMixer()) return nullptr;
    auto it = mixer().devices.find(id);
    return it == mixer().devices.end() ? nullptr : it->second.get();
}

int takeChannel()
{
    Mixer& m = mixer();
    if (m.freeChannels.empty()) {
        const int grown = std::max(8, m.channelCount * 2);
        const int got = Mix_AllocateChannels(grown);
        for (int c = got - 1; c >= m.channelCount; --c) m.freeChannels.push_back(c);
        m.channelCount = got;
        if (m.freeChannels.empty()) return -1;
    }
    const int channel = m.freeChannels.back();
    m.freeChannels.pop_back();
    return channel;
}

// Runs on the audio thread for every block of the channel's chunk that gets
// mixed, so the sum is exactly how far playback has come.
void countPlayed(int, void*, int len, void* udata)
{
    static_cast<Device*>(udata)->playedBytes.fetch_add(static_cast<std::uint64_t>(len));
}

// The stream's counterpart: the mixer asks for each block's bytes, the
// stream writes the file's next piece over the silence.
void streamPlayed(int, void* buffer, int len, void* udata)
{
    auto* d = static_cast<Device*>(udata);
    const int sound = d->stream->read(static_cast<std::uint8_t*>(buffer), len);
    d->playedBytes.fetch_add(static_cast<std::uint64_t>(sound));
}

std::uint32_t currentByte(const Device& d)
{
    const std::uint64_t at = d.startByte + d.playedBytes.load();
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(at, d.decoded->alen));
}

std::uint32_t bytesToMs(std::uint32_t bytes)
{
    const Mixer& m = mixer();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(bytes / m.bytesPerFrame) * 1000 /
                                      static_cast<std::uint64_t>(m.frequency));
}

void apply_volume(const Device& d)
{
    Mix_Volume(d.channel, (d.volume * MIX_MAX_VOLUME + 500) / 1000);
}

std::uint32_t streamPositionMs(const Device& d)
{
    const Mixer& m = mixer();
    if (d.stream->finished()) return d.stream->lengthMs();
    const std::uint64_t frames = d.playedBytes.load() / static_cast<std::uint64_t>(m.bytesPerFrame);
    const std::uint64_t at = d.startMs + frames * 1000 / static_cast<std::uint64_t>(m.frequency);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(at, d.stream->lengthMs()));
}

bool playStream(Device& d, std::uint32_t positionMs)
{
    d.stream->seekMs(positionMs);
    d.startMs = std::min(positionMs, d.stream->lengthMs());
    d.playedBytes.store(0);
    if (d.stream->finished()) return true; // played from its end: it is stopped already
    d.view.allocated = 0;
    d.view.abuf = d.silence.data();
    d.view.alen = static_cast<Uint32>(d.silence.size());
    d.view.volume = MIX_MAX_VOLUME;
    apply_volume(d);
    if (!Mix_RegisterEffect(d.channel, streamPlayed, nullptr, &d)) return false;
    if (Mix_PlayChannel(d.channel, &d.view, -1) < 0) {
        Mix_UnregisterAllEffects(d.channel);
        return false;
    }
    return true;
}

} // namespace

bool AudioPlayer::available()
{
    return ensureMixer();
}

bool AudioPlayer::openDevice(std::uint32_t& slot, const std::string& path)
{
    slot = 0;
    if (!ensureMixer()) return false;
    // The mixer only ever sees the bytes of a regular file within the limit
    // that start like a format a story uses: no FIFO or device to block on,
    // and none of its other decoders.
    const auto bytes = readStoryFile(path, kMaxSoundFileBytes);
    if (!bytes || checkSound(*bytes) == SoundFormat::None) return false;
    Mixer& m = mixer();
    auto device = std::make_unique<Device>();
    // Streamed: opening reads the header only, so a long piece of music
    // costs no decoding here and no more than its file's bytes of memory.
    device->stream = AudioStream::open(*bytes, m.format, m.channels, m.frequency);
    if (device->stream) {
        device->silence.assign(static_cast<std::size_t>(m.bytesPerFrame) * 1024, 0);
    } else {
        // The stream is closed here: asked to close it itself, SDL_mixer 2.6
        // leaks it whenever the file is not audio it can decode.
        SDL_RWops* file = SDL_RWFromConstMem(bytes->data(), static_cast<int>(bytes->size()));
        if (!file) return false;
        device->decoded = Mix_LoadWAV_RW(file, 0);
        SDL_RWclose(file);
        if (!device->decoded) return false;
    }
    const int channel = takeChannel();
    if (channel < 0) {
        if (device->decoded) Mix_FreeChunk(device->decoded);
        return false;
    }
    device->channel = channel;
    apply_volume(*device);
    slot = m.nextId++;
    m.devices.emplace(slot, std::move(device));
    return true;
}

bool AudioPlayer::playFrom(std::uint32_t id, std::uint32_t positionMs)
{
    Device* d = find(id);
    if (!d) return false;
    Mix_HaltChannel(d->channel);
    Mix_UnregisterAllEffects(d->channel); // the counter of an earlier play
    if (d->stream) return playStream(*d, positionMs);
    const Mixer& m = mixer();
    const std::uint64_t frame = static_cast<std::uint64_t>(positionMs) * static_cast<std::uint64_t>(m.frequency) / 1000;
    const std::uint64_t byte = std::min<std::uint64_t>(frame * m.bytesPerFrame, d->decoded->alen);
    d->startByte = static_cast<std::uint32_t>(byte - byte % m.bytesPerFrame);
    d->playedBytes.store(0);
    if (d->startByte >= d->decoded->alen) return true; // played from its end: it is stopped already
    d->view.allocated = 0;
    d->view.abuf = d->decoded->abuf + d->startByte;
    d->view.alen = d->decoded->alen - d->startByte;
    d->view.volume = d->decoded->volume;
    apply_volume(*d);
    if (!Mix_RegisterEffect(d->channel, countPlayed, nullptr, d)) return false;
    if (Mix_PlayChannel(d->channel, &d->view, 0) < 0) {
        Mix_UnregisterAllEffects(d->channel);
        return false;
    }
    return true;
}

bool AudioPlayer::playFromPosition(std::uint32_t id)
{
    Device* d = find(id);
    if (!d) return false;
    return playFrom(id, positionMs(id));
}

std::uint32_t AudioPlayer::mode(std::uint32_t id)
{
    Device* d = find(id);
    if (!d) return 0;
    if (d->stream && d->stream->finished() && Mix_Playing(d->channel)) {
        Mix_HaltChannel(d->channel); // only silence is left to loop
        Mix_UnregisterAllEffects(d->channel);
    }
    return Mix_Playing(d->channel) ? kModePlay : kModeStop;
}

std::uint32_t AudioPlayer::positionMs(std::uint32_t id)
{
    Device* d = find(id);
    if (!d) return 0;
    return d->stream ? streamPositionMs(*d) : bytesToMs(currentByte(*d));
}

std::uint32_t AudioPlayer::lengthMs(std::uint32_t id)
{
    Device* d = find(id);
    if (!d) return 0;
    return d->stream ? d->stream->lengthMs() : bytesToMs(d->decoded->alen);
}

bool AudioPlayer::setVolume(std::uint32_t id, int volume)
{
    Device* d = find(id);
    if (!d) return false;
    d->volume = std::clamp(volume, 0, 1000);
    apply_volume(*d);
    return true;
}

bool AudioPlayer::closeDevice(std::uint32_t id)
{
    Device* d = find(id);
    if (!d) return false;
    Mix_HaltChannel(d->channel);
    Mix_UnregisterAllEffects(d->channel);
    if (d->decoded) Mix_FreeChunk(d->decoded);
    Mixer& m = mixer();
    m.freeChannels.push_back(d->channel);
    m.devices.erase(id);
    return true;
}

void AudioPlayer::shutdown()
{
    Mixer& m = mixer();
    if (m.open) {
        Mix_HaltChannel(-1);
        for (auto& [id, device] : m.devices) {
            if (device->decoded) Mix_FreeChunk(device->decoded);
        }
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    const std::uint32_t nextId = m.nextId;
    m = Mixer{};
    m.nextId = nextId; // ids stay unique across restarts
}

void AudioPlayer::leaveSignalsToProgram()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}
