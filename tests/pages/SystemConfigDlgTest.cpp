#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeForm.h"
#include "LanguageFolder.h"
#include "QueuedUiThread.h"
#include "RecordingMessageSink.h"
#include "TempDir.h"
#include "foundation/IniFile.h"
#include "foundation/UiThread.h"
#include "foundation/UserMessages.h"
#include "pages/CSystemConfigDlg.h"
#include "pages/LanguageTexts.h"
#include "pages/SystemPageLayout.h"

namespace {

using namespace SystemPageId;

// The page on a copy of the shipped language folder with the chosen language id.
class SystemPage : public ::testing::Test {
  protected:
    void Start(const std::string& id) {
        language = std::make_unique<LanguageFolder>();
        language->SetId(id);
        texts = std::make_unique<LanguageTexts>(language->path());
        ASSERT_TRUE(texts->LoadLanguage());
        page = std::make_unique<CSystemConfigDlg>(form, dialogs, *texts);
        page->RefreshCaptions();
    }
    std::string StoredId() const {
        return IniFile::ReadString(language->file(kLanguageConfigFile), "LanguageConfig",
                                   "LanguageID", "", 16);
    }
    // What the page posted, as the UI thread delivers it.
    std::vector<unsigned> Posted() {
        ui.RunPending();
        std::vector<unsigned> ids;
        for (const UserMessage& m : sink.messages) {
            ids.push_back(m.id);
        }
        return ids;
    }

    ScopedLogDir logs;
    std::unique_ptr<LanguageFolder> language;
    QueuedUiThread ui{QueuedUiThread::Scope::ProcessWide};
    RecordingMessageSink sink;
    FakeForm form{kSystemPageLayout};
    FakeDialogs dialogs;
    std::unique_ptr<LanguageTexts> texts;
    std::unique_ptr<CSystemConfigDlg> page;
};

TEST_F(SystemPage, CaptionsBuildSelectorButtonAndVersionLine) {
    Start("2");
    const FakeForm::Control& selector = form.At(kLanguageSelector);
    EXPECT_EQ(selector.items, (std::vector<std::string>{"中文 (Chinese)", "English"}));
    EXPECT_EQ(form.GetText(kLanguageButton), "Set Language");
    EXPECT_EQ(form.GetText(kVersionLine), "Version: 1.0.0.R132");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SystemPage, SelectorShowsTheLanguageInUseFromTheStart) {
    struct Case {
        const char* startId;
        int index;
    };
    for (Case c : {Case{"1", 0}, Case{"2", 1}, Case{"0", 1}, Case{"7", 1}, Case{"", 1}}) {
        page.reset();
        texts.reset();
        form = FakeForm{kSystemPageLayout};
        Start(c.startId);
        EXPECT_EQ(form.GetCurSel(kLanguageSelector), c.index) << "start " << c.startId;
    }
}

TEST_F(SystemPage, LanguageButtonChoosesIndexPlusOne) {
    struct Case {
        const char* startId;
        int index;  // -1: nothing chosen
        const char* storedId;
        std::size_t posted;
    };
    for (Case c : {Case{"2", 0, "1", 1}, Case{"1", 1, "2", 1}, Case{"0", 0, "1", 1},
                   Case{"1", -1, "1", 0}, Case{"0", -1, "0", 0}, Case{"1", 0, "1", 0},
                   Case{"2", 1, "2", 0}, Case{"0", 1, "0", 0}, Case{"2", 2, "2", 0}}) {
        SCOPED_TRACE(std::string("start ") + c.startId + " index " + std::to_string(c.index));
        page.reset();
        texts.reset();
        form = FakeForm{kSystemPageLayout};
        sink.messages.clear();
        Start(c.startId);
        const std::string before = language->Text(kLanguageConfigFile);
        form.At(kLanguageSelector).curSel = c.index;
        page->OnLanguageButton();
        EXPECT_EQ(StoredId(), c.storedId);
        EXPECT_EQ(Posted(), std::vector<unsigned>(c.posted, WM_LANGUAGE_CHANGED));
        if (c.posted == 0) {
            EXPECT_EQ(language->Text(kLanguageConfigFile), before);  // not a byte written
        }
    }
}

TEST_F(SystemPage, RefreshAfterChangeKeepsTheChosenIndexAndSwitchesTexts) {
    Start("2");
    form.SetCurSel(kLanguageSelector, 0);
    page->OnLanguageButton();
    ASSERT_EQ(texts->GetLanguage(), kLanguageChinese);
    page->RefreshCaptions();  // what the main window does on WM_LANGUAGE_CHANGED
    EXPECT_EQ(form.GetCurSel(kLanguageSelector), 0);
    EXPECT_EQ(form.At(kLanguageSelector).items,
              (std::vector<std::string>{"中文", "English (英文)"}));
    EXPECT_EQ(form.GetText(kLanguageButton), "语言设置");
    EXPECT_EQ(form.GetText(kVersionLine), "版本: 1.0.0.R132");
    // A change made elsewhere shows on the next refresh, whatever was chosen before.
    texts->SetLanguage(kLanguageEnglish);
    page->RefreshCaptions();
    EXPECT_EQ(form.GetCurSel(kLanguageSelector), 1);
}

}  // namespace

TEST_F(SystemPage, ExportInventoryWritesWhereChosenOrSaysWhyNot) {
    Start("2");
    EXPECT_EQ(form.GetText(kExportInventory), "Export inventory\u2026");
    TempDir dir;
    const std::string written = dir.file("inventory.csv");
    const std::string blocked = dir.file("no-such-folder/inventory.csv");
    dialogs.answers = {written, "", blocked};
    page->OnExportInventory();
    EXPECT_EQ(dialogs.lastExt, "csv");
    EXPECT_EQ(ReadFileText(written).rfind("\xEF\xBB\xBFMonitor GUID,", 0), 0u);
    page->OnExportInventory();  // cancelled: nothing written, nothing said
    EXPECT_TRUE(dialogs.messages.empty());
    page->OnExportInventory();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "The inventory cannot be written to:\n" + blocked);
}
