#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FakeForm.h"
#include "FakeHostedNetwork.h"
#include "LoopbackTestSupport.h"
#include "QueuedUiThread.h"
#include "TempDir.h"
#include "foundation/IniFile.h"
#include "pages/APPageLayout.h"
#include "pages/CAPConfigDlg.h"
#include "pages/NetworkDefaults.h"
#include "platform/ProcessElevation.h"

namespace {

using namespace APPageId;
using Calls = std::vector<std::string>;
using namespace std::chrono_literals;

std::string FakeText(int index) {
    return "T" + std::to_string(index);
}

class FakeElevation : public IProcessElevation {
  public:
    bool MayStartAccessPoint() override { return may; }
    bool RestartElevated() override {
        ++restarts;
        return restartStarts;
    }
    bool may = true;
    bool restartStarts = true;
    int restarts = 0;
};

class APPageTest : public ::testing::Test {
  protected:
    APPageTest() {
        network.lookup = {"Wi-Fi 2", 0};
        page->InitForm();
    }
    // Start, then the UI thread runs until its outcome is shown.
    void StartAndWait(CAPConfigDlg& p) {
        p.OnStart();
        EXPECT_TRUE(ui.PumpUntil([&] { return !p.IsStarting(); }, 5s));
    }

    ScopedLogDir logs;
    FakeForm form{kAPPageLayout};
    FakeDialogs dialogs;
    FakeHostedNetwork network;
    QueuedUiThread ui;
    FakeElevation elevation;
    std::unique_ptr<CAPConfigDlg> page =
        std::make_unique<CAPConfigDlg>(form, dialogs, network, FakeText, &ui, &elevation);
};

TEST_F(APPageTest, InitialContents) {
    EXPECT_EQ(form.GetText(kSsid), "ZOLT_LINK");
    EXPECT_EQ(form.At(kAuthen).items, (std::vector<std::string>{"OPEN", "WEP", "WPA", "WPA2"}));
    EXPECT_EQ(form.GetCurSel(kAuthen), 3);
    EXPECT_EQ(form.GetText(kAuthen), "WPA2");
    EXPECT_EQ(form.GetText(kKey), "QPLMRTXW");
    EXPECT_TRUE(form.At(kKey).masked);
    EXPECT_EQ(form.GetAddressText(kIp), kDefaultServerIp);
    EXPECT_FALSE(form.At(kStartedSsid).visible);
    EXPECT_FALSE(form.At(kStartedIp).visible);
    const std::map<int, std::string> captions = {
        {kLoad, "T17"},           {kStart, "T19"},       {kSave, "T18"},   {kSsidLabel, "SSID"},
        {kAuthenLabel, "T14"},    {kKeyLabel, "T15"},    {kIpLabel, "IP"}, {kStartedLabel, "T16"},
        {kStartedIpLabel, "IP:"}, {kShowPassword, "T20"}};
    for (const auto& [id, text] : captions) {
        EXPECT_EQ(form.GetText(id), text) << id;
    }
    EXPECT_FALSE(page->IsPasswordShown());
    EXPECT_TRUE(network.Steps().empty());
}

TEST_F(APPageTest, ValidationRefusesWithText82AndRunsNothing) {
    struct Case {
        std::string ssid;
        std::string key;
        bool ok;
    } const cases[] = {
        {"ZOLT_LINK", std::string(7, 'k'), false},
        {"ZOLT_LINK", std::string(65, 'k'), false},
        {"ZOLT_LINK", std::string(8, 'k'), true},
        {"ZOLT_LINK", std::string(64, 'k'), true},
        {"", "QPLMRTXW", false},
        {std::string(65, 's'), "QPLMRTXW", false},
        {std::string(64, 's'), "QPLMRTXW", true},
        {"网络", "QPLMRTXW", false},
        {"ZOLT_LINK", "密码密码密码密码", false},
        // Spaces are legal; a quote is safe in an argument vector (netsh refuses it itself).
        {"ZOLT LINK", "QPLMRTXW", true},
        {"ZOLT_LINK", "my pass phrase", true},
        {"ZOLT\"LINK", "QPLM\"RTXW", true},
        {"ZOLT_LINK", "QPLM\tRTXW", false},
        {"ZOLT_LINK", "QPLM\xc2\x8cRTX", false},  // U+008C, a control unit below 0x8D
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ssid + " / " + c.key);
        network.ClearSteps();
        dialogs.messages.clear();
        form.SetText(kSsid, c.ssid);
        form.SetText(kKey, c.key);
        StartAndWait(*page);
        if (c.ok) {
            EXPECT_TRUE(dialogs.messages.empty());
            EXPECT_EQ(network.Steps(), (Calls{"stop", "configure " + c.ssid + " " + c.key, "start",
                                              "find", "ip Wi-Fi 2 192.168.137.100"}));
        } else {
            EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"T82"}));
            EXPECT_TRUE(network.Steps().empty());
        }
    }
}

