#pragma once
// The captions a page's description names by language text, shown in the current language.
#include <functional>
#include <string>

#include "pages/IForm.h"
#include "pages/PageLayout.h"

// Every control of `layout` whose row names a caption text gets that text from `text` (the
// page then changes what depends on its state, such as Pause and Resume).
void ShowCaptionTexts(IForm& form, const PageLayout& layout,
                      const std::function<std::string(int)>& text);
