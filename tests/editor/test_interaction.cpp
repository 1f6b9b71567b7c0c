// Mouse interaction and file commands through the window's messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "editor/editor_fixture.h"
#include "params/parameter_ids.h"
#include "support/wav_file.h"

namespace varnolith::testing {
namespace {

using enum plugins::ParamId;
using Call = RecordingComponentHandler::Call;
using Entry = RecordingComponentHandler::Entry;
namespace headless = platform::headless;

std::vector<Entry> edit(ParamID id, double value) {
  return {{Call::Begin, id, 0.0}, {Call::Perform, id, value}, {Call::End, id, 0.0}};
}

std::vector<Entry> concat(std::vector<Entry> a, const std::vector<Entry>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class Interaction : public HeadlessTest {
 protected:
  // Presses the left button at (x, y) and releases it there.
  void press(PluginUnderTest& plugin, AttachedEditor& editor, int x, int y) {
    plugin.handler->calls.clear();
    editor.press(x, y);
  }
};

TEST_F(Interaction, CountButtonsStepWithinOneToSixtyFour) {
  const struct {
    ModuleKind kind;
    double before;
    int x, y;
    double after;  // negative: nothing is edited
  } cases[] = {
      {ModuleKind::FaderBank, 1.0, 722, 118, 1.0},             // "+" at 64 keeps 64
      {ModuleKind::FaderBank, 0.0, 672, 118, 0.0},             // "−" at one keeps one
      {ModuleKind::FaderBank, 7.0 / 63.0, 672, 118, 6.0 / 63.0},
      {ModuleKind::FaderBank, 7.0 / 63.0, 722, 118, 8.0 / 63.0},
      {ModuleKind::FaderBank, 7.0 / 63.0, 694, 118, -1},       // right edge of "−" is outside
      {ModuleKind::FaderBank, 7.0 / 63.0, 700, 101, 8.0 / 63.0},
      {ModuleKind::Summing, 7.0 / 63.0, 29, 222, 6.0 / 63.0},
      {ModuleKind::Breakout, 7.0 / 63.0, 98, 266, 6.0 / 63.0}, // inclusive ranges reach one pixel further
      {ModuleKind::Distributor, 7.0 / 63.0, 181, 266, 8.0 / 63.0},
      {ModuleKind::Distributor, 1.0, 150, 240, 1.0},
      {ModuleKind::Summing, 0.0, 60, 240, 0.0},
      {ModuleKind::Summing, 7.0 / 63.0, 105, 240, -1},         // between the two buttons
      {ModuleKind::Input, 7.0 / 63.0, 60, 240, -1},            // INPUT and OUTPUT have no count
      {ModuleKind::Output, 7.0 / 63.0, 150, 240, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.kind) << " at " << c.x << ", " << c.y);
    PluginUnderTest plugin(c.kind);
    plugin->parameters.storeParameter(kActiveStrips, c.before);
    AttachedEditor editor(*plugin);
    press(plugin, editor, c.x, c.y);
    if (c.after < 0) {
      EXPECT_TRUE(plugin.handler->calls.empty());
      EXPECT_DOUBLE_EQ(plugin.value(kActiveStrips), c.before);
    } else {
      EXPECT_EQ(plugin.handler->calls, edit(kActiveStrips, c.after));
      EXPECT_DOUBLE_EQ(plugin.value(kActiveStrips), c.after);
    }
  }
}

TEST_F(Interaction, TailButtonsStepFiveSecondsWithinOneToThreeThousandSixHundred) {
  const struct {
    double seconds;
    int x, y;
    double after;  // seconds; negative: nothing is edited
  } cases[] = {
      {30, 100, 440, 25},  {4, 100, 440, 1},     {1, 100, 440, 1},       {3598, 250, 440, 3600},
      {3600, 250, 440, 3600}, {30, 168, 460, 25}, {30, 30, 421, 25},     {30, 319, 460, 35},
      {30, 175, 440, -1},  {30, 100, 461, -1},   {30, 100, 420, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.seconds << " s at " << c.x << ", " << c.y);
    PluginUnderTest plugin(ModuleKind::Recorder);
    plugin->parameters.storeParameter(kMaximumTail, c.seconds / 3600.0);
    AttachedEditor editor(*plugin);
    press(plugin, editor, c.x, c.y);
    if (c.after < 0) {
      EXPECT_TRUE(plugin.handler->calls.empty());
    } else {
      ASSERT_EQ(plugin.handler->calls.size(), 3u);
      EXPECT_EQ(plugin.handler->calls[1].id, kMaximumTail);
      EXPECT_NEAR(plugin.handler->calls[1].value * 3600.0, c.after, 1e-9);
      const auto texts = editor.paintedTexts();
      const std::string seconds = std::to_string(static_cast<int>(c.after));
      const std::u16string readout = u"Maximum tail: " + std::u16string(seconds.begin(), seconds.end()) + u" s";
      EXPECT_NE(std::find(texts.begin(), texts.end(), readout), texts.end());
    }
  }
}

TEST_F(Interaction, PlayAndStopWriteTwoEditsInOrder) {
  for (ModuleKind kind : {ModuleKind::Player, ModuleKind::Recorder}) {
    SCOPED_TRACE(static_cast<int>(kind));
    PluginUnderTest plugin(kind);
    plugins::DecodedAudio file;
    file.channelCount = 1;
    file.sampleRate = 48000;
    file.samples.assign(10, 0.1f);
    ScopedLatestAudio audio(*plugin, std::move(file));
    plugin->recorder.ready.store(true);
    AttachedEditor editor(*plugin);

    press(plugin, editor, 285, 133);  // Play / Record
    EXPECT_EQ(plugin.handler->calls, concat(edit(kFollowTransport, 0.0), edit(kPlayRecord, 1.0)));
    EXPECT_EQ(plugin.value(kPlayRecord), 1.0);
    EXPECT_TRUE(system.messageBoxes().empty());

    press(plugin, editor, 420, 133);  // Stop
    EXPECT_EQ(plugin.handler->calls, concat(edit(kPlayRecord, 0.0), edit(kFollowTransport, 0.0)));

    press(plugin, editor, 600, 133);  // Follow DAW transport: 0 → 1
    EXPECT_EQ(plugin.handler->calls, edit(kFollowTransport, 1.0));
    plugin->parameters.storeParameter(kFollowTransport, 0.5);
    press(plugin, editor, 600, 133);  // 0.5 counts as off
    EXPECT_EQ(plugin.handler->calls, edit(kFollowTransport, 1.0));
    press(plugin, editor, 600, 133);
    EXPECT_EQ(plugin.handler->calls, edit(kFollowTransport, 0.0));
  }
}

TEST_F(Interaction, RunRefusalsShowAnInformationBox) {
  const struct {
    ModuleKind kind;
    bool loaded, ready, failed;
    const char* text;  // null: allowed
  } cases[] = {
      {ModuleKind::Player, false, false, false, "Choose a WAV file first."},
      {ModuleKind::Recorder, false, false, false,
       "Choose a new WAV destination first. The recorder prepares it before recording starts."},
      {ModuleKind::Recorder, false, true, true,
       "Choose a new WAV destination first. The recorder prepares it before recording starts."},
      {ModuleKind::Recorder, false, false, true,
       "Choose a new WAV destination first. The recorder prepares it before recording starts."},
      {ModuleKind::Recorder, false, true, false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.kind) << c.loaded << c.ready << c.failed);
    system.reset();
    PluginUnderTest plugin(c.kind);
    plugin->recorder.ready.store(c.ready);
    plugin->recorder.failed.store(c.failed);
    plugin->parameters.storeParameter(kFollowTransport, 1.0);
    AttachedEditor editor(*plugin);
    press(plugin, editor, 222, 112);  // top-left corner is inside
    const auto boxes = system.messageBoxes();
    if (!c.text) {
      EXPECT_TRUE(boxes.empty());
      EXPECT_EQ(plugin.value(kPlayRecord), 1.0);
      continue;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, editor.window());
    EXPECT_EQ(boxes[0].caption, "VARNOLITH");
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].type, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_TRUE(plugin.handler->calls.empty());
    EXPECT_EQ(plugin.value(kFollowTransport), 1.0);
    EXPECT_EQ(plugin.value(kPlayRecord), 0.0);
  }
}

