// The view's lifecycle: creation, attach refusals, the shared class registration, removal from
// any thread, release, and the periodic repaint.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "editor/editor_fixture.h"
#include "params/parameter_ids.h"
#include "vst3/plugin_view.h"

namespace varnolith::testing {
namespace {

using enum plugins::ParamId;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::kResultTrue;
namespace headless = platform::headless;
using plugins::kEditorClassName;

platform::HINSTANCE editorModule() {
  platform::HMODULE module = nullptr;
  headless::instance().GetModuleHandleExW(
      platform::kGetModuleHandleExFlagFromAddress | platform::kGetModuleHandleExFlagUnchangedRefcount,
      reinterpret_cast<platform::LPCWSTR>(plugins::editorWindowProcedure()), &module);
  return module;
}

platform::LRESULT otherProcedure(HWND window, platform::UINT message, platform::WPARAM w, platform::LPARAM l) {
  return headless::instance().DefWindowProcW(window, message, w, l);
}

class ViewLifecycle : public HeadlessTest {
 protected:
  bool classRegistered() { return system.classRegistered(kEditorClassName, editorModule()); }
};

TEST_F(ViewLifecycle, CreateViewAnswersOnlyTheEditorName) {
  PluginUnderTest plugin(ModuleKind::Input);
  for (const char* name : {"Editor", "", "editor ", "editorx", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(plugin->createView(name), nullptr) << (name ? name : "null");
  }
  Steinberg::IPlugView* first = plugin->createView("editor");
  Steinberg::IPlugView* second = plugin->createView("editor");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  Steinberg::ViewRect rect{1, 2, 3, 4};
  EXPECT_EQ(first->getSize(&rect), kResultOk);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, 960);
  EXPECT_EQ(rect.bottom, 580);
  EXPECT_EQ(first->getSize(nullptr), Steinberg::kInvalidArgument);
  EXPECT_EQ(first->isPlatformTypeSupported("HWND"), kResultTrue);
  for (const char* type : {"NSView", "X11EmbedWindowID", "hwnd", "", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(first->isPlatformTypeSupported(type), kResultFalse);
  }
  EXPECT_EQ(first->canResize(), kResultFalse);
  EXPECT_EQ(first->onWheel(1.0f), kResultFalse);
  EXPECT_EQ(first->onKeyDown(u'a', 0, 0), kResultFalse);
  EXPECT_EQ(first->onKeyUp(u'a', 0, 0), kResultFalse);
  EXPECT_EQ(first->onFocus(1), kResultFalse);
  Steinberg::ViewRect wanted{0, 0, 100, 100};
  EXPECT_EQ(first->checkSizeConstraint(&wanted), kResultFalse);
  EXPECT_EQ(first->onSize(&wanted), kResultOk);
  EXPECT_EQ(first->onSize(nullptr), kResultOk);
  EXPECT_EQ(first->getSize(&rect), kResultOk);
  EXPECT_EQ(rect.right, 100);
  EXPECT_EQ(first->release(), 0u);
  EXPECT_EQ(second->release(), 0u);
}

TEST_F(ViewLifecycle, AttachedCreatesTheChildWindowItsTimerAndOneRegistration) {
  PluginUnderTest plugin(ModuleKind::Summing);
  AttachedEditor editor(*plugin);
  const HWND window = editor.window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(system.children(editor.host).size(), 1u);
  EXPECT_EQ(system.GetWindowThreadProcessId(window, nullptr), system.GetCurrentThreadId());
  EXPECT_NE(system.GetWindowLongPtrW(window, platform::kGwlpUserData), 0);
  EXPECT_EQ(system.timerInterval(window, plugins::kRepaintTimerId), 100u);
  EXPECT_EQ(plugins::editorClassUserCount(), 1);
  EXPECT_TRUE(classRegistered());
  platform::WNDCLASSW wc;
  ASSERT_TRUE(system.GetClassInfoW(editorModule(), kEditorClassName, &wc));
  EXPECT_EQ(wc.style, 0u);  // no double-click messages
  EXPECT_EQ(wc.lpfnWndProc, plugins::editorWindowProcedure());
  EXPECT_EQ(wc.hCursor, system.LoadCursorW(nullptr, platform::kIdcArrow));
  EXPECT_EQ(static_cast<Steinberg::CPluginView*>(editor.view)->getSystemWindow(), editor.host);
  // The first paint went through the off-screen bitmap onto the window.
  EXPECT_GE(system.paintCount(window), 1);
  EXPECT_EQ(system.pixel(window, 5, 570), platform::rgb(18, 30, 36));
  EXPECT_EQ(system.pixel(window, 5, 5), platform::rgb(33, 49, 57));
  EXPECT_EQ(system.pixel(window, 5, 87), platform::rgb(76, 97, 103));
}

TEST_F(ViewLifecycle, RefusedAttachLeavesNothingBehind) {
  enum class Setup { None, Faults, ForeignModuleClass, OtherProcedureClass };
  const struct {
    const char* name;
    Setup setup;
    headless::Faults faults;
    bool destroyedParent;
    bool nullParent;
    const char* type;
  } cases[] = {
      {"null parent", Setup::None, {}, false, true, "HWND"},
      {"destroyed parent", Setup::None, {}, true, false, "HWND"},
      {"null type", Setup::None, {}, false, false, nullptr},
      {"other type", Setup::None, {}, false, false, "X11EmbedWindowID"},
      {"module lookup fails", Setup::Faults, {true, false, false, false}, false, false, "HWND"},
      {"registration fails", Setup::Faults, {false, true, false, false}, false, false, "HWND"},
      {"window creation fails", Setup::Faults, {false, false, true, false}, false, false, "HWND"},
      {"window creation and unregistration fail", Setup::Faults, {false, false, true, true}, false, false, "HWND"},
      {"class of another module", Setup::ForeignModuleClass, {}, false, false, "HWND"},
      {"class with another procedure", Setup::OtherProcedureClass, {}, false, false, "HWND"},
  };
  static const char foreignModule = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PluginUnderTest plugin(ModuleKind::Output);
    HWND host = system.createHostWindow(960, 580);
    HWND parent = c.nullParent ? nullptr : host;
    HWND gone = nullptr;
    if (c.destroyedParent) {
      gone = system.createHostWindow(100, 100);
      system.DestroyWindow(gone);
      parent = gone;
    }
    platform::WNDCLASSW squatter;
    squatter.lpszClassName = kEditorClassName;
    if (c.setup == Setup::ForeignModuleClass) {
      squatter.style = platform::kCsGlobalClass;
      squatter.lpfnWndProc = plugins::editorWindowProcedure();
      squatter.hInstance = reinterpret_cast<platform::HINSTANCE>(const_cast<char*>(&foreignModule));
      ASSERT_NE(system.RegisterClassW(&squatter), 0);
    } else if (c.setup == Setup::OtherProcedureClass) {
      squatter.lpfnWndProc = otherProcedure;
      squatter.hInstance = editorModule();
      ASSERT_NE(system.RegisterClassW(&squatter), 0);
    }
    system.setFaults(c.faults);

    Steinberg::IPlugView* view = plugin->createView("editor");
    EXPECT_EQ(view->attached(parent, c.type), kResultFalse);
    system.setFaults({});
    EXPECT_TRUE(system.children(host).empty());
    EXPECT_EQ(plugins::editorClassUserCount(), 0);
    EXPECT_EQ(static_cast<Steinberg::CPluginView*>(view)->getSystemWindow(), nullptr);
    if (c.setup == Setup::None || c.setup == Setup::Faults) {
      // The next attempt starts from scratch and succeeds; a class left behind by a failed
      // unregistration is taken over.
      EXPECT_EQ(view->attached(host, "HWND"), kResultOk);
      EXPECT_EQ(system.children(host).size(), 1u);
      EXPECT_EQ(view->removed(), kResultOk);
    }
    if (c.setup == Setup::None || c.setup == Setup::Faults) {
      EXPECT_FALSE(classRegistered());
    } else {
      EXPECT_TRUE(system.UnregisterClassW(kEditorClassName, squatter.hInstance));
    }
    view->release();
    system.DestroyWindow(host);
  }
}

TEST_F(ViewLifecycle, SecondAttachIsRefusedAndKeepsTheFirstWindow) {
  PluginUnderTest plugin(ModuleKind::Input);
  AttachedEditor editor(*plugin);
  const HWND first = editor.window();
  HWND otherHost = system.createHostWindow(960, 580);
  EXPECT_EQ(editor.view->attached(otherHost, "HWND"), kResultFalse);
  EXPECT_EQ(editor.view->attached(editor.host, "HWND"), kResultFalse);
  EXPECT_EQ(editor.window(), first);
  EXPECT_TRUE(system.children(otherHost).empty());
  EXPECT_EQ(plugins::editorClassUserCount(), 1);
  system.DestroyWindow(otherHost);
}

TEST_F(ViewLifecycle, AClassLeftByThisModuleWithThisProcedureIsAdopted) {
  platform::WNDCLASSW leftover;
  leftover.lpszClassName = kEditorClassName;
  leftover.lpfnWndProc = plugins::editorWindowProcedure();
  leftover.hInstance = editorModule();
  ASSERT_NE(system.RegisterClassW(&leftover), 0);
  PluginUnderTest plugin(ModuleKind::Input);
  {
    AttachedEditor editor(*plugin);
    EXPECT_NE(editor.window(), nullptr);
    EXPECT_EQ(plugins::editorClassUserCount(), 1);
  }
  EXPECT_FALSE(classRegistered());
}

TEST_F(ViewLifecycle, TwoViewsShareOneClassRegistration) {
  PluginUnderTest first(ModuleKind::Input);
  PluginUnderTest second(ModuleKind::Output);
  auto a = std::make_unique<AttachedEditor>(*first);
  auto b = std::make_unique<AttachedEditor>(*second);
  EXPECT_EQ(plugins::editorClassUserCount(), 2);
  EXPECT_TRUE(classRegistered());
  a.reset();
  EXPECT_EQ(plugins::editorClassUserCount(), 1);
  EXPECT_TRUE(classRegistered());
  EXPECT_NE(b->window(), nullptr);
  b.reset();
  EXPECT_EQ(plugins::editorClassUserCount(), 0);
  EXPECT_FALSE(classRegistered());
}

TEST_F(ViewLifecycle, RemovedOnAForeignThreadDestroysTheWindowOnItsOwnThread) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  HWND host = system.createHostWindow(960, 580);
  Steinberg::IPlugView* view = plugin->createView("editor");
  ASSERT_EQ(view->attached(host, "HWND"), kResultOk);
  // A window can only be destroyed by its own thread here, so success means the message went
  // through this thread's pump.
  std::atomic<bool> done{false};
  Steinberg::tresult result = kResultFalse;
  std::thread other([&] {
    result = view->removed();
    done = true;
  });
  EXPECT_TRUE(system.pumpUntil([&] { return done.load(); }, std::chrono::seconds(10)));
  other.join();
  EXPECT_EQ(result, kResultOk);
  EXPECT_TRUE(system.children(host).empty());
  EXPECT_EQ(plugins::editorClassUserCount(), 0);
  EXPECT_FALSE(classRegistered());

