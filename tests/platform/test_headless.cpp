// The headless window system: classes, windows and their threads, messages, timers, capture,
// painting objects, message boxes and file dialogs.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/constants.h"
#include "platform/headless/headless_window_system.h"

namespace varnolith::platform::headless {
namespace {

struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD thread;
};
std::vector<Seen> seen;  // written on the window threads only while the test thread waits

LRESULT recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& system = instance();
  seen.push_back({message, wParam, lParam, system.GetCurrentThreadId()});
  if (message == kWmNcCreate) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    system.SetWindowLongPtrW(window, kGwlpUserData, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  if (message == kWmApp) return static_cast<LRESULT>(wParam * 2);
  return system.DefWindowProcW(window, message, wParam, lParam);
}

const char moduleA = 0;
const char moduleB = 0;
HINSTANCE instanceA() { return reinterpret_cast<HINSTANCE>(const_cast<char*>(&moduleA)); }
HINSTANCE instanceB() { return reinterpret_cast<HINSTANCE>(const_cast<char*>(&moduleB)); }

class Headless : public ::testing::Test {
 protected:
  void SetUp() override {
    system.reset();
    seen.clear();
    WNDCLASSW wc;
    wc.lpfnWndProc = recordingProc;
    wc.hInstance = instanceA();
    wc.lpszClassName = u"TestClass";
    ASSERT_NE(system.RegisterClassW(&wc), 0);
  }
  void TearDown() override {
    system.pump();
    EXPECT_TRUE(system.UnregisterClassW(u"TestClass", instanceA()));
    EXPECT_EQ(system.windowCount(), 0u);
    EXPECT_EQ(system.drawingObjectCount(), 0u);
    system.reset();
  }
  HWND create(HWND parent = nullptr, void* param = nullptr) {
    return system.CreateWindowExW(0, u"TestClass", u"t", parent ? kWsChild : 0, 0, 0, 50, 40, parent, nullptr,
                                  instanceA(), param);
  }
  std::vector<UINT> messages() const {
    std::vector<UINT> result;
    for (const Seen& s : seen) result.push_back(s.message);
    return result;
  }

