// The editor on the real window system: a child window in a host window, painted by GDI, driven
// by window messages, torn down from another thread; screenshots of two panels as PNG files.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "editor/editor_class.h"
#include "params/parameter_ids.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"

namespace {

using namespace Steinberg;
using varnolith::plugins::ModuleKind;
using varnolith::plugins::UtilityPlugin;
namespace vp = varnolith::plugins;
namespace fs = std::filesystem;

constexpr int kWidth = 960;
constexpr int kHeight = 580;
constexpr wchar_t kHostClass[] = L"VarnolithTestHostWindow";

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

fs::path programDirectory() {
  wchar_t exe[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, exe, static_cast<DWORD>(std::size(exe)));
  return fs::path(exe).parent_path();
}

// Handles the messages of this thread's windows until `done` or the time is up.
void pumpMessages(std::chrono::milliseconds limit, const std::atomic<bool>* done = nullptr) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end && !(done && done->load())) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// A 960 × 580 top-down 32-bit DIB in a memory DC: what the editor paints into on WM_PRINTCLIENT.
class Capture {
 public:
  Capture() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
    // A colour the panel never uses, so unpainted pixels stand out.
    for (int i = 0; i < kWidth * kHeight; ++i) bits_[i] = 0x00FF00FF;
  }
  ~Capture() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  bool valid() const { return dc_ && bitmap_ && bits_; }
  HDC dc() const { return dc_; }
  Rgb at(int x, int y) const {
    const std::uint32_t p = bits_[y * kWidth + x];
    return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
  }
  // Pixels in [left, right) × [top, bottom) that differ from `colour`.
  int countOther(int left, int top, int right, int bottom, Rgb colour) const {
    int n = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) n += at(x, y) == colour ? 0 : 1;
    }
    return n;
  }
  bool writePng(const fs::path& path) const;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

// PNG: RGB rows in stored (uncompressed) deflate blocks; enough for a look at the panel.
std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  static const auto table = [] {
    std::vector<std::uint32_t> t(256);
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void putChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  putBe32(out, static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  putBe32(out, crc32(body.data(), body.size()));
}

bool Capture::writePng(const fs::path& path) const {
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(kHeight) * (1 + 3 * kWidth));
  for (int y = 0; y < kHeight; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < kWidth; ++x) {
      const Rgb c = at(x, y);
      raw.push_back(static_cast<std::uint8_t>(c.r));
      raw.push_back(static_cast<std::uint8_t>(c.g));
      raw.push_back(static_cast<std::uint8_t>(c.b));
    }
  }
  std::vector<std::uint8_t> zlib{0x78, 0x01};
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  for (std::size_t at = 0; at < raw.size();) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    zlib.push_back(at + n == raw.size() ? 1 : 0);
    zlib.push_back(static_cast<std::uint8_t>(n));
    zlib.push_back(static_cast<std::uint8_t>(n >> 8));
    zlib.push_back(static_cast<std::uint8_t>(~n));
    zlib.push_back(static_cast<std::uint8_t>(~n >> 8));
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  }
  putBe32(zlib, (b << 16) | a);

  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  putBe32(header, kWidth);
  putBe32(header, kHeight);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", zlib);
  putChunk(png, "IEND", {});
  std::FILE* file = _wfopen(path.wstring().c_str(), L"wb");
  if (!file) return false;
  const bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && ok;
}

// How many more GDI objects this process can create: brushes are made until the handle table is
// full, then all deleted again.
std::size_t gdiHandleRoom() {
  std::vector<HBRUSH> brushes;
  while (brushes.size() < 1000000) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    if (!brush) break;
    brushes.push_back(brush);
  }
  for (HBRUSH brush : brushes) DeleteObject(brush);
  return brushes.size();
}