  // And the last release on a foreign thread does the same.
  ASSERT_EQ(view->attached(host, "HWND"), kResultOk);
  done = false;
  std::thread releaser([&] {
    view->release();
    done = true;
  });
  EXPECT_TRUE(system.pumpUntil([&] { return done.load(); }, std::chrono::seconds(10)));
  releaser.join();
  EXPECT_TRUE(system.children(host).empty());
  EXPECT_EQ(plugins::editorClassUserCount(), 0);
  system.DestroyWindow(host);
}

TEST_F(ViewLifecycle, ParentDestroyedBeforeRemoved) {
  PluginUnderTest plugin(ModuleKind::Player);
  HWND host = system.createHostWindow(960, 580);
  Steinberg::IPlugView* view = plugin->createView("editor");
  ASSERT_EQ(view->attached(host, "HWND"), kResultOk);
  const HWND window = system.children(host).front();
  system.DestroyWindow(host);
  EXPECT_FALSE(system.IsWindow(window));
  EXPECT_EQ(plugins::editorClassUserCount(), 1);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(plugins::editorClassUserCount(), 0);
  EXPECT_FALSE(classRegistered());
  EXPECT_EQ(view->removed(), kResultOk);  // nothing left to do
  view->release();
}

// Records what the window system looked like when the plug-in went away.
struct Observed {
  bool destroyed = false;
  std::size_t windows = 0;
  std::int32_t classUsers = -1;
};
Observed observed;

class ObservedPlugin final : public UtilityPlugin {
 public:
  using UtilityPlugin::UtilityPlugin;
  ~ObservedPlugin() override {
    observed.destroyed = true;
    observed.windows = headless::instance().windowCount();
    observed.classUsers = plugins::editorClassUserCount();
  }
};

TEST_F(ViewLifecycle, LastReleaseDestroysWindowThenRegistrationThenPlugin) {
  observed = {};
  auto* plugin = new ObservedPlugin(ModuleKind::Output);
  ASSERT_EQ(plugin->initialize(nullptr), kResultOk);
  HWND host = system.createHostWindow(960, 580);
  Steinberg::IPlugView* view = plugin->createView("editor");
  EXPECT_EQ(plugin->getRefCount(), 2u);
  ASSERT_EQ(view->attached(host, "HWND"), kResultOk);
  plugin->terminate();
  plugin->release();  // the view now holds the last reference
  EXPECT_FALSE(observed.destroyed);
  // The window still paints from the plug-in it holds.
  system.advanceTime(100);
  system.reset();
  system.pump();
  EXPECT_FALSE(system.drawnTexts().empty());

  view->release();
  EXPECT_TRUE(observed.destroyed);
  EXPECT_EQ(observed.windows, 1u);  // only the host window was left
  EXPECT_EQ(observed.classUsers, 0);
  EXPECT_FALSE(classRegistered());
  system.DestroyWindow(host);
}

TEST_F(ViewLifecycle, ReattachCreatesAFreshWindowAndKeepsTheFaderPage) {
  PluginUnderTest plugin(ModuleKind::FaderBank);
  plugin->parameters.storeParameter(kActiveStrips, 8.0 / 63.0);
  AttachedEditor editor(*plugin);
  const HWND first = editor.window();
  editor.press(100, 540);  // "›"
  ASSERT_EQ(editor.view->removed(), kResultOk);
  EXPECT_EQ(editor.window(), nullptr);
  ASSERT_EQ(editor.view->attached(editor.host, "HWND"), kResultOk);
  EXPECT_NE(editor.window(), first);
  EXPECT_FALSE(system.IsWindow(first));
  std::vector<std::u16string> names;
  for (const auto& text : editor.paintedTexts()) {
    if (text.starts_with(u"FADER ")) names.push_back(text);
  }
  EXPECT_EQ(names, std::vector<std::u16string>{u"FADER 9"});
}

TEST_F(ViewLifecycle, HostParameterChangeShowsWithinOneTimerPeriod) {
  PluginUnderTest plugin(ModuleKind::Output);
  AttachedEditor editor(*plugin);
  const HWND window = editor.window();
  system.pump();
  const int paints = system.paintCount(window);
  system.reset();
  ASSERT_EQ(plugin->setParamNormalized(kGain, 1.0), kResultOk);
  system.pump();
  EXPECT_EQ(system.paintCount(window), paints);  // the plug-in notifies nobody
  system.advanceTime(99);
  system.pump();
  EXPECT_EQ(system.paintCount(window), paints);
  system.advanceTime(1);
  system.pump();
  EXPECT_EQ(system.paintCount(window), paints + 1);
  const auto texts = system.drawnTexts();
  EXPECT_NE(std::find_if(texts.begin(), texts.end(), [](const auto& t) { return t.text == u"12.0 dB"; }), texts.end());
}

TEST_F(ViewLifecycle, WindowProcedureMessages) {
  PluginUnderTest plugin(ModuleKind::Distributor);
  AttachedEditor editor(*plugin);
  const HWND window = editor.window();
  system.pump();
  EXPECT_EQ(system.SendMessageW(window, platform::kWmEraseBkgnd, 0, 0), 1);
  EXPECT_EQ(system.SendMessageW(window, platform::kWmTimer, 7, 0), 0);  // any timer repaints
  EXPECT_TRUE(system.needsPaint(window));
  system.pump();
  system.SendMessageW(window, platform::kWmMouseMove, 0, platform::makePointParam(100, 100));
  EXPECT_FALSE(system.needsPaint(window));  // moves without the button are ignored
  system.SendMessageW(window, platform::kWmMouseMove, platform::kMkLButton, platform::makePointParam(100, 100));
  EXPECT_TRUE(system.needsPaint(window));  // with the button: repaint even without a drag
  system.pump();
  EXPECT_FALSE(system.needsPaint(window));

  // WM_PRINTCLIENT paints straight into the given context.
  platform::HDC memory = system.CreateCompatibleDC(nullptr);
  platform::HBITMAP bitmap = system.CreateCompatibleBitmap(memory, 960, 580);
  platform::HGDIOBJ previous = system.SelectObject(memory, bitmap);
  system.reset();
  EXPECT_EQ(system.SendMessageW(window, platform::kWmPrintClient, reinterpret_cast<platform::WPARAM>(memory), 0), 0);
  const auto texts = system.drawnTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front().text, u"VARNOLITH DISTRIBUTOR");
  system.SelectObject(memory, previous);
  system.DeleteObject(bitmap);
  system.DeleteDC(memory);
}