  HeadlessWindowSystem& system = instance();
};

TEST_F(Headless, ClassesAreRegisteredByNameAndModule) {
  WNDCLASSW wc;
  wc.lpfnWndProc = recordingProc;
  wc.hInstance = instanceA();
  wc.lpszClassName = u"TestClass";
  EXPECT_EQ(system.RegisterClassW(&wc), 0);
  EXPECT_EQ(system.GetLastError(), kErrorClassAlreadyExists);
  wc.hInstance = instanceB();  // the same name for another module is another class
  EXPECT_NE(system.RegisterClassW(&wc), 0);
  WNDCLASSW info;
  ASSERT_TRUE(system.GetClassInfoW(instanceB(), u"TestClass", &info));
  EXPECT_EQ(info.hInstance, instanceB());
  EXPECT_EQ(info.lpfnWndProc, &recordingProc);
  EXPECT_TRUE(system.UnregisterClassW(u"TestClass", instanceB()));
  EXPECT_FALSE(system.GetClassInfoW(instanceB(), u"TestClass", &info));
  EXPECT_EQ(system.GetLastError(), kErrorClassDoesNotExist);

  // A global class blocks the name for every module and is found from any of them.
  wc.style = kCsGlobalClass;
  wc.lpszClassName = u"Shared";
  ASSERT_NE(system.RegisterClassW(&wc), 0);
  wc.hInstance = instanceA();
  EXPECT_EQ(system.RegisterClassW(&wc), 0);
  EXPECT_EQ(system.GetLastError(), kErrorClassAlreadyExists);
  ASSERT_TRUE(system.GetClassInfoW(instanceA(), u"Shared", &info));
  EXPECT_EQ(info.hInstance, instanceB());
  EXPECT_FALSE(system.UnregisterClassW(u"Shared", instanceA()));
  EXPECT_TRUE(system.UnregisterClassW(u"Shared", instanceB()));

  // A class with windows cannot go; an injected failure refuses as well.
  HWND window = create();
  EXPECT_FALSE(system.UnregisterClassW(u"TestClass", instanceA()));
  EXPECT_EQ(system.GetLastError(), kErrorClassHasWindows);
  system.DestroyWindow(window);
  system.setFaults({false, false, false, true});
  EXPECT_FALSE(system.UnregisterClassW(u"TestClass", instanceA()));
  system.setFaults({});
}

TEST_F(Headless, ModuleOfAnAddress) {
  HMODULE module = nullptr;
  ASSERT_TRUE(system.GetModuleHandleExW(kGetModuleHandleExFlagFromAddress,
                                        reinterpret_cast<LPCWSTR>(&recordingProc), &module));
  EXPECT_NE(module, nullptr);
  system.setFaults({true, false, false, false});
  EXPECT_FALSE(system.GetModuleHandleExW(kGetModuleHandleExFlagFromAddress,
                                         reinterpret_cast<LPCWSTR>(&recordingProc), &module));
  EXPECT_EQ(module, nullptr);
}

TEST_F(Headless, CreationDeliversTheParameterAndDestructionTakesTheChildren) {
  int marker = 0;
  HWND parent = create(nullptr, &marker);
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(messages(), (std::vector<UINT>{kWmNcCreate, kWmCreate}));
  EXPECT_EQ(system.GetWindowLongPtrW(parent, kGwlpUserData), reinterpret_cast<LONG_PTR>(&marker));
  HWND child = create(parent);
  EXPECT_EQ(system.children(parent), std::vector<HWND>{child});
  EXPECT_EQ(create(reinterpret_cast<HWND>(0x10)), nullptr);  // a child needs a parent that exists
  seen.clear();
  EXPECT_TRUE(system.DestroyWindow(parent));
  EXPECT_EQ(messages(), (std::vector<UINT>{kWmDestroy, kWmDestroy, kWmNcDestroy, kWmNcDestroy}));
  EXPECT_FALSE(system.IsWindow(parent));
  EXPECT_FALSE(system.IsWindow(child));
  EXPECT_EQ(system.GetWindowLongPtrW(parent, kGwlpUserData), 0);
  EXPECT_FALSE(system.DestroyWindow(parent));
  EXPECT_EQ(system.GetLastError(), kErrorInvalidWindowHandle);
}

TEST_F(Headless, WindowsBelongToTheThreadThatCreatedThem) {
  HWND window = nullptr;
  DWORD creator = 0;
  std::atomic<bool> stop{false};
  std::atomic<bool> created{false};
  std::thread owner([&] {
    window = create();
    creator = system.GetCurrentThreadId();
    created = true;
    system.pumpUntil([&] { return stop.load(); }, std::chrono::seconds(20));
    system.DestroyWindow(window);
  });
  while (!created) std::this_thread::yield();
  EXPECT_EQ(system.GetWindowThreadProcessId(window, nullptr), creator);
  EXPECT_NE(creator, system.GetCurrentThreadId());
  // Another thread cannot destroy it.
  EXPECT_FALSE(system.DestroyWindow(window));
  EXPECT_EQ(system.GetLastError(), kErrorAccessDenied);
  // A sent message runs on the owner and returns its result to the sender.
  seen.clear();
  EXPECT_EQ(system.SendMessageW(window, kWmApp, 21, 0), 42);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].thread, creator);
  stop = true;
  owner.join();
  EXPECT_FALSE(system.IsWindow(window));
}

TEST_F(Headless, PostedMessagesWaitForThePump) {
  HWND window = create();
  seen.clear();
  EXPECT_TRUE(system.PostMessageW(window, kWmApp, 1, 2));
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(system.pump(), 1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].wParam, 1u);
  EXPECT_EQ(seen[0].lParam, 2);
  // Messages for a window that went away in between are dropped.
  system.PostMessageW(window, kWmApp, 3, 4);
  system.DestroyWindow(window);
  seen.clear();
  system.pump();
  EXPECT_TRUE(seen.empty());
}

