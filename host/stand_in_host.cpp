// The stand-in host's life: where its ini file and Skins folder go, its
// window thread started and ended, and the plug-in loaded and unloaded
// through LoadLibrary and its one export, as a player does.
#include "host/stand_in_host.h"

#include "host/stand_in_host_impl.h"

namespace {

std::string ExecutablePath()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The executable's path with its extension replaced by ".ini", as the
// player names its own ini file.
std::string IniPathFor(const std::string& exePath)
{
    size_t slash = exePath.find_last_of('\\');
    size_t dot = exePath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return exePath + ".ini";
    return exePath.substr(0, dot) + ".ini";
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    std::string result = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
    while (result.size() > 3 && result.back() == '\\') result.pop_back();
    return result;
}

}  // namespace

StandInHost::StandInHost() : impl(new Impl) {}

StandInHost::~StandInHost()
{
    StopFrameLoop();
    if (impl->library) UnloadPlugin(impl->initSucceeded);
    if (impl->window) SendMessageA(impl->window, kClose, 0, 0);
    if (impl->windowThread) {
        WaitForSingleObject(impl->windowThread, INFINITE);
        CloseHandle(impl->windowThread);
    }
    delete impl;
}

bool StandInHost::Open(const Options& options)
{
    if (impl->windowThread) return false;
    impl->options = options;
    const std::string exePath = ExecutablePath();
    impl->exeDir = FolderOf(exePath);
    impl->iniPath = IniPathFor(exePath);
    impl->skinsFolder = options.skinsFolder.empty() ? impl->exeDir + "\\Skins"
                                                    : FullPath(options.skinsFolder);
    CreateDirectoryA(impl->skinsFolder.c_str(), nullptr);
    if (exePath.empty() || !impl->WriteIni()) return false;

    impl->windowReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!impl->windowReady) return false;
    impl->windowThread = CreateThread(nullptr, 0, Impl::WindowThread, impl, 0, nullptr);
    if (impl->windowThread) WaitForSingleObject(impl->windowReady, INFINITE);
    CloseHandle(impl->windowReady);
    impl->windowReady = nullptr;
    return impl->window != nullptr;
}

HWND StandInHost::Window() const
{
    return impl->window;
}

std::string StandInHost::IniPath() const
{
    return impl->iniPath;
}

std::string StandInHost::SkinsFolder() const
{
    return impl->skinsFolder;
}

int StandInHost::LoadPlugin()
{
    if (impl->library || !impl->window) return -1;
    const std::string path = impl->options.pluginPath.empty()
        ? impl->exeDir + "\\Plugins\\vis_zelpin.dll" : impl->options.pluginPath;
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library) return -1;
    winampVisGetHeaderType getHeader = reinterpret_cast<winampVisGetHeaderType>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "winampVisGetHeader")));
    winampVisHeader* header = getHeader ? getHeader() : nullptr;
    winampVisModule* module = header && header->getModule ? header->getModule(0) : nullptr;
    if (!module || !module->Init || !module->Render) {
        FreeLibrary(library);
        return -1;
    }
    module->hwndParent = impl->window;
    module->hDllInstance = library;
    impl->library = library;
    impl->module = module;
    int result = module->Init(module);
    impl->initSucceeded = result == 0;
    return result;
}

winampVisModule* StandInHost::Module() const
{
    return impl->module;
}

HMODULE StandInHost::Library() const
{
    return impl->library;
}

void StandInHost::UnloadPlugin(bool callQuit)
{
    StopFrameLoop();
    if (!impl->library) return;
    if (callQuit && impl->module->Quit) impl->module->Quit(impl->module);
    FreeLibrary(impl->library);
    impl->library = nullptr;
    impl->module = nullptr;
    impl->initSucceeded = false;
}
