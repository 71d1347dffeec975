#include "json.h"

#include <cstdio>

namespace kmxtool {
namespace {

void WriteString(std::string& out, const std::string& text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

}  // namespace

Json Json::Object() {
    return Json(Kind::Object);
}
Json Json::Array() {
    return Json(Kind::Array);
}
Json Json::Null() {
    return Json(Kind::Null);
}
Json::Json(const std::string& text) : kind_(Kind::String), scalar_(text) {}
Json::Json(const char* text) : kind_(Kind::String), scalar_(text) {}
Json::Json(int64_t number) : kind_(Kind::Number), scalar_(std::to_string(number)) {}
Json::Json(uint64_t number) : kind_(Kind::Number), scalar_(std::to_string(number)) {}
Json::Json(bool value) : kind_(Kind::Bool), scalar_(value ? "true" : "false") {}

Json& Json::Add(const std::string& key, Json value) {
    members_.emplace_back(key, std::move(value));
    return *this;
}

Json& Json::Push(Json value) {
    members_.emplace_back(std::string(), std::move(value));
    return *this;
}

std::string Json::Text() const {
    std::string out;
    Write(out);
    return out;
}

void Json::Write(std::string& out) const {
    switch (kind_) {
        case Kind::Null:
            out += "null";
            return;
        case Kind::String:
            WriteString(out, scalar_);
            return;
        case Kind::Number:
        case Kind::Bool:
            out += scalar_;
            return;
        case Kind::Object:
        case Kind::Array:
            break;
    }
    bool object = kind_ == Kind::Object;
    out += object ? '{' : '[';
    for (size_t i = 0; i < members_.size(); ++i) {
        if (i) out += ',';
        if (object) {
            WriteString(out, members_[i].first);
            out += ':';
        }
        members_[i].second.Write(out);
    }
    out += object ? '}' : ']';
}

}  // namespace kmxtool