TEST_F(APPageTest, StartShowsTheStartedSsidAndAddress) {
    form.SetAddressText(kIp, "192.168.137.5");
    form.SetText(kSsid, "WARD_3");
    StartAndWait(*page);
    EXPECT_EQ(network.Steps().back(), "ip Wi-Fi 2 192.168.137.5");
    EXPECT_EQ(form.GetText(kStartedIp), "192.168.137.5");
    EXPECT_TRUE(form.At(kStartedIp).visible);
    EXPECT_EQ(form.GetText(kStartedSsid), "WARD_3");
    EXPECT_TRUE(form.At(kStartedSsid).visible);

    // A blank address field is refused rather than set as 0.0.0.0.
    network.ClearSteps();
    form.SetAddressText(kIp, "");
    StartAndWait(*page);
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"T82"}));
    EXPECT_TRUE(network.Steps().empty());
}

TEST_F(APPageTest, NoVirtualAdapterShows75AndSetsNoAddress) {
    network.lookup = {"NONE", 2};
    StartAndWait(*page);
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"T75", "T75", "T75"}));
    EXPECT_EQ(network.Steps(), (Calls{"stop", "configure ZOLT_LINK QPLMRTXW", "start", "find"}));
    EXPECT_FALSE(form.At(kStartedIp).visible);
    EXPECT_NE(
        ReadLogText(logs.file("Trace.log")).find("\tCan not find the virtual adapter name!\n"),
        std::string::npos);
}

TEST_F(APPageTest, SaveAndLoadTheSettings) {
    const std::string path = logs.file("ap.ini");
    form.SetText(kSsid, "WARD_3");
    form.TypeInList(kAuthen, "WPA2/个人");
    form.SetText(kKey, "SECRET99");
    form.SetAddressText(kIp, "10.1.2.3");
    dialogs.answers = {path};
    page->OnSave();
    EXPECT_EQ(dialogs.lastFilter, "ConfigFile (.ini)|*.ini|All Files (*.*)|*.*||");
    EXPECT_EQ(dialogs.lastExt, "ini");
    EXPECT_EQ(dialogs.lastDefaultName, "SystemSetting");
    EXPECT_EQ(IniFile::ReadString(path, "APSetting", "Password", "", 64), "SECRET99");

    page->InitForm();
    dialogs.answers = {path};
    page->OnLoad();
    EXPECT_EQ(form.GetText(kSsid), "WARD_3");
    EXPECT_EQ(form.GetText(kAuthen), "WPA2/个人");
    EXPECT_EQ(form.GetText(kKey), "SECRET99");
    EXPECT_EQ(form.GetAddressText(kIp), "10.1.2.3");

    // A file without the section gives the defaults; a cancel changes nothing.
    const std::string other = logs.file("other.ini");
    IniFile::WriteString(other, "NetConfigSetting", "SSID", "X");
    dialogs.answers = {other};
    page->OnLoad();
    EXPECT_EQ(form.GetText(kSsid), "ZOLT_LINK");
    EXPECT_EQ(form.GetText(kAuthen), "WPA2/个人");
    EXPECT_EQ(form.GetText(kKey), "QPLMRTXW");
    EXPECT_EQ(form.GetAddressText(kIp), kDefaultServerIp);
    form.SetText(kSsid, "KEEP");
    page->OnLoad();
    EXPECT_EQ(form.GetText(kSsid), "KEEP");
    EXPECT_TRUE(network.Steps().empty());
}

