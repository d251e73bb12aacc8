// display_win32.cpp: a window of its own as the console window: a class of
// its own, one overlapped window whose client area holds the grid in
// "Courier New" (asked for 20 x 10 pixels a cell, chosen anew to fill the
// area when the window is resized), the cells that changed painted in the
// palette colours inside WM_PAINT, a caret at the cursor cell, keys and the
// left mouse button into the key queue, WM_CLOSE and the end of the session
// as close requests. Messages are taken only when the console services the
// display.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "client/console/display.h"
#include "client/console/glyphs.h"
#include "client/console/keys_win32.h"
#include "client/console/window_cells.h"
#include "foundations/codepage.h"

namespace {

constexpr wchar_t kClassName[] = L"KvitalinkConsole";
constexpr wchar_t kFontFace[] = L"Courier New";
constexpr CellSize kPreferredCell{10, 20};
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
// How long a wait for input sleeps before it looks again at the requests
// that do not come as window messages (a console's Ctrl+C and the like).
constexpr DWORD kWaitSlice = 250;

COLORREF PaletteColorRef(int index) {
  Rgb rgb = PaletteColour(index);
  return RGB(rgb.r, rgb.g, rgb.b);
}

std::wstring Utf16Of852(const std::string& text) {
  std::wstring wide;
  for (unsigned char byte : text)
    wide += static_cast<wchar_t>(kCp852ToUnicode[byte]);
  return wide;
}

HFONT MakeFont(CellSize cell) {
  LOGFONTW font{};
  font.lfHeight = cell.height;  // the cell's height, not the letters'
  font.lfWidth = cell.width;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  wcsncpy(font.lfFaceName, kFontFace, LF_FACESIZE - 1);
  return CreateFontIndirectW(&font);
}

// The cell of a font: its average (for a fixed pitch, every) character width
// and its full height.
CellSize MeasureFont(HWND window, HFONT font) {
  HDC dc = GetDC(window);
  HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return CellSize{std::max<int>(1, metrics.tmAveCharWidth), std::max<int>(1, metrics.tmHeight)};
}

class Win32Display : public Display {
 public:
  Win32Display() = default;
  Win32Display(const Win32Display&) = delete;
  Win32Display& operator=(const Win32Display&) = delete;

  ~Win32Display() override {
    destroying_ = true;
    if (window_)
      DestroyWindow(window_);
    if (font_)
      DeleteObject(font_);
    if (registered_)
      UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
  }

  // The class and a window not shown yet; false when either cannot be made.
  bool Create(const Screen& screen) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = WindowProcedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    window_class.lpszClassName = kClassName;
    if (!RegisterClassW(&window_class))
      return false;
    registered_ = true;

    rows_ = screen.rows();
    columns_ = screen.columns();
    font_ = MakeFont(kPreferredCell);
    if (!font_)
      return false;
    CellSize cell = MeasureFont(nullptr, font_);
    RECT frame{0, 0, cell.width * columns_, cell.height * rows_};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    // The font fills the area exactly; WM_SIZE only tells what is known.
    client_width_ = chosen_for_width_ = cell.width * columns_;
    client_height_ = chosen_for_height_ = cell.height * rows_;
    place_ = GridPlace{0, 0, cell};
    title_ = screen.title;
    window_ = CreateWindowExW(0, kClassName, Utf16Of852(title_).c_str(), kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance, this);
    return window_ != nullptr;
  }

  bool interactive() const override { return true; }

  void Update(Screen& screen) override {
    screen_ = &screen;
    for (int bells = screen.TakeBells(); bells > 0; --bells)
      MessageBeep(MB_OK);
    if (!window_)
      return;  // destroyed from outside: the close request is made already
    if (screen.rows() != rows_ || screen.columns() != columns_) {
      rows_ = screen.rows();
      columns_ = screen.columns();
      shown_.clear();
      chosen_for_width_ = chosen_for_height_ = 0;
      ChooseFont();
    }
    InvalidateChangedCells(screen);
    if (screen.title != title_) {
      title_ = screen.title;
      SetWindowTextW(window_, Utf16Of852(title_).c_str());
    }
    cursor_visible_ = screen.cursor_visible && screen.Inside(screen.cursor_row, screen.cursor_column);
    cursor_row_ = screen.cursor_row;
    cursor_column_ = screen.cursor_column;
    if (!shown_yet_) {
      // The process's show state: what its starter asked for, else the default.
      ShowWindow(window_, SW_SHOWDEFAULT);
      shown_yet_ = true;
    }
    UpdateWindow(window_);
    PlaceCaret();
  }

