#include "pages/FormMisuse.h"

#include <mutex>
#include <utility>

#include "foundation/Log.h"

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

FormMisuseHandler& Handler() {
    static FormMisuseHandler handler;
    return handler;
}

void Report(const std::string& report) {
    FormMisuseHandler handler;
    {
        const std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) {
        handler(report);
    } else {
        TraceLog("Form misuse: %s\n", report.c_str());
    }
}

}  // namespace

const char* ControlKindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::kGroup:
            return "group box";
        case ControlKind::kLabel:
            return "label";
        case ControlKind::kEdit:
            return "edit field";
        case ControlKind::kPassword:
            return "password field";
        case ControlKind::kAddress:
            return "address field";
        case ControlKind::kButton:
            return "button";
        case ControlKind::kDefaultButton:
            return "default button";
        case ControlKind::kCheck:
            return "check box";
        case ControlKind::kRadio:
            return "radio button";
        case ControlKind::kList:
            return "list";
        case ControlKind::kSortedList:
            return "sorted list";
        case ControlKind::kDropList:
            return "drop-down list";
        case ControlKind::kDisplay:
            return "display";
    }
    return "control";
}

bool KindAllows(ControlKind kind, FormOperation operation) {
    switch (operation) {
        case FormOperation::kAny:
            return true;
        case FormOperation::kText:
            return HasText(kind);
        case FormOperation::kList:
            return IsList(kind);
        case FormOperation::kCheck:
            return IsCheckable(kind);
        case FormOperation::kPasswordMask:
            return kind == ControlKind::kPassword;
        case FormOperation::kAddress:
            return kind == ControlKind::kAddress;
        case FormOperation::kDisplay:
            return kind == ControlKind::kDisplay;
        case FormOperation::kClick:
            return IsButton(kind);
        case FormOperation::kKeys:
            return IsEditField(kind);
    }
    return false;
}

const ControlRow* CheckedControl(const PageLayout& page, int id, FormOperation operation,
                                 const char* name, bool reportUnknown) {
    const ControlRow* row = page.Find(id);
    if (row == nullptr) {
        if (reportUnknown) {
            Report(std::string(name) + " on control " + std::to_string(id) + ", which the " +
                   page.name + " page does not have");
        }
        return nullptr;
    }
    if (!KindAllows(row->kind, operation)) {
        Report(std::string(name) + " on control " + std::to_string(id) + " (" + row->name + ": " +
               ControlKindName(row->kind) + ") of the " + page.name + " page");
        return nullptr;
    }
    return row;
}

void SetFormMisuseHandler(FormMisuseHandler handler) {
    const std::lock_guard<std::mutex> lock(HandlerMutex());
    Handler() = std::move(handler);
}
