#include "platform/cd/imagefile.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace tunedeck::cd {

namespace fs = std::filesystem;

namespace {

// Far more than any table of contents with CD-TEXT needs; a larger file is no toc we rewrite.
constexpr std::uintmax_t kLargestToc = 1 << 20;

bool namesdatafile(std::string_view keyword) {
    return keyword == "FILE" || keyword == "AUDIOFILE" || keyword == "DATAFILE" ||
           keyword == "FIFO";
}

bool blank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Just past the closing quote of the string that opens at `at`; npos when it never closes.
size_t stringend(std::string_view text, size_t at) {
    for (size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;  // an escaped character, a quote included
        } else if (text[i] == '"') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

std::optional<std::string> readsmallfile(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kLargestToc) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) return std::nullopt;
    return text;
}

// A private file holding a text, removed when the object goes. libcdio takes an image only by
// a file name with the image's extension, so a rewritten toc has to be a named file; it lives
// in the user's runtime folder (memory) where there is one.
class TemporaryFile {
  public:
    TemporaryFile(std::string_view text, const std::string& suffix) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        const fs::path folder =
            runtime != nullptr && *runtime == '/' ? fs::path(runtime) : fs::temp_directory_path(ec);
        if (ec) return;
        std::string name = (folder / ("tunedeck-XXXXXX" + suffix)).string();
        const int fd = mkstemps(name.data(), int(suffix.size()));
        if (fd < 0) return;
        path_ = name;
        bool written = true;
        while (written && !text.empty()) {
            const ssize_t n = write(fd, text.data(), text.size());
            written = n > 0;
            if (written) text.remove_prefix(size_t(n));
        }
        if (close(fd) != 0 || !written) discard();
    }
    ~TemporaryFile() noexcept { discard(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Empty when the file could not be made.
    const std::string& path() const { return path_; }

  private:
    void discard() noexcept {
        if (!path_.empty()) unlink(path_.c_str());  // nothing to do when it is already gone
        path_.clear();
    }

    std::string path_;
};

}  // namespace

std::optional<std::string> absolutetoc(std::string_view text, const fs::path& folder) {
    const std::string prefix = folder.string() + "/";
    if (prefix.find_first_of("\"\\") != std::string::npos) return std::nullopt;
    std::string out;
    std::string_view previous;  // the last word outside strings and comments
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i + 1;
        if (text.compare(i, 2, "//") == 0) {  // a comment, to the end of the line
            end = std::min(text.find('\n', i), text.size());
        } else if (text[i] == '"') {
            end = stringend(text, i);
            if (end == std::string_view::npos) end = text.size();
            const bool relative = namesdatafile(previous) && end - i > 2 && text[i + 1] != '/';
            out += '"';
            if (relative) out += prefix;
            out.append(text.substr(i + 1, end - i - 1));
            previous = {};
            i = end;
            continue;
        } else if (!blank(text[i])) {
            while (end < text.size() && !blank(text[end]) && text[end] != '"') ++end;
            previous = text.substr(i, end - i);
        }
        out.append(text.substr(i, end - i));
        i = end;
    }
    return out;
}

CdioHandle openimage(const fs::path& file, driver_id_t driver) {
    if (driver != DRIVER_CDRDAO) return CdioHandle(file.string(), driver);
    const std::optional<std::string> text = readsmallfile(file);
    std::error_code ec;
    const fs::path folder = fs::absolute(file, ec).parent_path();
    std::optional<std::string> rewritten;
    if (text && !ec) rewritten = absolutetoc(*text, folder);
    if (!rewritten || *rewritten == *text) return CdioHandle(file.string(), driver);
    // libcdio reads the whole toc while it opens the image; the copy is not needed afterwards.
    const TemporaryFile copy(*rewritten, ".toc");
    if (copy.path().empty()) return CdioHandle(file.string(), driver);
    return CdioHandle(copy.path(), driver);
}

}  // namespace tunedeck::cd
