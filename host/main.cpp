// zelpin_host.exe: the stand-in host as a program, for scripts and demos.
// It plays a player's part for a given time while a timed script switches
// skins, resizes the window and takes screenshots.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/capture_file.h"
#include "host/frame_source.h"
#include "host/stand_in_host.h"
#include "host/window_pixels.h"

namespace {

const char kUsage[] =
    "usage: zelpin_host.exe [options]\n"
    "  --version N      answer to IPC_GETVERSION (decimal or 0x..., default 0x2004)\n"
    "  --skin NAME      current skin at start (a folder in the Skins folder)\n"
    "  --skins DIR      the Skins folder (default: <exe dir>\\Skins)\n"
    "  --plugin PATH    plug-in library (default: <exe dir>\\Plugins\\vis_zelpin.dll)\n"
    "  --null-skin      IPC_GETSKIN writes the path but answers 0 for the name\n"
    "  --frames FILE    spectrum frames (1152 bytes each), replayed in real time,\n"
    "                   looping; without it a synthetic sweep\n"
    "  --fps N          Render calls a second, also the frames file's rate (60)\n"
    "  --capture FILE   record the vis area after every Render (for GIFs)\n"
    "  --each-frame SKINS  instead of playing in real time: for each skin of\n"
    "                   the list (names separated by ';'), switched to in turn,\n"
    "                   one Render for every frame of --frames, on the calling\n"
    "                   thread, each recorded into --capture; then exit\n"
    "  --seconds S      how long to run (default 5)\n"
    "  --script TEXT    timed actions, separated by ';', each \"t=SECONDS ACTION\":\n"
    "                     skin NAME       switch to another skin (repaints)\n"
    "                     double on|off   double size\n"
    "                     shade on|off    shaded window\n"
    "                     repaint         repaint the window\n"
    "                     shot FILE.bmp   screenshot of the window\n"
    "                     notice NAME     skin notice (WM_COPYDATA, code %lu) naming NAME\n"
    "                   e.g. \"t=1 skin Ember; t=2 double on; t=2.5 shot out\\x.bmp\"\n"
    "  --help           this text\n"
    "Exit status: 0 ran, 1 bad command line, 2 no window, 3 plug-in not loaded,\n"
    "4 the plug-in's Init failed, 5 an action failed (screenshot not written).\n"
    "The ini file <exe path>.ini is written with [%s] %s=<Skins folder>.\n";

struct Action {
    double t;
    std::string verb;
    std::string argument;
};

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool ParseOnOff(const std::string& word, bool& on)
{
    on = word == "on";
    return on || word == "off";
}

bool ParseScript(const std::string& text, std::vector<Action>& actions, std::string& error)
{
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(';', pos);
        if (end == std::string::npos) end = text.size();
        std::string item = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (item.empty()) continue;
        char* after = nullptr;
        Action action;
        action.t = item.compare(0, 2, "t=") == 0 ? std::strtod(item.c_str() + 2, &after) : -1;
        if (!after || after == item.c_str() + 2 || action.t < 0) {
            error = "each action starts with t=SECONDS: " + item;
            return false;
        }
        std::string rest = Trim(after);
        size_t space = rest.find_first_of(" \t");
        action.verb = rest.substr(0, space);
        action.argument = space == std::string::npos ? std::string() : Trim(rest.substr(space));
        bool on;
        bool ok = (action.verb == "skin" || action.verb == "shot" || action.verb == "notice")
                      ? !action.argument.empty()
                  : (action.verb == "double" || action.verb == "shade")
                      ? ParseOnOff(action.argument, on)
                  : action.verb == "repaint" && action.argument.empty();
        if (!ok) {
            error = "unknown action: " + item;
            return false;
        }
        actions.push_back(action);
    }
    std::stable_sort(actions.begin(), actions.end(),
                     [](const Action& a, const Action& b) { return a.t < b.t; });
    return true;
}

bool Perform(StandInHost& host, const Action& action)
{
    bool on = action.argument == "on";
    if (action.verb == "skin") host.SwitchSkin(action.argument);
    else if (action.verb == "double") host.SetDoubleSize(on);
    else if (action.verb == "shade") host.SetShaded(on);
    else if (action.verb == "repaint") host.Repaint();
    else if (action.verb == "notice")
        host.SendSkinNotice(action.argument.c_str(), static_cast<DWORD>(action.argument.size() + 1));
    else if (action.verb == "shot" && !host.SaveScreenshot(action.argument)) {
        std::fprintf(stderr, "zelpin_host: could not write %s\n", action.argument.c_str());
        return false;
    }
    return true;
}

