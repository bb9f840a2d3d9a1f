#pragma once
// The feedback service's request: one form field "jsondata" holding a JSON object signed with
// the service's "Code". Pure functions; the post itself is the caller's.

#include <string>
#include <string_view>

namespace pd::feedback {

// Who sends the feedback.
struct FeedbackIdentity {
    std::string deviceId;   // 16 characters (the device identifier)
    std::string modelName;  // the device model's readable name
    std::string version;    // the application version text
};

// This installation's identity.
FeedbackIdentity standardIdentity();

// The "PCID" member: the identifier, "-" and fifteen zeros.
std::string pcidMember(std::string_view deviceId);
// The "Code" member: the service's signature of the "PCID" member.
std::string signature(std::string_view pcid);
// The JSON text of the "jsondata" field.
std::string jsonData(const FeedbackIdentity& who, std::string_view text, std::string_view contact);
// The form-encoded body of the request: the single field "jsondata".
std::string formBody(std::string_view json);

// Whether the text can be the `feedback-url` setting: an http:// or https:// address with a
// host and no spaces or control characters.
bool isFeedbackUrl(std::string_view text);

}  // namespace pd::feedback
