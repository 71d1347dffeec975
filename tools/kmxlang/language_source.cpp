#include "language_source.h"

#include <cstdio>
#include <optional>
#include <sstream>

namespace kmxlang {
namespace {

std::string Trim(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The text of a quoted value (VALUE starts with '"'), or nullopt.
std::optional<std::string> Unquote(const std::string& value) {
    std::string text;
    for (size_t i = 1; i < value.size(); ++i) {
        char c = value[i];
        if (c == '"') return i + 1 == value.size() ? std::optional(text) : std::nullopt;
        if (c != '\\') {
            text.push_back(c);
            continue;
        }
        if (++i == value.size()) return std::nullopt;
        switch (value[i]) {
            case '\\':
            case '"':
                text.push_back(value[i]);
                break;
            case 'n':
                text.push_back('\n');
                break;
            case 't':
                text.push_back('\t');
                break;
            case 'x': {
                int high = i + 2 < value.size() ? HexDigit(value[i + 1]) : -1;
                int low = high >= 0 ? HexDigit(value[i + 2]) : -1;
                if (low < 0) return std::nullopt;
                text.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

bool NeedsQuotes(const std::string& text) {
    if (text.empty()) return false;
    if (text.front() == ' ' || text.back() == ' ' || text.front() == '"') return true;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (byte < 0x20) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\x%02X", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace

bool ParseLanguageSource(const std::string& source, const std::string& file,
                         std::vector<Language>& languages, std::string& error) {
    std::istringstream lines(source);
    std::string line;
    Language* current = nullptr;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::string where = file + ":" + std::to_string(number) + ": ";
        std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        if (trimmed.front() == '[') {
            if (trimmed.back() != ']') {
                error = where + "expected [LANGUAGE NAME]";
                return false;
            }
            current = &languages.emplace_back(Language{trimmed.substr(1, trimmed.size() - 2), {}});
            continue;
        }
        size_t equals = trimmed.find('=');
        if (equals == std::string::npos) {
            error = where + "expected KEY = TEXT";
            return false;
        }
        std::string key = Trim(trimmed.substr(0, equals));
        std::string value = Trim(trimmed.substr(equals + 1));
        if (key.empty()) {
            error = where + "no key before '='";
            return false;
        }
        if (!value.empty() && value.front() == '"') {
            std::optional<std::string> text = Unquote(value);
            if (!text) {
                error = where + "malformed quoted text";
                return false;
            }
            value = *text;
        }
        if (!current) {
            error = where + "a text before the first [LANGUAGE NAME]";
            return false;
        }
        for (const auto& [known, text] : current->texts)
            if (known == key) {
                error = where + "\"" + key + "\" is given twice for " + current->name;
                return false;
            }
        current->texts.emplace_back(key, value);
    }
    return true;
}

std::string FormatLanguageSource(const std::vector<Language>& languages) {
    std::string out;
    for (const Language& language : languages) {
        if (!out.empty()) out += '\n';
        out += "[" + language.name + "]\n";
        for (const auto& [key, text] : language.texts) {
            out += key + " =";
            if (!text.empty()) out += " " + (NeedsQuotes(text) ? Quote(text) : text);
            out += '\n';
        }
    }
    return out;
}

}  // namespace kmxlang
