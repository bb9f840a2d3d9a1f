#pragma once
// Printing for the front-end. Results go to stdout; narration, progress and errors go to stderr.
// --json gathers a command's results into one JSON document printed at the end; --json-lines
// prints every event (narration and progress included) as one JSON object per line on stdout.
// Stdout is buffered for the whole process and written in large blocks.

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace pd::cli {

enum class OutputMode { Text, Json, JsonLines };

class Output {
  public:
    explicit Output(OutputMode mode) : mode_(mode) {}
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    OutputMode mode() const { return mode_; }
    bool text() const { return mode_ == OutputMode::Text; }
    bool json() const { return mode_ != OutputMode::Text; }

    // With --json, the document's shape before any result (so that an empty listing still
    // prints {"entries": []}).
    void begin(nlohmann::json skeleton) const {
        if (mode_ == OutputMode::Json)
            document_ = std::move(skeleton);
    }
    // A result line for people (text mode only); `line` carries no newline.
    void line(std::string_view line) const;
    // Result lines already joined, each ending in '\n' (text mode only).
    void block(std::string_view lines) const;
    // One result: its text line in text mode, `item` added to the array `list` of the document
    // with --json (or merged into the document when `list` is empty), `item` with "event":
    // `event` as a line with --json-lines.
    void result(std::string_view event, std::string_view list, nlohmann::json item,
                std::string_view text) const;
    // A JSON value on a line of its own on stdout, written at once (--json and --json-lines
    // only): a listing that is an array, or one of a stream of them.
    void jsonLine(const nlohmann::json& value) const;
    // Narration for people on stderr; with --json-lines the event instead, with --json nothing.
    void event(const nlohmann::json& object, const std::string& text) const;
    // A line for people on stderr (text mode only).
    void say(const std::string& line) const;
    // An error on stderr; with --json-lines also an {"event":"error"} line on stdout.
    void error(const std::string& text) const;
    // Prints the document of --json (if any result was given) and writes what is buffered.
    void finish() const;

  private:
    OutputMode mode_;
    mutable nlohmann::json document_;
    mutable bool finished_ = false;
};

// Writes what is buffered for stdout (before anything goes to stderr, and at exit).
void flushStdout();
// Writes to stderr at once, after what is buffered for stdout.
void writeStderr(std::string_view text);

}  // namespace pd::cli
