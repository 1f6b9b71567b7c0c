// decodeWavFile: accepted layouts, sample conversion, every refusal and both preload limits.
#include "player/wav_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "wav_builder.h"

namespace varnolith::plugins {
namespace {

using testing::Bytes;
using testing::float32;
using testing::pcm16;
using testing::pcm24;
using testing::pcm32;
using testing::ScratchDir;
using testing::WavBuilder;

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

Bytes repeat(std::size_t count, std::uint8_t value) { return Bytes(count, value); }

// ---------------------------------------------------------------------------------------------
// Files that decode.

struct GoodCase {
  std::string name;
  Bytes file;
  std::uint32_t channels;
  std::uint32_t rate;
  std::vector<float> samples;
  std::uint64_t limit = kPreloadLimitBytes;
};

std::vector<GoodCase> goodCases() {
  const Bytes list = {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  return {
      {"Canonical16BitStereo", WavBuilder().fmt(1, 2, 44100, 16).data(pcm16({1, -1, 16384, -16384})).bytes(), 2, 44100,
       {0x1p-15f, -0x1p-15f, 0.5f, -0.5f}},
      {"EmptyDataChunk", WavBuilder().fmt(1, 2, 48000, 16).data({}).bytes(), 2, 48000, {}},
      {"NoDataChunk", WavBuilder().fmt(1, 2, 48000, 16).bytes(), 2, 48000, {}},
      {"DataBeforeFmt", WavBuilder().data(pcm16({8192, -8192})).fmt(1, 1, 22050, 16).bytes(), 1, 22050,
       {0.25f, -0.25f}},
      {"ListBeforeAndAfterData",
       WavBuilder().chunk("LIST", list).fmt(1, 1, 8000, 16).data(pcm16({4096})).chunk("LIST", list).bytes(), 1, 8000,
       {0.125f}},
      // "junk" has 3 bytes and a pad byte; the next header starts after the pad.
      {"OddChunkPadByte", WavBuilder().chunk("junk", {1, 2, 3}).fmt(1, 1, 8000, 16).data(pcm16({-32768})).bytes(), 1,
       8000, {-1.0f}},
      // An odd data chunk is only possible with a mono 24-bit layout; its pad byte must not be read as audio.
      {"OddDataChunkThenFmt", WavBuilder().data(pcm24({0x400000})).fmt(1, 1, 8000, 24).bytes(), 1, 8000, {0.5f}},
      // The pad byte is not part of the truncation test: a last odd chunk may end the file without it.
      {"OddLastChunkWithoutPad", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({16384})).chunkWithSize("junk", 3, {1, 2, 3})
                                     .bytes(),
       1, 8000, {0.5f}},
      {"SecondDataChunkWins", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({1, 2, 3})).data(pcm16({16384})).bytes(), 1,
       8000, {0.5f}},
      {"LaterFmtOverridesEarlier",
       WavBuilder().fmt(1, 2, 8000, 24).fmt(3, 1, 16000, 32).data(float32({0.75f, -2.5f})).bytes(), 1, 16000,
       {0.75f, -2.5f}},
      // The data is first seen as 16-bit; the later "fmt " makes it one 32-bit sample.
      {"FmtAfterDataOverrides",
       WavBuilder().fmt(1, 1, 8000, 16).data(pcm32({0x40000000})).fmt(1, 1, 8000, 32).bytes(), 1, 8000, {0.5f}},
      // The last data chunk does not fit the format in force when it is passed, only the final one.
      {"LastDataFitsOnlyFinalFmt",
       WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({1, 2})).data(pcm24({0x400000})).fmt(1, 1, 8000, 24).bytes(), 1,
       8000, {0.5f}},
      {"WrongRiffSizeIgnored", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({16384})).riffSize(7).bytes(), 1, 8000,
       {0.5f}},
      {"TrailingBytesIgnored", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({16384})).raw({'a', 'b', 'c', 'd', 1, 2, 3})
                                   .bytes(),
       1, 8000, {0.5f}},
      {"ExtensiblePcm16", WavBuilder().fmtExtensible(1, 2, 48000, 16, 16).data(pcm16({16384, -32768})).bytes(), 2,
       48000, {0.5f, -1.0f}},
      {"ExtensibleFloat", WavBuilder().fmtExtensible(3, 1, 96000, 32, 32).data(float32({0.125f, -7.0f})).bytes(), 1,
       96000, {0.125f, -7.0f}},
      // 24 valid bits in 32-bit containers decode as plain 32-bit PCM.
      {"Extensible24In32", WavBuilder().fmtExtensible(1, 1, 48000, 32, 24).data(pcm32({0x40000000, 0x7FFFFF00})).bytes(),
       1, 48000, {0.5f, 0x7FFFFF00 * 0x1p-31f}},
      {"Rate8000", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({0})).bytes(), 1, 8000, {0.0f}},
      {"Rate384000", WavBuilder().fmt(1, 1, 384000, 16).data(pcm16({0})).bytes(), 1, 384000, {0.0f}},
      {"SixtyFourChannels", WavBuilder().fmt(1, 64, 48000, 16).data(repeat(128, 0)).bytes(), 64, 48000,
       std::vector<float>(64, 0.0f)},
      {"Pcm16Extremes", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({-32768, 32767, 0, -1})).bytes(), 1, 8000,
       {-1.0f, 0.999969482421875f, 0.0f, -0x1p-15f}},
      {"Pcm24Extremes", WavBuilder().fmt(1, 1, 8000, 24).data(pcm24({0x800000, 0x7FFFFF, 0x000001, 0xFFFFFF})).bytes(), 1,
       8000, {-1.0f, 0x7FFFFF * 0x1p-23f, 0x1p-23f, -0x1p-23f}},
      // 0x7FFFFFFF rounds to 2^31 as a float before scaling: exactly +1.0.
      {"Pcm32Extremes", WavBuilder().fmt(1, 1, 8000, 32).data(pcm32({0x7FFFFFFF, -0x80000000LL, 0x100, -0x100})).bytes(),
       1, 8000, {1.0f, -1.0f, 0x1p-23f, -0x1p-23f}},
      {"FloatNonFiniteBecomesZero",
       WavBuilder().fmt(3, 2, 8000, 32).data(float32({kNan, 0.5f, kInf, -kInf, 3.0e38f, -0.0f})).bytes(), 2, 8000,
       {0.0f, 0.5f, 0.0f, 0.0f, 3.0e38f, -0.0f}},
      // Raw and decoded limits both pass when met exactly: 16 raw bytes, 4 samples = limit / 4.
      {"DataEqualToLimit", WavBuilder().fmt(3, 1, 8000, 32).data(float32({1, 2, 3, 4})).bytes(), 1, 8000, {1, 2, 3, 4},
       16},
  };
}