// Every value Start accepts comes back from the file exactly as it was saved.
TEST_F(APPageTest, LongestValuesSurviveSaveAndLoad) {
    const std::string path = logs.file("long.ini");
    std::string authen;
    for (int i = 0; i < 40; ++i) {
        authen += "\xE4\xB8\xAA";  // 120 bytes of 个
    }
    struct Case {
        std::string ssid, authen, key;
    } const cases[] = {
        {std::string(64, 's'), "WPA2", std::string(64, 'k')},
        {std::string(63, 's') + "Z", authen, "a b c d " + std::string(56, 'k')},
        {" lead and trail ", "WPA2/\xE4\xB8\xAA\xE4\xBA\xBA", std::string(8, ' ')},
        {"\"quoted\"", "\"\"", "\"" + std::string(62, 'k') + "\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ssid);
        form.SetText(kSsid, c.ssid);
        form.TypeInList(kAuthen, c.authen);
        form.SetText(kKey, c.key);
        dialogs.messages.clear();
        StartAndWait(*page);
        EXPECT_TRUE(dialogs.messages.empty());
        dialogs.answers = {path};
        page->OnSave();
        page->InitForm();
        dialogs.answers = {path};
        page->OnLoad();
        EXPECT_EQ(form.GetText(kSsid), c.ssid);
        EXPECT_EQ(form.GetText(kAuthen), c.authen);
        EXPECT_EQ(form.GetText(kKey), c.key);
    }
}

TEST_F(APPageTest, ShowPasswordKeepsTheTypedKey) {
    form.SetText(kKey, "TYPED123");
    page->OnShowPassword();
    EXPECT_TRUE(page->IsPasswordShown());
    EXPECT_FALSE(form.At(kKey).masked);
    EXPECT_EQ(form.GetText(kKey), "TYPED123");
    page->OnShowPassword();
    EXPECT_FALSE(page->IsPasswordShown());
    EXPECT_TRUE(form.At(kKey).masked);
    EXPECT_EQ(form.GetText(kKey), "TYPED123");
}

TEST_F(APPageTest, StartRunsOffTheUiThreadAndASecondStartDoesNothing) {
    network.hold = true;  // the configure command hangs
    page->OnStart();      // returns although it hangs
    EXPECT_TRUE(page->IsStarting());
    EXPECT_FALSE(form.IsEnabled(kStart));
    EXPECT_EQ(form.GetText(kStart), "T84");
    ASSERT_TRUE(WaitUntil([&] { return network.Steps().size() == 2; }, 5s));
    page->OnStart();
    page->RefreshCaptions();  // a language change keeps showing the work
    EXPECT_EQ(form.GetText(kStart), "T84");
    network.gate.release();
    ASSERT_TRUE(ui.PumpUntil([&] { return !page->IsStarting(); }, 5s));
    EXPECT_EQ(network.Steps(), (Calls{"stop", "configure ZOLT_LINK QPLMRTXW", "start", "find",
                                      "ip Wi-Fi 2 192.168.137.100"}));
    EXPECT_TRUE(form.IsEnabled(kStart));
    EXPECT_EQ(form.GetText(kStart), "T19");
    EXPECT_TRUE(form.At(kStartedSsid).visible);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(APPageTest, ClosingDuringAHangingStartCancelsItThenStops) {
    network.hold = true;
    page->OnStart();
    ASSERT_TRUE(WaitUntil([&] { return network.Steps().size() == 2; }, 5s));
    page.reset();  // returns: the hanging step is cancelled
    EXPECT_EQ(network.Steps(), (Calls{"stop", "configure ZOLT_LINK QPLMRTXW", "cancel", "start",
                                      "find", "resume", "stop"}));
    EXPECT_EQ(ui.RunPending(), 1);  // the outcome arrives after the page: ignored
    EXPECT_TRUE(dialogs.messages.empty());
}

// Only the copy that started the hosted network stops it when it closes: a second copy must not
// cut off the monitors on the first one's access point.
TEST_F(APPageTest, ClosingStopsTheHostedNetworkOnlyWhenThisPageStartedIt) {
    page.reset();
    EXPECT_TRUE(network.Steps().empty());

    network.failing = {"configure"};  // no rights: nothing was started
    page = std::make_unique<CAPConfigDlg>(form, dialogs, network, FakeText, &ui, &elevation);
    page->InitForm();
    StartAndWait(*page);
    EXPECT_FALSE(page->StartedHostedNetwork());
    network.ClearSteps();
    page.reset();
    EXPECT_TRUE(network.Steps().empty());

    network.failing = {"ip"};  // started, though not all is done: still this copy's network
    page = std::make_unique<CAPConfigDlg>(form, dialogs, network, FakeText, &ui, &elevation);
    page->InitForm();
    StartAndWait(*page);
    EXPECT_TRUE(page->StartedHostedNetwork());
    network.ClearSteps();
    page.reset();
    EXPECT_EQ(network.Steps(), (Calls{"stop"}));
}

// "Started" (SSID and address) is shown only when every step did its work; otherwise text 98
// and the command that failed, the later steps not run, and an earlier success no longer shown.
TEST_F(APPageTest, StartedIsShownOnlyWhenEveryStepSucceeded) {
    const Calls all = {"stop", "configure ZOLT_LINK QPLMRTXW", "start", "find",
                       "ip Wi-Fi 2 192.168.137.100"};
    struct Case {
        std::string failing;
        std::size_t stepsRun;
        std::string message;  // "" when started
    } const cases[] = {
        {"", 5, ""},
        {"stop", 5, ""},  // nothing was running: not a failure of this Start
        {"configure", 2, "T98\nconfigure command"},
        {"start", 3, "T98\nstart command"},
        {"ip", 5, "T98\nip command"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        // Each case after a successful Start, whose labels are then on show.
        network.failing.clear();
        StartAndWait(*page);
        ASSERT_TRUE(form.At(kStartedSsid).visible);
        network.ClearSteps();
        dialogs.messages.clear();
        network.failing = {c.failing};
        StartAndWait(*page);
        EXPECT_EQ(network.Steps(), Calls(all.begin(), all.begin() + c.stepsRun));
        if (c.message.empty()) {
            EXPECT_TRUE(dialogs.messages.empty());
        } else {
            EXPECT_EQ(dialogs.messages, (std::vector<std::string>{c.message}));
        }
        EXPECT_EQ(form.At(kStartedSsid).visible, c.message.empty());
        EXPECT_EQ(form.At(kStartedIp).visible, c.message.empty());
        EXPECT_TRUE(form.IsEnabled(kStart));
    }
}

// Without the rights the commands need, Start runs nothing: it asks (text 97) whether to restart
// the tool with them, and only a Yes restarts it.
TEST_F(APPageTest, WithoutRightsStartAsksToRestartAndRunsNothing) {
    elevation.may = false;
    struct Case {
        bool yes;
        bool restartStarts;
        int restarts;
    } const cases[] = {{false, true, 0}, {true, true, 1}, {true, false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.yes) + std::to_string(c.restartStarts));
        dialogs.yes = c.yes;
        dialogs.questions.clear();
        elevation.restarts = 0;
        elevation.restartStarts = c.restartStarts;
        page->OnStart();
        EXPECT_FALSE(page->IsStarting());
        EXPECT_EQ(dialogs.questions, (std::vector<std::string>{"T97"}));
        EXPECT_EQ(elevation.restarts, c.restarts);
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_TRUE(network.Steps().empty());
        EXPECT_FALSE(form.At(kStartedSsid).visible);
        EXPECT_TRUE(form.IsEnabled(kStart));
    }
    EXPECT_EQ(ui.RunPending(), 0);
    // An invalid form is refused first: no question about rights for it.
    dialogs.questions.clear();
    form.SetText(kSsid, "");
    page->OnStart();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"T82"}));
    EXPECT_TRUE(dialogs.questions.empty());
}

}  // namespace
