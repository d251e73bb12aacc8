// display_x11.cpp: a window of its own on an X server (Xlib, text drawn with
// Xft) as the console window: cells of 10 x 20 pixels at start, in a
// scalable fixed-pitch font (Liberation Mono) chosen anew whenever the window
// is resized so that the grid fills the client area; cells painted in the
// palette colours; a caret at the cursor cell; keys and the left mouse button
// into the key queue; the window manager's close, the window's destruction
// and the loss of the server (the end of the session) as close requests.
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
#include <X11/Xft/Xft.h>
#undef Display
#undef Screen
#undef KeyCode

namespace {

constexpr char kFontFamily[] = "Liberation Mono";
constexpr int kPreferredWidth = 10, kPreferredHeight = 20;
// The smallest cell a resized window keeps.
constexpr int kSmallestWidth = 4, kSmallestHeight = 8;

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

// The single-line frame characters, drawn as lines through the cell so that
// they join whatever the cell's size: which of the four arms each has.
struct FrameArms {
  bool left, right, up, down;
};
bool FrameArmsOf(uint32_t cp, FrameArms* arms) {
  switch (cp) {
    case 0x2500: *arms = {true, true, false, false}; return true;   // ─
    case 0x2502: *arms = {false, false, true, true}; return true;   // │
    case 0x250C: *arms = {false, true, false, true}; return true;   // ┌
    case 0x2510: *arms = {true, false, false, true}; return true;   // ┐
    case 0x2514: *arms = {false, true, true, false}; return true;   // └
    case 0x2518: *arms = {true, false, true, false}; return true;   // ┘
    case 0x251C: *arms = {false, true, true, true}; return true;    // ├
    case 0x2524: *arms = {true, false, true, true}; return true;    // ┤
    case 0x252C: *arms = {true, true, false, true}; return true;    // ┬
    case 0x2534: *arms = {true, true, true, false}; return true;    // ┴
    case 0x253C: *arms = {true, true, true, true}; return true;     // ┼
    default: return false;
  }
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
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  // After the connection broke, Xlib sends nothing more and only frees what
  // it holds.
  ~X11Display() override {
    if (font_) XftFontClose(x_, font_);
    if (draw_) XftDrawDestroy(draw_);
    if (window_)
      for (XftColor& colour : colours_) XftColorFree(x_, visual_, colormap_, &colour);
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
    int screen_number = DefaultScreen(x_);
    visual_ = DefaultVisual(x_, screen_number);
    colormap_ = DefaultColormap(x_, screen_number);
    rows_ = screen.rows();
    columns_ = screen.columns();
    width_ = kPreferredWidth * columns_;
    height_ = kPreferredHeight * rows_;
    if (!ChooseFont())
      throw std::runtime_error("the console window has no font");
    for (int i = 0; i < 16; ++i) {
      pixels_[static_cast<size_t>(i)] = AllocatePixel(PaletteColour(i));
      AllocateColour(PaletteColour(i), &colours_[static_cast<size_t>(i)]);
    }
    XSetWindowAttributes attributes{};
    attributes.background_pixel = pixels_[0];
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask;
    window_ = XCreateWindow(x_, RootWindow(x_, screen_number), 0, 0,
                            static_cast<unsigned>(width_), static_cast<unsigned>(height_), 0,
                            CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixel | CWEventMask, &attributes);
    if (!window_)
      throw std::runtime_error("the console window cannot be created");
    gc_ = XCreateGC(x_, window_, 0, nullptr);
    draw_ = XftDrawCreate(x_, window_, visual_, colormap_);
    if (!draw_)
      throw std::runtime_error("the console window cannot be drawn on");
    SetHints();
    XMapWindow(x_, window_);
    MarkAllUnshown();
  }

  void SetHints() {
    XSizeHints size{};
    size.flags = PMinSize;
    size.min_width = columns_ * kSmallestWidth;
    size.min_height = rows_ * kSmallestHeight;
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
    if (XAllocColor(x_, colormap_, &colour))
      return colour.pixel;
    int bright = rgb.r + rgb.g + rgb.b;
    return bright > 3 * 0x80 ? WhitePixel(x_, DefaultScreen(x_)) : BlackPixel(x_, DefaultScreen(x_));
  }

  void AllocateColour(Rgb rgb, XftColor* colour) {
    XRenderColor render{static_cast<unsigned short>(rgb.r * 257),
                        static_cast<unsigned short>(rgb.g * 257),
                        static_cast<unsigned short>(rgb.b * 257), 0xFFFF};
    XftColorAllocValue(x_, visual_, colormap_, &render, colour);
  }

  // The font at a pixel size, drawn without anti-aliasing so that every
  // pixel of a cell is one of the palette's colours, as in a console.
  XftFont* OpenFont(double pixel_size) {
    return XftFontOpen(x_, DefaultScreen(x_), XFT_FAMILY, XftTypeString, kFontFamily,
                       XFT_PIXEL_SIZE, XftTypeDouble, pixel_size, XFT_SPACING, XftTypeInteger,
                       XFT_MONO, XFT_ANTIALIAS, XftTypeBool, False, nullptr);
  }

  static bool Fits(const XftFont* font, int width, int height) {
    return font->max_advance_width <= width && font->ascent + font->descent <= height;
  }

  // The largest size of the font whose characters fit the smallest cell of
  // the client area: it starts from the proportions of a large size and
  // steps down until the hinted metrics fit.
  bool ChooseFont() {
    cell_width_ = std::max(1, width_ / columns_);
    cell_height_ = std::max(1, height_ / rows_);
    if (font_ && cell_width_ == font_cell_width_ && cell_height_ == font_cell_height_)
      return true;
    if (per_pixel_width_ <= 0) {
      XftFont* reference = OpenFont(100);
      if (!reference)
        return false;
      per_pixel_width_ = std::max(reference->max_advance_width / 100.0, 0.01);
      per_pixel_height_ = std::max((reference->ascent + reference->descent) / 100.0, 0.01);
      XftFontClose(x_, reference);
    }
    double size = std::min(cell_width_ / per_pixel_width_, cell_height_ / per_pixel_height_);
    XftFont* chosen = nullptr;
    for (; size >= 1 && !chosen; size -= 0.25) {
      XftFont* font = OpenFont(size);
      if (font && (Fits(font, cell_width_, cell_height_) || size - 0.25 < 1))
        chosen = font;
      else if (font)
        XftFontClose(x_, font);
    }
    if (!chosen)
      return false;
    if (font_)
      XftFontClose(x_, font_);
    font_ = chosen;
    font_cell_width_ = cell_width_;
    font_cell_height_ = cell_height_;
    return true;
  }

  // The grid stays its size and fills the client area: the font is chosen
  // anew and the cells' edges are spread over the whole width and height.
  void Relayout(const Screen& screen) {
    rows_ = screen.rows();
    columns_ = screen.columns();
    ChooseFont();
    XClearWindow(x_, window_);
    MarkAllUnshown();
    caret_row_ = -1;
  }

  // The left edge of a column and the top edge of a row; column `columns_`
  // and row `rows_` give the right and bottom edges of the grid.
  int ColumnX(int column) const { return static_cast<int>(static_cast<long>(column) * width_ / columns_); }
  int RowY(int row) const { return static_cast<int>(static_cast<long>(row) * height_ / rows_); }

  // The cell under a point, or -1.
  static int CellAt(int position, int count, int extent) {
    if (position < 0 || position >= extent)
      return -1;
    int cell = static_cast<int>(static_cast<long>(position) * count / extent);
    while (cell + 1 < count && static_cast<long>(cell + 1) * extent / count <= position) ++cell;
    while (cell > 0 && static_cast<long>(cell) * extent / count > position) --cell;
    return cell;
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

  // Cells first..last of a row, in runs of one attribute: the background,
  // then each character centred in its cell.
  void PaintRun(const Screen& screen, int row, int first, int last) {
    int top = RowY(row), bottom = RowY(row + 1);
    int baseline = top + (bottom - top - (font_->ascent + font_->descent)) / 2 + font_->ascent;
    for (int c = first; c <= last;) {
      uint8_t attr = screen.At(row, c).attr;
      int start = c;
      std::vector<XftCharSpec> glyphs;
      std::vector<std::pair<int, FrameArms>> frames;
      for (; c <= last && screen.At(row, c).attr == attr; ++c) {
        Cell cell = screen.At(row, c);
        shown_[static_cast<size_t>(row * columns_ + c)] = cell;
        uint32_t cp = CellCodePoint(cell.ch);
        FrameArms arms{};
        if (FrameArmsOf(cp, &arms)) {
          frames.push_back({c, arms});
        } else if (cp != ' ') {
          int left = ColumnX(c), width = ColumnX(c + 1) - left;
          glyphs.push_back(XftCharSpec{cp, static_cast<short>(left + (width - font_->max_advance_width) / 2),
                                       static_cast<short>(baseline)});
        }
      }
      XSetForeground(x_, gc_, pixels_[attr >> 4]);
      XFillRectangle(x_, window_, gc_, ColumnX(start), top,
                     static_cast<unsigned>(ColumnX(c) - ColumnX(start)), static_cast<unsigned>(bottom - top));
      XftColor* ink = &colours_[attr & 15];
      if (!glyphs.empty())
        XftDrawCharSpec(draw_, ink, font_, glyphs.data(), static_cast<int>(glyphs.size()));
      XSetForeground(x_, gc_, pixels_[attr & 15]);
      for (const auto& [column, arms] : frames)
        PaintFrame(row, column, arms);
    }
  }

  // A frame character as lines from the cell's middle to the arms' edges.
  void PaintFrame(int row, int column, const FrameArms& arms) {
    int left = ColumnX(column), right = ColumnX(column + 1);
    int top = RowY(row), bottom = RowY(row + 1);
    int thickness = std::max(1, std::min(right - left, bottom - top) / 10);
    int middle_x = left + (right - left - thickness) / 2;
    int middle_y = top + (bottom - top - thickness) / 2;
    auto fill = [&](int x0, int y0, int x1, int y1) {
      if (x1 > x0 && y1 > y0)
        XFillRectangle(x_, window_, gc_, x0, y0, static_cast<unsigned>(x1 - x0),
                       static_cast<unsigned>(y1 - y0));
    };
    if (arms.left) fill(left, middle_y, middle_x + thickness, middle_y + thickness);
    if (arms.right) fill(middle_x, middle_y, right, middle_y + thickness);
    if (arms.up) fill(middle_x, top, middle_x + thickness, middle_y + thickness);
    if (arms.down) fill(middle_x, middle_y, middle_x + thickness, bottom);
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
    int top = RowY(caret_row_), bottom = RowY(caret_row_ + 1);
    int thickness = std::max(2, (bottom - top) / 8);
    XSetForeground(x_, gc_, pixels_[screen.At(caret_row_, caret_column_).attr & 15]);
    XFillRectangle(x_, window_, gc_, ColumnX(caret_column_), bottom - thickness,
                   static_cast<unsigned>(ColumnX(caret_column_ + 1) - ColumnX(caret_column_)),
                   static_cast<unsigned>(thickness));
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
    if (event.button != Button1)
      return;
    int row = CellAt(event.y, rows_, height_), column = CellAt(event.x, columns_, width_);
    if (row >= 0 && column >= 0)
      screen.PushKey(Key::Mouse(row, column));
  }

  XDisplay* x_;
  Visual* visual_ = nullptr;
  Colormap colormap_ = 0;
  Window window_ = 0;
  bool window_gone_ = false;
  GC gc_ = nullptr;
  XftDraw* draw_ = nullptr;
  XftFont* font_ = nullptr;
  int font_cell_width_ = 0, font_cell_height_ = 0;
  // The font's advance and height for each pixel of its size.
  double per_pixel_width_ = 0, per_pixel_height_ = 0;
  std::array<unsigned long, 16> pixels_{};
  std::array<XftColor, 16> colours_{};
  Atom wm_protocols_ = 0, wm_delete_window_ = 0;
  int rows_ = 0, columns_ = 0;
  int width_ = 0, height_ = 0;
  int cell_width_ = kPreferredWidth, cell_height_ = kPreferredHeight;
  std::vector<Cell> shown_;
  bool all_unshown_ = true;
  int caret_row_ = -1, caret_column_ = -1;
  std::string title_;
};

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// fontconfig leaks a few bytes of each run while it parses its configuration
// files; a sanitized build's leak checker leaves those alone, and says
// nothing of it on standard error, which the program keeps for its reports.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

std::unique_ptr<Display> MakeX11Display() {
  XDisplay* x = XOpenDisplay(nullptr);
  if (!x)
    return nullptr;
  return std::make_unique<X11Display>(x);
}