TEST_F(Interaction, DoubleClickOnMuteTogglesTwice) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  plugin->parameters.storeParameter(kActiveStrips, 7.0 / 63.0);
  AttachedEditor editor(*plugin);
  plugin.handler->calls.clear();
  // Strip 3 (slot 2, X 344): mute button (268, 204, 344, 235). A double click is two presses.
  editor.mouse(platform::kWmLButtonDown, 300, 220, platform::kMkLButton);
  editor.mouse(platform::kWmLButtonUp, 300, 220);
  editor.mouse(platform::kWmLButtonDown, 300, 220, platform::kMkLButton);
  editor.mouse(platform::kWmLButtonUp, 300, 220);
  EXPECT_EQ(plugin.handler->calls, concat(edit(kFaderMuteBase + 2, 1.0), edit(kFaderMuteBase + 2, 0.0)));
  EXPECT_EQ(plugin.value(kFaderMuteBase + 2), 0.0);
}

TEST_F(Interaction, FaderPressGrabsTheCapOrJumpsToThePointer) {
  const struct {
    double gain;
    int y;
    double startValue;
  } cases[] = {
      {0.5, 351, 0.5},                          // on the centre (258 + trunc(93.5))
      {0.5, 351 + 24, 0.5},                     // within 24 pixels
      {0.5, 351 - 24, 0.5},
      {0.5, 351 - 30, 1.0 - (321 - 258) / 187.0},  // 30 above: the value under the pointer
      {0.5, 351 + 25, 1.0 - (376 - 258) / 187.0},
      {15.0 / 17.0, 304, 15.0 / 17.0},          // cap at 280
      {0.0, 240, 1.0},                          // above the scale: limited to 1
      {1.0, 462, 0.0},                          // below the scale: limited to 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.gain << " at y " << c.y);
    PluginUnderTest plugin(ModuleKind::FaderBank);
    plugin->parameters.storeParameter(kActiveStrips, 1.0 / 63.0);
    plugin->parameters.storeParameter(kFaderGainBase + 1, c.gain);
    AttachedEditor editor(*plugin);
    plugin.handler->calls.clear();
    editor.mouse(platform::kWmLButtonDown, 229 - 40, c.y, platform::kMkLButton);  // strip 2 (X 229)
    EXPECT_EQ(system.captureWindow(), editor.window());
    ASSERT_EQ(plugin.handler->calls.size(), 3u);
    EXPECT_EQ(plugin.handler->calls[1].id, kFaderGainBase + 1);
    EXPECT_NEAR(plugin.handler->calls[1].value, c.startValue, 1e-12);
    editor.mouse(platform::kWmLButtonUp, 229 - 40, c.y);
    EXPECT_EQ(system.captureWindow(), nullptr);
  }
}