  void Poll(Screen& screen) override {
    screen_ = &screen;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        screen.close_requested = true;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  void Wait(Screen& screen) override {
    MsgWaitForMultipleObjectsEx(0, nullptr, kWaitSlice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    Poll(screen);
  }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Display*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self) {
      if (self->window_ == nullptr)
        self->window_ = window;  // messages sent while CreateWindowExW runs
      LRESULT result = 0;
      if (self->Handle(message, w, l, &result))
        return result;
    }
    return DefWindowProcW(window, message, w, l);
  }

  // True when the message is handled here, with its result.
  bool Handle(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
    switch (message) {
      case WM_PAINT:
        Paint();
        return true;
      case WM_ERASEBKGND:
        *result = 1;  // painting covers the whole client area
        return true;
      case WM_SIZE: {
        RECT client;
        if (w != SIZE_MINIMIZED && GetClientRect(window_, &client) && client.right > 0 &&
            client.bottom > 0) {
          client_width_ = client.right;
          client_height_ = client.bottom;
          ChooseFont();
        }
        return true;
      }
      case WM_SETFOCUS:
        focused_ = true;
        MakeCaret();
        return true;
      case WM_KILLFOCUS:
        focused_ = false;
        DestroyCaret();
        caret_made_ = caret_shown_ = false;
        return true;
      case WM_KEYDOWN:
        TakeVirtualKey(static_cast<unsigned>(w));
        return false;  // TranslateMessage has made its WM_CHAR already
      case WM_CHAR:
        if (std::optional<Key> key = KeyOfCharacter(static_cast<wchar_t>(w)); key && screen_)
          screen_->PushKey(*key);
        return true;
      case WM_LBUTTONDOWN:
        TakeButton(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
        return true;
      case WM_CLOSE:
        RequestClose();
        return true;  // the run ends at its next service point, not here
      case WM_QUERYENDSESSION:
        *result = TRUE;
        return true;
      case WM_ENDSESSION:
        if (w)
          RequestClose();
        return true;
      case WM_NCDESTROY:
        window_ = nullptr;
        if (!destroying_)
          RequestClose();
        return false;
      default:
        return false;
    }
  }

  void RequestClose() {
    if (screen_)
      screen_->close_requested = true;
  }

  void TakeVirtualKey(unsigned virtual_key) {
    bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    KeyCode code = KeyOfVirtualKey(virtual_key, ctrl, shift);
    if (code != KeyCode::Other && screen_)
      screen_->PushKey(Key::Of(code));
  }

  void TakeButton(int x, int y) {
    int row = 0, column = 0;
    if (screen_ && CellUnder(place_, rows_, columns_, x, y, &row, &column))
      screen_->PushKey(Key::Mouse(row, column));
  }

  // The font whose grid fills the client area best: asked for the cell that
  // fits, then a pixel smaller each way in which it came out too large.
  void ChooseFont() {
    if (client_width_ <= 0 || client_height_ <= 0)
      return;
    if (client_width_ != chosen_for_width_ || client_height_ != chosen_for_height_) {
      chosen_for_width_ = client_width_;
      chosen_for_height_ = client_height_;
      CellSize fitting = CellSizeToFill(client_width_, client_height_, rows_, columns_);
      CellSize asked = fitting;
      for (int tries = 0; tries < 8; ++tries) {
        HFONT font = MakeFont(asked);
        if (!font)
          break;
        CellSize got = MeasureFont(window_, font);
        if (font_)
          DeleteObject(font_);
        font_ = font;
        place_.cell = got;
        if (got.width <= fitting.width && got.height <= fitting.height)
          break;
        if (got.width > fitting.width) asked.width = std::max(1, asked.width - 1);
        if (got.height > fitting.height) asked.height = std::max(1, asked.height - 1);
      }
    }
    place_ = PlaceGrid(client_width_, client_height_, rows_, columns_, place_.cell);
    if (caret_made_) {
      DestroyCaret();
      caret_made_ = caret_shown_ = false;
      MakeCaret();
    }
    if (window_)
      InvalidateRect(window_, nullptr, FALSE);
  }

  // The rectangle of the cells first..last of a row.
  RECT CellsRect(int row, int first, int last) const {
    int x = place_.x + first * place_.cell.width, y = place_.y + row * place_.cell.height;
    return RECT{x, y, x + (last - first + 1) * place_.cell.width, y + place_.cell.height};
  }

  // Marks the span of each row that differs from what the window shows, and
  // takes the model's cells as what it is to show.
  void InvalidateChangedCells(const Screen& screen) {
    const std::vector<Cell>& cells = screen.cells();
    bool all = shown_.size() != cells.size();
    for (int r = 0; r < rows_; ++r) {
      int first = -1, last = -1;
      for (int c = 0; c < columns_; ++c) {
        size_t i = static_cast<size_t>(r * columns_ + c);
        if (all || !(cells[i] == shown_[i])) {
          if (first < 0) first = c;
          last = c;
        }
      }
      if (first >= 0) {
        RECT rect = CellsRect(r, first, last);
        InvalidateRect(window_, &rect, FALSE);
      }
    }
    shown_ = cells;
  }

  void Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    PaintMargins(dc);
    if (!shown_.empty()) {
      HGDIOBJ previous = SelectObject(dc, font_);
      const RECT& area = paint.rcPaint;
      const CellSize cell = place_.cell;
      int first_row = std::max(0, (static_cast<int>(area.top) - place_.y) / cell.height);
      int last_row = std::min(rows_ - 1, (static_cast<int>(area.bottom) - 1 - place_.y) / cell.height);
      int first_column = std::max(0, (static_cast<int>(area.left) - place_.x) / cell.width);
      int last_column =
          std::min(columns_ - 1, (static_cast<int>(area.right) - 1 - place_.x) / cell.width);
      for (int r = first_row; r <= last_row; ++r)
        PaintRow(dc, r, first_column, last_column);
      SelectObject(dc, previous);
    }
    EndPaint(window_, &paint);
  }

