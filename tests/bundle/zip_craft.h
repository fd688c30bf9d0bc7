#pragma once
// Writes ZIP archives byte by byte, so a test can give an entry any name,
// type, flag or size claim a hostile bundle might carry.
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct CraftEntry {
    std::string name;
    std::string data;
    std::uint32_t mode = 0100644; // Unix mode, type bits included
    bool deflate = false;
    bool utf8Flag = true;
    std::int64_t claimedSize = -1; // the uncompressed size the headers claim; -1: the real one
};

inline std::string rawDeflate(const std::string& data)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline void writeZip(const std::string& file, const std::vector<CraftEntry>& entries)
{
    std::string out, central;
    auto u16 = [](std::string& s, unsigned v) {
        s += static_cast<char>(v & 255), s += static_cast<char>(v >> 8 & 255);
    };
    auto u32 = [&](std::string& s, std::uint32_t v) { u16(s, v & 0xFFFF), u16(s, v >> 16); };
    for (const CraftEntry& e : entries) {
        const std::string stored = e.deflate ? rawDeflate(e.data) : e.data;
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
        const auto size =
            static_cast<std::uint32_t>(e.claimedSize >= 0 ? e.claimedSize : static_cast<std::int64_t>(e.data.size()));
        const unsigned flags = e.utf8Flag ? 0x800 : 0;
        const unsigned method = e.deflate ? 8 : 0;
        const auto offset = static_cast<std::uint32_t>(out.size());
        u32(out, 0x04034b50), u16(out, 20), u16(out, flags), u16(out, method), u16(out, 0), u16(out, 0x5821);
        u32(out, crc), u32(out, static_cast<std::uint32_t>(stored.size())), u32(out, size);
        u16(out, static_cast<unsigned>(e.name.size())), u16(out, 0);
        out += e.name + stored;
        u32(central, 0x02014b50), u16(central, 3 << 8 | 20), u16(central, 20), u16(central, flags);
        u16(central, method), u16(central, 0), u16(central, 0x5821), u32(central, crc);
        u32(central, static_cast<std::uint32_t>(stored.size())), u32(central, size);
        u16(central, static_cast<unsigned>(e.name.size())), u16(central, 0), u16(central, 0), u16(central, 0);
        u16(central, 0), u32(central, e.mode << 16), u32(central, offset);
        central += e.name;
    }
    const auto at = static_cast<std::uint32_t>(out.size());
    out += central;
    u32(out, 0x06054b50), u16(out, 0), u16(out, 0);
    u16(out, static_cast<unsigned>(entries.size())), u16(out, static_cast<unsigned>(entries.size()));
    u32(out, static_cast<std::uint32_t>(central.size())), u32(out, at), u16(out, 0);
    std::ofstream(file, std::ios::binary) << out;
}
