#include "pages/PageCaptions.h"

void ShowCaptionTexts(IForm& form, const PageLayout& layout,
                      const std::function<std::string(int)>& text) {
    for (const ControlSpec& spec : layout.controls) {
        if (spec.captionText != kNoText && spec.id >= 0) {
            form.SetText(spec.id, text ? text(TextNumber(spec.captionText)) : std::string());
        }
    }
}
