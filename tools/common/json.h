// The JSON that the tools print with --json: objects keep their keys in the
// order they were added, so the output reads like the text form.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kmxtool {

class Json {
  public:
    static Json Object();
    static Json Array();
    static Json Null();
    Json(const std::string& text);
    Json(const char* text);
    Json(int64_t number);
    Json(uint64_t number);
    Json(int number) : Json(static_cast<int64_t>(number)) {}
    Json(unsigned number) : Json(static_cast<uint64_t>(number)) {}
    Json(bool value);

    // Adds KEY to an object / VALUE to an array; returns *this.
    Json& Add(const std::string& key, Json value);
    Json& Push(Json value);

    std::string Text() const;

  private:
    enum class Kind { Null, Object, Array, String, Number, Bool };
    explicit Json(Kind kind) : kind_(kind) {}
    void Write(std::string& out) const;

    Kind kind_;
    std::string scalar_;  // a string's text, or a number or bool as written
    std::vector<std::pair<std::string, Json>> members_;  // keys empty in arrays
};

}  // namespace kmxtool