TEST_F(Interaction, FaderDragIsRelativeAndLimited) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  plugin->parameters.storeParameter(kActiveStrips, 0.0);
  plugin->parameters.storeParameter(kFaderGainBase, 0.0);
  AttachedEditor editor(*plugin);
  const int x = 114 - 40;
  editor.mouse(platform::kWmLButtonDown, x, 445, platform::kMkLButton);  // on the cap at 0
  EXPECT_EQ(plugin.value(kFaderGainBase), 0.0);
  editor.mouse(platform::kWmMouseMove, x, 445 - 187, platform::kMkLButton);
  EXPECT_DOUBLE_EQ(plugin.value(kFaderGainBase), 1.0);
  editor.mouse(platform::kWmMouseMove, x, -200, platform::kMkLButton);  // outside, still captured
  EXPECT_DOUBLE_EQ(plugin.value(kFaderGainBase), 1.0);
  editor.mouse(platform::kWmMouseMove, x + 500, 445 - 50, platform::kMkLButton);  // x does not matter
  EXPECT_NEAR(plugin.value(kFaderGainBase), 50.0 / 187.0, 1e-12);
  editor.mouse(platform::kWmMouseMove, x, 900, platform::kMkLButton);
  EXPECT_EQ(plugin.value(kFaderGainBase), 0.0);
  editor.mouse(platform::kWmMouseMove, x, 400, platform::kMkLButton);
  const double before = plugin.value(kFaderGainBase);

  // Released outside the window: the capture still brings the release, which ends the drag.
  editor.mouse(platform::kWmLButtonUp, x, 700);
  EXPECT_EQ(system.captureWindow(), nullptr);
  plugin.handler->calls.clear();
  system.PostMessageW(editor.window(), platform::kWmMouseMove, 0, platform::makePointParam(x, 300));
  system.PostMessageW(editor.window(), platform::kWmMouseMove, platform::kMkLButton, platform::makePointParam(x, 300));
  system.pump();
  EXPECT_TRUE(plugin.handler->calls.empty());
  EXPECT_EQ(plugin.value(kFaderGainBase), before);
}

