#include "media/audio/audio_stream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr sf_count_t kFramesPerRead = 1024;

AudioStream::Memory& memoryOf(void* user)
{
    return *static_cast<AudioStream::Memory*>(user);
}

sf_count_t memoryLength(void* user)
{
    return static_cast<sf_count_t>(memoryOf(user).bytes.size());
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* user)
{
    AudioStream::Memory& m = memoryOf(user);
    const sf_count_t size = static_cast<sf_count_t>(m.bytes.size());
    const sf_count_t base = whence == SEEK_CUR ? m.at : whence == SEEK_END ? size : 0;
    m.at = std::clamp<sf_count_t>(base + offset, 0, size);
    return m.at;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user)
{
    AudioStream::Memory& m = memoryOf(user);
    const sf_count_t n = std::clamp<sf_count_t>(static_cast<sf_count_t>(m.bytes.size()) - m.at, 0, count);
    std::memcpy(out, m.bytes.data() + m.at, static_cast<std::size_t>(n));
    m.at += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t memoryTell(void* user)
{
    return memoryOf(user).at;
}

} // namespace

std::unique_ptr<AudioStream> AudioStream::open(std::vector<unsigned char> bytes, SDL_AudioFormat format, int channels,
                                               int frequency)
{
    std::unique_ptr<AudioStream> stream(new AudioStream);
    stream->memory_.bytes = std::move(bytes);
    static SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    stream->file_ = sf_open_virtual(&io, SFM_READ, &stream->info_, &stream->memory_);
    const SF_INFO& info = stream->info_;
    if (!stream->file_ || info.channels <= 0 || info.channels > 8 || info.samplerate <= 0 || info.frames <= 0)
        return nullptr;
    stream->convert_ = SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(info.channels), info.samplerate, format,
                                          static_cast<Uint8>(channels), frequency);
    if (!stream->convert_) return nullptr;
    stream->lengthMs_ =
        static_cast<std::uint32_t>(std::min<sf_count_t>(info.frames * 1000 / info.samplerate, UINT32_MAX));
    stream->pcm_.resize(static_cast<std::size_t>(kFramesPerRead * info.channels));
    stream->outFrameBytes_ = static_cast<int>(SDL_AUDIO_BITSIZE(format) / 8) * channels;
    stream->outFrequency_ = frequency;
    stream->seekMs(0);
    return stream;
}

AudioStream::~AudioStream()
{
    if (convert_) SDL_FreeAudioStream(convert_);
    if (file_) sf_close(file_);
}

void AudioStream::seekMs(std::uint32_t positionMs)
{
    SDL_AudioStreamClear(convert_);
    const sf_count_t frame = static_cast<sf_count_t>(positionMs) * info_.samplerate / 1000;
    const bool atEnd = positionMs >= lengthMs_ || sf_seek(file_, std::min(frame, info_.frames), SEEK_SET) < 0;
    const auto left = static_cast<std::uint64_t>(std::max<sf_count_t>(info_.frames - frame, 0));
    expectedBytes_ = atEnd ? 0
                           : left * static_cast<std::uint64_t>(outFrequency_) /
                                 static_cast<std::uint64_t>(info_.samplerate) *
                                 static_cast<std::uint64_t>(outFrameBytes_);
    emittedBytes_ = 0;
    sourceDone_ = atEnd;
    finished_.store(atEnd);
}

int AudioStream::read(std::uint8_t* out, int len)
{
    int filled = 0;
    while (filled < len && emittedBytes_ < expectedBytes_) {
        if (SDL_AudioStreamAvailable(convert_) > 0) {
            const auto want = static_cast<int>(
                std::min<std::uint64_t>(static_cast<std::uint64_t>(len - filled), expectedBytes_ - emittedBytes_));
            const int got = SDL_AudioStreamGet(convert_, out + filled, want);
            if (got <= 0) break;
            filled += got;
            emittedBytes_ += static_cast<std::uint64_t>(got);
            continue;
        }
        if (sourceDone_) break;
        const sf_count_t frames = sf_readf_float(file_, pcm_.data(), kFramesPerRead);
        if (frames <= 0) {
            // The resampler keeps the last samples back until more follow:
            // silence pushes them out; only the file's own length counts.
            std::fill(pcm_.begin(), pcm_.end(), 0.0f);
            SDL_AudioStreamPut(convert_, pcm_.data(), static_cast<int>(pcm_.size() * sizeof(float)));
            SDL_AudioStreamFlush(convert_);
            sourceDone_ = true;
            continue;
        }
        SDL_AudioStreamPut(convert_, pcm_.data(), static_cast<int>(frames * info_.channels * sizeof(float)));
    }
    if (filled < len) {
        std::memset(out + filled, 0, static_cast<std::size_t>(len - filled));
        finished_.store(true);
    }
    return filled;
}
