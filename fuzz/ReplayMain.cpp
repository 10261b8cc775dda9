// Runs a fuzz target over files instead of under libFuzzer: every argument is
// a file, or a folder whose files (hidden ones left out) are fed in name
// order. The suite uses it to replay each target's committed inputs.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path given(argv[i]);
        if (!fs::is_directory(given)) {
            inputs.push_back(given);
            continue;
        }
        std::vector<fs::path> inFolder;
        for (const fs::directory_entry& entry : fs::directory_iterator(given)) {
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                inFolder.push_back(entry.path());
        }
        std::sort(inFolder.begin(), inFolder.end());
        inputs.insert(inputs.end(), inFolder.begin(), inFolder.end());
    }
    for (const fs::path& input : inputs) {
        std::ifstream file(input, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", input.c_str());
            return 1;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    // No input at all means the folders were not found.
    return inputs.empty() ? 1 : 0;
}