TEST_F(Headless, TimersPostCoalescedMessages) {
  HWND window = create();
  EXPECT_EQ(system.SetTimer(window, 1, 100, nullptr), 1u);
  EXPECT_EQ(system.timerInterval(window, 1), 100u);
  seen.clear();
  system.advanceTime(99);
  system.pump();
  EXPECT_TRUE(seen.empty());
  system.advanceTime(1);
  system.advanceTime(250);  // due twice more before the pump: still one message
  system.pump();
  EXPECT_EQ(messages(), std::vector<UINT>{kWmTimer});
  EXPECT_EQ(seen[0].wParam, 1u);
  EXPECT_TRUE(system.KillTimer(window, 1));
  EXPECT_FALSE(system.KillTimer(window, 1));
  seen.clear();
  system.advanceTime(1000);
  system.pump();
  EXPECT_TRUE(seen.empty());
  system.DestroyWindow(window);
}

TEST_F(Headless, InvalidationPaintsOnThePump) {
  HWND window = create();
  EXPECT_FALSE(system.needsPaint(window));  // not shown
  system.InvalidateRect(window, nullptr, 0);
  EXPECT_TRUE(system.needsPaint(window));
  seen.clear();
  system.pump();
  EXPECT_EQ(messages(), std::vector<UINT>{kWmPaint});  // default handling validates
  EXPECT_FALSE(system.needsPaint(window));
  EXPECT_EQ(system.paintCount(window), 1);
  system.InvalidateRect(window, nullptr, 1);  // with erase: WM_ERASEBKGND inside BeginPaint
  seen.clear();
  system.pump();
  EXPECT_EQ(messages(), (std::vector<UINT>{kWmPaint, kWmEraseBkgnd}));
  system.DestroyWindow(window);
}

TEST_F(Headless, CaptureRoutesTheMouseAndAnnouncesItsLoss) {
  HWND a = create();
  HWND b = create();
  seen.clear();
  EXPECT_FALSE(system.postMouse(a, kWmMouseMove, 60, 10, 0));  // outside a 50 × 40 window
  EXPECT_TRUE(system.postMouse(a, kWmMouseMove, 49, 39, 0));
  system.pump();
  EXPECT_EQ(pointX(seen.back().lParam), 49);
  EXPECT_EQ(system.SetCapture(a), nullptr);
  EXPECT_EQ(system.captureWindow(), a);
  seen.clear();
  EXPECT_TRUE(system.postMouse(a, kWmLButtonUp, -5, 900, 0));  // captured: delivered anywhere
  system.pump();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(pointX(seen[0].lParam), -5);
  EXPECT_EQ(pointY(seen[0].lParam), 900);
  seen.clear();
  EXPECT_EQ(system.SetCapture(b), a);  // a loses the capture
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, kWmCaptureChanged);
  EXPECT_EQ(seen[0].lParam, reinterpret_cast<LPARAM>(b));
  seen.clear();
  EXPECT_TRUE(system.ReleaseCapture());
  EXPECT_EQ(messages(), std::vector<UINT>{kWmCaptureChanged});
  EXPECT_EQ(system.captureWindow(), nullptr);
  system.DestroyWindow(a);
  system.DestroyWindow(b);
}

TEST_F(Headless, DoubleBufferAndDrawingObjects) {
  HWND window = create();
  PAINTSTRUCT paint;
  HDC dc = system.BeginPaint(window, &paint);
  HDC memory = system.CreateCompatibleDC(dc);
  HBITMAP bitmap = system.CreateCompatibleBitmap(dc, 50, 40);
  HGDIOBJ previous = system.SelectObject(memory, bitmap);
  EXPECT_NE(previous, nullptr);
  EXPECT_EQ(system.SelectObject(dc, bitmap), nullptr);  // a window context takes no bitmap
  HBRUSH brush = system.CreateSolidBrush(rgb(10, 20, 30));
  RECT all{0, 0, 50, 40};
  system.FillRect(memory, &all, brush);
  EXPECT_EQ(system.pixel(window, 10, 10), 0u);  // nothing on the window yet
  EXPECT_TRUE(system.BitBlt(dc, 0, 0, 50, 40, memory, 0, 0, kSrcCopy));
  EXPECT_EQ(system.pixel(window, 10, 10), rgb(10, 20, 30));
  EXPECT_FALSE(system.DeleteObject(bitmap));  // still selected: refused
  system.SelectObject(memory, previous);
  EXPECT_TRUE(system.DeleteObject(bitmap));
  EXPECT_TRUE(system.DeleteObject(brush));
  EXPECT_TRUE(system.DeleteDC(memory));
  EXPECT_FALSE(system.DeleteDC(dc));  // the paint context ends with EndPaint
  system.EndPaint(window, &paint);
  system.DestroyWindow(window);
}