// One host window with one plug-in and its attached editor.
class EditorHost {
 public:
  explicit EditorHost(ModuleKind kind) : plugin(IPtr<UtilityPlugin>::adopt(new UtilityPlugin(kind))) {
    parent = CreateWindowExW(0, kHostClass, L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 1000, 640, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    host = varnolith::testing::makeHostObject<varnolith::testing::HostApplication>();
    initialized = plugin->initialize(host.get()) == kResultOk;
    handler = varnolith::testing::makeHostObject<varnolith::testing::RecordingComponentHandler>();
    plugin->setComponentHandler(handler.get());
    view = IPtr<IPlugView>::adopt(plugin->createView("editor"));
  }
  ~EditorHost() {
    if (view && editor()) view->removed();
    view.reset();
    if (initialized) plugin->terminate();
    if (parent) DestroyWindow(parent);
  }

  tresult attach() { return view->attached(parent, kPlatformTypeHWND); }
  HWND editor() const { return FindWindowExW(parent, nullptr, reinterpret_cast<const wchar_t*>(vp::kEditorClassName), nullptr); }
  LRESULT send(UINT message, WPARAM wParam, int x, int y) {
    return SendMessageW(editor(), message, wParam, MAKELPARAM(x, y));
  }
  void printInto(const Capture& capture) {
    SendMessageW(editor(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(capture.dc()), PRF_CLIENT);
  }

  IPtr<UtilityPlugin> plugin;
  IPtr<varnolith::testing::HostApplication> host;
  IPtr<varnolith::testing::RecordingComponentHandler> handler;
  IPtr<IPlugView> view;
  HWND parent = nullptr;
  bool initialized = false;
};

class Win32Editor : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    RegisterClassW(&wc);
  }
  void TearDown() override { EXPECT_EQ(vp::editorClassUserCount(), 0) << "a registration was left behind"; }

  static bool editorClassRegistered() {
    WNDCLASSW wc{};
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(vp::editorWindowProcedure()), &module);
    return GetClassInfoW(module, reinterpret_cast<const wchar_t*>(vp::kEditorClassName), &wc) != 0;
  }
};

TEST_F(Win32Editor, AttachesAFixedSizeChildWindowThatRepaintsOnItsTimer) {
  EditorHost host(ModuleKind::Input);
  ASSERT_TRUE(host.initialized && host.view);
  EXPECT_EQ(host.view->isPlatformTypeSupported("HWND"), kResultTrue);
  EXPECT_EQ(host.view->isPlatformTypeSupported("X11EmbedWindowID"), kResultFalse);
  EXPECT_EQ(host.view->attached(nullptr, kPlatformTypeHWND), kResultFalse);
  ASSERT_EQ(host.attach(), kResultOk);
  EXPECT_EQ(host.attach(), kResultFalse) << "a second attach while attached";

  const HWND child = host.editor();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), host.parent);
  EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
  RECT client{};
  GetClientRect(child, &client);
  EXPECT_EQ(client.right - client.left, kWidth);
  EXPECT_EQ(client.bottom - client.top, kHeight);
  wchar_t title[32] = {};
  GetWindowTextW(child, title, 32);
  EXPECT_STREQ(title, L"VARNOLITH");
  EXPECT_TRUE(editorClassRegistered());
  EXPECT_EQ(vp::editorClassUserCount(), 1);

  // Timer 1 every 100 ms; each tick invalidates the whole window, which WM_PAINT validates again.
  int ticks = 0;
  bool invalidatedByTick = true;
  bool validatedByPaint = true;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(650);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.hwnd == child && msg.message == WM_TIMER) {
        EXPECT_EQ(msg.wParam, vp::kRepaintTimerId);
        ++ticks;
        ValidateRect(child, nullptr);
        DispatchMessageW(&msg);
        RECT update{};
        invalidatedByTick = invalidatedByTick && GetUpdateRect(child, &update, FALSE) &&
                            update.right - update.left == kWidth && update.bottom - update.top == kHeight;
        UpdateWindow(child);
        validatedByPaint = validatedByPaint && !GetUpdateRect(child, nullptr, FALSE);
        continue;
      }
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  EXPECT_GE(ticks, 3);
  EXPECT_LE(ticks, 8);
  EXPECT_TRUE(invalidatedByTick) << "a tick invalidates all 960 x 580 pixels";
  EXPECT_TRUE(validatedByPaint) << "WM_PAINT validates the window again";

  EXPECT_EQ(host.view->removed(), kResultOk);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(host.editor(), nullptr);
  EXPECT_FALSE(editorClassRegistered()) << "the last view unregisters the class";
}

struct PixelCase {
  const char* what;
  int x, y;
  Rgb colour;
};

