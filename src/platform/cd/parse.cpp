#include "platform/cd/parse.h"

#include <cctype>

#include "platform/cd/errors.h"

namespace tunedeck::cd {

namespace {
constexpr size_t kLongestCommand = 1024;
constexpr size_t kLongestNumber = 9;
}  // namespace

std::vector<std::string> splitwords(std::string_view command) {
    if (command.size() > kLongestCommand) throw CdError(Error::CommandTooLong);
    std::vector<std::string> words;
    std::string word;
    for (char c : command) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += char(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

int64_t parsenumber(std::string_view word) {
    if (word.empty()) throw CdError(Error::BadNumber);
    if (word.front() == '-') {
        bool digits = word.size() > 1;
        for (char c : word.substr(1))
            digits = digits && std::isdigit(static_cast<unsigned char>(c));
        throw CdError(digits ? Error::PositionOutOfRange : Error::BadNumber);
    }
    if (word.front() == '+') word.remove_prefix(1);
    if (word.empty()) throw CdError(Error::BadNumber);  // a lone sign
    int64_t value = 0;
    for (char c : word) {
        if (!std::isdigit(static_cast<unsigned char>(c))) throw CdError(Error::BadNumber);
    }
    while (word.size() > 1 && word.front() == '0') word.remove_prefix(1);
    if (word.size() > kLongestNumber) throw CdError(Error::PositionOutOfRange);
    for (char c : word) value = value * 10 + (c - '0');
    return value;
}

std::vector<int64_t> parsefields(std::string_view word) {
    std::vector<int64_t> fields;
    while (true) {
        size_t colon = word.find(':');
        fields.push_back(parsenumber(word.substr(0, colon)));
        if (colon == std::string_view::npos) break;
        if (fields.size() == 4) throw CdError(Error::BadNumber);
        word.remove_prefix(colon + 1);
    }
    return fields;
}

}  // namespace tunedeck::cd
