// display_x11.cpp: a window of its own on an X server (plain Xlib) as the
// console window: a fixed font of 10 x 20 pixels whose cells fill the client
// area, chosen anew when the window is resized; cells painted in the palette
// colours; a caret at the cursor cell; keys and the left mouse button into the
// key queue; the window manager's close, the window's destruction and the
// loss of the server (the end of the session) as close requests.
#include <poll.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "client/console/close_signals.h"
#include "client/console/display.h"
#include "client/console/glyphs.h"
#include "foundations/codepage.h"

// Xlib names three of its types as the console names its own; they are
// renamed for this file only.
#define Display XDisplay
#define Screen XScreen
#define KeyCode XKeyCode
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#undef Display
#undef Screen
#undef KeyCode

namespace {

constexpr char kPreferredFont[] = "-misc-fixed-medium-r-normal--20-*-*-*-c-100-iso10646-1";
// The fixed fonts a resized window chooses from.
constexpr char kFontFamily[] = "-misc-fixed-medium-r-normal--*-*-*-*-c-*-iso10646-1";
constexpr int kPreferredWidth = 10, kPreferredHeight = 20;

// Set when the connection to the server broke; nothing is drawn on it again
// (Xlib sends nothing more on it, and only frees what it holds).
bool g_connection_lost = false;

// Both handlers return, so that Xlib neither prints nor exits: the next
// service point ends the run as a close request.
int OnConnectionError(XDisplay*) {
  g_connection_lost = true;
  return 0;
}
void OnConnectionLost(XDisplay* x, void*) { OnConnectionError(x); }

// A request refused by the server (say, drawing into a window that another
// client destroyed) is not worth ending the run for.
int IgnoreError(XDisplay*, XErrorEvent*) { return 0; }

struct FontSize {
  std::string name;
  int width = 0, height = 0;
};

// Pixel size and average width (tenths) are the 7th and 12th fields of a
// font name; scalable entries (size 0) are left out.
bool ParseFontSize(const std::string& name, FontSize* size) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t dash; (dash = name.find('-', start)) != std::string::npos; start = dash + 1)
    fields.push_back(name.substr(start, dash - start));
  fields.push_back(name.substr(start));
  if (fields.size() != 15)
    return false;
  int height = std::atoi(fields[7].c_str()), width = std::atoi(fields[12].c_str()) / 10;
  if (height <= 0 || width <= 0)
    return false;
  *size = FontSize{name, width, height};
  return true;
}

// A stand-in for a character that an 8-bit font lacks; frame characters keep
// their shape.
uint32_t NarrowFallback(uint32_t cp) {
  if (cp < 0x100)
    return cp;
  if (cp == 0x2500 || cp == 0x2501 || cp == 0x2550)
    return '-';
  if (cp == 0x2502 || cp == 0x2503 || cp == 0x2551)
    return '|';
  if (cp >= 0x2500 && cp <= 0x257F)
    return '+';
  return '?';
}

// The character a key types, as a code point: Latin-1 and Unicode keysyms,
// and the four Hungarian letters that only Latin-2 keysyms carry.
uint32_t KeysymCodePoint(KeySym sym) {
  if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF))
    return static_cast<uint32_t>(sym);
  if ((sym & 0xFF000000) == 0x01000000)
    return static_cast<uint32_t>(sym & 0x00FFFFFF);
  switch (sym) {
    case XK_Odoubleacute: return 0x150;
    case XK_odoubleacute: return 0x151;
    case XK_Udoubleacute: return 0x170;
    case XK_udoubleacute: return 0x171;
    default: return 0;
  }
}

