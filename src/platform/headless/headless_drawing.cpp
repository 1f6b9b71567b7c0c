// Headless device contexts and drawing objects over Cairo image surfaces; text through Pango.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/constants.h"
#include "platform/headless/headless_state.h"
#include "vst3/string16.h"

namespace varnolith::platform::headless {

namespace {

constexpr UINT kDtRight = 0x00000002;
constexpr UINT kDtBottom = 0x00000008;

void setColour(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

void fillPixels(cairo_surface_t* target, int left, int top, int width, int height, COLORREF colour) {
  if (!target || width <= 0 || height <= 0) return;
  cairo_t* cr = cairo_create(target);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  setColour(cr, colour);
  cairo_rectangle(cr, left, top, width, height);
  cairo_fill(cr);
  cairo_destroy(cr);
}

}  // namespace

std::string substituteFace(const std::u16string& face) {
  if (face.empty() || face == u"Segoe UI" || face == u"System") return "Liberation Sans";
  return Steinberg::utf16ToUtf8(face);
}

HDC HeadlessWindowSystem::State::addContext(Context context) {
  context.brush = stockBrush;
  context.pen = stockPen;
  context.font = stockFont;
  context.bitmap = context.memory ? stockBitmap : nullptr;
  const std::uintptr_t handle = allocateHandle();
  contexts.emplace(handle, context);
  return reinterpret_cast<HDC>(handle);
}

void HeadlessWindowSystem::State::removeContext(HDC dc) {
  auto it = contexts.find(reinterpret_cast<std::uintptr_t>(dc));
  if (it == contexts.end()) return;
  for (HGDIOBJ object : {it->second.brush, it->second.pen, it->second.font, it->second.bitmap}) {
    if (DrawingObject* o = findObject(object); o && o->selectedInto == dc) o->selectedInto = nullptr;
  }
  contexts.erase(it);
}

HDC HeadlessWindowSystem::CreateCompatibleDC(HDC dc) {
  std::lock_guard lock(state_->mutex);
  Context context;
  context.memory = true;
  if (dc) {
    Context* source = state_->findContext(dc);
    if (!source) return nullptr;
    context.window = source->window;
  }
  return state_->addContext(context);
}

HBITMAP HeadlessWindowSystem::CreateCompatibleBitmap(HDC dc, int width, int height) {
  std::lock_guard lock(state_->mutex);
  if (!state_->findContext(dc) || width <= 0 || height <= 0) return nullptr;
  DrawingObject bitmap{ObjectKind::Bitmap};
  bitmap.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  return static_cast<HBITMAP>(state_->addObject(bitmap));
}

HGDIOBJ HeadlessWindowSystem::SelectObject(HDC dc, HGDIOBJ object) {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  Context* context = s.findContext(dc);
  DrawingObject* o = s.findObject(object);
  if (!context || !o) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (o->kind) {
    case ObjectKind::Brush: slot = &context->brush; break;
    case ObjectKind::Pen: slot = &context->pen; break;
    case ObjectKind::Font: slot = &context->font; break;
    case ObjectKind::Bitmap:
      if (!context->memory || (o->selectedInto && o->selectedInto != dc)) return nullptr;
      slot = &context->bitmap;
      context->target = o->surface;
      break;
  }
  HGDIOBJ previous = std::exchange(*slot, object);
  if (DrawingObject* p = s.findObject(previous); p && !p->stock) p->selectedInto = nullptr;
  if (!o->stock) o->selectedInto = dc;
  return previous;
}

BOOL HeadlessWindowSystem::BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                                  int sourceY, DWORD rop) {
  std::lock_guard lock(state_->mutex);
  Context* to = state_->findContext(dest);
  Context* from = state_->findContext(source);
  if (!to || !from || rop != kSrcCopy) return 0;
  if (!to->target || !from->target || width <= 0 || height <= 0) return 1;
  cairo_surface_flush(from->target);
  cairo_t* cr = cairo_create(to->target);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, from->target, x - sourceX, y - sourceY);
  cairo_rectangle(cr, x, y, width, height);
  cairo_fill(cr);
  cairo_destroy(cr);
  return 1;
}

