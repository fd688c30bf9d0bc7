// Finding and loading the codec plug-in.
#include "media/image/codec_plugin.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace {

std::string programFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    std::string folder(path, static_cast<std::size_t>(length));
    return folder.substr(0, folder.rfind('/') + 1);
}

OpenCvDecodeFn load()
{
    for (const std::string& folder : {programFolder(), std::string(QS_CODEC_PLUGIN_BUILD_DIR "/")}) {
        if (folder.empty()) continue;
        void* library = dlopen((folder + kCodecPluginName).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) continue;
        if (void* entry = dlsym(library, "qsOpenCvDecode")) return reinterpret_cast<OpenCvDecodeFn>(entry);
        dlclose(library);
    }
    return nullptr;
}

} // namespace

OpenCvDecodeFn openCvDecoder()
{
    static const OpenCvDecodeFn decoder = load();
    return decoder;
}
