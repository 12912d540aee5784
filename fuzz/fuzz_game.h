// The fuzz targets' harness: the shared play support, and without libFuzzer a main that replays the committed corpora.
#pragma once
#include "game_play.h"

namespace fuzz = play;

#ifdef FUZZ_STANDALONE
// Without libFuzzer: each input named (a file, or a folder of them) runs once, in name order, so that the committed
// corpora are replayed in every build.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    std::vector<play::fs::path> inputs(argv + 1, argv + argc);
    std::error_code ec;
    for (int i = 1; i < argc; ++i)
        for (const auto& entry : play::fs::directory_iterator(argv[i], ec))
            inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    for (const play::fs::path& path : inputs) {
        if (play::fs::is_directory(path, ec) || path.string()[0] == '-') // a folder, or a flag for libFuzzer
            continue;
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::printf("running %s (%zu bytes)\n", path.filename().c_str(), data.size()), std::fflush(stdout);
        LLVMFuzzerTestOneInput(data.data(), data.size());
    }
    return inputs.empty();
}
#endif
