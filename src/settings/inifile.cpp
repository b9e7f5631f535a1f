#include "settings/inifile.h"

#include <algorithm>
#include <string_view>

#include "platform/profile/profile.h"
#include "settings/numeric.h"

namespace tunedeck {

namespace {

constexpr uint32_t kValueBuffer = 255;
constexpr uint32_t kListBuffer = 8192;

// The NUL-terminated pieces of a name list; the terminators leave no empty pieces behind.
std::vector<std::string> splitlist(const std::string& list) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find('\0', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) pieces.emplace_back(list, start, end - start);
        start = end + 1;
    }
    return pieces;
}

// "key=value" pieces separated by NULs or line ends.
std::vector<std::string_view> splitpairs(std::string_view text) {
    std::vector<std::string_view> pairs;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(std::string_view("\0\r\n", 3), start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) pairs.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pairs;
}

}  // namespace

std::string cInifile::Value() const {
    std::string buffer(kValueBuffer, ' ');
    const uint32_t n = GetPrivateProfileStringA(section_.c_str(), key_.c_str(), default_.c_str(),
                                                buffer.data(), kValueBuffer, path_.c_str());
    buffer.resize(n);
    return buffer;
}

void cInifile::Value(std::string sValue) {
    std::erase(sValue, '\0');
    lastreturncode_ =
        WritePrivateProfileStringA(section_.c_str(), key_.c_str(), sValue.c_str(), path_.c_str());
}

void cInifile::DeleteKey() {
    lastreturncode_ =
        WritePrivateProfileStringA(section_.c_str(), key_.c_str(), nullptr, path_.c_str());
}

void cInifile::DeleteSection() {
    lastreturncode_ = WritePrivateProfileStringA(section_.c_str(), nullptr, nullptr, path_.c_str());
}

std::string cInifile::readlist(const char* section) const {
    std::string buffer(kListBuffer, ' ');
    const uint32_t n = GetPrivateProfileStringA(section, nullptr, default_.c_str(), buffer.data(),
                                                kListBuffer, path_.c_str());
    buffer.resize(n);
    return buffer;
}

std::string cInifile::INISection() const {
    return readlist(section_.c_str());
}

std::string cInifile::Sections() const {
    return readlist(nullptr);
}

void cInifile::INISection(const std::string& sSection) {
    DeleteSection();
    for (std::string_view pair : splitpairs(sSection)) {
        if (lastreturncode_ == 0) return;
        const auto eq = pair.find('=');
        if (eq == std::string_view::npos) continue;  // not a key line
        const std::string key(pair.substr(0, eq));
        const std::string value(pair.substr(eq + 1));
        lastreturncode_ =
            WritePrivateProfileStringA(section_.c_str(), key.c_str(), value.c_str(), path_.c_str());
    }
}

void cInifile::EnumerateCurrentSection(std::vector<std::string>& sKey, int32_t& iCount) const {
    sKey = splitlist(INISection());
    iCount = static_cast<int32_t>(sKey.size());
}

void cInifile::EnumerateAllSections(std::vector<std::string>& sSections, int32_t& iCount) const {
    sSections = splitlist(Sections());
    iCount = static_cast<int32_t>(sSections.size());
}

int32_t cInifile::CLngDefault(const std::string& sstring, int32_t lDefault) {
    const auto n = wholenumber(sstring, INT32_MIN, INT32_MAX);
    return n ? static_cast<int32_t>(*n) : lDefault;
}

}  // namespace tunedeck