KeyCode SpecialKey(KeySym sym, bool ctrl, bool shift) {
  switch (sym) {
    case XK_Return: case XK_KP_Enter: return KeyCode::Enter;
    case XK_Escape: return KeyCode::Esc;
    case XK_Tab: case XK_KP_Tab: return shift ? KeyCode::ShiftTab : KeyCode::Tab;
    case XK_ISO_Left_Tab: return KeyCode::ShiftTab;
    case XK_BackSpace: return KeyCode::Backspace;
    case XK_Up: case XK_KP_Up: return KeyCode::Up;
    case XK_Down: case XK_KP_Down: return KeyCode::Down;
    case XK_Left: case XK_KP_Left: return ctrl ? KeyCode::CtrlLeft : KeyCode::Left;
    case XK_Right: case XK_KP_Right: return ctrl ? KeyCode::CtrlRight : KeyCode::Right;
    case XK_Home: case XK_KP_Home: return ctrl ? KeyCode::CtrlHome : KeyCode::Home;
    case XK_End: case XK_KP_End: return ctrl ? KeyCode::CtrlEnd : KeyCode::End;
    case XK_Prior: case XK_KP_Prior: return ctrl ? KeyCode::CtrlPgUp : KeyCode::PgUp;
    case XK_Next: case XK_KP_Next: return ctrl ? KeyCode::CtrlPgDn : KeyCode::PgDn;
    default: return KeyCode::Other;
  }
}

class X11Display : public Display {
 public:
  explicit X11Display(XDisplay* x) : x_(x) {
    XSetErrorHandler(IgnoreError);
    XSetIOErrorHandler(OnConnectionError);
    XSetIOErrorExitHandler(x_, OnConnectionLost, nullptr);
  }

  ~X11Display() override {
    if (font_) XFreeFont(x_, font_);
    if (gc_) XFreeGC(x_, gc_);
    if (window_ && usable()) XDestroyWindow(x_, window_);
    XCloseDisplay(x_);
  }

  bool interactive() const override { return true; }

  void Update(Screen& screen) override {
    int bells = screen.TakeBells();
    if (!usable())
      return;
    if (!window_)
      Create(screen);
    if (screen.rows() != rows_ || screen.columns() != columns_)
      Relayout(screen);
    PaintCell(screen, caret_row_, caret_column_);  // takes the caret away
    bool all = all_unshown_;
    all_unshown_ = false;
    for (int r = 0; r < rows_; ++r)
      PaintChangedRun(screen, r, all);
    PaintCaret(screen);
    if (screen.title != title_)
      SetTitle(screen.title);
    for (; bells > 0; --bells)
      XBell(x_, 0);
    XFlush(x_);
  }

  void Poll(Screen& screen) override {
    while (usable() && XPending(x_) > 0) {
      XEvent event;
      XNextEvent(x_, &event);
      Handle(event, screen);
    }
    if (!usable())
      screen.close_requested = true;
  }

  void Wait(Screen& screen) override {
    if (usable() && QLength(x_) == 0) {
      XFlush(x_);
      pollfd fds[2] = {{ConnectionNumber(x_), POLLIN, 0}, {CloseSignalDescriptor(), POLLIN, 0}};
      int count = fds[1].fd >= 0 ? 2 : 1;
      poll(fds, static_cast<nfds_t>(count), count == 2 ? -1 : 200);
    }
    Poll(screen);
  }

 private:
  bool usable() const { return !g_connection_lost && !window_gone_; }

  void Create(const Screen& screen) {
    ListFonts();
    rows_ = screen.rows();
    columns_ = screen.columns();
    if (!LoadFont(kPreferredFont) &&
        !ChooseFont(kPreferredWidth * columns_, kPreferredHeight * rows_) && !LoadFont("fixed"))
      throw std::runtime_error("the console window has no font");
    int screen_number = DefaultScreen(x_);
    for (int i = 0; i < 16; ++i)
      pixels_[static_cast<size_t>(i)] = AllocatePixel(PaletteColour(i));
    XSetWindowAttributes attributes{};
    attributes.background_pixel = pixels_[0];
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask;
    width_ = cell_width_ * columns_;
    height_ = cell_height_ * rows_;
    window_ = XCreateWindow(x_, RootWindow(x_, screen_number), 0, 0,
                            static_cast<unsigned>(width_), static_cast<unsigned>(height_), 0,
                            CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixel | CWEventMask, &attributes);
    if (!window_)
      throw std::runtime_error("the console window cannot be created");
    gc_ = XCreateGC(x_, window_, 0, nullptr);
    XSetFont(x_, gc_, font_->fid);
    SetHints();
    XMapWindow(x_, window_);
    MarkAllUnshown();
  }

