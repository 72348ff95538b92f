#pragma once
// Page logic that asks a form for what its control cannot do fails the test that caught it.
#include <string>
#include <vector>

#include "pages/FormMisuse.h"

// From now on every report fails the current test (idempotent).
void FailTestsOnFormMisuse();

// While it lives, reports are collected instead; afterwards they fail tests again.
class CapturedFormMisuse {
  public:
    CapturedFormMisuse();
    ~CapturedFormMisuse();
    std::vector<std::string> reports;
};
