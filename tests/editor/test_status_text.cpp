// The status line of PLAYER and RECORDER for every state.
#include <gtest/gtest.h>

#include "editor/editor_fixture.h"
#include "editor/status_text.h"

namespace varnolith::testing {
namespace {

using plugins::composeStatusText;

TEST(StatusText, Player) {
  const struct {
    std::u16string path;
    bool playing;
    const char* text;
  } cases[] = {
      {u"", false, "Choose a WAV file. Disk is never read in the audio callback."},
      {u"", true, "Choose a WAV file. Disk is never read in the audio callback."},  // path cleared by a restore
      {u"C:\\Audio\\Drums.wav", false, "Drums.wav | Ready"},
      {u"C:\\Audio\\Drums.wav", true, "Drums.wav | Playing"},
      {u"/home/me/takes/bass.wav", false, "bass.wav | Ready"},
      {u"D:loop.wav", false, "loop.wav | Ready"},
      {u"mixed/dir\\name.wav", false, "name.wav | Ready"},
      {u"C:\\M\u00FCsik\\\u00C9t\u00E9.wav", true, "\u00C9t\u00E9.wav | Playing"},
  };
  for (const auto& c : cases) {
    PluginUnderTest plugin(ModuleKind::Player);
    plugin->modulePath = c.path;
    plugin->player.playing.store(c.playing);
    EXPECT_EQ(composeStatusText(*plugin), c.text);
  }
}

TEST(StatusText, RecorderFollowsTheFirstRuleThatApplies) {
  struct Flags {
    bool failed, recording, ready, finalized, fileCreated;
  };
  const struct {
    Flags flags;
    std::u16string path;
    std::uint64_t written, dropped;
    const char* text;
  } cases[] = {
      {{false, false, false, true, false}, u"", 0, 0, "Choose a NEW WAV destination before playback"},  // new instance
      {{false, false, true, false, true}, u"C:\\rec\\take.wav", 0, 0, "Armed and ready"},
      {{false, true, true, false, true}, u"C:\\rec\\take.wav", 48000, 0, "Recording 48000 frames; dropped 0"},
      {{false, true, false, false, true}, u"C:\\rec\\take.wav", 18446744073709551615ull, 7,
       "Recording 18446744073709551615 frames; dropped 7"},
      {{true, true, true, false, true}, u"C:\\rec\\take.wav", 5, 5, "Recording failed; inspect output disk"},
      {{true, false, false, true, false}, u"C:\\rec\\take.wav", 0, 0, "Recording failed; inspect output disk"},
      {{false, false, false, true, true}, u"C:\\rec\\take-take2.wav", 0, 0, "Finalized take-take2.wav"},
      {{false, false, false, true, true}, u"", 0, 0, "Choose a NEW WAV destination before playback"},
      {{false, false, false, false, true}, u"C:\\rec\\take.wav", 0, 0, "Choose a NEW WAV destination before playback"},
      {{false, false, false, true, false}, u"C:\\rec\\take.wav", 0, 0, "Choose a NEW WAV destination before playback"},
  };
  for (const auto& c : cases) {
    PluginUnderTest plugin(ModuleKind::Recorder);
    auto& r = plugin->recorder;
    r.failed.store(c.flags.failed);
    r.recording.store(c.flags.recording);
    r.ready.store(c.flags.ready);
    r.finalized.store(c.flags.finalized);
    r.fileCreated.store(c.flags.fileCreated);
    r.framesWritten.store(c.written);
    r.droppedFrames.store(c.dropped);
    plugin->modulePath = c.path;
    EXPECT_EQ(composeStatusText(*plugin), c.text);
  }
}

TEST(StatusText, OtherKinds) {
  for (ModuleKind kind : {ModuleKind::Input, ModuleKind::Output, ModuleKind::Summing, ModuleKind::Breakout,
                          ModuleKind::FaderBank, ModuleKind::Distributor}) {
    PluginUnderTest plugin(kind);
    EXPECT_EQ(composeStatusText(*plugin), "Host audio ports | Digital processing | No extra hardware engine");
  }
}

TEST(StatusText, UnpairedSurrogateBecomesReplacementCharacter) {
  PluginUnderTest plugin(ModuleKind::Player);
  plugin->modulePath = std::u16string(u"C:\\a\\bad") + char16_t(0xD800) + u".wav";
  EXPECT_EQ(composeStatusText(*plugin), "bad\xEF\xBF\xBD.wav | Ready");
  plugin->modulePath = std::u16string(u"/x/") + char16_t(0xDC00) + char16_t(0xD83D) + u"end.wav";
  EXPECT_EQ(composeStatusText(*plugin), "\xEF\xBF\xBD\xEF\xBF\xBD" "end.wav | Ready");
}

class StatusPainting : public HeadlessTest {};

TEST_F(StatusPainting, UnpairedSurrogateInThePathStillPaints) {
  PluginUnderTest plugin(ModuleKind::Player);
  plugin->modulePath = std::u16string(u"C:\\a\\bad") + char16_t(0xD800) + u".wav";
  AttachedEditor editor(*plugin);
  const auto texts = editor.paintedTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), u"bad\uFFFD.wav | Ready"), texts.end());
  EXPECT_EQ(system.pixel(editor.window(), 5, 570), platform::rgb(18, 30, 36));
}

}  // namespace
}  // namespace varnolith::testing
