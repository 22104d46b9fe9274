// The records the host sees, and the per-frame dispatch.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/module.h"
#include "plugin/startup.h"
#include "plugin/version.h"
#include "tests/support/message_box_watcher.h"

namespace {

int presentedBy = 0;
void PresentA() { presentedBy = 1; }
void PresentB() { presentedBy = 2; }
void SwitchPresenter(winampVisModule*) { presentStage.store(PresentB); }

}  // namespace

TEST(Module, HeaderAndLookup)
{
    winampVisHeader* header = winampVisGetHeader();
    ASSERT_EQ(&visHeader, header);
    EXPECT_EQ(0x101, header->version);
    EXPECT_STREQ("Yet Another tavesh Visualization Library", header->description);
    EXPECT_EQ(&visModule, header->getModule(0));
    EXPECT_EQ(nullptr, header->getModule(1));
    EXPECT_EQ(nullptr, header->getModule(-1));
}

TEST(Module, RecordFilledAtLoad)
{
    EXPECT_STREQ("ZELPIN", visModule.description);
    EXPECT_EQ(nullptr, visModule.hwndParent);
    EXPECT_EQ(nullptr, visModule.hDllInstance);
    EXPECT_EQ(0, visModule.sRate);
    EXPECT_EQ(0, visModule.nCh);
    EXPECT_EQ(15, visModule.latencyMs);
    EXPECT_EQ(15, visModule.delayMs);
    EXPECT_EQ(2, visModule.spectrumNch);
    EXPECT_EQ(0, visModule.waveformNch);
    EXPECT_EQ(&Config, visModule.Config);
    EXPECT_EQ(&Init, visModule.Init);
    EXPECT_EQ(&Render, visModule.Render);
    EXPECT_EQ(&Quit, visModule.Quit);
    EXPECT_EQ(nullptr, visModule.userData);
}

TEST(Module, PresenterChosenByUpdateIsUsedInSameFrame)
{
    presentStage.store(PresentA);
    updateStage.store(SwitchPresenter);
    presentedBy = 0;
    EXPECT_EQ(0, Render(&visModule));
    EXPECT_EQ(2, presentedBy);
    updateStage.store(NoOpStage);
    presentStage.store(NoOpStage);
}

TEST(Module, ConfigShowsAboutBoxAndChangesNothing)
{
    HWND player = CreateWindowExA(0, "STATIC", "player", WS_POPUP, 0, 0, 275, 116, nullptr,
                                  nullptr, nullptr, nullptr);
    visModule.hwndParent = player;
    winampVisModule before;
    memcpy(&before, &visModule, sizeof before);
    // Owned by the player's window; without a record, by none.
    for (winampVisModule* module : {&visModule, static_cast<winampVisModule*>(nullptr)}) {
        MessageBoxWatcher watcher;
        Config(module);
        std::vector<MessageBoxWatcher::Seen> boxes = watcher.Take();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(module ? player : nullptr, boxes[0].owner);
        EXPECT_EQ("About - ZELPIN", boxes[0].caption);
        EXPECT_NE(std::string::npos, boxes[0].text.find('\n')) << boxes[0].text;
        // The version of the VERSION file, as the file's properties show it.
        EXPECT_EQ(0u, boxes[0].text.rfind("ZELPIN " ZELPIN_VERSION_TEXT " - ", 0)) << boxes[0].text;
    }
    EXPECT_EQ(0, memcmp(&before, &visModule, sizeof before));
    EXPECT_EQ(static_cast<UpdateStage>(NoOpStage), updateStage.load());
    visModule.hwndParent = nullptr;
    DestroyWindow(player);
}
