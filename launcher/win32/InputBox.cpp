#include "launcher/win32/InputBox.h"

#include "common/win32/Handle.h"
#include "common/win32/WideText.h"
#include "common/win32/WindowBase.h"
#include "launcher/win32/Twips.h"

namespace carrydeck {

namespace {

class InputBoxDialog : public DialogBase {
 public:
  InputBoxDialog(HWND owner, std::string prompt, std::string title, const DialogOpenedHook& opened)
      : owner_(owner), prompt_(std::move(prompt)), title_(std::move(title)), opened_(opened) {}

  std::string Run() {
    RunModal(owner_, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE);
    return answer_;
  }

 private:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM) override {
    switch (message) {
      case WM_INITDIALOG: OnInitDialog(); return FALSE;
      case kDialogOpened:
        if (opened_) opened_(hwnd_);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
          answer_ = WindowText(::GetDlgItem(hwnd_, IDC_INPUTTEXT));
          ::EndDialog(hwnd_, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
          answer_.clear();
          ::EndDialog(hwnd_, IDCANCEL);
        }
        return TRUE;
      default: return FALSE;
    }
  }

  void OnInitDialog() {
    const int dpiX = ScreenDpi(nullptr, LOGPIXELSX), dpiY = ScreenDpi(nullptr, LOGPIXELSY);
    auto x = [dpiX](double twips) { return TwipsToPixels(twips, dpiX); };
    auto y = [dpiY](double twips) { return TwipsToPixels(twips, dpiY); };
    font_.reset(MakeFont("MS Sans Serif", 8.25, false, dpiY));
    HFONT font = font_.get();
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SetWindowTextW(hwnd_, Wide(title_).c_str());
    PlaceDialog(hwnd_, owner_, x(6000), y(2100));
    MakeControl(hwnd_, 0, "STATIC", prompt_.c_str(), SS_NOPREFIX, x(120), y(120), x(4440), y(1200), IDC_INPUTPROMPT,
                font);
    MakeControl(hwnd_, 0, "BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, x(4680), y(120), x(1215), y(375), IDOK, font);
    MakeControl(hwnd_, 0, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, x(4680), y(585), x(1215), y(375), IDCANCEL,
                font);
    HWND edit = MakeControl(hwnd_, WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, x(120), y(1560), x(5775),
                            y(315), IDC_INPUTTEXT, font);
    ::SetFocus(edit);
    ::PostMessageW(hwnd_, kDialogOpened, 0, 0);
  }

  HWND owner_;
  std::string prompt_, title_, answer_;
  const DialogOpenedHook& opened_;
  UniqueFont font_;
};

}  // namespace

std::string ShowInputBox(HWND owner, const std::string& prompt, const std::string& title,
                         const DialogOpenedHook& opened) {
  InputBoxDialog box(owner, prompt, title, opened);
  return box.Run();
}

}  // namespace carrydeck
