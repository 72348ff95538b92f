#pragma once
// A page of the main window: a child dialog made from its page's template, its controls reached
// through a Win32Form, and the routing of its bindings: clicks by control id, and key presses
// in its text fields, which pass their filter before they are translated into characters.

#include "win32/Win32Api.h"

#include <functional>
#include <map>
#include <vector>

#include "pages/PageBinding.h"
#include "pages/PageLayout.h"
#include "win32/Win32Form.h"

class Win32Page {
  public:
    // Creates the page hidden; null Handle() when the template is missing.
    Win32Page(HWND parent, const PageLayout& layout);
    ~Win32Page();
    Win32Page(const Win32Page&) = delete;
    Win32Page& operator=(const Win32Page&) = delete;

    HWND Handle() const { return window_; }
    Win32Form& Form() { return form_; }

    // A binding on a control that cannot raise its event is reported and left out.
    void Bind(const std::vector<PageBinding>& bindings);
    // For the message loop: true when a key filter swallowed this key-down.
    bool PreTranslate(const MSG& message) const;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // before the window: its dialog procedure may read them while it is being created
    std::map<int, std::function<void()>> clicks_;
    std::map<int, std::function<bool(int)>> keyFilters_;
    HWND window_ = nullptr;
    Win32Form form_;
};
