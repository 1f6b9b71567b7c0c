#include "editor/editor_fixture.h"

#include "platform/constants.h"
#include "vst3/string16.h"

namespace varnolith::testing {

PluginUnderTest::PluginUnderTest(ModuleKind kind)
    : host(makeHostObject<HostApplication>()),
      handler(makeHostObject<RecordingComponentHandler>()),
      plugin(Steinberg::IPtr<UtilityPlugin>::adopt(new UtilityPlugin(kind))) {
  EXPECT_EQ(plugin->initialize(host.get()), Steinberg::kResultOk);
  EXPECT_EQ(plugin->setComponentHandler(handler.get()), Steinberg::kResultOk);
}

PluginUnderTest::~PluginUnderTest() {
  if (plugin) plugin->terminate();
}

ScopedLatestAudio::ScopedLatestAudio(UtilityPlugin& plugin, plugins::DecodedAudio audio)
    : plugin_(plugin), audio_(std::move(audio)) {
  previous_ = plugin_.player.latest.exchange(&audio_);
  previousFrames_ = plugin_.player.frameCount.exchange(audio_.frameCount());
}

ScopedLatestAudio::~ScopedLatestAudio() {
  plugin_.player.latest.store(previous_);
  plugin_.player.frameCount.store(previousFrames_);
}

void HeadlessTest::SetUp() {
  system.reset();
  ASSERT_EQ(system.windowCount(), 0u);
  ASSERT_EQ(plugins::editorClassUserCount(), 0);
}

void HeadlessTest::TearDown() {
  system.pump();
  EXPECT_EQ(system.windowCount(), 0u) << "a window outlived its test";
  EXPECT_EQ(plugins::editorClassUserCount(), 0);
  EXPECT_EQ(system.drawingObjectCount(), 0u) << "brushes, pens, fonts, bitmaps or contexts leaked";
  system.reset();
}

AttachedEditor::AttachedEditor(UtilityPlugin& plugin) {
  host = system.createHostWindow(1000, 700);
  view = plugin.createView("editor");
  EXPECT_NE(view, nullptr);
  if (view) {
    EXPECT_EQ(view->attached(host, "HWND"), Steinberg::kResultOk);
  }
  system.pump();
}

AttachedEditor::~AttachedEditor() {
  if (view) {
    EXPECT_EQ(view->removed(), Steinberg::kResultOk);
    view->release();
  }
  system.DestroyWindow(host);
}

HWND AttachedEditor::window() const {
  const auto children = platform::headless::instance().children(host);
  return children.empty() ? nullptr : children.front();
}

void AttachedEditor::mouse(platform::UINT message, int x, int y, platform::WPARAM keys) {
  system.postMouse(window() ? window() : host, message, x, y, keys);
  system.pump();
}

std::vector<std::u16string> AttachedEditor::paintedTexts() {
  system.reset();
  system.InvalidateRect(window(), nullptr, 0);
  system.pump();
  std::vector<std::u16string> texts;
  for (const auto& drawn : system.drawnTexts()) {
    if (drawn.window == window()) texts.push_back(drawn.text);
  }
  return texts;
}

void PrintTo(const DrawCall& call, std::ostream* os) {
  static const char* const kinds[] = {"fill", "line", "label", "button", "knob"};
  *os << kinds[static_cast<int>(call.kind)] << " (" << call.rect.left << ", " << call.rect.top << ", "
      << call.rect.right << ", " << call.rect.bottom << ")";
  if (call.kind == DrawCall::Kind::Line) {
    *os << " (" << call.x1 << ", " << call.y1 << ") to (" << call.x2 << ", " << call.y2 << ") width " << call.width;
  }
  *os << " rgb(" << int(call.colour.red) << ", " << int(call.colour.green) << ", " << int(call.colour.blue) << ")";
  if (!call.text.empty()) *os << " \"" << Steinberg::utf16ToUtf8(call.text) << "\"";
  if (call.kind == DrawCall::Kind::Label) {
    *os << " " << call.height << " px" << (call.semibold ? " semibold" : "") << " layout "
        << static_cast<int>(call.layout);
  }
  if (call.active) *os << " active";
}

}  // namespace varnolith::testing
