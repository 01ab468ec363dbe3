#include "sound.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <random>

namespace artgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 22050;

// Uniform in [0, 1), reproducible everywhere (no library distributions).
struct Noise {
  std::mt19937 engine;
  explicit Noise(uint32_t seed) : engine(seed) {}
  double Next() { return engine() / 4294967296.0; }
  double Signed() { return 2.0 * Next() - 1.0; }
};

void Fft(std::vector<std::complex<double>>& a, bool inverse) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = 2 * kPi / static_cast<double>(len) * (inverse ? 1 : -1);
    const std::complex<double> step(std::cos(angle), std::sin(angle));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

// Band noise that repeats exactly every n frames: random phases on the FFT
// bins of one period, shaped by `gain` (a function of frequency in Hz).
template <typename Gain>
std::vector<double> PeriodicNoise(size_t n, Noise& noise, Gain gain) {
  std::vector<std::complex<double>> spectrum(n);
  for (size_t k = 1; k < n / 2; ++k) {
    const double hz = static_cast<double>(k) * kRate / static_cast<double>(n);
    const double phase = 2 * kPi * noise.Next();
    spectrum[k] = std::polar(gain(hz), phase);
    spectrum[n - k] = std::conj(spectrum[k]);
  }
  Fft(spectrum, true);
  std::vector<double> out(n);
  double power = 0;
  for (size_t i = 0; i < n; ++i) {
    out[i] = spectrum[i].real();
    power += out[i] * out[i];
  }
  const double rms = std::sqrt(power / static_cast<double>(n));
  for (double& v : out) v /= rms > 0 ? rms : 1;
  return out;  // unit RMS
}

// Ambient loop: a low drone, an airy noise bed and a few soft data chirps,
// every part periodic in the loop length so the loop has no seam.
void Ambient(SoundSample& out) {
  const size_t n = kAmbientLoopFrames;
  out.channels = 2;
  out.rate = kRate;
  out.pcm.assign(2 * n, 0.0f);
  Noise noise(0xA3B1E7);
  auto air = [](double hz) {
    if (hz < 120 || hz > 5000) return 0.0;
    const double hump = std::exp(-std::pow(std::log(hz / 700.0), 2) / 1.2);
    return hump / std::sqrt(hz);
  };
  for (int channel = 0; channel < 2; ++channel) {
    const std::vector<double> bed = PeriodicNoise(n, noise, air);
    // Drone partials on whole bins (55, 110, 165, 220 Hz), a bin apart between the channels: a slow
    // beat that also closes exactly at the loop point.
    const int drone[4] = {327 + channel, 655 - channel, 980 + 2 * channel, 1309};
    const double level[4] = {0.075, 0.04, 0.022, 0.012};
    for (size_t i = 0; i < n; ++i) {
      const double t = static_cast<double>(i) / static_cast<double>(n);  // 0..1 over the loop
      double v = 0;
      for (int p = 0; p < 4; ++p) v += level[p] * std::sin(2 * kPi * drone[p] * t + p);
      const double swell = 1.0 + 0.35 * std::sin(2 * kPi * (3 * t + 0.25 * channel));
      v += 0.028 * swell * bed[i];
      out.pcm[2 * i + channel] = static_cast<float>(v);
    }
  }
  // Data chirps: short rising blips wrapped around the loop.
  for (int c = 0; c < 11; ++c) {
    const size_t start = static_cast<size_t>(noise.Next() * n);
    const double f0 = 1400 + 1600 * noise.Next();
    const double length = 0.05 + 0.08 * noise.Next();
    const double pan = noise.Next();
    const size_t frames = static_cast<size_t>(length * kRate);
    double phase = 0;
    for (size_t i = 0; i < frames; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double env = std::sin(kPi * t / length);
      phase += 2 * kPi * f0 * (1 + 0.4 * t / length) / kRate;
      const double v = 0.018 * env * env * std::sin(phase);
      const size_t at = (start + i) % n;
      out.pcm[2 * at] += static_cast<float>(v * (1 - pan));
      out.pcm[2 * at + 1] += static_cast<float>(v * pan);
    }
  }
}

void Finish(SoundSample& out, double peak) {
  double top = 0;
  for (float v : out.pcm) top = std::max(top, std::fabs(static_cast<double>(v)));
  const double gain = top > 0 ? peak / top : 1;
  const size_t frames = out.pcm.size();
  const size_t fadeIn = kRate / 1000, fadeOut = kRate / 200;
  for (size_t i = 0; i < frames; ++i) {
    double v = out.pcm[i] * gain;
    if (i < fadeIn) v *= static_cast<double>(i) / fadeIn;
    if (i + fadeOut > frames) v *= static_cast<double>(frames - i) / fadeOut;
    out.pcm[i] = static_cast<float>(v);
  }
}

