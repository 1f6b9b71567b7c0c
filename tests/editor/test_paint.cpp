// Painting of every panel over a recording canvas: rectangles, colours, texts and fonts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/editor_fixture.h"
#include "editor/paint_panel.h"
#include "editor/palette.h"
#include "params/parameter_ids.h"

namespace varnolith::testing {
namespace {

namespace pal = plugins::palette;
using plugins::PanelState;
using K = DrawCall::Kind;
using enum plugins::ParamId;

std::vector<DrawCall> paint(UtilityPlugin& plugin, PanelState& state) {
  RecordingCanvas canvas;
  plugins::paintPanel(plugin, state, canvas);
  return canvas.calls;
}

std::vector<DrawCall> paint(UtilityPlugin& plugin) {
  PanelState state;
  return paint(plugin, state);
}

// The calls after the five of the header.
std::vector<DrawCall> body(const std::vector<DrawCall>& calls) {
  return calls.size() < 5 ? std::vector<DrawCall>{} : std::vector<DrawCall>(calls.begin() + 5, calls.end());
}

TEST(PanelPainting, HeaderOfEveryKind) {
  const struct {
    ModuleKind kind;
    const char16_t* title;
  } cases[] = {
      {ModuleKind::Input, u"VARNOLITH INPUT"},       {ModuleKind::Output, u"VARNOLITH OUTPUT"},
      {ModuleKind::Summing, u"VARNOLITH SUMMING"},   {ModuleKind::Breakout, u"VARNOLITH BREAKOUT"},
      {ModuleKind::Player, u"VARNOLITH PLAYER"},     {ModuleKind::Recorder, u"VARNOLITH RECORDER"},
      {ModuleKind::FaderBank, u"VARNOLITH FADER BANK"}, {ModuleKind::Distributor, u"VARNOLITH DISTRIBUTOR"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    PluginUnderTest plugin(c.kind);
    const auto calls = paint(*plugin);
    ASSERT_GE(calls.size(), 5u);
    const std::vector<DrawCall> header(calls.begin(), calls.begin() + 5);
    EXPECT_EQ(header, (std::vector<DrawCall>{
                          fill({0, 0, 960, 580}, pal::kBackground),
                          fill({0, 0, 960, 88}, pal::kHeaderBand),
                          label({26, 13, 820, 46}, c.title, pal::kPrimaryText, 27, true, TextLayout::SingleLine),
                          label({28, 49, 890, 75},
                                u"Independent VST3 module  /  realtime audio  /  host-controlled ports",
                                pal::kSecondaryText, 13, false, TextLayout::SingleLine),
                          line(0, 87, 960, 87, pal::kHeaderRule, 1),
                      }));
  }
}

TEST(PanelPainting, RoutingPanelOfEachKind) {
  const struct {
    ModuleKind kind;
    const char16_t* description;
    const char16_t* count;  // null: no count buttons and no count line
  } cases[] = {
      {ModuleKind::Input, u"Expose audio supplied by the DAW or rack input. Hardware selection belongs to the host.",
       nullptr},
      {ModuleKind::Output, u"Pass audio to a host-routed output. Hardware selection belongs to the host.", nullptr},
      {ModuleKind::Summing, u"Add independent mono / stereo inputs into one output. Neutral digital addition.",
       u"8 active inputs"},
      {ModuleKind::Breakout,
       u"Separate a multichannel input into individual mono outputs. Each output carries one input lane.",
       u"8 enabled output lanes"},
      {ModuleKind::Distributor, u"Copy the input to independent output branches. Connect any branch to an effect.",
       u"8 active branches"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    PluginUnderTest plugin(c.kind);
    plugin->parameters.storeParameter(kActiveStrips, 7.0 / 63.0);
    plugin->parameters.storeParameter(kGain, 15.0 / 17.0);  // 0 dB: cap centre 37 + trunc(761.47) = 798
    std::vector<DrawCall> expected{
        label({28, 112, 920, 190}, c.description, pal::kPrimaryText, 23, true, TextLayout::Wrapped)};
    if (c.count) {
      expected.push_back(button({29, 222, 98, 266}, u"\u2212", false));
      expected.push_back(button({112, 222, 181, 266}, u"+", false));
      expected.push_back(label({207, 222, 890, 266}, c.count, pal::kAccent, 23, true, TextLayout::SingleLine));
    }
    const std::vector<DrawCall> gain{
        label({30, 320, 920, 355}, u"Output gain", pal::kSecondaryText, 15, false, TextLayout::SingleLine),
        fill({37, 397, 900, 406}, pal::kGainTrack),
        knob({778, 375, 818, 430}),
        label({31, 448, 919, 491}, u"0.0 dB", pal::kAccent, 24, true, TextLayout::SingleLine),
        label({30, 517, 920, 563},
              u"Extra DAW buses must be enabled by the host. Inactive or disconnected inputs are silent.",
              pal::kSecondaryText, 14, false, TextLayout::SingleLine),
    };
    expected.insert(expected.end(), gain.begin(), gain.end());
    EXPECT_EQ(body(paint(*plugin)), expected);
  }
}

TEST(PanelPainting, GainCapAndReadoutAcrossTheRange) {
  const struct {
    double value;
    Rect cap;
    const char16_t* readout;
  } cases[] = {
      {0.0, {17, 375, 57, 430}, u"-90.0 dB"},
      {15.0 / 17.0, {778, 375, 818, 430}, u"0.0 dB"},
      {1.0, {880, 375, 920, 430}, u"12.0 dB"},
      {0.5, {448, 375, 488, 430}, u"-39.0 dB"},  // 37 + trunc(431.5)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    PluginUnderTest plugin(ModuleKind::Output);
    plugin->parameters.storeParameter(kGain, c.value);
    RecordingCanvas canvas;
    PanelState state;
    plugins::paintPanel(*plugin, state, canvas);
    EXPECT_EQ(canvas.only(K::Knob), std::vector<DrawCall>{knob(c.cap)});
    ASSERT_NE(canvas.find(c.readout), nullptr);
  }
}

TEST(PanelPainting, FaderBankWithOneStrip) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  plugin->parameters.storeParameter(kActiveStrips, 0.0);
  plugin->parameters.storeParameter(kFaderGainBase, 15.0 / 17.0);
  std::vector<DrawCall> expected{
      label({24, 99, 515, 130}, u"Independent strips: each input goes only to its own output.", pal::kAccent, 15,
            false, TextLayout::SingleLine),
      button({650, 101, 694, 135}, u"\u2212", false),
      button({700, 101, 744, 135}, u"+", false),
      label({756, 101, 930, 135}, u"1 strips", pal::kPrimaryText, 17, true, TextLayout::SingleLine),
      fill({26, 154, 128, 512}, pal::kStripFace),
      line(26, 154, 128, 154, pal::kAccent, 3),
      label({30, 158, 124, 181}, u"FADER 1", pal::kPrimaryText, 15, true, TextLayout::SingleLine),
      label({30, 181, 124, 201}, u"STEREO \u2192 STEREO", pal::kSecondaryText, 10, false, TextLayout::SingleLine),
      button({38, 204, 114, 235}, u"Mute", false),
      fill({73, 258, 81, 445}, pal::kFaderTrack),
  };
  for (int y = 258; y <= 444; y += 31) expected.push_back(line(43, y, 65, y, pal::kTick, 1));
  const std::vector<DrawCall> rest{
      knob({58, 258, 97, 302}),  // 0 dB: cap centre 258 + trunc(2/17 × 187) = 280
      label({30, 461, 124, 491}, u"0.0 dB", pal::kPrimaryText, 15, true, TextLayout::Centered),
      button({28, 525, 85, 560}, u"\u2039", false),
      button({91, 525, 148, 560}, u"\u203A", false),
      label({169, 525, 920, 560}, u"No internal summing. Connect strip outputs to SUMMING when needed.",
            pal::kSecondaryText, 14, false, TextLayout::SingleLine),
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(body(paint(*plugin)), expected);
}

TEST(PanelPainting, FaderCapsMuteFacesAndReadoutsPerStrip) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  plugin->parameters.storeParameter(kActiveStrips, 3.0 / 63.0);  // four strips
  const struct {
    double gain;
    bool muted;
    int capTop;
    const char16_t* readout;
  } strips[] = {
      {1.0, false, 236, u"12.0 dB"},     // centre 258
      {0.0, true, 423, u"-90.0 dB"},     // centre 445
      {15.0 / 17.0, false, 258, u"0.0 dB"},
      {0.5, true, 329, u"-39.0 dB"},     // centre 258 + trunc(93.5) = 351
  };
  for (int c = 0; c < 4; ++c) {
    plugin->parameters.storeParameter(kFaderGainBase + c, strips[c].gain);
    plugin->parameters.storeParameter(kFaderMuteBase + c, strips[c].muted ? 1.0 : 0.0);
  }
  RecordingCanvas canvas;
  PanelState state;
  plugins::paintPanel(*plugin, state, canvas);
  const auto knobs = canvas.only(K::Knob);
  ASSERT_EQ(knobs.size(), 4u);
  auto buttons = canvas.only(K::Button);
  ASSERT_EQ(buttons.size(), 2u + 4u + 2u);
  for (int c = 0; c < 4; ++c) {
    SCOPED_TRACE(c);
    const int x = 114 + 115 * c;
    EXPECT_EQ(knobs[c], knob({x - 56, strips[c].capTop, x - 17, strips[c].capTop + 44}));
    EXPECT_EQ(buttons[2 + c], button({x - 76, 204, x, 235}, strips[c].muted ? u"MUTED" : u"Mute", strips[c].muted));
    const DrawCall* readout = canvas.find(strips[c].readout);
    ASSERT_NE(readout, nullptr);
    EXPECT_EQ(readout->rect, (Rect{x - 84, 461, x + 10, 491}));
  }
}

std::vector<std::u16string> stripNames(const std::vector<DrawCall>& calls) {
  std::vector<std::u16string> names;
  for (const DrawCall& call : calls) {
    if (call.kind == K::Label && call.text.starts_with(u"FADER ")) names.push_back(call.text);
  }
  return names;
}

TEST(PanelPainting, FaderPagesAreClampedToTheStripsThatExist) {
  const struct {
    double active;
    int page;
    int pageAfter;
    std::vector<std::u16string> names;
    const char16_t* count;
  } cases[] = {
      {0.0, 0, 0, {u"FADER 1"}, u"1 strips"},
      {0.0, 3, 0, {u"FADER 1"}, u"1 strips"},
      {1.0, 7, 7, {u"FADER 57", u"FADER 58", u"FADER 59", u"FADER 60", u"FADER 61", u"FADER 62", u"FADER 63", u"FADER 64"},
       u"64 strips"},
      {1.0, 12, 7, {u"FADER 57", u"FADER 58", u"FADER 59", u"FADER 60", u"FADER 61", u"FADER 62", u"FADER 63", u"FADER 64"},
       u"64 strips"},
      {0.5, 4, 4, {u"FADER 33"}, u"33 strips"},  // lround(31.5) = 32
      {0.5, 5, 4, {u"FADER 33"}, u"33 strips"},
      {8.0 / 63.0, 1, 1, {u"FADER 9"}, u"9 strips"},
      {7.0 / 63.0, 1, 0, {u"FADER 1", u"FADER 2", u"FADER 3", u"FADER 4", u"FADER 5", u"FADER 6", u"FADER 7", u"FADER 8"},
       u"8 strips"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.active << " page " << c.page);
    PluginUnderTest plugin(ModuleKind::FaderBank);
    plugin->parameters.storeParameter(kActiveStrips, c.active);
    PanelState state;
    state.faderPage = c.page;
    const auto calls = paint(*plugin, state);
    EXPECT_EQ(state.faderPage, c.pageAfter);
    EXPECT_EQ(stripNames(calls), c.names);
    RecordingCanvas canvas;
    plugins::paintPanel(*plugin, state, canvas);
    EXPECT_NE(canvas.find(c.count), nullptr);
    // The page buttons are drawn on every page.
    EXPECT_NE(canvas.find(u"\u2039"), nullptr);
    EXPECT_NE(canvas.find(u"\u203A"), nullptr);
  }
}

std::vector<std::u16string> captions(const std::vector<DrawCall>& calls) {
  std::vector<std::u16string> result;
  for (const DrawCall& call : calls) {
    if (call.kind == K::Label && call.height == 10) result.push_back(call.text);
  }
  return result;
}

TEST(PanelPainting, ChannelCaptionsFollowTheInputBuses) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  plugin->parameters.storeParameter(kActiveStrips, 2.0 / 63.0);  // three strips
  Steinberg::Vst::SpeakerArrangement arrangements[64];
  for (auto& a : arrangements) a = Steinberg::Vst::SpeakerArr::kStereo;
  arrangements[0] = Steinberg::Vst::SpeakerArr::kMono;
  arrangements[2] = Steinberg::Vst::SpeakerArr::kMono;
  Steinberg::Vst::SpeakerArrangement outputs[64];
  std::copy(std::begin(arrangements), std::end(arrangements), std::begin(outputs));
  ASSERT_EQ(plugin->setBusArrangements(arrangements, 64, outputs, 64), Steinberg::kResultOk);
  EXPECT_EQ(captions(paint(*plugin)),
            (std::vector<std::u16string>{u"MONO \u2192 MONO", u"STEREO \u2192 STEREO", u"MONO \u2192 MONO"}));

  // Without buses (not initialized) every query fails and reads as stereo.
  auto bare = Steinberg::IPtr<UtilityPlugin>::adopt(new UtilityPlugin(ModuleKind::FaderBank));
  bare->parameters.storeParameter(kActiveStrips, 1.0 / 63.0);
  EXPECT_EQ(captions(paint(*bare.get())),
            (std::vector<std::u16string>{u"STEREO \u2192 STEREO", u"STEREO \u2192 STEREO"}));
}

TEST(PanelPainting, PlayerWithoutAFile) {
  PluginUnderTest plugin(ModuleKind::Player);
  plugin->parameters.storeParameter(kPlayRecord, 0.0);
  plugin->parameters.storeParameter(kFollowTransport, 1.0);
  EXPECT_EQ(body(paint(*plugin)),
            (std::vector<DrawCall>{
                button({28, 112, 206, 155}, u"Open WAV\u2026", false),
                button({222, 112, 349, 155}, u"Play", false),
                button({362, 112, 480, 155}, u"Stop", false),
                button({498, 112, 770, 155}, u"Follow DAW transport", true),
                label({28, 169, 929, 218}, u"Choose a WAV file. Disk is never read in the audio callback.",
                      pal::kAccent, 15, false, TextLayout::Wrapped),
                fill({28, 230, 930, 450}, pal::kWaveformField),
                label({40, 300, 920, 375}, u"Choose a WAV file to see its waveform.", pal::kSecondaryText, 19, false,
                      TextLayout::Centered),
                label({28, 523, 930, 563},
                      u"WAV PCM 16/24/32-bit or float32. Preloaded audio, maximum 512 MiB decoded.",
                      pal::kSecondaryText, 14, false, TextLayout::SingleLine),
            }));
}

TEST(PanelPainting, RecorderPanel) {
  PluginUnderTest plugin(ModuleKind::Recorder);
  plugin->parameters.storeParameter(kPlayRecord, 0.0);
  plugin->parameters.storeParameter(kFollowTransport, 0.0);
  EXPECT_EQ(body(paint(*plugin)),
            (std::vector<DrawCall>{
                button({28, 112, 206, 155}, u"New WAV file\u2026", false),
                button({222, 112, 349, 155}, u"Record", false),
                button({362, 112, 480, 155}, u"Stop", false),
                button({498, 112, 770, 155}, u"Follow DAW transport", false),
                label({28, 169, 929, 218}, u"Choose a NEW WAV destination before playback", pal::kAccent, 15, false,
                      TextLayout::Wrapped),
                label({30, 244, 916, 304}, u"Prepare the file first. Recording runs on the shared host sample clock.",
                      pal::kPrimaryText, 20, true, TextLayout::Wrapped),
                label({30, 324, 916, 392},
                      u"On transport stop, capture the effect tail until 0.5 seconds of silence or the maximum tail. "
                      u"Audio passes through unchanged.",
                      pal::kSecondaryText, 17, false, TextLayout::Wrapped),
                button({30, 421, 168, 460}, u"Tail \u2212", false),
                button({181, 421, 319, 460}, u"Tail +", false),
                label({341, 421, 922, 460}, u"Maximum tail: 30 s", pal::kAccent, 17, true, TextLayout::SingleLine),
                label({28, 523, 930, 563},
                      u"New files only: existing recordings are never intentionally overwritten.",
                      pal::kSecondaryText, 14, false, TextLayout::SingleLine),
            }));
}

TEST(PanelPainting, RunAndTransportButtonsLightAboveOneHalf) {
  const struct {
    ModuleKind kind;
    double run;
    double follow;
    bool runActive;
    bool followActive;
  } cases[] = {
      {ModuleKind::Player, 0.5, 0.5, false, false},
      {ModuleKind::Player, 0.51, 1.0, true, true},
      {ModuleKind::Recorder, 1.0, 0.0, true, false},
      {ModuleKind::Recorder, 0.0, 0.75, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.kind) << " " << c.run << " " << c.follow);
    PluginUnderTest plugin(c.kind);
    plugin->parameters.storeParameter(kPlayRecord, c.run);
    plugin->parameters.storeParameter(kFollowTransport, c.follow);
    RecordingCanvas canvas;
    PanelState state;
    plugins::paintPanel(*plugin, state, canvas);
    const auto buttons = canvas.only(K::Button);
    ASSERT_GE(buttons.size(), 4u);
    EXPECT_EQ(buttons[1].active, c.runActive);
    EXPECT_EQ(buttons[3].active, c.followActive);
  }
}

TEST(PanelPainting, MaximumTailReadoutTruncatesSeconds) {
  const struct {
    double value;
    const char16_t* text;
  } cases[] = {
      {1.0 / 120.0, u"Maximum tail: 30 s"},
      {0.0, u"Maximum tail: 0 s"},
      {1.0, u"Maximum tail: 3600 s"},
      {10.9 / 3600.0, u"Maximum tail: 10 s"},
  };
  for (const auto& c : cases) {
    PluginUnderTest plugin(ModuleKind::Recorder);
    plugin->parameters.storeParameter(kMaximumTail, c.value);
    RecordingCanvas canvas;
    PanelState state;
    plugins::paintPanel(*plugin, state, canvas);
    EXPECT_NE(canvas.find(c.text), nullptr) << c.value;
  }
}

// --- PLAYER waveform ---

plugins::DecodedAudio audioOf(std::uint32_t channels, std::uint32_t rate, std::vector<float> samples) {
  plugins::DecodedAudio audio;
  audio.channelCount = channels;
  audio.sampleRate = rate;
  audio.samples = std::move(samples);
  return audio;
}

// Column heights (index k − 1) of the painted waveform; fails unless it is 898 centred lines.
std::vector<int> columnHeights(const std::vector<DrawCall>& calls) {
  std::vector<int> heights;
  for (const DrawCall& call : calls) {
    if (call.kind != K::Line || call.colour != pal::kAccent || call.width != 1) continue;
    EXPECT_EQ(call.x1, call.x2);
    EXPECT_EQ(call.x1, 30 + static_cast<int>(heights.size()));
    EXPECT_EQ(340 - call.y1, call.y2 - 340);
    heights.push_back(340 - call.y1);
  }
  EXPECT_EQ(heights.size(), 898u);
  return heights;
}

TEST(PlayerWaveform, StereoFileDrawsColumnsAndInformationLine) {
  PluginUnderTest plugin(ModuleKind::Player);
  std::vector<float> samples(2 * 44100, 0.0f);
  for (std::size_t f = 0; f < 44100; ++f) samples[2 * f + 1] = 0.5f;  // right channel only
  ScopedLatestAudio audio(*plugin, audioOf(2, 44100, std::move(samples)));
  const auto calls = paint(*plugin);
  const auto heights = columnHeights(calls);
  for (int h : heights) ASSERT_EQ(h, 47);  // trunc(0.5 × 95)
  RecordingCanvas canvas;
  PanelState state;
  plugins::paintPanel(*plugin, state, canvas);
  EXPECT_EQ(canvas.find(u"Choose a WAV file to see its waveform."), nullptr);
  const DrawCall* info = canvas.find(u"44100 frames  /  44100 Hz  /  2 channels");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(*info, label({36, 461, 911, 492}, u"44100 frames  /  44100 Hz  /  2 channels", pal::kSecondaryText, 14,
                         false, TextLayout::SingleLine));
}

TEST(PlayerWaveform, ColumnRule) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* name;
    std::uint32_t channels;
    std::vector<float> samples;
    std::vector<std::pair<int, int>> columns;  // (k, height)
  } cases[] = {
      // One frame: every column reads frame 0.
      {"one frame", 1, {0.25f}, {{1, 23}, {449, 23}, {898, 23}}},
      // Three frames: column k reads frame 3(k − 1) / 898; neighbours share frames.
      {"shorter than 898", 1, {0.1f, 0.5f, 1.0f}, {{1, 9}, {300, 9}, {301, 47}, {599, 47}, {600, 95}, {898, 95}}},
      // A NaN never raises the peak, also next to a real sample of another channel.
      {"NaN", 2, {nan, nan, nan, 0.5f}, {{1, 0}, {449, 0}, {450, 47}, {898, 47}}},
      // Beyond ±1 the column is full height, and no more.
      {"over full scale", 1, {-3.0f, 1.5f}, {{1, 95}, {898, 95}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PluginUnderTest plugin(ModuleKind::Player);
    ScopedLatestAudio audio(*plugin, audioOf(c.channels, 48000, c.samples));
    const auto heights = columnHeights(paint(*plugin));
    ASSERT_EQ(heights.size(), 898u);
    for (auto [k, h] : c.columns) EXPECT_EQ(heights[k - 1], h) << "column " << k;
  }
}

TEST(PlayerWaveform, LongColumnsAreSampledAtAFixedStride) {
  // 100 frames per column: step 100 / 32 = 3, so frames 0, 3, 6, ... of column 1 are read.
  PluginUnderTest plugin(ModuleKind::Player);
  std::vector<float> samples(898 * 100, 0.0f);
  samples[1] = 1.0f;   // column 1, between two read frames: not seen
  samples[103] = 1.0f; // column 2 starts at 100: frame 103 is read
  samples[89798] = 1.0f;  // last column starts at 89700: 98 past it is not a multiple of 3
  ScopedLatestAudio audio(*plugin, audioOf(1, 48000, std::move(samples)));
  const auto heights = columnHeights(paint(*plugin));
  ASSERT_EQ(heights.size(), 898u);
  EXPECT_EQ(heights[0], 0);
  EXPECT_EQ(heights[1], 95);
  EXPECT_EQ(heights[897], 0);
}

TEST(PlayerWaveform, AudioWithoutFramesShowsThePlaceholder) {
  PluginUnderTest plugin(ModuleKind::Player);
  ScopedLatestAudio audio(*plugin, audioOf(2, 48000, {0.5f}));  // half a frame: no whole frame
  RecordingCanvas canvas;
  PanelState state;
  plugins::paintPanel(*plugin, state, canvas);
  EXPECT_NE(canvas.find(u"Choose a WAV file to see its waveform."), nullptr);
  EXPECT_EQ(canvas.only(K::Line).size(), 1u);  // the header rule only: no waveform columns
  for (const DrawCall& call : canvas.calls) EXPECT_EQ(call.text.find(u"frames"), std::u16string::npos);
}

}  // namespace
}  // namespace varnolith::testing