  // Cells first..last of a row, in runs of one attribute; every character
  // advances by exactly one cell.
  void PaintRow(HDC dc, int row, int first, int last) {
    std::wstring text;
    std::vector<INT> advances;
    for (int c = first; c <= last;) {
      uint8_t attr = shown_[static_cast<size_t>(row * columns_ + c)].attr;
      int start = c;
      text.clear();
      for (; c <= last && shown_[static_cast<size_t>(row * columns_ + c)].attr == attr; ++c)
        text += static_cast<wchar_t>(CellCodePoint(shown_[static_cast<size_t>(row * columns_ + c)].ch));
      advances.assign(text.size(), place_.cell.width);
      RECT rect = CellsRect(row, start, c - 1);
      SetTextColor(dc, PaletteColorRef(attr & 15));
      SetBkColor(dc, PaletteColorRef(attr >> 4));
      ExtTextOutW(dc, rect.left, rect.top, ETO_OPAQUE | ETO_CLIPPED, &rect, text.data(),
                  static_cast<UINT>(text.size()), advances.data());
    }
  }

  // What the grid leaves free of a larger client area is black.
  void PaintMargins(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    RECT grid = CellsRect(0, 0, columns_ - 1);
    grid.bottom = grid.top + rows_ * place_.cell.height;
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RECT parts[4] = {
        {client.left, client.top, client.right, grid.top},
        {client.left, grid.bottom, client.right, client.bottom},
        {client.left, grid.top, grid.left, grid.bottom},
        {grid.right, grid.top, client.right, grid.bottom},
    };
    for (const RECT& part : parts)
      if (part.right > part.left && part.bottom > part.top)
        FillRect(dc, &part, black);
  }

  // A console's caret: a bar under the cell, as wide as the cell.
  void MakeCaret() {
    if (!focused_ || !window_)
      return;
    caret_height_ = std::max(2, place_.cell.height / 8);
    caret_made_ = CreateCaret(window_, nullptr, place_.cell.width, caret_height_) != 0;
    PlaceCaret();
  }

  void PlaceCaret() {
    if (!caret_made_)
      return;
    if (cursor_visible_) {
      SetCaretPos(place_.x + cursor_column_ * place_.cell.width,
                  place_.y + (cursor_row_ + 1) * place_.cell.height - caret_height_);
      if (!caret_shown_)
        caret_shown_ = ShowCaret(window_) != 0;
    } else if (caret_shown_) {
      HideCaret(window_);
      caret_shown_ = false;
    }
  }

  HWND window_ = nullptr;
  bool registered_ = false;
  bool destroying_ = false;
  bool shown_yet_ = false;
  Screen* screen_ = nullptr;  // the model whose key queue input goes to
  HFONT font_ = nullptr;
  int rows_ = 0, columns_ = 0;
  int client_width_ = 0, client_height_ = 0;
  int chosen_for_width_ = 0, chosen_for_height_ = 0;
  GridPlace place_;
  std::vector<Cell> shown_;  // the cells as last brought to the window
  std::string title_;
  bool cursor_visible_ = false;
  int cursor_row_ = 0, cursor_column_ = 0;
  bool focused_ = false, caret_made_ = false, caret_shown_ = false;
  int caret_height_ = 2;
};

}  // namespace

std::unique_ptr<Display> MakeWin32Display() {
  auto display = std::make_unique<Win32Display>();
  if (!display->Create(TheScreen()))
    return nullptr;
  return display;
}