TEST_F(Headless, PenLinesExcludeTheirEndPoint) {
  HWND window = create();
  PAINTSTRUCT paint;
  HDC dc = system.BeginPaint(window, &paint);
  HPEN pen = system.CreatePen(kPsSolid, 2, rgb(200, 0, 0));
  HGDIOBJ previous = system.SelectObject(dc, pen);
  system.MoveToEx(dc, 5, 10, nullptr);
  system.LineTo(dc, 15, 10);
  POINT at;
  system.MoveToEx(dc, 30, 30, &at);
  EXPECT_EQ(at.x, 15);
  system.SelectObject(dc, previous);
  system.DeleteObject(pen);
  system.EndPaint(window, &paint);
  EXPECT_EQ(system.pixel(window, 5, 10), rgb(200, 0, 0));
  EXPECT_EQ(system.pixel(window, 14, 9), rgb(200, 0, 0));  // two pixels wide: rows 9 and 10
  EXPECT_EQ(system.pixel(window, 15, 10), 0u);
  EXPECT_EQ(system.pixel(window, 5, 11), 0u);
  system.DestroyWindow(window);
}

TEST_F(Headless, MessageBoxesAndDialogsFollowTheScript) {
  EXPECT_EQ(system.MessageBoxW(nullptr, u"Wide \u00E9", u"Caption", kMbOk | kMbIconInformation), kIdOk);
  system.queueMessageBoxAnswer(2);
  EXPECT_EQ(system.MessageBoxA(nullptr, "Narrow \xC3\xA9", "Cap", kMbOk | kMbIconError), 2);
  const auto boxes = system.messageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_TRUE(boxes[0].wide);
  EXPECT_EQ(boxes[0].text, "Wide \xC3\xA9");
  EXPECT_EQ(boxes[0].type & kMbIconMask, kMbIconInformation);
  EXPECT_FALSE(boxes[1].wide);
  EXPECT_EQ(boxes[1].caption, "Cap");
  EXPECT_EQ(boxes[1].type & kMbIconMask, kMbIconError);

  std::vector<char16_t> buffer(8, 0);
  OPENFILENAMEW ofn;
  ofn.lpstrFilter = u"A\0*.a\0";
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = 8;
  EXPECT_FALSE(system.GetOpenFileNameW(&ofn));  // nothing queued: cancelled
  system.queueFileDialog({FileDialogAnswer::Kind::Choose, u"x.wav"});
  system.queueFileDialog({FileDialogAnswer::Kind::Choose, u"too-long.wav"});
  system.queueFileDialog({FileDialogAnswer::Kind::Fail, {}});
  EXPECT_TRUE(system.GetSaveFileNameW(&ofn));
  EXPECT_EQ(std::u16string(buffer.data()), u"x.wav");
  EXPECT_FALSE(system.GetSaveFileNameW(&ofn));  // does not fit in 8 units
  EXPECT_FALSE(system.GetOpenFileNameW(&ofn));
  const auto dialogs = system.fileDialogs();
  ASSERT_EQ(dialogs.size(), 4u);
  EXPECT_FALSE(dialogs[0].save);
  EXPECT_TRUE(dialogs[1].save);
  EXPECT_EQ(dialogs[0].filter, (std::vector<std::u16string>{u"A", u"*.a"}));
  EXPECT_TRUE(dialogs[1].bufferAllZero);
  EXPECT_FALSE(dialogs[2].bufferAllZero);  // still holds x.wav
}

}  // namespace
}  // namespace varnolith::platform::headless
