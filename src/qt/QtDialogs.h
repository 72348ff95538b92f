#pragma once
// Message boxes, file choosers and the folder picker as Qt dialogs, owned by a window.
#include <QString>
#include <string>

#include "pages/IDialogs.h"

class QWidget;

class QtDialogs : public IDialogs {
  public:
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    void MessageBox(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool OpenFile(const std::string& filter, const std::string& defaultExt,
                  std::string& path) override;
    bool SaveFile(const std::string& filter, const std::string& defaultExt,
                  const std::string& defaultName, std::string& path) override;
    bool PickFolder(const std::string& title, std::string& path) override;

    // "Name (.ext)|*.ext|All Files (*.*)|*.*||" to Qt's "Name (.ext) (*.ext);;All Files (*.*)
    // (*.*)".
    static QString ConvertFilter(const std::string& filter);

  private:
    QWidget* owner_;
};