void WaitUntil(DWORD start, double seconds)
{
    DWORD target = start + static_cast<DWORD>(seconds * 1000.0);
    for (;;) {
        DWORD now = GetTickCount();
        if (static_cast<LONG>(target - now) <= 0) return;
        Sleep(target - now);
    }
}

// For each skin in turn, every frame of the file exactly once, in order, as
// fast as it goes: what the library draws for a given sequence of spectra,
// free of the clock. A skin's first frame is the Render that reloads it.
bool RenderEachFrame(StandInHost& host, const std::string& skins, const std::string& frames,
                     int fps, const std::string& capturePath)
{
    FrameSource source;
    CaptureFile capture;
    if (!source.Load(frames) || !capture.Open(capturePath, fps)) return false;
    unsigned char spectrum[2][576];
    std::vector<unsigned char> pixels;
    RECT area;
    unsigned long slot = 0;
    for (size_t at = 0; at < skins.size();) {
        size_t end = skins.find(';', at);
        if (end == std::string::npos) end = skins.size();
        host.SwitchSkin(skins.substr(at, end - at));
        at = end + 1;
        for (long i = 0; i < source.FrameCount(); ++i, ++slot) {
            source.Fill(i, spectrum);
            host.RenderFrame(&spectrum[0][0]);
            if (!VisAreaRect(host.Window(), area) ||
                !ReadWindowPixels(host.Window(), area.left, area.top, area.right - area.left,
                                  area.bottom - area.top, pixels))
                return false;
            capture.WriteFrame(slot, area.right - area.left, area.bottom - area.top, pixels);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    StandInHost::Options options;
    std::string frames, capture, script;
    double seconds = 5;
    int fps = 60;
    std::string eachFrame;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            std::printf(kUsage, static_cast<unsigned long>(kSkinNoticeCode), kPlayerIniSection,
                        kPlayerSkinDirKey);
            return 0;
        } else if (arg == "--null-skin") {
            options.getSkinAnswersNull = true;
        } else if (!hasValue) {
            std::fprintf(stderr, "zelpin_host: %s needs a value (see --help)\n", arg.c_str());
            return 1;
        } else {
            std::string value = argv[++i];
            if (arg == "--version") options.version = static_cast<int>(std::strtol(value.c_str(), nullptr, 0));
            else if (arg == "--skin") options.skin = value;
            else if (arg == "--skins") options.skinsFolder = value;
            else if (arg == "--plugin") options.pluginPath = value;
            else if (arg == "--frames") frames = value;
            else if (arg == "--fps") fps = std::atoi(value.c_str());
            else if (arg == "--capture") capture = value;
            else if (arg == "--seconds") seconds = std::atof(value.c_str());
            else if (arg == "--script") script = value;
            else if (arg == "--each-frame") eachFrame = value;
            else {
                std::fprintf(stderr, "zelpin_host: unknown option %s (see --help)\n", arg.c_str());
                return 1;
            }
        }
    }
    std::vector<Action> actions;
    std::string error;
    if (!ParseScript(script, actions, error)) {
        std::fprintf(stderr, "zelpin_host: %s\n", error.c_str());
        return 1;
    }
    if (fps <= 0 || fps > 1000 || !(seconds >= 0)) {
        std::fprintf(stderr, "zelpin_host: --fps must be 1..1000 and --seconds not negative\n");
        return 1;
    }

    StandInHost host;
    if (!host.Open(options)) {
        std::fprintf(stderr, "zelpin_host: could not open the host window\n");
        return 2;
    }
    int init = host.LoadPlugin();
    std::printf("init %d\n", init);
    std::fflush(stdout);
    if (init < 0) return 3;
    if (init != 0) return 4;
    if (!eachFrame.empty()) {
        if (!RenderEachFrame(host, eachFrame, frames, fps, capture)) {
            std::fprintf(stderr, "zelpin_host: could not render each frame (%s, %s)\n",
                         frames.c_str(), capture.c_str());
            return 1;
        }
        return 0;
    }
    if (!host.StartFrameLoop(frames, fps, capture)) {
        std::fprintf(stderr, "zelpin_host: could not start the frames (%s, %s)\n",
                     frames.c_str(), capture.c_str());
        return 1;
    }
    DWORD start = GetTickCount();
    int status = 0;
    for (const Action& action : actions) {
        WaitUntil(start, action.t);
        if (!Perform(host, action)) status = 5;
    }
    WaitUntil(start, seconds);
    host.StopFrameLoop();
    std::printf("frames %ld\n", host.FramesRendered());
    return status;
}