TEST_F(Interaction, LosingTheCaptureEndsTheDrag) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  plugin->parameters.storeParameter(kActiveStrips, 0.0);
  AttachedEditor editor(*plugin);
  editor.mouse(platform::kWmLButtonDown, 74, 300, platform::kMkLButton);
  ASSERT_EQ(system.captureWindow(), editor.window());
  system.SetCapture(editor.host);  // another window takes the mouse: WM_CAPTURECHANGED
  plugin.handler->calls.clear();
  system.PostMessageW(editor.window(), platform::kWmMouseMove, platform::kMkLButton, platform::makePointParam(74, 200));
  system.pump();
  EXPECT_TRUE(plugin.handler->calls.empty());
  system.ReleaseCapture();
}

TEST_F(Interaction, EachDragStepIsOneCompleteEdit) {
  PluginUnderTest plugin(ModuleKind::Output);
  plugin->parameters.storeParameter(kGain, 0.0);
  AttachedEditor editor(*plugin);
  plugin.handler->calls.clear();
  editor.mouse(platform::kWmLButtonDown, 37, 400, platform::kMkLButton);
  editor.mouse(platform::kWmMouseMove, 37 + 431, 400, platform::kMkLButton);
  editor.mouse(platform::kWmMouseMove, 37 + 863, 380, platform::kMkLButton);
  editor.mouse(platform::kWmLButtonUp, 37 + 863, 380);
  EXPECT_EQ(plugin.handler->calls,
            concat(concat(edit(kGain, 0.0), edit(kGain, 431.0 / 863.0)), edit(kGain, 1.0)));
}

TEST_F(Interaction, GainSliderPressAndDrag) {
  const struct {
    double value;
    int pressX;
    double startValue;
  } cases[] = {
      {0.5, 37, 0.0},                       // cap at 468: far away, the value jumps to x 37
      {0.5, 468 + 22, 0.5},                 // within 22 pixels
      {0.5, 468 - 23, (445.0 - 37) / 863},  // one pixel too far
      {0.0, 37, 0.0},
      {0.0, 17, 0.0},                       // left of the scale: limited
      {1.0, 923, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.value << " at x " << c.pressX);
    PluginUnderTest plugin(ModuleKind::Output);
    plugin->parameters.storeParameter(kGain, c.value);
    AttachedEditor editor(*plugin);
    plugin.handler->calls.clear();
    editor.mouse(platform::kWmLButtonDown, c.pressX, 400, platform::kMkLButton);
    ASSERT_EQ(plugin.handler->calls.size(), 3u);
    EXPECT_NEAR(plugin.handler->calls[1].value, c.startValue, 1e-12);
    editor.mouse(platform::kWmMouseMove, c.pressX + 863, 420, platform::kMkLButton);
    EXPECT_NEAR(plugin.value(kGain), std::min(1.0, c.startValue + 1.0), 1e-12);
    editor.mouse(platform::kWmLButtonUp, 0, 0);
  }
  // Outside the slider region nothing starts.
  PluginUnderTest plugin(ModuleKind::Output);
  AttachedEditor editor(*plugin);
  plugin.handler->calls.clear();
  editor.mouse(platform::kWmLButtonDown, 500, 441, platform::kMkLButton);
  editor.mouse(platform::kWmMouseMove, 600, 441, platform::kMkLButton);
  EXPECT_TRUE(plugin.handler->calls.empty());
  EXPECT_EQ(system.captureWindow(), nullptr);
}

std::vector<std::u16string> faderNames(AttachedEditor& editor) {
  std::vector<std::u16string> names;
  for (const auto& text : editor.paintedTexts()) {
    if (text.starts_with(u"FADER ")) names.push_back(text);
  }
  return names;
}

