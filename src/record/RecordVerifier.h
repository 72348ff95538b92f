#pragma once
// Checks a service record file against its digest chain and names the first line that was
// changed, removed or inserted. Lines are counted as a text editor shows them (a quoted line
// break in a field starts a new line).
#include <string>
#include <string_view>

struct RecordCheck {
    bool intact = false;
    int line = 0;         // the first line found wrong; 0 when intact or unreadable
    std::string problem;  // what is wrong there, in a sentence; empty when intact
    int entries = 0;      // the entries found intact before it
};

RecordCheck VerifyRecordText(std::string_view text);
RecordCheck VerifyRecordFile(const std::string& path);