TEST_F(Win32Editor, PaintsThePanelThroughPrintClient) {
  struct PanelCase {
    ModuleKind kind;
    const char* file;
    std::vector<PixelCase> pixels;
  };
  const PanelCase panels[] = {
      {ModuleKind::Input, "win32-input.png",
       {{"background", 945, 300, {18, 30, 36}},
        {"header band", 940, 20, {33, 49, 57}},
        {"header rule", 940, 87, {76, 97, 103}},
        {"gain track", 100, 401, {6, 12, 17}},
        // 0 dB: the cap is centred at x = 37 + trunc(15/17 x 863) = 798; row 5 of its shading.
        {"gain cap", 790, 380, {197, 208, 211}}}},
      {ModuleKind::FaderBank, "win32-fader-bank.png",
       {{"background", 945, 300, {18, 30, 36}},
        {"header band", 940, 20, {33, 49, 57}},
        {"strip face", 40, 300, {33, 47, 55}},
        {"mute button face", 42, 228, {48, 64, 72}},
        {"face of the fewer-strips button", 655, 110, {48, 64, 72}},
        // Fader 1 at 0 dB: the cap is centred at y = 258 + 22 and starts at 258; row 5 of its shading.
        {"fader cap", 75, 263, {197, 208, 211}},
        {"fader track below the cap", 77, 400, {5, 12, 17}}}},
  };
  for (const PanelCase& panel : panels) {
    SCOPED_TRACE(panel.file);
    EditorHost host(panel.kind);
    ASSERT_EQ(host.attach(), kResultOk);
    Capture capture;
    ASSERT_TRUE(capture.valid());
    host.printInto(capture);
    for (const PixelCase& p : panel.pixels) EXPECT_EQ(capture.at(p.x, p.y), p.colour) << p.what;
    EXPECT_EQ(capture.countOther(0, 0, kWidth, kHeight, Rgb{255, 0, 255}), kWidth * kHeight)
        << "every pixel is painted";
    // The title in Segoe UI (or its substitute): text pixels inside the title box on the band.
    EXPECT_GT(capture.countOther(26, 13, 820, 46, Rgb{33, 49, 57}), 500) << "the title text was drawn";
    const fs::path png = programDirectory() / panel.file;
    EXPECT_TRUE(capture.writePng(png)) << png;
  }
}

TEST_F(Win32Editor, WmPaintShowsThePanelAndLeavesNoGdiObjectsBehind) {
  EditorHost host(ModuleKind::FaderBank);
  ASSERT_EQ(host.attach(), kResultOk);
  const HWND child = host.editor();
  Capture printed;
  host.printInto(printed);

  // Every paint creates and deletes hundreds of brushes, pens and fonts, plus a bitmap and a memory
  // DC for WM_PAINT. Whatever a paint left behind would take room in the process's GDI handle
  // table, so the room left must be the same before and after a hundred paints.
  InvalidateRect(child, nullptr, FALSE);
  UpdateWindow(child);
  const std::size_t roomBefore = gdiHandleRoom();
  for (int i = 0; i < 100; ++i) {
    InvalidateRect(child, nullptr, FALSE);
    UpdateWindow(child);
    host.printInto(printed);
  }
  EXPECT_EQ(gdiHandleRoom(), roomBefore) << "GDI objects were left behind";
  EXPECT_GT(roomBefore, 1000u);

  Capture shown;
  HDC windowDc = GetDC(child);
  ASSERT_NE(windowDc, nullptr);
  EXPECT_TRUE(BitBlt(shown.dc(), 0, 0, kWidth, kHeight, windowDc, 0, 0, SRCCOPY));
  ReleaseDC(child, windowDc);
  int differing = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) differing += shown.at(x, y) == printed.at(x, y) ? 0 : 1;
  }
  EXPECT_EQ(differing, 0) << "the window shows what WM_PRINTCLIENT paints; first pixel " << shown.at(40, 300);
}

TEST_F(Win32Editor, RemovedFromAnotherThreadDestroysTheWindowOnItsOwnThread) {
  EditorHost host(ModuleKind::Output);
  ASSERT_EQ(host.attach(), kResultOk);
  const HWND child = host.editor();
  ASSERT_NE(child, nullptr);

  std::atomic<bool> done{false};
  tresult result = kInternalError;
  DWORD callerThread = 0;
  std::thread foreign([&] {
    callerThread = GetCurrentThreadId();
    result = host.view->removed();
    done = true;
  });
  // The window's thread keeps handling messages, so the foreign thread's SendMessageW returns.
  pumpMessages(std::chrono::seconds(10), &done);
  foreign.join();
  EXPECT_TRUE(done.load());
  EXPECT_NE(callerThread, GetCurrentThreadId());
  EXPECT_EQ(result, kResultOk);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(vp::editorClassUserCount(), 0);
  EXPECT_FALSE(editorClassRegistered());
}

