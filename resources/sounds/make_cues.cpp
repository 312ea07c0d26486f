// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// make_cues: synthesizes Kvindo's two sound cues from first principles.
//
//   make_cues <output-directory>
//
// writes Yes.wav (a card is turned and the deal goes on) and Doh.wav (the
// deal is lost) into the directory: RIFF/WAVE, PCM, mono, 16-bit, 44100 Hz.
// Nothing is read from disk and the noise comes from a fixed-seed generator,
// so every run writes exactly the same bytes.
//
// Yes.wav  A soft card flick: two band-passed noise bursts (the body of the
//          card and the crack of its edge) over a small falling thump,
//          100 ms, peak -7 dBFS.
// Doh.wav  A comic, disappointed "d'oh": a glottal source (band-limited
//          harmonic series) gliding down an octave, 335 Hz to 165 Hz, through
//          a cascade of formant resonators set for an "o" vowel, opened by a
//          "d" (a short high burst, then formants sweeping in from the
//          alveolar locus), with vibrato, a swell and a long fall to silence,
//          0.8 s, peak -3 dBFS.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kDt = 1.0 / kRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::size_t samplesFor(double seconds)
{
    return static_cast<std::size_t>(std::lround(seconds * kRate));
}

double clamp01(double u)
{
    return std::clamp(u, 0.0, 1.0);
}

// 0 -> 1 along half a cosine period: no corner at either end.
double raisedCosine(double u)
{
    return 0.5 - 0.5 * std::cos(std::numbers::pi * clamp01(u));
}

// Linear interpolation in the log domain: for pitches and formants.
double logLerp(double from, double to, double u)
{
    return from * std::pow(to / from, clamp01(u));
}

// SplitMix64: tiny, well mixed, and identical on every platform.
class Noise
{
public:
    explicit Noise(std::uint64_t seed)
        : state_(seed)
    { }

    // Uniform in [-1, 1).
    double next()
    {
        state_ += 0x9e3779b97f4a7c15ull;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-52 - 1.0;
    }

private:
    std::uint64_t state_;
};

// Second-order band-pass (peak gain 1), transposed direct form II.
class BandPass
{
public:
    BandPass(double centre, double q)
    {
        const double w0 = kTwoPi * centre * kDt;
        const double alpha = std::sin(w0) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        b0_ = alpha / a0;
        a1_ = -2.0 * std::cos(w0) / a0;
        a2_ = (1.0 - alpha) / a0;
    }

    double step(double x)
    {
        // b1 = 0, b2 = -b0.
        const double y = b0_ * x + z1_;
        z1_ = -a1_ * y + z2_;
        z2_ = -b0_ * x - a2_ * y;
        return y;
    }

private:
    double b0_ = 0, a1_ = 0, a2_ = 0;
    double z1_ = 0, z2_ = 0;
};

// One-pole low-pass.
class LowPass
{
public:
    explicit LowPass(double cutoff)
        : k_(1.0 - std::exp(-kTwoPi * cutoff * kDt))
    { }

    double step(double x)
    {
        y_ += k_ * (x - y_);
        return y_;
    }

private:
    double k_;
    double y_ = 0;
};

