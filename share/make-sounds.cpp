// Writes the program's default sounds into the folder given as the only argument:
//   "Ding.wav"           a short bell strike (mail count sound)
//   "Incoming Mail.wav"  two rising strikes (incoming mail sound)
// Both are synthesised here, 16-bit mono PCM at 22050 Hz, so nothing binary is kept in the sources.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 22050;

// One bell strike added into `out` at `start` seconds: a few inharmonic partials, each dying
// away at its own pace, with a short attack so the start does not click.
void strike(std::vector<double> &out, double start, double frequency, double length, double level)
{
    struct Partial { double ratio, amplitude, decay; };
    static constexpr Partial partials[] = {{1.0, 1.0, 4.0}, {2.76, 0.35, 7.0}, {5.40, 0.15, 11.0}, {0.5, 0.2, 3.0}};
    const auto first = static_cast<std::size_t>(start * Rate);
    const auto count = static_cast<std::size_t>(length * Rate);
    if (out.size() < first + count)
        out.resize(first + count, 0.0);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double attack = std::min(1.0, t / 0.004);
        double v = 0.0;
        for (const Partial &p : partials)
            v += p.amplitude * std::exp(-p.decay * t) * std::sin(2.0 * std::numbers::pi * frequency * p.ratio * t);
        out[first + i] += level * attack * v;
    }
}

void put16(std::ofstream &f, std::uint16_t v)
{
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    f.write(b, 2);
}

void put32(std::ofstream &f, std::uint32_t v)
{
    put16(f, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(f, static_cast<std::uint16_t>(v >> 16));
}

bool writeWav(const std::string &path, std::vector<double> samples)
{
    // The last 20 ms fade to silence, so the end does not click either.
    const std::size_t fade = Rate / 50;
    for (std::size_t i = 0; i < fade && i < samples.size(); ++i)
        samples[samples.size() - 1 - i] *= static_cast<double>(i) / fade;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f)
        return false;
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    f.write("RIFF", 4);
    put32(f, 36 + dataSize);
    f.write("WAVEfmt ", 8);
    put32(f, 16);
    put16(f, 1); // integer PCM
    put16(f, 1); // mono
    put32(f, Rate);
    put32(f, Rate * 2);
    put16(f, 2);
    put16(f, 16);
    f.write("data", 4);
    put32(f, dataSize);
    for (const double s : samples) {
        const double clipped = std::max(-1.0, std::min(1.0, s));
        put16(f, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(clipped * 32767.0))));
    }
    return static_cast<bool>(f);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];

    std::vector<double> ding;
    strike(ding, 0.0, 1568.0, 0.6, 0.45);

    std::vector<double> incoming;
    strike(incoming, 0.0, 1046.5, 0.9, 0.35);
    strike(incoming, 0.18, 1318.5, 0.9, 0.3);
    strike(incoming, 0.36, 1568.0, 1.0, 0.3);

    if (!writeWav(dir + "/Ding.wav", ding) || !writeWav(dir + "/Incoming Mail.wav", incoming)) {
        std::fprintf(stderr, "cannot write the sounds into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