TEST_F(Win32Editor, TwoViewsShareOneClassRegistration) {
  EditorHost first(ModuleKind::Input);
  EditorHost second(ModuleKind::FaderBank);
  ASSERT_EQ(first.attach(), kResultOk);
  ASSERT_EQ(second.attach(), kResultOk);
  EXPECT_EQ(vp::editorClassUserCount(), 2);
  const HWND secondWindow = second.editor();

  ASSERT_EQ(first.view->removed(), kResultOk);
  EXPECT_EQ(vp::editorClassUserCount(), 1);
  EXPECT_TRUE(editorClassRegistered()) << "the other view still uses the class";
  EXPECT_TRUE(IsWindow(secondWindow));
  Capture capture;
  second.printInto(capture);
  EXPECT_EQ(capture.at(40, 300), (Rgb{33, 47, 55})) << "the remaining view still paints";

  ASSERT_EQ(second.view->removed(), kResultOk);
  EXPECT_EQ(vp::editorClassUserCount(), 0);
  EXPECT_FALSE(editorClassRegistered());
  // A later attach registers the class again.
  ASSERT_EQ(first.attach(), kResultOk);
  EXPECT_TRUE(editorClassRegistered());
  EXPECT_EQ(first.view->removed(), kResultOk);
}

TEST_F(Win32Editor, MouseMessagesEditParametersThroughTheHost) {
  using Call = varnolith::testing::RecordingComponentHandler::Call;
  {
    SCOPED_TRACE("INPUT gain slider");
    EditorHost host(ModuleKind::Input);
    ASSERT_EQ(host.attach(), kResultOk);
    const double start = host.plugin->parameters.readParameter(vp::kGain);
    host.send(WM_LBUTTONDOWN, MK_LBUTTON, 798, 400);  // on the cap: the value does not jump
    EXPECT_EQ(GetCapture(), host.editor()) << "the drag holds the mouse";
    EXPECT_NEAR(host.plugin->parameters.readParameter(vp::kGain), start, 1e-12);
    host.send(WM_MOUSEMOVE, MK_LBUTTON, 798 - 86, 420);
    host.send(WM_MOUSEMOVE, 0, 100, 420);  // no button: not a drag
    host.send(WM_LBUTTONUP, 0, 798 - 86, 420);
    EXPECT_EQ(GetCapture(), nullptr);
    const double expected = start - 86.0 / 863.0;
    EXPECT_NEAR(host.plugin->parameters.readParameter(vp::kGain), expected, 1e-9);
    ASSERT_FALSE(host.handler->calls.empty());
    EXPECT_EQ(host.handler->calls.front().call, Call::Begin);
    EXPECT_EQ(host.handler->calls.back().call, Call::End);
    EXPECT_EQ(host.handler->calls.back().id, vp::kGain);
    // The cap follows on the next paint.
    Capture capture;
    host.printInto(capture);
    const int cap = 37 + static_cast<int>(std::trunc(expected * 863));
    EXPECT_EQ(capture.at(cap - 8, 380), (Rgb{197, 208, 211}));
    EXPECT_EQ(capture.at(790, 401), (Rgb{6, 12, 17})) << "the old place shows the track again";
  }
  {
    SCOPED_TRACE("FADER BANK mute and fader");
    EditorHost host(ModuleKind::FaderBank);
    ASSERT_EQ(host.attach(), kResultOk);
    host.send(WM_LBUTTONDOWN, MK_LBUTTON, 60, 220);
    host.send(WM_LBUTTONUP, 0, 60, 220);
    EXPECT_EQ(host.plugin->parameters.readParameter(vp::kFaderMuteBase), 1.0);
    const double start = host.plugin->parameters.readParameter(vp::kFaderGainBase);
    host.send(WM_LBUTTONDOWN, MK_LBUTTON, 75, 280);
    host.send(WM_MOUSEMOVE, MK_LBUTTON, 75, 330);
    host.send(WM_LBUTTONUP, 0, 75, 330);
    EXPECT_NEAR(host.plugin->parameters.readParameter(vp::kFaderGainBase), start - 50.0 / 187.0, 1e-9);
    Capture capture;
    host.printInto(capture);
    EXPECT_EQ(capture.at(42, 228), (Rgb{169, 131, 81})) << "the mute button lights up";
  }
}