  void SetHints() {
    XSizeHints size{};
    size.flags = PMinSize;
    bool listed = smallest_.width > 0;
    size.min_width = columns_ * (listed ? std::min(cell_width_, smallest_.width) : cell_width_);
    size.min_height = rows_ * (listed ? std::min(cell_height_, smallest_.height) : cell_height_);
    XSetWMNormalHints(x_, window_, &size);
    XWMHints wm{};
    wm.flags = InputHint | StateHint;
    wm.input = True;  // the keyboard comes to this window
    wm.initial_state = NormalState;
    XSetWMHints(x_, window_, &wm);
    XClassHint class_hint{const_cast<char*>("kvitalink"), const_cast<char*>("KvitalinkConsole")};
    XSetClassHint(x_, window_, &class_hint);
    Atom delete_window = XInternAtom(x_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(x_, window_, &delete_window, 1);
    wm_protocols_ = XInternAtom(x_, "WM_PROTOCOLS", False);
    wm_delete_window_ = delete_window;
  }

  unsigned long AllocatePixel(Rgb rgb) {
    XColor colour{};
    colour.red = static_cast<unsigned short>(rgb.r * 257);
    colour.green = static_cast<unsigned short>(rgb.g * 257);
    colour.blue = static_cast<unsigned short>(rgb.b * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    Colormap map = DefaultColormap(x_, DefaultScreen(x_));
    if (XAllocColor(x_, map, &colour))
      return colour.pixel;
    int bright = rgb.r + rgb.g + rgb.b;
    return bright > 3 * 0x80 ? WhitePixel(x_, DefaultScreen(x_)) : BlackPixel(x_, DefaultScreen(x_));
  }

  void ListFonts() {
    int count = 0;
    char** names = XListFonts(x_, kFontFamily, 200, &count);
    for (int i = 0; i < count; ++i) {
      FontSize size;
      if (ParseFontSize(names[i], &size)) {
        fonts_.push_back(size);
        if (smallest_.width == 0 || size.width * size.height < smallest_.width * smallest_.height)
          smallest_ = size;
      }
    }
    if (names)
      XFreeFontNames(names);
  }

  // The largest listed font whose grid fits the area (the smallest when none
  // does); false when none loads.
  bool ChooseFont(int width, int height) {
    const FontSize* best = nullptr;
    for (const FontSize& f : fonts_) {
      if (f.width * columns_ > width || f.height * rows_ > height)
        continue;
      if (!best || f.width * f.height > best->width * best->height)
        best = &f;
    }
    if (!best && smallest_.width > 0)
      best = &smallest_;
    return best && (best->name == font_name_ || LoadFont(best->name.c_str()));
  }

  bool LoadFont(const char* name) {
    XFontStruct* font = XLoadQueryFont(x_, name);
    if (!font)
      return false;
    if (font_)
      XFreeFont(x_, font_);
    font_ = font;
    font_name_ = name;
    cell_width_ = std::max<int>(font->max_bounds.width, 1);
    cell_height_ = std::max(font->ascent + font->descent, 1);
    wide_font_ = font->max_byte1 > 0;
    if (gc_)
      XSetFont(x_, gc_, font_->fid);
    return true;
  }

  // The grid stays its size: a resized window gets the font that fills it
  // best, and the grid is centred in what is left over.
  void Relayout(const Screen& screen) {
    rows_ = screen.rows();
    columns_ = screen.columns();
    ChooseFont(width_, height_);
    origin_x_ = std::max(0, (width_ - cell_width_ * columns_) / 2);
    origin_y_ = std::max(0, (height_ - cell_height_ * rows_) / 2);
    XClearWindow(x_, window_);
    MarkAllUnshown();
    caret_row_ = -1;
  }

  void MarkAllUnshown() {
    shown_.assign(static_cast<size_t>(rows_ * columns_), Cell{});
    all_unshown_ = true;
  }

  // The span from the first to the last cell of the row that the window does
  // not show as the model holds it.
  void PaintChangedRun(const Screen& screen, int row, bool all) {
    int first = -1, last = -1;
    for (int c = 0; c < columns_; ++c) {
      size_t i = static_cast<size_t>(row * columns_ + c);
      if (all || !(screen.cells()[i] == shown_[i])) {
        if (first < 0) first = c;
        last = c;
      }
    }
    if (first >= 0)
      PaintRun(screen, row, first, last);
  }

  void PaintCell(const Screen& screen, int row, int column) {
    if (row >= 0 && row < rows_ && column >= 0 && column < columns_)
      PaintRun(screen, row, column, column);
  }

  // Cells first..last of a row, in runs of one attribute.
  void PaintRun(const Screen& screen, int row, int first, int last) {
    int y = origin_y_ + row * cell_height_;
    for (int c = first; c <= last;) {
      uint8_t attr = screen.At(row, c).attr;
      std::vector<XChar2b> glyphs;
      int start = c;
      for (; c <= last && screen.At(row, c).attr == attr; ++c) {
        Cell cell = screen.At(row, c);
        glyphs.push_back(Glyph(CellCodePoint(cell.ch)));
        shown_[static_cast<size_t>(row * columns_ + c)] = cell;
      }
      int x = origin_x_ + start * cell_width_;
      XSetForeground(x_, gc_, pixels_[attr >> 4]);
      XFillRectangle(x_, window_, gc_, x, y, static_cast<unsigned>(cell_width_ * (c - start)),
                     static_cast<unsigned>(cell_height_));
      XSetForeground(x_, gc_, pixels_[attr & 15]);
      XDrawString16(x_, window_, gc_, x, y + font_->ascent, glyphs.data(),
                    static_cast<int>(glyphs.size()));
    }
  }

  XChar2b Glyph(uint32_t cp) const {
    if (!wide_font_)
      cp = NarrowFallback(cp);
    return XChar2b{static_cast<unsigned char>(cp >> 8), static_cast<unsigned char>(cp & 0xFF)};
  }

  // An underline of the cursor cell in its foreground colour, as a console's
  // caret looks.
  void PaintCaret(const Screen& screen) {
    caret_row_ = caret_column_ = -1;
    if (!screen.cursor_visible || screen.cursor_row < 0 || screen.cursor_row >= rows_ ||
        screen.cursor_column < 0 || screen.cursor_column >= columns_)
      return;
    caret_row_ = screen.cursor_row;
    caret_column_ = screen.cursor_column;
    int thickness = std::max(2, cell_height_ / 8);
    XSetForeground(x_, gc_, pixels_[screen.At(caret_row_, caret_column_).attr & 15]);
    XFillRectangle(x_, window_, gc_, origin_x_ + caret_column_ * cell_width_,
                   origin_y_ + (caret_row_ + 1) * cell_height_ - thickness,
                   static_cast<unsigned>(cell_width_), static_cast<unsigned>(thickness));
  }

  // The title in UTF-8 for the window managers that read it so, and in
  // Latin-1 for the others.
  void SetTitle(const std::string& title) {
    title_ = title;
    std::string utf8, latin1;
    for (unsigned char byte : title) {
      uint32_t cp = kCp852ToUnicode[byte];
      if (cp < 0x20 || cp == 0x7F)
        continue;
      AppendUtf8(utf8, cp);
      latin1 += static_cast<char>(cp < 0x100 ? cp : '?');
    }
    XStoreName(x_, window_, latin1.c_str());
    XChangeProperty(x_, window_, XInternAtom(x_, "_NET_WM_NAME", False),
                    XInternAtom(x_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
  }

  void Handle(XEvent& event, Screen& screen) {
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0)
          RepaintAll(screen);
        break;
      case ConfigureNotify:
        if (event.xconfigure.width != width_ || event.xconfigure.height != height_) {
          width_ = event.xconfigure.width;
          height_ = event.xconfigure.height;
          Relayout(screen);
          RepaintAll(screen);
        }
        break;
      case KeyPress:
        TakeKey(event.xkey, screen);
        break;
      case ButtonPress:
        TakeButton(event.xbutton, screen);
        break;
      case ClientMessage:
        if (event.xclient.message_type == wm_protocols_ && event.xclient.format == 32 &&
            static_cast<Atom>(event.xclient.data.l[0]) == wm_delete_window_)
          screen.close_requested = true;
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == window_) {
          window_gone_ = true;
          screen.close_requested = true;
        }
        break;
      default:
        break;
    }
  }

  // What the window shows is the model as last brought up to date.
  void RepaintAll(const Screen& screen) {
    for (int r = 0; r < rows_; ++r)
      PaintRun(screen, r, 0, columns_ - 1);
    PaintCaret(screen);
    XFlush(x_);
  }

  void TakeKey(XKeyEvent& event, Screen& screen) {
    char text[8];
    KeySym sym = NoSymbol;
    int length = XLookupString(&event, text, sizeof text, &sym, nullptr);
    bool ctrl = (event.state & ControlMask) != 0, shift = (event.state & ShiftMask) != 0;
    KeyCode code = SpecialKey(sym, ctrl, shift);
    if (code != KeyCode::Other) {
      screen.PushKey(Key::Of(code));
      return;
    }
    if (ctrl)
      return;
    uint32_t cp = KeysymCodePoint(sym);
    if (cp == 0 && length == 1)
      cp = static_cast<unsigned char>(text[0]);  // the keypad's digits and the like
    int byte = cp >= 0x20 ? UnicodeTo852(cp) : -1;
    if (byte >= 0x20 && byte != 0x7F)
      screen.PushKey(Key::Character(static_cast<uint8_t>(byte)));
  }

  void TakeButton(const XButtonEvent& event, Screen& screen) {
    if (event.button != Button1 || event.x < origin_x_ || event.y < origin_y_)
      return;
    int row = (event.y - origin_y_) / cell_height_, column = (event.x - origin_x_) / cell_width_;
    if (row < rows_ && column < columns_)
      screen.PushKey(Key::Mouse(row, column));
  }

  XDisplay* x_;
  Window window_ = 0;
  bool window_gone_ = false;
  GC gc_ = nullptr;
  XFontStruct* font_ = nullptr;
  std::string font_name_;
  bool wide_font_ = false;
  std::vector<FontSize> fonts_;
  FontSize smallest_;
  std::array<unsigned long, 16> pixels_{};
  Atom wm_protocols_ = 0, wm_delete_window_ = 0;
  int rows_ = 0, columns_ = 0;
  int width_ = 0, height_ = 0;
  int cell_width_ = kPreferredWidth, cell_height_ = kPreferredHeight;
  int origin_x_ = 0, origin_y_ = 0;
  std::vector<Cell> shown_;
  bool all_unshown_ = true;
  int caret_row_ = -1, caret_column_ = -1;
  std::string title_;
};

}  // namespace

std::unique_ptr<Display> MakeX11Display() {
  XDisplay* x = XOpenDisplay(nullptr);
  if (!x)
    return nullptr;
  return std::make_unique<X11Display>(x);
}