// A formant: two-pole resonator with unity gain at 0 Hz, whose frequency and
// bandwidth may change on every sample. Cascaded, these give a vowel its
// natural balance of peaks without per-formant gains.
class Resonator
{
public:
    double step(double x, double frequency, double bandwidth)
    {
        const double r = std::exp(-std::numbers::pi * bandwidth * kDt);
        const double b = 2.0 * r * std::cos(kTwoPi * frequency * kDt);
        const double c = -r * r;
        const double a = 1.0 - b - c;
        const double y = a * x + b * y1_ + c * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double y1_ = 0, y2_ = 0;
};

// The finishing steps both cues share: remove any DC, open and close with
// raised-cosine fades that start and end on exact zeros, and scale the peak
// to the wanted level.
void finish(std::vector<double> &s, double fadeInSeconds, double fadeOutSeconds, double peakDbfs)
{
    // DC blocker, about 20 Hz.
    const double pole = std::exp(-kTwoPi * 20.0 * kDt);
    double x1 = 0, y1 = 0;
    for (double &v : s) {
        const double y = v - x1 + pole * y1;
        x1 = v;
        y1 = y;
        v = y;
    }
    // What the blocker leaves of the mean, over so short a sound.
    double mean = 0;
    for (double v : s)
        mean += v;
    mean /= static_cast<double>(s.size());
    for (double &v : s)
        v -= mean;

    const std::size_t n = s.size();
    const std::size_t in = std::max<std::size_t>(2, samplesFor(fadeInSeconds));
    const std::size_t out = std::max<std::size_t>(2, samplesFor(fadeOutSeconds));
    for (std::size_t i = 0; i < in && i < n; ++i)
        s[i] *= raisedCosine(static_cast<double>(i) / static_cast<double>(in));
    for (std::size_t i = 0; i < out && i < n; ++i)
        s[n - 1 - i] *= raisedCosine(static_cast<double>(i) / static_cast<double>(out));

    double peak = 0;
    for (double v : s)
        peak = std::max(peak, std::abs(v));
    if (peak > 0) {
        const double gain = std::pow(10.0, peakDbfs / 20.0) / peak;
        for (double &v : s)
            v *= gain;
    }
}

std::vector<std::int16_t> quantize(const std::vector<double> &s)
{
    std::vector<std::int16_t> q(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const long v = std::lround(s[i] * 32767.0);
        q[i] = static_cast<std::int16_t>(std::clamp(v, -32767L, 32767L));
    }
    return q;
}

// ---------------------------------------------------------------- Yes.wav

std::vector<double> synthesizeYes()
{
    const std::size_t n = samplesFor(0.100);
    std::vector<double> s(n);

    Noise noise(0x4b76'696e'646f'5965ull);
    BandPass body(2300.0, 0.8);               // the card's face slapping the air
    BandPass crack(5200.0, 1.0);              // the edge leaving the thumb, a moment later
    LowPass soften1(8000.0), soften2(8000.0); // a gentle top for rapid repeats
    double thumpPhase = 0;

    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) * kDt;

        const double bodyEnv = raisedCosine(t / 0.0012) * std::exp(-t / 0.013);
        const double bodyOut = body.step(noise.next()) * bodyEnv;

        const double tc = t - 0.0025;
        const double crackEnv = tc < 0 ? 0.0 : raisedCosine(tc / 0.0004) * std::exp(-tc / 0.004);
        const double crackOut = crack.step(noise.next()) * crackEnv * 0.45;

        // A low, soft thump that drops from about 170 Hz to 95 Hz.
        const double thumpFreq = 95.0 + 75.0 * std::exp(-t / 0.012);
        thumpPhase += kTwoPi * thumpFreq * kDt;
        const double thumpEnv = raisedCosine(t / 0.002) * std::exp(-t / 0.016);
        const double thumpOut = std::sin(thumpPhase) * thumpEnv * 0.15;

        s[i] = soften2.step(soften1.step(bodyOut + crackOut + thumpOut));
    }

    finish(s, 0.0005, 0.020, -7.0);
    return s;
}

// ---------------------------------------------------------------- Doh.wav

// Loudness of the voice: a quick opening after the "d", a swell to full
// voice, a short hold and a long, sagging fall to nothing.
double dohEnvelope(double t)
{
    constexpr double onset = 0.012;
    if (t < onset)
        return 0.0;
    if (t < onset + 0.018)
        return 0.75 * raisedCosine((t - onset) / 0.018);
    if (t < 0.160)
        return 0.75 + 0.25 * raisedCosine((t - onset - 0.018) / (0.160 - onset - 0.018));
    if (t < 0.240)
        return 1.0;
    const double fall = 1.0 - raisedCosine((t - 0.240) / (0.720 - 0.240));
    return std::pow(fall, 1.4);
}

// Pitch without vibrato: a small lift onto the stressed vowel, then the
// disappointed glide down an octave, settling a little lower still.
double dohPitch(double t)
{
    if (t < 0.070)
        return logLerp(300.0, 335.0, raisedCosine(t / 0.070));
    if (t < 0.620)
        return logLerp(335.0, 165.0, raisedCosine((t - 0.070) / 0.550));
    return logLerp(165.0, 158.0, (t - 0.620) / 0.180);
}

