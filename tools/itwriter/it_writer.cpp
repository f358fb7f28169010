#include "it_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace itw {
namespace {

constexpr int maxChannels = 64;
constexpr std::size_t sampleHeaderSize = 0x50;

class Bytes {
public:
    std::vector<std::uint8_t> data;

    std::size_t size() const { return data.size(); }
    void u8(unsigned v) { data.push_back(static_cast<std::uint8_t>(v)); }
    void u16(unsigned v)
    {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(std::uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(const std::string& s, std::size_t width)
    {
        // Zero-padded, and always zero-terminated within the field.
        for (std::size_t i = 0; i < width; ++i)
            u8(i + 1 < width && i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
    }
    void patch32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    }
    void patch16(std::size_t at, unsigned v)
    {
        data[at] = static_cast<std::uint8_t>(v & 0xFF);
        data[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
};

int channelsUsed(const Module& module)
{
    int used = 0;
    for (const Pattern& p : module.patterns)
        used = std::max(used, p.channels);
    return used;
}

void validate(const Module& module)
{
    if (module.samples.size() > 99)
        throw std::invalid_argument("more than 99 samples");
    if (module.patterns.size() > 200)
        throw std::invalid_argument("more than 200 patterns");
    if (module.orders.empty() || module.orders.size() > 255)
        throw std::invalid_argument("the order list must hold 1 to 255 entries");
    if (channelsUsed(module) > maxChannels)
        throw std::invalid_argument("more than 64 channels");
    for (std::uint8_t order : module.orders)
        if (order != 254 && order >= module.patterns.size())
            throw std::invalid_argument("an order names pattern " + std::to_string(order) +
                                        ", which does not exist");
    for (const Pattern& p : module.patterns)
        if (p.rows < 1 || p.rows > 200 || p.cells.size() != static_cast<std::size_t>(p.rows) * p.channels)
            throw std::invalid_argument("a pattern must have 1 to 200 rows of cells");
    for (const Sample& s : module.samples)
        if (s.loop && (s.loopBegin >= s.loopEnd || s.loopEnd > s.pcm.size()))
            throw std::invalid_argument("sample '" + s.name + "' has a loop outside its data");
}

// One pattern's packed rows: channel byte, mask, then the fields the mask names.
std::vector<std::uint8_t> packPattern(const Pattern& p)
{
    std::vector<std::uint8_t> out;
    for (int row = 0; row < p.rows; ++row) {
        for (int ch = 0; ch < p.channels; ++ch) {
            const Cell& c = p.at(row, ch);
            unsigned mask = 0;
            if (c.note >= 0) mask |= 0x01;
            if (c.sample > 0) mask |= 0x02;
            if (c.volume >= 0) mask |= 0x04;
            if (c.effect > 0) mask |= 0x08;
            if (mask == 0)
                continue;
            out.push_back(static_cast<std::uint8_t>((ch + 1) | 0x80));
            out.push_back(static_cast<std::uint8_t>(mask));
            if (mask & 0x01) out.push_back(static_cast<std::uint8_t>(c.note));
            if (mask & 0x02) out.push_back(static_cast<std::uint8_t>(c.sample));
            if (mask & 0x04) out.push_back(static_cast<std::uint8_t>(std::clamp(c.volume, 0, 64)));
            if (mask & 0x08) {
                out.push_back(static_cast<std::uint8_t>(c.effect));
                out.push_back(static_cast<std::uint8_t>(c.param));
            }
        }
        out.push_back(0);
    }
    return out;
}

} // namespace

double rowSeconds(int speed, int tempo)
{
    return speed * 2.5 / tempo;
}

std::vector<std::uint8_t> write(const Module& module)
{
    validate(module);
    const int channels = channelsUsed(module);
    Bytes b;

    b.data.assign({'I', 'M', 'P', 'M'});
    b.text(module.name, 26);
    b.u8(4);    // rows per beat
    b.u8(16);   // rows per measure
    const std::size_t orderCount = module.orders.size() + 1;  // + the end mark
    b.u16(static_cast<unsigned>(orderCount));
    b.u16(0);   // no instruments
    b.u16(static_cast<unsigned>(module.samples.size()));
    b.u16(static_cast<unsigned>(module.patterns.size()));
    b.u16(0x0214);  // created with
    b.u16(0x0214);  // compatible with
    b.u16(0x0009);  // stereo, linear slides
    b.u16(0);       // no message
    b.u8(module.globalVolume);
    b.u8(module.mixVolume);
    b.u8(module.speed);
    b.u8(module.tempo);
    b.u8(module.separation);
    b.u8(0);        // pitch wheel depth
    b.u16(0);       // message length
    b.u32(0);       // message offset
    b.u32(0);       // reserved
    for (int ch = 0; ch < 64; ++ch) {
        // Unused channels are disabled (+128) so players skip them.
        const unsigned pan = ch < static_cast<int>(module.channelPan.size()) ? module.channelPan[ch] : 32;
        b.u8(ch < channels ? std::min(pan, 64u) : 32 + 128);
    }
    for (int ch = 0; ch < 64; ++ch)
        b.u8(64);
    for (std::uint8_t order : module.orders)
        b.u8(order);
    b.u8(255);

    const std::size_t sampleTable = b.size();
    for (std::size_t i = 0; i < module.samples.size(); ++i)
        b.u32(0);
    const std::size_t patternTable = b.size();
    for (std::size_t i = 0; i < module.patterns.size(); ++i)
        b.u32(0);

    std::vector<std::size_t> pcmFieldAt(module.samples.size());
    for (std::size_t i = 0; i < module.samples.size(); ++i) {
        const Sample& s = module.samples[i];
        b.patch32(sampleTable + 4 * i, static_cast<std::uint32_t>(b.size()));
        const std::size_t start = b.size();
        b.data.insert(b.data.end(), {'I', 'M', 'P', 'S'});
        b.text(s.name.substr(0, 8) + ".raw", 12);
        b.u8(0);
        b.u8(s.globalVolume);
        unsigned flags = s.pcm.empty() ? 0u : 0x01u;
        if (s.sixteenBit) flags |= 0x02;
        if (s.loop) flags |= 0x10;
        b.u8(flags);
        b.u8(s.volume);
        b.text(s.name, 26);
        b.u8(0x01);     // signed samples
        b.u8(32);       // default pan, not used
        b.u32(static_cast<std::uint32_t>(s.pcm.size()));
        b.u32(s.loop ? s.loopBegin : 0);
        b.u32(s.loop ? s.loopEnd : 0);
        b.u32(s.c5Speed);
        b.u32(0);       // sustain loop
        b.u32(0);
        pcmFieldAt[i] = b.size();
        b.u32(0);       // PCM offset, patched below
        b.u32(0);       // vibrato
        if (b.size() - start != sampleHeaderSize)
            throw std::logic_error("sample header size");
    }

    for (std::size_t i = 0; i < module.patterns.size(); ++i) {
        const Pattern& p = module.patterns[i];
        b.patch32(patternTable + 4 * i, static_cast<std::uint32_t>(b.size()));
        const std::vector<std::uint8_t> packed = packPattern(p);
        b.u16(static_cast<unsigned>(packed.size()));
        b.u16(static_cast<unsigned>(p.rows));
        b.u32(0);
        b.data.insert(b.data.end(), packed.begin(), packed.end());
    }

    for (std::size_t i = 0; i < module.samples.size(); ++i) {
        const Sample& s = module.samples[i];
        b.patch32(pcmFieldAt[i], static_cast<std::uint32_t>(b.size()));
        for (std::int16_t v : s.pcm) {
            if (s.sixteenBit)
                b.u16(static_cast<std::uint16_t>(v));
            else
                b.u8(static_cast<std::uint8_t>(static_cast<std::int8_t>(v >> 8)));
        }
    }
    return b.data;
}

bool writeFile(const Module& module, const std::string& path, std::string* error)
{
    std::vector<std::uint8_t> bytes;
    try {
        bytes = write(module);
    } catch (const std::exception& e) {
        if (error)
            *error = path + ": " + e.what();
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error)
            *error = path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        if (error)
            *error = path + ": write failed: " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace itw
