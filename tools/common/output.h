// What a tool's command prints: text, or JSON with --json.
#pragma once

#include "json.h"

#include <ostream>

namespace kmxtool {

class Output {
  public:
    Output(bool json, std::ostream& out) : json_(json), out_(out) {}
    bool Json() const { return json_; }
    // The text form.
    std::ostream& Text() { return out_; }
    // The JSON form: one value a line.
    void Print(const kmxtool::Json& value) { out_ << value.Text() << '\n' << std::flush; }

  private:
    bool json_;
    std::ostream& out_;
};

}  // namespace kmxtool
