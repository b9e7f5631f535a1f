#include "platform/folders/folderlists.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include "platform/folders/text.h"

namespace tunedeck {

namespace fs = std::filesystem;

namespace {

const std::string kNoEntry;

bool ishidden(const std::string& name) {
    return name.empty() || name.front() == '.';
}

enum class EntryKind { Folder, File };

// Names of the visible entries of `folder` of one kind, following symbolic links, in the
// lists' order. Anything that cannot be read is left out.
std::vector<std::string> readentries(const std::string& folder, EntryKind kind) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (ishidden(name)) continue;
        std::error_code statec;
        const bool wanted = kind == EntryKind::Folder
                                ? it->is_directory(statec)
                                : it->is_regular_file(statec) && matchesfilepattern(name);
        if (wanted && !statec) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return caselessless(a, b); });
    return names;
}

std::string joinpath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

std::string normalfolderpath(std::string_view path) {
    fs::path p{std::string(path)};
    if (p.empty()) p = ".";
    std::error_code ec;
    fs::path absolute = fs::absolute(p, ec);
    if (ec) absolute = fs::path("/") / p;
    std::string text = absolute.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

const std::string& DirListBox::list(int i) const {
    if (i < 0 || i >= listcount()) return kNoEntry;
    return subfolders_[static_cast<std::size_t>(i)];
}

void DirListBox::load(std::string path) {
    path_ = std::move(path);
    subfolders_.clear();
    for (const std::string& name : readentries(path_, EntryKind::Folder))
        subfolders_.push_back(joinpath(path_, name));
}

void FileListBox::setpath(std::string_view path) {
    path_ = normalfolderpath(path);
    files_ = readentries(path_, EntryKind::File);
}

const std::string& FileListBox::list(int i) const {
    if (i < 0 || i >= listcount()) return kNoEntry;
    return files_[static_cast<std::size_t>(i)];
}

bool matchesfilepattern(std::string_view name) {
    static constexpr std::array<std::string_view, 4> kExtensions = {".mp3", ".wma", ".wav", ".m3u"};
    return std::any_of(kExtensions.begin(), kExtensions.end(),
                       [name](std::string_view ext) { return endswithcaseless(name, ext); });
}

void FolderLists::setpath(std::string_view path) {
    dirs_.load(normalfolderpath(path));
    Dirs_Change();
}

void FolderLists::Dirs_Change() {
    files_.setpath(dirs_.path());
}

}  // namespace tunedeck
