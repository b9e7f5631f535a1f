#include "audio/queuerows.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <stdexcept>

namespace tunedeck {

namespace {

// The text buffer is addressed by 32-bit offsets: 4 GiB of names, far past any memory a box has.
uint32_t offset(std::size_t at) {
    if (at > std::numeric_limits<uint32_t>::max()) throw std::length_error("queue text too long");
    return static_cast<uint32_t>(at);
}

}  // namespace

std::string QueueRows::path(std::size_t row) const {
    const Row& r = rows_[row];
    if (r.folder == kNoFolder) return std::string(file(r));
    const std::string& folder = *folders_[r.folder];
    const std::string_view name = file(r);
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += '/';
    path += name;
    return path;
}

std::string_view QueueRows::name(std::size_t row) const {
    const Row& r = rows_[row];
    return std::string_view(text_).substr(r.text + r.filesize, r.namesize);
}

bool QueueRows::haspath(std::size_t row, std::string_view path) const {
    const Row& r = rows_[row];
    const std::string_view name = file(r);
    if (r.folder == kNoFolder) return path == name;
    const std::string& folder = *folders_[r.folder];
    return path.size() == folder.size() + 1 + name.size() && path.starts_with(folder) &&
           path[folder.size()] == '/' && path.ends_with(name);
}

uint64_t QueueRows::hash(std::string_view text, uint64_t from) {
    for (const char c : text) {
        from ^= static_cast<unsigned char>(c);
        from *= 1099511628211ull;
    }
    return from;
}

uint64_t QueueRows::pathhash(std::size_t row) const {
    const Row& r = rows_[row];
    if (r.folder == kNoFolder) return hash(file(r));
    return hash(file(r), hash("/", hash(*folders_[r.folder])));
}

std::vector<QueueEntry> QueueRows::entries(std::size_t count) const {
    std::vector<QueueEntry> out;
    count = std::min(count, rows_.size());
    out.reserve(count);
    for (std::size_t row = 0; row < count; ++row) out.push_back((*this)[row]);
    return out;
}

uint32_t QueueRows::folderof(std::string_view folder) {
    if (lastfolder_ != kNoFolder && *folders_[lastfolder_] == folder) return lastfolder_;
    const auto [at, added] = folderids_.try_emplace(std::string(folder), offset(folders_.size()));
    if (added) folders_.push_back(&at->first);
    lastfolder_ = at->second;
    return lastfolder_;
}

bool QueueRows::inside(std::string_view text) const {
    const std::less<const char*> before;
    return !text.empty() && !text_.empty() && !before(text.data(), text_.data()) &&
           before(text.data(), text_.data() + text_.size());
}

void QueueRows::put(std::size_t row, std::string_view name, std::string_view path) {
    // A name read from these very rows would move with the buffer as it grows.
    if (inside(name) || inside(path)) {
        const std::string ownname(name), ownpath(path);
        put(row, ownname, ownpath);
        return;
    }
    const std::size_t slash = path.rfind('/');
    Row r{};
    r.folder = slash == std::string_view::npos ? kNoFolder : folderof(path.substr(0, slash));
    const std::string_view filename =
        slash == std::string_view::npos ? path : path.substr(slash + 1);
    r.text = offset(text_.size());
    r.filesize = offset(filename.size());
    r.namesize = offset(name.size());
    offset(text_.size() + filename.size() + name.size());
    text_ += filename;
    text_ += name;
    if (row < rows_.size()) {
        unused_ += rows_[row].filesize + rows_[row].namesize;
        rows_[row] = r;
        tidy();
    } else {
        rows_.push_back(r);
    }
}

void QueueRows::erase(std::size_t row) {
    if (row >= rows_.size()) return;
    unused_ += rows_[row].filesize + rows_[row].namesize;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    tidy();
}

void QueueRows::keeponly(const std::function<bool(std::size_t row)>& keep) {
    std::size_t kept = 0;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (keep(row))
            rows_[kept++] = rows_[row];
        else
            unused_ += rows_[row].filesize + rows_[row].namesize;
    }
    rows_.resize(kept);
    tidy();
}

void QueueRows::move(std::size_t from, std::size_t to) {
    if (from >= rows_.size() || to >= rows_.size() || from == to) return;
    const auto first = rows_.begin();
    const auto f = static_cast<std::ptrdiff_t>(from);
    const auto t = static_cast<std::ptrdiff_t>(to);
    if (from < to)
        std::rotate(first + f, first + f + 1, first + t + 1);
    else
        std::rotate(first + t, first + f, first + f + 1);
}

void QueueRows::clear() {
    rows_.clear();
    rows_.shrink_to_fit();
    std::string().swap(text_);
    unused_ = 0;
    folders_.clear();
    folderids_.clear();
    lastfolder_ = kNoFolder;
}

void QueueRows::tidy() {
    if (unused_ < 4096 || unused_ < text_.size() / 2) return;
    std::string kept;
    kept.reserve(text_.size() - unused_);
    for (Row& r : rows_) {
        const uint32_t at = offset(kept.size());
        kept.append(text_, r.text, std::size_t{r.filesize} + r.namesize);
        r.text = at;
    }
    text_ = std::move(kept);
    unused_ = 0;
}

}  // namespace tunedeck
