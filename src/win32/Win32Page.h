#pragma once
// A page of the main window: a child dialog made from its template, its controls reached
// through a Win32Form, and the clicks it forwards to the page's logic by control id. Key
// presses in chosen fields can pass a filter first (the debug page's), before they are
// translated into characters.

#include "win32/Win32Api.h"

#include <functional>
#include <map>
#include <set>

#include "win32/Win32Form.h"

class Win32Page {
  public:
    using Action = std::function<void()>;
    // true lets the key through; false swallows it
    using KeyFilter = std::function<bool(int field, int virtualKey)>;

    // Creates the page hidden; null Handle() when the template is missing.
    Win32Page(HWND parent, int templateId);
    ~Win32Page();
    Win32Page(const Win32Page&) = delete;
    Win32Page& operator=(const Win32Page&) = delete;

    HWND Handle() const { return window_; }
    Win32Form& Form() { return form_; }

    // `action` runs when the button, check box or radio button `id` is clicked.
    void OnClick(int id, Action action) { clicks_[id] = std::move(action); }
    void FilterKeys(std::set<int> fieldIds, KeyFilter filter);
    // For the message loop: true when the filter swallowed this key-down.
    bool PreTranslate(const MSG& message) const;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    Win32Form form_;
    std::map<int, Action> clicks_;
    std::set<int> filteredFields_;
    KeyFilter keyFilter_;
};