TEST_F(Interaction, PageButtonsStayWithinThePages) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  plugin->parameters.storeParameter(kActiveStrips, 8.0 / 63.0);  // nine strips
  AttachedEditor editor(*plugin);
  editor.press(50, 540);  // "‹" on page 0
  EXPECT_EQ(faderNames(editor).front(), u"FADER 1");
  editor.press(100, 540);  // "›"
  EXPECT_EQ(faderNames(editor), std::vector<std::u16string>{u"FADER 9"});
  editor.press(147, 559);  // "›" on the last page
  EXPECT_EQ(faderNames(editor), std::vector<std::u16string>{u"FADER 9"});
  // Strip 9's mute is in slot 0 on this page.
  plugin.handler->calls.clear();
  editor.press(50, 220);
  EXPECT_EQ(plugin.handler->calls, edit(kFaderMuteBase + 8, 1.0));
  editor.press(28, 525);  // "‹"
  EXPECT_EQ(faderNames(editor).size(), 8u);
  EXPECT_EQ(plugin.handler->calls.size(), 3u);  // paging edits nothing
}

// --- File commands ---

std::filesystem::path scratchFile(const char* name, const char* content) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

TEST_F(Interaction, FileDialogsAskForWavFiles) {
  const struct {
    ModuleKind kind;
    headless::FileDialogAnswer::Kind answer;
    bool save;
    platform::DWORD flags;
  } cases[] = {
      {ModuleKind::Player, headless::FileDialogAnswer::Kind::Cancel, false,
       platform::kOfnExplorer | platform::kOfnPathMustExist | platform::kOfnNoChangeDir | platform::kOfnFileMustExist},
      {ModuleKind::Player, headless::FileDialogAnswer::Kind::Fail, false,
       platform::kOfnExplorer | platform::kOfnPathMustExist | platform::kOfnNoChangeDir | platform::kOfnFileMustExist},
      {ModuleKind::Recorder, headless::FileDialogAnswer::Kind::Cancel, true,
       platform::kOfnExplorer | platform::kOfnPathMustExist | platform::kOfnNoChangeDir},
      {ModuleKind::Recorder, headless::FileDialogAnswer::Kind::Fail, true,
       platform::kOfnExplorer | platform::kOfnPathMustExist | platform::kOfnNoChangeDir},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    system.reset();
    PluginUnderTest plugin(c.kind);
    plugin->modulePath = u"previous.wav";
    AttachedEditor editor(*plugin);
    system.queueFileDialog({c.answer, {}});
    editor.press(28, 112);
    const auto dialogs = system.fileDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].save, c.save);
    EXPECT_EQ(dialogs[0].owner, editor.window());
    EXPECT_EQ(dialogs[0].filter, (std::vector<std::u16string>{u"WAV audio", u"*.wav"}));
    EXPECT_EQ(dialogs[0].defaultExtension, u"wav");
    EXPECT_EQ(dialogs[0].flags, c.flags);
    EXPECT_EQ(dialogs[0].capacity, 32768u);
    EXPECT_TRUE(dialogs[0].bufferAllZero);
    EXPECT_FALSE(dialogs[0].hasTitle);
    EXPECT_FALSE(dialogs[0].hasInitialDirectory);
    EXPECT_TRUE(system.messageBoxes().empty());
    EXPECT_EQ(plugin->modulePath, u"previous.wav");
  }
}

TEST_F(Interaction, RefusedFilesShowTheModulesErrorText) {
  const auto notWav = scratchFile("varnolith-editor-not-a-wav.wav", "this is not RIFF data");
  const auto existing = scratchFile("varnolith-editor-existing.wav", "already here");
  const struct {
    ModuleKind kind;
    std::filesystem::path path;
    const char* caption;
  } cases[] = {
      {ModuleKind::Player, notWav, "VARNOLITH PLAYER"},
      {ModuleKind::Player, std::filesystem::temp_directory_path() / "varnolith-editor-missing.wav", "VARNOLITH PLAYER"},
      {ModuleKind::Recorder, existing, "VARNOLITH RECORDER"},  // the save dialog accepts existing names
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string());
    system.reset();
    // What the module itself says about this path.
    PluginUnderTest reference(c.kind);
    std::string expected;
    ASSERT_FALSE(reference->setModuleFile(c.path.u16string(), expected));
    ASSERT_FALSE(expected.empty());

    PluginUnderTest plugin(c.kind);
    plugin->modulePath = u"previous.wav";
    AttachedEditor editor(*plugin);
    system.queueFileDialog({headless::FileDialogAnswer::Kind::Choose, c.path.u16string()});
    editor.press(205, 154);
    const auto boxes = system.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, editor.window());
    EXPECT_EQ(boxes[0].caption, c.caption);
    EXPECT_EQ(boxes[0].text, expected);
    EXPECT_EQ(boxes[0].type, platform::kMbOk | platform::kMbIconError);
    EXPECT_EQ(plugin->modulePath, u"previous.wav");
  }
  std::filesystem::remove(notWav);
  std::filesystem::remove(existing);
}

