#pragma once
// Printing for the front-end: plain lines for people, or one JSON object per line.

#include <nlohmann/json.hpp>

#include <string>

namespace pd::cli {

class Output {
  public:
    explicit Output(bool json) : json_(json) {}
    bool json() const { return json_; }
    // A line for people (suppressed in JSON mode).
    void say(const std::string& line) const;
    // An event: printed as JSON in JSON mode, else as its text.
    void event(const nlohmann::json& object, const std::string& text) const;
    // An error for people on stderr; in JSON mode also a {"event":"error"} line on stdout.
    void error(const std::string& text) const;

  private:
    bool json_;
};

}  // namespace pd::cli
