// Any bytes as a story bundle, played into a scratch library: no crash or
// hang, nothing written outside the library, no temporary folder left, and
// a bundle taken is there in full.
#include "fuzz/fuzz_file.h"

#include "bundle/bundle.h"

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    const std::string file = folder.write("in.swstory", data, size);
    const fs::path library = folder.path() / "library";
    bundle::Installed installed;
    std::string reason;
    const bool ok = bundle::installBundle(file, library.string(), installed, reason);
    if (!ok && (reason.empty() || reason.find('\n') != std::string::npos)) {
        std::fprintf(stderr, "reason: [%s]\n", reason.c_str());
        fuzzFailure("refusal without one line of reason");
    }
    for (const auto& entry : fs::directory_iterator(folder.path()))
        if (entry.path() != file && entry.path() != library) fuzzFailure("something written outside the library");
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(library, ec))
        if (entry.path().filename().string()[0] == '.') fuzzFailure("a temporary folder was left");
    if (ok) {
        for (const auto& f : installed.manifest.files)
            if (fs::file_size(fs::path(installed.modFolder) / f.path, ec) != f.size)
                fuzzFailure("a taken file is not whole");
    }
    fs::remove_all(library, ec);
    return 0;
}
