#pragma once
// Shared pieces of the GUI tests: a private copy of the language files loaded into the
// process-wide texts, event pumping, and finding controls by id.
#include <QCoreApplication>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeHostedNetwork.h"
#include "LanguageFolder.h"

class LanguageTexts;

// Copies lang/language into a temporary folder and loads it into GetLanguageTexts() with the
// given language, so switching languages writes nothing outside the folder.
class ScopedLanguage {
  public:
    explicit ScopedLanguage(int languageId = 2);
    ~ScopedLanguage();
    const std::string& Folder() const { return folder_.path(); }

  private:
    LanguageFolder folder_;
    std::string previousFolder_;
};

// Runs the event loop until everything queued so far, zero-time timers included, has run;
// false when that takes longer than `timeoutMs`.
bool PumpPending(int timeoutMs = 5000);
// Runs the event loop until `done` holds; false after `timeoutMs`.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);

template <class W>
W* ControlById(QWidget* root, int id) {
    return root->findChild<W*>(QString::number(id));
}
