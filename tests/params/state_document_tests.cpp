// The state document text: exact form of what is written, and every check of the reader.
#include "params/state_document.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>

#include "params/parameter_store.h"
#include "params/state_text.h"

namespace varnolith::plugins {
namespace {

using varnolith::testing::composeText;
using varnolith::testing::defaultParametersText;
using varnolith::testing::parametersText;

constexpr std::int32_t kPlayerKind = 5;

StateValues defaultValues() {
  ParameterStore store;
  StateValues values{};
  for (std::uint32_t i = 0; i < kParameterSlots; ++i) values[i] = store.readParameter(i);
  return values;
}

std::string validText(const std::string& path = "\"C:/a.wav\"") {
  return composeText("5", parametersText(kParameterSlots), path, "1");
}

TEST(StateDocumentWriter, FreshPlayerGivesTheExactText) {
  const std::string text = buildStateDocument(kPlayerKind, defaultValues(), u"C:\\Audio\\loop.wav");
  const std::string expected =
      "{\"kind\":5,\"parameters\":" + defaultParametersText() + ",\"path\":\"C:/Audio/loop.wav\",\"schema\":1}";
  EXPECT_EQ(text, expected);
}

TEST(StateDocumentWriter, EntryThreeIsTheIntegerZeroWhateverTheSlotHolds) {
  StateValues values{};
  values.fill(1.0);
  const std::string text = buildStateDocument(6, values, u"");
  EXPECT_NE(text.find("\"parameters\":[1.0,1.0,1.0,0,1.0,"), std::string::npos) << text;
  EXPECT_NE(text.find(",\"path\":\"\",\"schema\":1}"), std::string::npos) << text;
}

TEST(StateDocumentWriter, PathIsRawUtf8WithForwardSlashes) {
  const std::u16string path = u"D:\\Musik\\Gr\u00f6\u00dfe\\\u97f3\U0001F3B5.wav";
  const std::string text = buildStateDocument(1, defaultValues(), path);
  EXPECT_NE(text.find("\"path\":\"D:/Musik/Gr\xc3\xb6\xc3\x9f" "e/\xe9\x9f\xb3\xf0\x9f\x8e\xb5.wav\""),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("\\u"), std::string::npos);
  EXPECT_EQ(text.find('\\'), std::string::npos);
  EXPECT_EQ(text.find(' '), std::string::npos);
  EXPECT_EQ(text.find('\n'), std::string::npos);

  const StateReadResult read = readStateDocument(text, 1);
  ASSERT_TRUE(read.accepted());
  EXPECT_EQ(read.document.path, u"D:/Musik/Gr\u00f6\u00dfe/\u97f3\U0001F3B5.wav");
}

TEST(StateDocumentWriter, UnpairedSurrogatesBecomeReplacementCharacters) {
  std::u16string path = u"C:/x";
  path += static_cast<char16_t>(0xD800);  // high surrogate with no low one after it
  path += u"y";
  path += static_cast<char16_t>(0xDC00);  // low surrogate on its own, at the end
  const std::string text = buildStateDocument(1, defaultValues(), path);
  EXPECT_NE(text.find("\"path\":\"C:/x\xef\xbf\xbdy\xef\xbf\xbd\""), std::string::npos) << text;

  const StateReadResult read = readStateDocument(text, 1);
  ASSERT_TRUE(read.accepted());
  EXPECT_EQ(read.document.path, u"C:/x\ufffdy\ufffd");
}

TEST(StateDocumentWriter, ControlCharactersInThePathStayReadable) {
  const std::u16string path = u"a\"b\tc\x01";
  const StateReadResult read = readStateDocument(buildStateDocument(1, defaultValues(), path), 1);
  ASSERT_TRUE(read.accepted());
  EXPECT_EQ(read.document.path, path);
}

TEST(StateDocumentRoundTrip, EveryValueReadsBackBitForBit) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  StateValues values{};
  for (double& v : values) v = unit(random);
  // Values whose shortest form is awkward: extremes, subnormals, neighbours of 0 and 1.
  values[0] = 0.0;
  values[1] = 1.0;
  values[2] = -0.0;
  values[4] = std::numeric_limits<double>::denorm_min();
  values[5] = std::numeric_limits<double>::min();
  values[6] = std::nextafter(1.0, 0.0);
  values[7] = 1e-300;
  values[8] = 0.1;
  values[9] = 1.0 / 3.0;
  values[10] = 5e-324 * 12345;
  values[3] = 0.75;  // written as 0 all the same