// A letter landing: a falling thump, a short click and a faint metallic ring.
void Landing(int variant, SoundSample& out) {
  const double base[6] = {170, 205, 240, 150, 275, 190};
  const double ring[6] = {3.7, 4.3, 3.1, 5.2, 2.9, 4.8};
  const double f0 = base[variant];
  const size_t frames = static_cast<size_t>(0.32 * kRate);
  out.channels = 1;
  out.rate = kRate;
  out.pcm.assign(frames, 0.0f);
  Noise noise(0x1A2D + variant);
  double phase = 0, previous = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase += 2 * kPi * f0 * (1 + 1.4 * std::exp(-t / 0.012)) / kRate;
    double v = std::sin(phase) * std::exp(-t / 0.07);
    const double white = noise.Signed();
    v += 0.5 * (white - previous) * std::exp(-t / 0.004);  // differentiated: a bright click
    previous = white;
    for (int p = 0; p < 3; ++p) {
      const double hz = f0 * ring[variant] * (1 + 0.57 * p);
      v += 0.12 / (p + 1) * std::sin(2 * kPi * hz * t + p) * std::exp(-t / (0.05 + 0.02 * p));
    }
    out.pcm[i] = static_cast<float>(v);
  }
  Finish(out, 0.7);
}

// A letter flash: a bright rising bell with a quick tremolo.
void Flash(int variant, SoundSample& out) {
  const double start[6] = {900, 1010, 1130, 820, 1240, 960};
  const double f1 = start[variant], f2 = f1 * (1.6 + 0.08 * variant);
  const size_t frames = static_cast<size_t>(0.6 * kRate);
  out.channels = 1;
  out.rate = kRate;
  out.pcm.assign(frames, 0.0f);
  double carrier = 0, modulator = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double glide = 1 - std::exp(-t / 0.06);
    const double f = f1 + (f2 - f1) * glide;
    modulator += 2 * kPi * f * 1.5 / kRate;
    carrier += 2 * kPi * f / kRate;
    const double index = 2.2 * std::exp(-t / 0.09);
    const double env = std::min(1.0, t / 0.005) * std::exp(-t / 0.17);
    const double tremolo = 0.8 + 0.2 * std::sin(2 * kPi * (16 + variant) * t);
    double v = std::sin(carrier + index * std::sin(modulator));
    v += 0.3 * std::sin(2.01 * carrier) * std::exp(-t / 0.08);
    out.pcm[i] = static_cast<float>(v * env * tremolo);
  }
  Finish(out, 0.6);
}

// Interface sounds: 2021 a tick, 2022 a two-tone blip, 2023 a soft tab click.
void Interface(int which, SoundSample& out) {
  const double seconds[3] = {0.06, 0.1, 0.12};
  const size_t frames = static_cast<size_t>(seconds[which] * kRate);
  out.channels = 1;
  out.rate = kRate;
  out.pcm.assign(frames, 0.0f);
  Noise noise(0x5C1C + which);
  double low = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0;
    if (which == 0) {
      v = std::sin(2 * kPi * 1900 * t) * std::exp(-t / 0.008) + 0.3 * noise.Signed() * std::exp(-t / 0.002);
    } else if (which == 1) {
      const double second = t - 0.04;
      v = std::sin(2 * kPi * 1200 * t) * std::exp(-t / 0.012);
      if (second > 0) v += std::sin(2 * kPi * 1800 * second) * std::exp(-second / 0.015);
    } else {
      low += (noise.Signed() - low) * (0.08 + 0.5 * t / seconds[which]);
      v = 1.5 * low * std::sin(kPi * std::min(1.0, t / 0.05)) * std::exp(-t / 0.03) +
          0.6 * std::sin(2 * kPi * 900 * t) * std::exp(-t / 0.02);
    }
    out.pcm[i] = static_cast<float>(v);
  }
  Finish(out, 0.5);
}

}  // namespace

std::vector<int> SoundIds() {
  std::vector<int> ids = {2000};
  for (int i = 1; i <= 6; ++i) ids.push_back(2000 + i);
  for (int i = 11; i <= 16; ++i) ids.push_back(2000 + i);
  for (int i = 21; i <= 23; ++i) ids.push_back(2000 + i);
  return ids;
}

bool SynthesizeSound(int id, SoundSample& out) {
  if (id == 2000) {
    Ambient(out);
  } else if (id >= 2001 && id <= 2006) {
    Landing(id - 2001, out);
  } else if (id >= 2011 && id <= 2016) {
    Flash(id - 2011, out);
  } else if (id >= 2021 && id <= 2023) {
    Interface(id - 2021, out);
  } else {
    return false;
  }
  return true;
}

bool EncodeOggVorbis(const SoundSample& sample, float quality, int serial,
                     std::vector<uint8_t>& out) {
  out.clear();
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, sample.channels, sample.rate, quality) != 0) {
    vorbis_info_clear(&info);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);

  auto append = [&out](const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  ogg_packet identification, comments, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &codebooks);
  ogg_stream_packetin(&stream, &identification);
  ogg_stream_packetin(&stream, &comments);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page) != 0) append(page);

  const size_t frames = sample.Frames();
  const size_t chunk = 4096;
  size_t done = 0;
  bool finished = false;
  while (!finished) {
    if (done < frames) {
      const size_t count = std::min(chunk, frames - done);
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < sample.channels; ++c) {
          buffer[c][i] = sample.pcm[(done + i) * sample.channels + c];
        }
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(count));
      done += count;
    } else {
      vorbis_analysis_wrote(&dsp, 0);  // end of stream
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) {
          append(page);
          if (ogg_page_eos(&page)) finished = true;
        }
      }
    }
  }
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return !out.empty();
}

}  // namespace artgen
