#include "platform/folders/folderlists.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include "platform/folders/collation.h"
#include "platform/folders/dirstream.h"
#include "platform/folders/text.h"

namespace tunedeck {

namespace fs = std::filesystem;

namespace {

const std::string kNoEntry;

bool ishidden(const std::string& name) {
    return name.empty() || name.front() == '.';
}

// The visible subfolders and listed files of one folder.
struct FolderEntries {
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

// Sorts names as people read them (ties by raw bytes), keying each name once rather than at
// every comparison.
void sortnames(std::vector<std::string>& names) {
    struct Keyed {
        std::string key;
        std::string name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) keyed.push_back({collationkey(name), std::move(name)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.key != b.key ? a.key < b.key : a.name < b.name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) names[i] = std::move(keyed[i].name);
}

// Reads `folder` once, following symbolic links. Anything that cannot be read is left out.
FolderEntries readfolder(const std::string& folder) {
    FolderEntries entries;
    DirStream stream(folder);
    std::string name;
    EntryType type = EntryType::Other;
    while (stream.next(name, type)) {
        if (ishidden(name)) continue;
        if (type == EntryType::Folder) {
            entries.folders.push_back(name);
        } else if (type == EntryType::File && matchesfilepattern(name)) {
            entries.files.push_back(name);
        }
    }
    sortnames(entries.folders);
    sortnames(entries.files);
    return entries;
}

std::string joinpath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// True for an absolute path without empty, "." or ".." parts and without a trailing '/':
// one that is already in normal form, as every path the lists themselves hand out is.
bool isnormalabsolute(std::string_view path) {
    if (path.empty() || path.front() != '/') return false;
    if (path.size() == 1) return true;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string normalfolderpath(std::string_view path) {
    if (isnormalabsolute(path)) return std::string(path);
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

void DirListBox::load(std::string path, const std::vector<std::string>& names) {
    path_ = std::move(path);
    subfolders_.clear();
    subfolders_.reserve(names.size());
    for (const std::string& name : names) subfolders_.push_back(joinpath(path_, name));
}

void FileListBox::setpath(std::string_view path) {
    path_ = normalfolderpath(path);
    files_ = readfolder(path_).files;
}

void FileListBox::assign(std::string path, std::vector<std::string> files) {
    path_ = std::move(path);
    files_ = std::move(files);
}

const std::string& FileListBox::list(int i) const {
    if (i < 0 || i >= listcount()) return kNoEntry;
    return files_[static_cast<std::size_t>(i)];
}

bool matchesfilepattern(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kExtensions = {
        ".mp3",  ".wma", ".wav", ".flac", ".ogg",  ".oga",
        ".opus", ".m4a", ".aac", ".m3u",  ".m3u8", ".pls"};
    return std::any_of(kExtensions.begin(), kExtensions.end(),
                       [name](std::string_view ext) { return endswithcaseless(name, ext); });
}

void FolderLists::setpath(std::string_view path) {
    std::string folder = normalfolderpath(path);
    FolderEntries entries = readfolder(folder);
    dirs_.load(std::move(folder), entries.folders);
    listedfiles_ = std::move(entries.files);
    Dirs_Change();
}

// The file list follows the folder list; the files were read in the same pass over the folder.
void FolderLists::Dirs_Change() {
    files_.assign(dirs_.path(), std::move(listedfiles_));
    listedfiles_.clear();
}

}  // namespace tunedeck
