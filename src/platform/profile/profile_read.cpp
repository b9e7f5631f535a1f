#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/inifile_parse.h"
#include "platform/profile/profile.h"
#include "platform/profile/profile_file.h"

namespace tunedeck {

namespace {

// Copies what fits of `text` and a terminating NUL.
uint32_t copytext(std::string_view text, char* buffer, uint32_t size) {
    const auto n = static_cast<uint32_t>(std::min<std::size_t>(text.size(), size - 1));
    std::copy_n(text.data(), n, buffer);
    buffer[n] = '\0';
    return n;
}

// Copies the names, each NUL-terminated, and the closing NUL. A list that does not fit is cut
// and ends with two NULs.
uint32_t copylist(const std::vector<std::string_view>& names, char* buffer, uint32_t size) {
    std::string list;
    for (std::string_view name : names) {
        list.append(name);
        list.push_back('\0');
    }
    if (list.size() + 1 <= size) {
        std::copy_n(list.data(), list.size(), buffer);
        buffer[list.size()] = '\0';
        return static_cast<uint32_t>(list.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::copy_n(list.data(), size - 2, buffer);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

// The default as the platform hands it back: trailing blanks removed.
std::string_view defaulttext(const char* deflt) {
    std::string_view text = deflt ? deflt : "";
    const auto last = text.find_last_not_of(" \t");
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

}  // namespace

uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* deflt,
                                  char* buffer, uint32_t size, const char* file) {
    if (buffer == nullptr || size == 0) return 0;
    const std::optional<std::string> content = file ? profile::readprofilefile(file) : std::nullopt;
    const profile::IniDocument doc = profile::parseini(content ? *content : std::string_view{});
    if (section == nullptr) return copylist(profile::sectionnames(doc), buffer, size);
    if (key == nullptr) return copylist(profile::keynames(doc, section), buffer, size);
    const auto value = profile::findvalue(doc, section, key);
    return copytext(value ? *value : defaulttext(deflt), buffer, size);
}

}  // namespace tunedeck