std::vector<double> synthesizeDoh()
{
    const std::size_t n = samplesFor(0.800);
    std::vector<double> s(n);

    constexpr double onset = 0.012; // voicing starts just after the burst
    Noise noise(0x4b76'696e'646f'446full);
    BandPass burstFilter(3600.0, 1.4);
    LowPass jitterSmooth(12.0);
    Resonator f1, f2, f3, f4;
    double phase = 0; // glottal cycles, kept in [0, 1)

    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) * kDt;
        const double tv = t - onset;

        // "d": the tongue's release, a short high noise burst.
        const double tb = t - 0.004;
        const double burstEnv = tb < 0 ? 0.0 : raisedCosine(tb / 0.0006) * std::exp(-tb / 0.004);
        const double burst = burstFilter.step(noise.next()) * burstEnv * 0.9;

        // Pitch with vibrato fading in after the swell, and a slow
        // wander of a few tenths of a percent so the voice is not a machine.
        const double vibratoDepth = 0.015 * raisedCosine((t - 0.180) / 0.150);
        const double wander = 1.0 + 0.12 * jitterSmooth.step(noise.next());
        const double f0 = dohPitch(t) * (1.0 + vibratoDepth * std::sin(kTwoPi * 5.3 * t)) * wander;
        phase += f0 * kDt;
        phase -= std::floor(phase);

        const double env = dohEnvelope(t);
        double source = 0;
        if (env > 0) {
            // Band-limited harmonic series; the roll-off steepens as the
            // voice weakens, the way a tired voice loses its edge.
            const double tilt = 0.7 + 0.6 * (1.0 - env);
            for (int k = 1;; ++k) {
                const double fk = f0 * k;
                if (fk >= 5500.0)
                    break;
                const double band = fk <= 3800.0 ? 1.0 : 1.0 - raisedCosine((fk - 3800.0) / 1700.0);
                source += band * std::pow(static_cast<double>(k), -tilt) * std::sin(kTwoPi * k * phase);
            }
            // Breath, more of it as the voice runs out.
            const double breath = 0.03 + 0.08 * clamp01((t - 0.300) / 0.400);
            source = env * (source + breath * noise.next());
        }

        // Formants: from the alveolar locus (low F1, F2 near 1.7 kHz) into
        // an "o", which then rounds a little further as it dies away.
        const double vowel = clamp01((tv - 0.090) / 0.600);
        const double fr1 = tv < 0.035 ? logLerp(260.0, 500.0, raisedCosine(tv / 0.035)) : logLerp(500.0, 460.0, vowel);
        const double fr2 = tv < 0.070 ? logLerp(1700.0, 880.0, 1.0 - std::pow(1.0 - clamp01(tv / 0.070), 2.0))
                                      : logLerp(880.0, 820.0, vowel);
        const double fr3 = logLerp(2750.0, 2500.0, raisedCosine(tv / 0.060));
        double voice = f1.step(source, fr1, 80.0);
        voice = f2.step(voice, fr2, 100.0);
        voice = f3.step(voice, fr3, 130.0);
        voice = f4.step(voice, 3400.0, 200.0);

        s[i] = voice + burst;
    }

    finish(s, 0.001, 0.030, -3.0);
    return s;
}

// ---------------------------------------------------------------- output

void put16(std::string &b, std::uint16_t v)
{
    b.push_back(static_cast<char>(v & 0xff));
    b.push_back(static_cast<char>(v >> 8));
}

void put32(std::string &b, std::uint32_t v)
{
    put16(b, static_cast<std::uint16_t>(v & 0xffff));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}

std::string wavBytes(const std::vector<std::int16_t> &samples)
{
    constexpr std::uint16_t channels = 1;
    constexpr std::uint16_t bits = 16;
    constexpr std::uint16_t blockAlign = channels * bits / 8;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * blockAlign);

    std::string b;
    b.reserve(44 + dataBytes);
    b += "RIFF";
    put32(b, 36 + dataBytes);
    b += "WAVE";
    b += "fmt ";
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, channels);
    put32(b, kRate);
    put32(b, kRate * blockAlign);
    put16(b, blockAlign);
    put16(b, bits);
    b += "data";
    put32(b, dataBytes);
    for (std::int16_t v : samples)
        put16(b, static_cast<std::uint16_t>(v));
    return b;
}

// Writes beside the target and renames, so a build never sees half a file.
bool writeFile(const std::filesystem::path &path, const std::string &bytes)
{
    std::filesystem::path temporary = path;
    temporary += ".part";
    {
        std::ofstream f(temporary, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (!f) {
            std::fprintf(stderr, "make_cues: cannot write %s\n", temporary.string().c_str());
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::fprintf(stderr, "make_cues: cannot rename %s to %s: %s\n", temporary.string().c_str(),
            path.string().c_str(), ec.message().c_str());
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-directory>\n", argc > 0 ? argv[0] : "make_cues");
        return 2;
    }
    try {
        const std::filesystem::path dir(argv[1]);
        std::filesystem::create_directories(dir);
        const bool ok = writeFile(dir / "Yes.wav", wavBytes(quantize(synthesizeYes())))
            && writeFile(dir / "Doh.wav", wavBytes(quantize(synthesizeDoh())));
        return ok ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_cues: %s\n", e.what());
        return 1;
    }
}
