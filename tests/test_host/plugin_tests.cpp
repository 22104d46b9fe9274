// The host driving a plug-in (the fake): loading it as a player does, the
// frame loop with its capture, and window actions while frames render.
#include "tests/test_host/host_tests.h"

#include <cstring>

namespace host_test {
namespace {

TEST(Host, LoadsThePluginAndCallsItAsAPlayerDoes)
{
    ResetFake();
    {
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor()));
        ASSERT_EQ(0, host.LoadPlugin());
        EXPECT_EQ(1, fake.inits.load());
        EXPECT_EQ(GetCurrentThreadId(), fake.initThread) << "Init on the calling thread";
        EXPECT_EQ(host.Window(), fake.parent);
        EXPECT_EQ(GetModuleHandleA(nullptr), fake.instance);
        EXPECT_EQ(&fakeModule, host.Module());
        EXPECT_EQ(-1, host.LoadPlugin()) << "one plug-in at a time";

        unsigned char spectrum[2][576] = {};
        spectrum[0][0] = 3;
        spectrum[1][575] = 200;
        EXPECT_EQ(0, host.RenderFrame(&spectrum[0][0], 22050, 1));
        EXPECT_EQ(22050, fake.sRate.load());
        EXPECT_EQ(1, fake.nCh.load());
        EXPECT_EQ(3, fake.first.load());
        EXPECT_EQ(200, fake.last.load());
        EXPECT_EQ(1, fake.namesSeen.load()) << "the skin answer reached the plug-in";
        EXPECT_EQ(FillFor(3), host.PixelAt(24, 43));

        host.UnloadPlugin();
        EXPECT_EQ(1, fake.quits.load());
        EXPECT_EQ(nullptr, host.Module());
        EXPECT_EQ(-1, host.RenderFrame(&spectrum[0][0]));
    }
    EXPECT_EQ(1, fake.quits.load()) << "no second Quit after an unload";

    ResetFake(1);
    {
        StandInHost host;
        ASSERT_TRUE(host.Open(OptionsFor()));
        EXPECT_EQ(1, host.LoadPlugin());
    }
    EXPECT_EQ(0, fake.quits.load()) << "no Quit after a failed Init";

    StandInHost::Options missing = OptionsFor();
    missing.pluginPath = TestFolder() + "\\no_such_plugin.dll";
    StandInHost host;
    ASSERT_TRUE(host.Open(missing));
    EXPECT_EQ(-1, host.LoadPlugin());
}

TEST(Host, FrameLoopReplaysTheFramesAndCapturesEachRender)
{
    std::string frames = TestFolder() + "\\three.frames";
    std::string capture = TestFolder() + "\\loop.cap";
    std::vector<unsigned char> bytes(3 * 1152 + 100, 0);   // a partial frame at the end
    for (int f = 0; f < 3; ++f) bytes[f * 1152] = static_cast<unsigned char>(f + 1);
    WriteBytes(frames, bytes);
    ResetFake();

    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor()));
    ASSERT_EQ(0, host.LoadPlugin());
    EXPECT_FALSE(host.StartFrameLoop(TestFolder() + "\\none.frames"));
    ASSERT_TRUE(host.StartFrameLoop(frames, 60, capture));
    EXPECT_FALSE(host.StartFrameLoop(frames)) << "one loop at a time";
    ASSERT_TRUE(WaitForFrames(host, 10));
    host.StopFrameLoop();
    long rendered = host.FramesRendered();
    EXPECT_EQ(rendered, fake.renders.load());
    EXPECT_NE(GetCurrentThreadId(), fake.renderThread.load());
    EXPECT_EQ(44100, fake.sRate.load());
    EXPECT_EQ(2, fake.nCh.load());

    // Each captured frame is the fill the fake drew for that time slot's
    // frame: the file loops over its three frames by the clock.
    std::vector<unsigned char> cap = ReadBytes(capture);
    ASSERT_GE(cap.size(), size_t(8));
    EXPECT_EQ(0, std::memcmp(cap.data(), "ZCAP", 4));
    EXPECT_EQ(60u, GetDword(cap, 4));
    size_t pos = 8;
    long captured = 0;
    while (pos + 8 <= cap.size()) {
        unsigned slot = GetDword(cap, pos);
        int w = cap[pos + 4] | cap[pos + 5] << 8;
        int h = cap[pos + 6] | cap[pos + 7] << 8;
        ASSERT_EQ(76, w);
        ASSERT_EQ(16, h);
        pos += 8;
        ASSERT_LE(pos + 76 * 16 * 3, cap.size());
        COLORREF want = FillFor(static_cast<int>(slot % 3) + 1);
        for (int i = 0; i < 76 * 16; ++i, pos += 3)
            ASSERT_EQ(want, RGB(cap[pos + 2], cap[pos + 1], cap[pos])) << "slot " << slot;
        ++captured;
    }
    EXPECT_EQ(rendered, captured);
}

TEST(Host, WindowActionsDoNotBlockAgainstTheRenderThread)
{
    ResetFake();
    StandInHost host;
    ASSERT_TRUE(host.Open(OptionsFor()));
    ASSERT_EQ(0, host.LoadPlugin());
    ASSERT_TRUE(host.StartFrameLoop(""));   // the synthetic sweep
    for (int i = 0; i < 20; ++i) {
        host.SwitchSkin(i % 2 ? "Alpha" : "Beta");
        host.SetDoubleSize(i % 3 == 0);
        host.SetShaded(i % 5 == 0);
        host.Repaint();
        const char name[] = "Alpha";
        host.SendSkinNotice(name, sizeof name);
        Sleep(10);
    }
    EXPECT_TRUE(WaitForFrames(host, 5));
    host.StopFrameLoop();
    EXPECT_EQ(fake.renders.load(), fake.namesSeen.load());
    EXPECT_EQ(44100, fake.sRate.load());
}

}  // namespace
}  // namespace host_test