TEST_F(ViewLifecycle, RemovedFailsWhileTheWindowRefusesToGo) {
  PluginUnderTest plugin(ModuleKind::Input);
  HWND host = system.createHostWindow(960, 580);
  Steinberg::IPlugView* view = plugin->createView("editor");
  ASSERT_EQ(view->attached(host, "HWND"), kResultOk);
  const HWND window = system.children(host).front();
  system.refuseDestroy(window, true);
  EXPECT_EQ(view->removed(), kResultFalse);
  EXPECT_TRUE(system.IsWindow(window));
  EXPECT_EQ(static_cast<Steinberg::CPluginView*>(view)->getSystemWindow(), host);
  EXPECT_EQ(plugins::editorClassUserCount(), 1);
  EXPECT_EQ(system.timerInterval(window, plugins::kRepaintTimerId), 0u);  // only the timer stopped
  // The same from a foreign thread.
  std::atomic<bool> done{false};
  Steinberg::tresult result = kResultOk;
  std::thread other([&] {
    result = view->removed();
    done = true;
  });
  EXPECT_TRUE(system.pumpUntil([&] { return done.load(); }, std::chrono::seconds(10)));
  other.join();
  EXPECT_EQ(result, kResultFalse);
  EXPECT_TRUE(system.IsWindow(window));
  EXPECT_NE(system.GetWindowLongPtrW(window, platform::kGwlpUserData), 0);  // still the view's window

  system.refuseDestroy(window, false);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_FALSE(system.IsWindow(window));
  EXPECT_EQ(plugins::editorClassUserCount(), 0);
  view->release();
  system.DestroyWindow(host);
}

