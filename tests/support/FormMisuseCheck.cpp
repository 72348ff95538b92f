#include "FormMisuseCheck.h"

#include <gtest/gtest.h>

void FailTestsOnFormMisuse() {
    SetFormMisuseHandler(
        [](const std::string& report) { ADD_FAILURE() << "form misuse: " << report; });
}

CapturedFormMisuse::CapturedFormMisuse() {
    SetFormMisuseHandler([this](const std::string& report) { reports.push_back(report); });
}

CapturedFormMisuse::~CapturedFormMisuse() {
    FailTestsOnFormMisuse();
}
