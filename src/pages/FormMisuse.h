#pragma once
// A page's logic asked a form for something its control cannot do (a choice of a button, the
// text of an address field) or named a control its page does not have. The form then does
// nothing, but never silently: the call is reported, to Trace.log unless a handler is set (the
// tests set one that fails the test).
#include <functional>
#include <string>

#include "pages/PageLayout.h"

// What a form is asked to do, by the kinds of control that can do it.
enum class FormOperation {
    kAny,           // enable, show: every kind
    kText,          // every kind but the address field
    kList,          // the lists' items and choice
    kCheck,         // check boxes and radio buttons
    kPasswordMask,  // password fields
    kAddress,       // address fields
    kDisplay,       // the traffic display's lines
    kClick,         // buttons, check boxes and radio buttons
    kKeys,          // the keys typed into edit and password fields
};

bool KindAllows(ControlKind kind, FormOperation operation);

// The control `id` of `page` when it can do `operation` (`name` names the call in the
// report); otherwise reports the misuse and gives null. `reportUnknown` false: an id the page
// lacks gives null without a report.
const ControlRow* CheckedControl(const PageLayout& page, int id, FormOperation operation,
                                 const char* name, bool reportUnknown = true);

using FormMisuseHandler = std::function<void(const std::string& report)>;
// Null restores the report to Trace.log.
void SetFormMisuseHandler(FormMisuseHandler handler);