TEST_F(ViewLifecycle, RemovedFailsWhenTheClassCannotBeUnregistered) {
  PluginUnderTest plugin(ModuleKind::Input);
  HWND host = system.createHostWindow(960, 580);
  Steinberg::IPlugView* view = plugin->createView("editor");
  ASSERT_EQ(view->attached(host, "HWND"), kResultOk);
  system.setFaults({false, false, false, true});
  EXPECT_EQ(view->removed(), kResultFalse);
  EXPECT_TRUE(system.children(host).empty());  // the window is gone
  EXPECT_EQ(plugins::editorClassUserCount(), 1);  // the count is restored
  EXPECT_TRUE(classRegistered());
  EXPECT_EQ(view->attached(host, "HWND"), kResultFalse);  // it still holds its registration
  system.setFaults({});
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(plugins::editorClassUserCount(), 0);
  EXPECT_FALSE(classRegistered());
  view->release();
  system.DestroyWindow(host);
}

TEST_F(ViewLifecycle, ReleasedViewWhoseWindowRefusesToGoIsNeverReachedAgain) {
  // The surviving window keeps its class registered for the rest of the process, so this runs in
  // a child process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto fail = [](const char* what) {
          std::cerr << what << std::endl;
          std::exit(1);
        };
        auto& hs = headless::instance();
        {
          PluginUnderTest plugin(ModuleKind::FaderBank);
          HWND host = hs.createHostWindow(960, 580);
          Steinberg::IPlugView* view = plugin->createView("editor");
          if (view->attached(host, "HWND") != kResultOk) fail("attach");
          const HWND window = hs.children(host).front();
          hs.refuseDestroy(window, true);
          view->release();
          if (!hs.IsWindow(window)) fail("the window should survive");
          if (hs.GetWindowLongPtrW(window, platform::kGwlpUserData) != 0) fail("the window still points to the view");
          if (plugins::editorClassUserCount() != 1) fail("the registration should be kept");
          if (hs.timerInterval(window, plugins::kRepaintTimerId) != 0) fail("the timer should be stopped");
          // Messages now get default handling only (a use of the freed view would crash here).
          hs.postMouse(window, platform::kWmLButtonDown, 74, 300, platform::kMkLButton);
          hs.PostMessageW(window, platform::kWmTimer, 1, 0);
          hs.InvalidateRect(window, nullptr, 0);
          hs.pump();
          hs.refuseDestroy(window, false);
          hs.DestroyWindow(host);
          if (hs.IsWindow(window)) fail("the parent takes the window along");
        }
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace varnolith::testing