bool painted(AttachedEditor& editor, std::u16string_view text) {
  const auto texts = editor.paintedTexts();
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(Interaction, PlayerOpensAFileAndKeepsItWhenTheNextOneFails) {
  const auto folder = std::filesystem::temp_directory_path() / "varnolith-editor-open";
  std::filesystem::create_directories(folder);
  const auto good = folder / "loop.wav";
  writePcm16Wav(good, 2, 44100, std::vector<float>(2 * 1000, 0.25f));
  const auto bad = scratchFile("varnolith-editor-open-bad.wav", "RIFF but not really");

  PluginUnderTest plugin(ModuleKind::Player);
  AttachedEditor editor(*plugin);
  system.queueFileDialog({headless::FileDialogAnswer::Kind::Choose, good.u16string()});
  editor.press(100, 130);
  EXPECT_TRUE(system.messageBoxes().empty());
  EXPECT_EQ(plugin->modulePath, good.u16string());
  EXPECT_EQ(plugin->player.frameCount.load(), 1000u);
  EXPECT_TRUE(painted(editor, u"loop.wav | Ready"));
  EXPECT_TRUE(painted(editor, u"1000 frames  /  44100 Hz  /  2 channels"));
  press(plugin, editor, 285, 133);  // now "Play" is allowed
  EXPECT_EQ(plugin.handler->calls, concat(edit(kFollowTransport, 0.0), edit(kPlayRecord, 1.0)));

  plugin->parameters.storeParameter(kPlayRecord, 0.0);
  system.queueFileDialog({headless::FileDialogAnswer::Kind::Choose, bad.u16string()});
  editor.press(100, 130);
  const auto boxes = system.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "VARNOLITH PLAYER");
  EXPECT_FALSE(boxes[0].text.empty());
  EXPECT_EQ(plugin->modulePath, good.u16string());
  EXPECT_TRUE(painted(editor, u"1000 frames  /  44100 Hz  /  2 channels"));
  std::filesystem::remove_all(folder);
  std::filesystem::remove(bad);
}

TEST_F(Interaction, RecorderArmsANewDestination) {
  const auto folder = std::filesystem::temp_directory_path() / "varnolith-editor-record";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const auto take = folder / "take.wav";
  {
    PluginUnderTest plugin(ModuleKind::Recorder);
    AttachedEditor editor(*plugin);
    EXPECT_TRUE(painted(editor, u"Choose a NEW WAV destination before playback"));
    system.queueFileDialog({headless::FileDialogAnswer::Kind::Choose, take.u16string()});
    editor.press(100, 130);
    EXPECT_TRUE(system.messageBoxes().empty());
    EXPECT_EQ(plugin->modulePath, take.u16string());
    EXPECT_TRUE(std::filesystem::exists(take));
    EXPECT_TRUE(painted(editor, u"Armed and ready"));
    press(plugin, editor, 285, 133);  // "Record" is allowed once armed
    EXPECT_EQ(plugin.handler->calls, concat(edit(kFollowTransport, 0.0), edit(kPlayRecord, 1.0)));
  }
  std::filesystem::remove_all(folder);
}

TEST_F(Interaction, NoNewDestinationWhileRecording) {
  PluginUnderTest plugin(ModuleKind::Recorder);
  plugin->recorder.recording.store(true);
  AttachedEditor editor(*plugin);
  system.queueFileDialog({headless::FileDialogAnswer::Kind::Choose, u"/tmp/new.wav"});
  editor.press(100, 130);
  EXPECT_TRUE(system.fileDialogs().empty());
  const auto boxes = system.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "VARNOLITH RECORDER");
  EXPECT_EQ(boxes[0].text, "Stop recording before choosing a new destination.");
  EXPECT_EQ(boxes[0].type & platform::kMbIconMask, 0u);
  EXPECT_EQ(boxes[0].type, platform::kMbOk);
  EXPECT_TRUE(plugin->modulePath.empty());
}

}  // namespace
}  // namespace varnolith::testing
