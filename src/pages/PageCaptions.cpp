#include "pages/PageCaptions.h"

void ShowCaptionTexts(IForm& form, const PageLayout& layout,
                      const std::function<std::string(int)>& text) {
    for (const ControlRow& row : layout.controls) {
        if (row.captionText != kNoText && row.id >= 0) {
            form.SetText(row.id, text ? text(TextNumber(row.captionText)) : std::string());
        }
    }
}
