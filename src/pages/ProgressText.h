#pragma once
// The upgrade column's "NN%" text, as the monitor list shows a transfer under way; both windows
// draw it as a progress bar.
#include <string>

// The percentage of a "NN%" text (0 to 100, digits only), or -1 for any other text.
int ProgressOfText(const std::string& text);