class DecodeGood : public ::testing::TestWithParam<GoodCase> {};

TEST_P(DecodeGood, DecodesExpectedAudio) {
  const GoodCase& c = GetParam();
  ScratchDir dir;
  const DecodedAudio audio = decodeWavFile(dir.write("in.wav", c.file), c.limit);
  EXPECT_EQ(audio.channelCount, c.channels);
  EXPECT_EQ(audio.sampleRate, c.rate);
  ASSERT_EQ(audio.samples.size(), c.samples.size());
  for (std::size_t i = 0; i < c.samples.size(); ++i) {
    // Bit-exact, so that -0.0 and the exact scale factors are checked too.
    EXPECT_EQ(std::signbit(audio.samples[i]), std::signbit(c.samples[i])) << "sample " << i;
    EXPECT_EQ(audio.samples[i], c.samples[i]) << "sample " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeGood, ::testing::ValuesIn(goodCases()),
                         [](const auto& caseInfo) { return caseInfo.param.name; });

// ---------------------------------------------------------------------------------------------
// Files that are refused, with the exact message.

struct BadCase {
  std::string name;
  Bytes file;
  std::string message;
  std::uint64_t limit = kPreloadLimitBytes;
};

std::vector<BadCase> badCases() {
  const std::string notRiff = "Only RIFF WAV supported";
  const std::string truncated = "Truncated WAV chunk";
  const std::string unsupported = "Unsupported WAV encoding/layout";
  const Bytes riffHeader = WavBuilder().bytes();
  Bytes nineteen = riffHeader;
  nineteen.resize(19, 0);
  Bytes eleven = riffHeader;
  eleven.resize(11);
  return {
      {"Empty", {}, notRiff},
      {"ElevenBytes", eleven, notRiff},
      {"Rifx", WavBuilder("RIFX").fmt(1, 1, 8000, 16).data(pcm16({1})).bytes(), notRiff},
      {"NotWave", WavBuilder("RIFF", "AVI ").fmt(1, 1, 8000, 16).data(pcm16({1})).bytes(), notRiff},
      {"LowercaseRiff", WavBuilder("riff").fmt(1, 1, 8000, 16).data(pcm16({1})).bytes(), notRiff},
      {"HeaderOnly", riffHeader, unsupported},
      {"NineteenBytes", nineteen, unsupported},
      {"FmtPastEnd", WavBuilder().chunkWithSize("fmt ", 40, WavBuilder::fmtBody(1, 1, 8000, 16, -1)).bytes(), truncated},
      {"DataPastEnd", WavBuilder().fmt(1, 1, 8000, 16).chunkWithSize("data", 4, pcm16({1})).bytes(), truncated},
      // The truncation test comes before the limit test.
      {"HugeDataPastEnd", WavBuilder().fmt(1, 1, 8000, 16).chunkWithSize("data", 0xFFFFFFFF, pcm16({1})).bytes(),
       truncated},
      {"UnknownChunkPastEnd", WavBuilder().fmt(1, 1, 8000, 16).chunkWithSize("LIST", 100, {1, 2, 3}).bytes(), truncated},
      {"FmtTooShort", WavBuilder().chunk("fmt ", repeat(15, 0)).bytes(), "Invalid WAV format"},
      {"FmtTooLong", WavBuilder().chunk("fmt ", repeat(4097, 0)).bytes(), "Invalid WAV format"},
      {"ExtensibleTooShort", WavBuilder().chunk("fmt ", WavBuilder::fmtBody(0xFFFE, 1, 8000, 16, -1)).bytes(),
       "Invalid extensible WAV"},
      {"DataAboveLimit", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({1, 2, 3})).bytes(), "WAV exceeds preload limit", 4},
      {"FirstOfTwoDataAboveLimit", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({1, 2, 3})).data(pcm16({1})).bytes(),
       "WAV exceeds preload limit", 4},
      {"SecondOfTwoDataAboveLimit", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({1})).data(pcm16({1, 2, 3})).bytes(),
       "WAV exceeds preload limit", 4},
      // 12 raw bytes pass a limit of 20, but 6 decoded samples exceed 20 / 4 = 5.
      {"DecodedAboveLimit", WavBuilder().fmt(1, 1, 8000, 16).data(pcm16({1, 2, 3, 4, 5, 6})).bytes(),
       "Decoded WAV exceeds preload limit", 20},
      {"NoFmtChunk", WavBuilder().data(pcm16({1, 2})).bytes(), unsupported},
      {"Pcm8Bit", WavBuilder().fmt(1, 1, 8000, 8).data({1, 2}).bytes(), unsupported},
      {"Float64", WavBuilder().fmt(3, 1, 8000, 64).data(repeat(8, 0)).bytes(), unsupported},
      {"Float16", WavBuilder().fmt(3, 1, 8000, 16).data(repeat(2, 0)).bytes(), unsupported},
      {"Pcm20Bit", WavBuilder().fmt(1, 1, 8000, 20).data(repeat(6, 0)).bytes(), unsupported},
      {"Pcm40Bit", WavBuilder().fmt(1, 1, 8000, 40).data(repeat(5, 0)).bytes(), unsupported},
      {"ExtensibleOtherSubFormat", WavBuilder().fmtExtensible(2, 1, 8000, 16, 16).data(pcm16({1})).bytes(), unsupported},
      {"ZeroChannels", WavBuilder().fmt(1, 0, 8000, 16, 2).data(pcm16({1})).bytes(), unsupported},
      {"SixtyFiveChannels", WavBuilder().fmt(1, 65, 8000, 16).data(repeat(130, 0)).bytes(), unsupported},
      {"Rate7999", WavBuilder().fmt(1, 1, 7999, 16).data(pcm16({1})).bytes(), unsupported},
      {"Rate384001", WavBuilder().fmt(1, 1, 384001, 16).data(pcm16({1})).bytes(), unsupported},
      {"BlockAlignMismatch", WavBuilder().fmt(1, 2, 8000, 16, 2).data(pcm16({1, 2})).bytes(), unsupported},
      {"BlockAlignZero", WavBuilder().fmt(1, 1, 8000, 16, 0).data(pcm16({1})).bytes(), unsupported},
      {"DataNotWholeFrames", WavBuilder().fmt(1, 2, 8000, 16).data(pcm16({1, 2, 3})).bytes(), unsupported},
  };
}

class DecodeBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(DecodeBad, RaisesExactMessage) {
  const BadCase& c = GetParam();
  ScratchDir dir;
  const auto file = dir.write("in.wav", c.file);
  try {
    (void)decodeWavFile(file, c.limit);
    FAIL() << "expected \"" << c.message << "\"";
  } catch (const WavError& e) {
    EXPECT_EQ(std::string(e.what()), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeBad, ::testing::ValuesIn(badCases()),
                         [](const auto& caseInfo) { return caseInfo.param.name; });

TEST(DecodeWavFile, MissingFileCannotBeOpened) {
  ScratchDir dir;
  try {
    (void)decodeWavFile(dir.path() / "absent.wav", kPreloadLimitBytes);
    FAIL() << "expected an error";
  } catch (const WavError& e) {
    EXPECT_STREQ(e.what(), "Cannot open WAV file");
  }
}

// Converts longer files than the tables do, so the conversion runs over several blocks with a
// partial last one and past any vector width; both with "fmt " first and with "fmt " after the
// data. Compared against a per-sample reference of the documented formulas.
TEST(DecodeWavFile, BulkConversionMatchesPerSampleFormula) {
  ScratchDir dir;
  constexpr int kCount = 70001;  // odd; over two 32768-sample blocks
  Bytes b16, b24, b32, bf;
  std::vector<float> e16, e24, e32, ef;
  for (int i = 0; i < kCount; ++i) {
    const auto v16 = static_cast<std::int16_t>(i * 977 - 32768);
    const std::int32_t v24 = (i * 16411) % 0x1000000 - 0x800000;
    const std::int32_t v32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(i) * 4294967u + 0x80000000u);
    testing::putLe(b16, static_cast<std::uint16_t>(v16), 2);
    testing::putLe(b24, static_cast<std::uint32_t>(v24), 3);
    testing::putLe(b32, static_cast<std::uint32_t>(v32), 4);
    e16.push_back(static_cast<float>(v16) * 0x1p-15f);
    e24.push_back(static_cast<float>(v24) * 0x1p-23f);
    e32.push_back(static_cast<float>(v32) * 0x1p-31f);
    // Every 1000th float is NaN or infinity.
    const float vf = i % 1000 == 0 ? kNan : i % 1000 == 500 ? -kInf : static_cast<float>(v32) * 0x1p-20f;
    const Bytes one = float32({vf});
    bf.insert(bf.end(), one.begin(), one.end());
    ef.push_back(std::isfinite(vf) ? vf : 0.0f);
  }
  const struct {
    std::uint16_t tag;
    std::uint16_t bits;
    const Bytes& data;
    const std::vector<float>& expected;
  } cases[] = {{1, 16, b16, e16}, {1, 24, b24, e24}, {1, 32, b32, e32}, {3, 32, bf, ef}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "tag " << c.tag << ", " << c.bits << " bits");
    const auto fmtFirst = dir.write("first.wav", WavBuilder().fmt(c.tag, 1, 48000, c.bits).data(c.data).bytes());
    EXPECT_EQ(decodeWavFile(fmtFirst, kPreloadLimitBytes).samples, c.expected);
    const auto fmtLast = dir.write("last.wav", WavBuilder().data(c.data).fmt(c.tag, 1, 48000, c.bits).bytes());
    EXPECT_EQ(decodeWavFile(fmtLast, kPreloadLimitBytes).samples, c.expected);
  }
}

// The real limit on sparse files: the data is never written, only the size is set.
TEST(DecodeWavFile, PreloadLimitOnSparseFiles) {
  ScratchDir dir;
  const auto sparse = [&](const std::string& name, std::uint16_t bits, std::uint64_t dataBytes) {
    const Bytes head = WavBuilder().fmt(1, 1, 48000, bits).chunkWithSize("data", dataBytes, {}).bytes();
    const auto file = dir.write(name, head);
    std::filesystem::resize_file(file, head.size() + dataBytes);
    return file;
  };
  const auto message = [](const std::filesystem::path& file) -> std::string {
    try {
      (void)decodeWavFile(file, kPreloadLimitBytes);
      return "decoded";
    } catch (const WavError& e) {
      return e.what();
    }
  };
  // One byte over the raw limit is refused before anything is allocated.
  EXPECT_EQ(message(sparse("raw.wav", 16, kPreloadLimitBytes + 1)), "WAV exceeds preload limit");
  // 134,217,729 16-bit samples decode to one float too many.
  EXPECT_EQ(message(sparse("decoded.wav", 16, 268435458)), "Decoded WAV exceeds preload limit");
}

}  // namespace
}  // namespace varnolith::plugins