BOOL HeadlessWindowSystem::DeleteObject(HGDIOBJ object) {
  std::lock_guard lock(state_->mutex);
  DrawingObject* o = state_->findObject(object);
  if (!o) return 0;
  if (o->stock) return 1;
  if (o->selectedInto) return 0;  // still selected: the system refuses and the object leaks
  if (o->surface) cairo_surface_destroy(o->surface);
  state_->objects.erase(reinterpret_cast<std::uintptr_t>(object));
  return 1;
}

BOOL HeadlessWindowSystem::DeleteDC(HDC dc) {
  std::lock_guard lock(state_->mutex);
  Context* context = state_->findContext(dc);
  if (!context || !context->memory) return 0;
  state_->removeContext(dc);
  return 1;
}

HBRUSH HeadlessWindowSystem::CreateSolidBrush(COLORREF colour) {
  std::lock_guard lock(state_->mutex);
  return static_cast<HBRUSH>(state_->addObject(DrawingObject{ObjectKind::Brush, false, colour}));
}

int HeadlessWindowSystem::FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  std::lock_guard lock(state_->mutex);
  Context* context = state_->findContext(dc);
  DrawingObject* o = state_->findObject(brush);
  if (!context || !rect || !o || o->kind != ObjectKind::Brush) return 0;
  fillPixels(context->target, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, o->colour);
  return 1;
}

HPEN HeadlessWindowSystem::CreatePen(int style, int width, COLORREF colour) {
  if (style != kPsSolid) return nullptr;  // only solid pens are simulated
  std::lock_guard lock(state_->mutex);
  DrawingObject pen{ObjectKind::Pen, false, colour};
  pen.width = std::max(width, 1);
  return static_cast<HPEN>(state_->addObject(pen));
}

BOOL HeadlessWindowSystem::MoveToEx(HDC dc, int x, int y, POINT* previous) {
  std::lock_guard lock(state_->mutex);
  Context* context = state_->findContext(dc);
  if (!context) return 0;
  if (previous) *previous = context->position;
  context->position = POINT{x, y};
  return 1;
}

BOOL HeadlessWindowSystem::LineTo(HDC dc, int x, int y) {
  std::lock_guard lock(state_->mutex);
  Context* context = state_->findContext(dc);
  if (!context) return 0;
  DrawingObject* pen = state_->findObject(context->pen);
  const int width = pen ? pen->width : 1;
  const COLORREF colour = pen ? pen->colour : 0;
  const POINT from = context->position;
  context->position = POINT{x, y};
  // Axis-parallel lines cover whole pixels: `width` rows or columns centred on the line, from the
  // start point up to but excluding the end point.
  const int across = width / 2;
  if (from.y == y && from.x != x) {
    const int left = x > from.x ? from.x : x + 1;
    fillPixels(context->target, left, y - across, std::abs(x - from.x), width, colour);
  } else if (from.x == x && from.y != y) {
    const int top = y > from.y ? from.y : y + 1;
    fillPixels(context->target, x - across, top, width, std::abs(y - from.y), colour);
  } else if (from.x != x && context->target) {
    cairo_t* cr = cairo_create(context->target);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    setColour(cr, colour);
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr, x + 0.5, y + 0.5);
    cairo_stroke(cr);
    cairo_destroy(cr);
  }
  return 1;
}

HFONT HeadlessWindowSystem::CreateFontW(int height, int, int, int, int weight, DWORD, DWORD, DWORD, DWORD, DWORD,
                                        DWORD, DWORD, DWORD, LPCWSTR faceName) {
  std::lock_guard lock(state_->mutex);
  DrawingObject font{ObjectKind::Font};
  font.height = height;
  font.weight = weight == 0 ? kFwNormal : weight;
  font.face = faceName ? std::u16string(faceName) : std::u16string();
  return static_cast<HFONT>(state_->addObject(font));
}

int HeadlessWindowSystem::SetBkMode(HDC dc, int mode) {
  std::lock_guard lock(state_->mutex);
  Context* context = state_->findContext(dc);
  if (!context || (mode != kTransparent && mode != kOpaque)) return 0;
  return std::exchange(context->bkMode, mode);
}

