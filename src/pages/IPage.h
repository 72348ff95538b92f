#pragma once
// What every page's logic offers the window that holds it, besides its handlers.
class IPage {
  public:
    virtual ~IPage() = default;
    // Fills the controls once, after the window built every page.
    virtual void InitForm() = 0;
    // Re-reads the captions from the language table (after a language change).
    virtual void RefreshCaptions() = 0;
};