// Finds the modal dialog that a thread shows (message box or file dialog), answers it from this
// helper thread while the window's thread sits in the dialog's own message loop.
class DialogAnswerer {
 public:
  using Answer = std::function<void(HWND dialog)>;
  DialogAnswerer(DWORD windowThread, Answer answer)
      : worker_([this, windowThread, answer] {
          const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
          while (std::chrono::steady_clock::now() < end) {
            HWND dialog = nullptr;
            EnumThreadWindows(
                windowThread,
                [](HWND window, LPARAM found) -> BOOL {
                  wchar_t cls[16] = {};
                  GetClassNameW(window, cls, 16);
                  if (std::wstring(cls) != L"#32770" || !IsWindowVisible(window)) return TRUE;
                  *reinterpret_cast<HWND*>(found) = window;
                  return FALSE;
                },
                reinterpret_cast<LPARAM>(&dialog));
            if (dialog) {
              wchar_t caption[256] = {};
              GetWindowTextW(dialog, caption, 256);
              this->caption = caption;
              EnumChildWindows(
                  dialog,
                  [](HWND child, LPARAM self) -> BOOL {
                    wchar_t cls[16] = {};
                    GetClassNameW(child, cls, 16);
                    wchar_t text[512] = {};
                    GetWindowTextW(child, text, 512);
                    if (std::wstring(cls) == L"Static" && text[0]) reinterpret_cast<DialogAnswerer*>(self)->texts.push_back(text);
                    return TRUE;
                  },
                  reinterpret_cast<LPARAM>(this));
              answer(dialog);
              found = true;
              return;
            }
            Sleep(20);
          }
        }) {}
  ~DialogAnswerer() { worker_.join(); }

  std::atomic<bool> found{false};
  std::wstring caption;
  std::vector<std::wstring> texts;

 private:
  std::thread worker_;
};

TEST_F(Win32Editor, MessageBoxAndSaveDialogRunModallyOnTheWindowThread) {
  EditorHost host(ModuleKind::Recorder);
  ASSERT_EQ(host.attach(), kResultOk);
  {
    // Record without a destination: an information box, answered with OK.
    DialogAnswerer answerer(GetCurrentThreadId(), [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); });
    host.send(WM_LBUTTONDOWN, MK_LBUTTON, 280, 130);
    host.send(WM_LBUTTONUP, 0, 280, 130);
    pumpMessages(std::chrono::milliseconds(50));
    EXPECT_TRUE(answerer.found.load()) << "no message box appeared";
    EXPECT_EQ(answerer.caption, L"VARNOLITH");
    bool sawText = false;
    for (const auto& text : answerer.texts) sawText = sawText || text.find(L"Choose a new WAV destination first") == 0;
    EXPECT_TRUE(sawText);
    EXPECT_EQ(host.plugin->parameters.readParameter(vp::kPlayRecord), 0.0) << "recording did not start";
  }
  {
    // "New WAV file...": the save dialog returns a UTF-16 path, and the recorder creates that new file.
    const fs::path folder = fs::temp_directory_path() / u8"Varnolith Aufnahmen Ünï ✓";
    std::error_code ec;
    fs::remove_all(folder, ec);
    ASSERT_TRUE(fs::create_directories(folder, ec));
    const fs::path target = folder / u8"Take ♪ 1.wav";
    const std::wstring targetText = target.wstring();
    DialogAnswerer answerer(GetCurrentThreadId(), [&](HWND dialog) {
      SendMessageW(dialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(targetText.c_str()));
      SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(targetText.c_str()));
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    host.send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 130);
    host.send(WM_LBUTTONUP, 0, 100, 130);
    wchar_t after[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(after, before) << "the dialog leaves the current directory alone";
    pumpMessages(std::chrono::milliseconds(50));
    EXPECT_TRUE(answerer.found.load()) << "no save dialog appeared";
    EXPECT_TRUE(fs::exists(target)) << "the recorder created the chosen file";
    EXPECT_TRUE(host.plugin->recorder.ready.load());
    EXPECT_EQ(host.plugin->modulePath, target.u16string());
    host.plugin->setActive(0);  // finalizes the take
    EXPECT_EQ(fs::file_size(target, ec), 44u) << "a header and no samples";
    fs::remove_all(folder, ec);
  }
}

}  // namespace