  const std::string text = buildStateDocument(3, values, u"");
  const StateReadResult read = readStateDocument(text, 3);
  ASSERT_TRUE(read.accepted()) << text;
  for (std::size_t i = 0; i < kParameterSlots; ++i) {
    const double expected = i == kPlayRecord ? 0.0 : values[i];
    EXPECT_EQ(std::bit_cast<std::uint64_t>(read.document.values[i]), std::bit_cast<std::uint64_t>(expected))
        << "entry " << i;
  }
}

struct ReadCase {
  const char* name;
  std::string text;
  StateRefusal expected;
};

TEST(StateDocumentReader, RefusesEveryFaultyDocument) {
  const std::string params = parametersText(kParameterSlots);
  const std::string longPath(kMaxPathUnits + 1, 'a');
  const ReadCase cases[] = {
      {"empty text", "", StateRefusal::Parse},
      {"whitespace only", " \n\t", StateRefusal::Parse},
      {"line comment", validText() + "// note", StateRefusal::Parse},
      {"block comment", "/* c */" + validText(), StateRefusal::Parse},
      {"trailing comma in array", composeText("5", parametersText(kParameterSlots).insert(
                                                        parametersText(kParameterSlots).size() - 1, ","),
                                              "\"\"", "1"),
       StateRefusal::Parse},
      {"trailing comma in object", validText().insert(validText().size() - 1, ","), StateRefusal::Parse},
      {"second value", validText() + "{}", StateRefusal::Parse},
      {"second value after space", validText() + " 1", StateRefusal::Parse},
      {"truncated", validText().substr(0, 100), StateRefusal::Parse},
      {"invalid UTF-8 in path", validText("\"C:/\xff.wav\""), StateRefusal::Parse},
      {"overlong UTF-8 in path", validText("\"C:/\xc0\xaf.wav\""), StateRefusal::Parse},
      {"encoded surrogate in path", validText("\"C:/\xed\xa0\x80.wav\""), StateRefusal::Parse},
      {"unpaired surrogate escape", validText("\"C:/\\ud800.wav\""), StateRefusal::Parse},
      {"top-level array", "[" + validText() + "]", StateRefusal::NotObject},
      {"top-level number", "1", StateRefusal::NotObject},
      {"schema 2", composeText("5", params, "\"\"", "2"), StateRefusal::Schema},
      {"schema absent", composeText("5", params, "\"\"", std::nullopt), StateRefusal::Schema},
      {"schema string", composeText("5", params, "\"\"", "\"1\""), StateRefusal::Schema},
      {"schema null", composeText("5", params, "\"\"", "null"), StateRefusal::Schema},
      {"schema wraps to 1 beyond 32 bits", composeText("5", params, "\"\"", "4294967297"), StateRefusal::Schema},
      {"schema float beyond 32 bits", composeText("5", params, "\"\"", "1e300"), StateRefusal::Schema},
      {"other kind", composeText("6", params, "\"\"", "1"), StateRefusal::Kind},
      {"kind absent", composeText(std::nullopt, params, "\"\"", "1"), StateRefusal::Kind},
      {"kind array", composeText("[5]", params, "\"\"", "1"), StateRefusal::Kind},
      {"kind negative float", composeText("-5.5", params, "\"\"", "1"), StateRefusal::Kind},
      {"parameters absent", composeText("5", std::nullopt, "\"\"", "1"), StateRefusal::Parameters},
      {"parameters object", composeText("5", "{}", "\"\"", "1"), StateRefusal::Parameters},
      {"511 entries", composeText("5", parametersText(511), "\"\"", "1"), StateRefusal::Parameters},
      {"513 entries", composeText("5", parametersText(513), "\"\"", "1"), StateRefusal::Parameters},
      {"entry 1.0000001", composeText("5", parametersText(512, "0.5", 7, "1.0000001"), "\"\"", "1"),
       StateRefusal::Parameters},
      {"entry -0.5", composeText("5", parametersText(512, "0.5", 0, "-0.5"), "\"\"", "1"), StateRefusal::Parameters},
      {"entry string", composeText("5", parametersText(512, "0.5", 511, "\"0.5\""), "\"\"", "1"),
       StateRefusal::Parameters},
      {"entry true", composeText("5", parametersText(512, "0.5", 3, "true"), "\"\"", "1"), StateRefusal::Parameters},
      {"entry false", composeText("5", parametersText(512, "0.5", 9, "false"), "\"\"", "1"),
       StateRefusal::Parameters},
      {"entry null", composeText("5", parametersText(512, "0.5", 9, "null"), "\"\"", "1"), StateRefusal::Parameters},
      {"entry integer 2", composeText("5", parametersText(512, "0.5", 9, "2"), "\"\"", "1"), StateRefusal::Parameters},
      {"entry overflowing to infinity", composeText("5", parametersText(512, "0.5", 9, "1e400"), "\"\"", "1"),
       StateRefusal::Parse},
      {"entry nested array", composeText("5", parametersText(512, "0.5", 9, "[0.5]"), "\"\"", "1"),
       StateRefusal::Parameters},
      {"path number", validText("7"), StateRefusal::Path},
      {"path null", validText("null"), StateRefusal::Path},
      {"path 32768 units", validText("\"" + longPath + "\""), StateRefusal::Path},
      {"path 32766 units plus one outside the BMP",
       validText("\"" + std::string(kMaxPathUnits - 1, 'a') + "\xf0\x9f\x8e\xb5\""), StateRefusal::Path},
      {"path with NUL", validText("\"C:/a.wav\\u0000.txt\""), StateRefusal::Path},
  };
  for (const ReadCase& c : cases) {
    const StateReadResult read = readStateDocument(c.text, kPlayerKind);
    EXPECT_EQ(read.refusal, c.expected) << c.name;
  }
}

TEST(StateDocumentReader, AcceptsWhatTheLibraryReadsAsTheRightNumbers) {
  const std::string params = parametersText(kParameterSlots);
  const ReadCase cases[] = {
      {"plain", validText(), StateRefusal::None},
      {"schema 1.9 truncates to 1", composeText("5", params, "\"\"", "1.9"), StateRefusal::None},
      {"schema true counts as 1", composeText("5", params, "\"\"", "true"), StateRefusal::None},
      {"kind 5.0", composeText("5.0", params, "\"\"", "1"), StateRefusal::None},
      {"kind 5e0", composeText("5e0", params, "\"\"", "1"), StateRefusal::None},
      {"whitespace around the value", " \r\n\t" + validText() + " \n", StateRefusal::None},
      {"extra keys are ignored", "{\"zz\":[1,{}],\"a\":null," + validText().substr(1), StateRefusal::None},
      {"path of 32767 units", validText("\"" + std::string(kMaxPathUnits, 'b') + "\""), StateRefusal::None},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(readStateDocument(c.text, kPlayerKind).refusal, c.expected) << c.name;
  }
}

TEST(StateDocumentReader, TakesIntegerEntriesAndDecodesThePath) {
  std::string entries = "[";
  for (std::size_t i = 0; i < kParameterSlots; ++i) {
    entries += i ? "," : "";
    entries += i % 2 ? "1" : "0";
  }
  entries += "]";
  const std::string text = composeText("5", entries, "\"C:\\\\Audio\\\\caf\\u00e9/\\ud83c\\udfb5.wav\"", "1");
  const StateReadResult read = readStateDocument(text, kPlayerKind);
  ASSERT_TRUE(read.accepted());
  for (std::size_t i = 0; i < kParameterSlots; ++i) EXPECT_EQ(read.document.values[i], i % 2 ? 1.0 : 0.0) << i;
  // Backslashes are kept as they are on reading; only the writer turns them around.
  EXPECT_EQ(read.document.path, u"C:\\Audio\\caf\u00e9/\U0001F3B5.wav");
}

TEST(StateDocumentReader, MissingPathReadsAsEmpty) {
  const StateReadResult read = readStateDocument(composeText("5", parametersText(512), std::nullopt, "1"), 5);
  ASSERT_EQ(read.refusal, StateRefusal::None);
  EXPECT_TRUE(read.document.path.empty());
  EXPECT_EQ(read.document.values[100], 0.5);
}

}  // namespace
}  // namespace varnolith::plugins
