// ImageMagick's codecs through their module, loaded once, on first use:
// from the folder of the code that asks (the library's, or a program that
// holds Pictra itself), else wherever the loader finds it.

#include <dlfcn.h>

#include <mutex>

#include "MagickModule.h"
#include "jotter/Jotter.h"

namespace pictra::codec {
namespace {

struct LoadedCodec {
    const MagickCodec* codec = nullptr;
    std::string failure; // why there is none
};

std::string folderOfThisCode()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&folderOfThisCode), &info) == 0 || info.dli_fname == nullptr)
        return "";
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

LoadedCodec load()
{
    LoadedCodec loaded;
    void* module = ::dlopen((folderOfThisCode() + kMagickModuleFile).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        module = ::dlopen(kMagickModuleFile, RTLD_NOW | RTLD_LOCAL);
    using Entry = const MagickCodec* (*)();
    const auto entry = module != nullptr ? reinterpret_cast<Entry>(::dlsym(module, kMagickModuleEntry)) : nullptr;
    if (entry == nullptr) {
        const char* why = ::dlerror();
        loaded.failure = std::string("the image codec cannot be loaded: ") + (why != nullptr ? why : kMagickModuleFile);
        cpLog(kLogFailure, "%s", loaded.failure.c_str());
        return loaded;
    }
    loaded.codec = entry();
    return loaded;
}

// The module stays loaded for the rest of the process.
const LoadedCodec& magickCodec()
{
    static std::once_flag once;
    static LoadedCodec loaded;
    std::call_once(once, [] { loaded = load(); });
    return loaded;
}

} // namespace

std::unique_ptr<PageDecoder> openMagick(std::span<const uint8_t> file, uint16_t format, std::string& error)
{
    const LoadedCodec& loaded = magickCodec();
    if (loaded.codec == nullptr) {
        error = loaded.failure;
        return nullptr;
    }
    return loaded.codec->open(file, format, error);
}

EncodeResult encodeMagick(const ImageHandle* page, const EncodeOptions& options)
{
    const LoadedCodec& loaded = magickCodec();
    if (loaded.codec == nullptr) {
        EncodeResult result;
        result.error = loaded.failure;
        return result;
    }
    return loaded.codec->encode(page, options);
}

} // namespace pictra::codec
