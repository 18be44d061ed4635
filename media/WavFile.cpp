#include "media/WavFile.h"

#include <algorithm>
#include <vector>

#include "base/Errors.h"
#include "base/OutputFile.h"

namespace tandemix {
namespace {

constexpr std::int64_t kPart = 1 << 15;  // samples written at a time
constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kIeeeFloat = 3;

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xff);
  out += static_cast<char>((v >> 8) & 0xff);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

}  // namespace

void WriteWavFile(const std::string& path, const WavFormat& format, std::int64_t sampleCount,
                  const std::function<void(void*, std::int64_t, std::int64_t)>& fill,
                  const std::function<void(std::int64_t)>& progress) {
  const int bits = format.bitsPerSample;
  if (format.sampleRate <= 0 || format.channels <= 0 || format.channels > 0xffff ||
      (bits != 8 && bits != 16 && bits != 24 && bits != 32) || (format.isFloat && bits != 32))
    throw TandemixError("Cannot write " + path + ": the sound's format is not one a WAV file holds.");
  const std::int64_t bps = format.BytesPerSample();
  const std::int64_t dataBytes = std::max<std::int64_t>(sampleCount, 0) * bps;
  // The RIFF size fields are 32 bits; the header and the pad byte count too.
  if (dataBytes > 0xffffffffLL - 64)
    throw TandemixError("Cannot write " + path + ": the sound is longer than a WAV file holds (4 GiB).");

  std::string header = "RIFF";
  Put32(header, static_cast<std::uint32_t>(36 + dataBytes + (dataBytes & 1)));
  header += "WAVEfmt ";
  Put32(header, 16);
  Put16(header, format.isFloat ? kIeeeFloat : kPcm);
  Put16(header, static_cast<std::uint32_t>(format.channels));
  Put32(header, static_cast<std::uint32_t>(format.sampleRate));
  Put32(header, static_cast<std::uint32_t>(static_cast<std::int64_t>(format.sampleRate) * bps));
  Put16(header, static_cast<std::uint32_t>(bps));
  Put16(header, static_cast<std::uint32_t>(bits));
  header += "data";
  Put32(header, static_cast<std::uint32_t>(dataBytes));

  OutputFile file(path);
  auto write = [&](const char* data, std::int64_t size) { file.Write(data, size); };
  write(header.data(), static_cast<std::int64_t>(header.size()));
  std::vector<char> buffer;
  for (std::int64_t done = 0; done < sampleCount; done += kPart) {
    const std::int64_t n = std::min(kPart, sampleCount - done);
    buffer.resize(static_cast<std::size_t>(n * bps));
    fill(buffer.data(), done, n);
    write(buffer.data(), n * bps);
    if (progress) progress(done + n);
  }
  if (dataBytes & 1) write("", 1);  // chunks are padded to even sizes
  file.Commit();
}

}  // namespace tandemix
