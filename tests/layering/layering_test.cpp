// The layers of src/, from the top: app (with remote beside it, below app and above the rest),
// commands, view, library, browse, audio, settings, platform, and under the platform stand-ins the
// C library wrappers in platform/lib. A file includes only from its own layer and those below.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

const std::map<std::string, int> kLayers = {
    {"platform/lib", 0}, {"platform", 1}, {"settings", 2}, {"audio", 3},  {"browse", 4},
    {"library", 5},      {"view", 6},     {"commands", 7}, {"remote", 8}, {"app", 9},
};

// The layer of a path under src/ ("platform/cd/mci.h", "view/view.h"); -1 for none.
int layerof(const std::string& path) {
    const std::string top = path.substr(0, path.find('/'));
    const std::string key =
        top == "platform" && path.starts_with("platform/lib/") ? "platform/lib" : top;
    const auto layer = kLayers.find(key);
    return layer == kLayers.end() ? -1 : layer->second;
}

// The quoted includes of a file, as written.
std::vector<std::string> includesof(const fs::path& file) {
    std::vector<std::string> found;
    std::ifstream in(file);
    static const std::regex kInclude(R"(^#include "([^"]+)\")");
    std::smatch include;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, include, kInclude)) found.push_back(include[1]);
    return found;
}

TEST(Layering, NoFileIncludesFromALayerAboveItsOwn) {
    const fs::path src = fs::path(TUNEDECK_SOURCE_DIR) / "src";
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp") continue;
        ++files;
        const std::string file = entry.path().lexically_relative(src).string();
        const int own = layerof(file);
        ASSERT_GE(own, 0) << file << " lies in no layer";
        for (const std::string& include : includesof(entry.path())) {
            EXPECT_LE(layerof(include), own) << file << " includes " << include;
            EXPECT_GE(layerof(include), 0) << file << " includes " << include << ", in no layer";
        }
    }
    EXPECT_GT(files, 100);  // the tree was found
}

}  // namespace
}  // namespace tunedeck