COLORREF HeadlessWindowSystem::SetTextColor(HDC dc, COLORREF colour) {
  std::lock_guard lock(state_->mutex);
  Context* context = state_->findContext(dc);
  if (!context) return 0xFFFFFFFF;  // CLR_INVALID
  return std::exchange(context->textColour, colour);
}

int HeadlessWindowSystem::DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  Context* context = s.findContext(dc);
  if (!context || !text || !rect) return 0;
  const std::u16string content = count < 0 ? std::u16string(text) : std::u16string(text, static_cast<std::size_t>(count));
  DrawingObject* font = s.findObject(context->font);
  DrawnText record;
  record.window = context->window;
  record.text = content;
  record.rect = *rect;
  record.colour = context->textColour;
  record.height = font->height;
  record.weight = font->weight;
  record.face = font->face;
  record.format = format;
  s.drawnTexts.push_back(record);

  // A negative height is the em size in pixels; a positive one the cell height, about 1.2 em.
  const int pixels = font->height < 0 ? -font->height : (font->height > 0 ? font->height * 5 / 6 : 13);
  const int width = rect->right - rect->left;
  const int height = rect->bottom - rect->top;
  PangoContext* pango = pango_font_map_create_context(s.fontMap);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(pango, options);
  cairo_font_options_destroy(options);
  PangoLayout* layout = pango_layout_new(pango);
  const std::string utf8 = Steinberg::utf16ToUtf8(content);
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, substituteFace(font->face).c_str());
  pango_font_description_set_absolute_size(description, pixels * PANGO_SCALE);
  pango_font_description_set_weight(description, static_cast<PangoWeight>(font->weight));
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  const bool singleLine = (format & kDtSingleLine) != 0;
  if (singleLine) {
    pango_layout_set_single_paragraph_mode(layout, TRUE);
  } else if (format & kDtWordBreak) {
    pango_layout_set_width(layout, std::max(width, 1) * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    if (format & kDtCenter) pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    if (format & kDtRight) pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
  }
  int textWidth = 0;
  int textHeight = 0;
  pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
  int x = rect->left;
  int y = rect->top;
  const bool aligned = singleLine || !(format & kDtWordBreak);
  if (aligned && (format & kDtCenter)) x = rect->left + (width - textWidth) / 2;
  if (aligned && (format & kDtRight)) x = rect->right - textWidth;
  if (singleLine && (format & kDtVCenter)) y = rect->top + (height - textHeight) / 2;
  if (singleLine && (format & kDtBottom)) y = rect->bottom - textHeight;
  if (context->target && width > 0 && height > 0) {
    cairo_t* cr = cairo_create(context->target);
    cairo_rectangle(cr, rect->left, rect->top, width, height);
    cairo_clip(cr);
    if (context->bkMode == kOpaque) {
      setColour(cr, rgb(255, 255, 255));
      cairo_rectangle(cr, x, y, textWidth, textHeight);
      cairo_fill(cr);
    }
    setColour(cr, context->textColour);
    cairo_move_to(cr, x, y);
    pango_cairo_update_layout(cr, layout);
    pango_cairo_show_layout(cr, layout);
    cairo_destroy(cr);
  }
  g_object_unref(layout);
  g_object_unref(pango);
  return textHeight;
}

COLORREF HeadlessWindowSystem::pixel(HWND window, int x, int y) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w || x < 0 || y < 0 || x >= w->width || y >= w->height) return 0;
  cairo_surface_flush(w->surface);
  const unsigned char* data = cairo_image_surface_get_data(w->surface);
  const int stride = cairo_image_surface_get_stride(w->surface);
  std::uint32_t value = 0;
  std::memcpy(&value, data + static_cast<std::ptrdiff_t>(y) * stride + x * 4, 4);
  return rgb(static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
             static_cast<std::uint8_t>(value));
}

bool HeadlessWindowSystem::savePng(HWND window, const std::string& path) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  return w && cairo_surface_write_to_png(w->surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool HeadlessWindowSystem::saveContextPng(HDC dc, const std::string& path) {
  std::lock_guard lock(state_->mutex);
  Context* context = state_->findContext(dc);
  return context && context->target &&
         cairo_surface_write_to_png(context->target, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace varnolith::platform::headless
