#pragma once
// Everything the peer is configured with. main.cpp fills it from the command line; the pieces
// read it and never parse arguments themselves.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace pd::peer {

// Ports of the peer's side services as the phone is told about them; 0 means "not running".
// The services that are not built yet stay 0 and the control service answers accordingly.
struct ServicePorts {
    std::uint16_t http = 0;     // HTTP file service
    std::uint16_t upload = 0;   // upload data listener named in the "PASV" reply
    std::uint16_t gamepad = 0;  // gamepad receiver named in the plug "5" acceptance
    std::uint16_t audio = 0;    // audio receiver named in the plug "6" acceptance
};

// Ways the HTTP file service can misbehave on purpose, so the phone's downloads can be tested
// against them. All off by default.
struct HttpFaults {
    std::optional<std::uint64_t> closeAfter;  // close the connection after N body bytes
    bool ignoreRange = false;                 // answer a Range request with 200 and all of it
    bool answer416 = false;                   // answer every Range request with 416
    std::uint64_t bytesPerSecond = 0;         // pace each response body; 0: no limit
    bool noLength = false;     // no Content-Length: the body ends when the connection closes
    bool shortLength = false;  // announce half the body's length, send that many bytes
    bool endless = false;      // a chunked body that repeats the file and never ends
};

// Largest item the upload receiver accepts unless told otherwise.
inline constexpr std::uint64_t kDefaultMaxUploadBytes = 4ull * 1024 * 1024 * 1024;

struct PeerOptions {
    std::string address = "127.0.0.1";
    std::uint16_t controlPort = 0;      // 0: an ephemeral port, reported in the ready line
    std::filesystem::path root;         // the computer's disk
    std::filesystem::path classesFile;  // empty: <root>.classes.json
    std::filesystem::path logFile;      // empty: no frame log
    bool sampleDisk = false;            // fill an empty root with the sample disk
    std::string checkCode;              // may be empty
    bool directAccept = false;
    std::string name;  // empty: the host name
    std::string tag;   // empty: derived from the root, so it is stable across restarts
    int heartbeatMs = 5000;
    int discoveryPort = 6866;  // broadcast responder's UDP port; 0: no responder
    // The responder also answers requests sent to --address on that port.
    bool discoveryUnicast = false;
    ServicePorts ports;  // ports.http: where the HTTP file service listens; 0 picks a free one
    HttpFaults httpFaults;
    std::filesystem::path backupDir;  // empty: <root>/Backup
    std::uint64_t maxUploadBytes = kDefaultMaxUploadBytes;
    std::filesystem::path phoneScript;    // empty: no phone-file commands are sent
    std::filesystem::path phoneFilesDir;  // empty: <root>/PhoneFiles
    std::uint64_t maxPhoneFileBytes = 4ull * 1024 * 1024 * 1024;
    int phoneReplyWaitMs = 10000;
    std::filesystem::path captureImage;   // empty: captures are drawn for the moment
    std::filesystem::path hotspotScript;  // empty: the made-up default hotspot roster
    std::filesystem::path audioDir;       // empty: <root>/Audio
    std::uint64_t maxAudioBytes = 256ull * 1024 * 1024;  // per audio connection
    // Local stand-ins for the usage report and feedback services; off unless given (0 picks a
    // free port).
    std::optional<std::uint16_t> reportPort;
    std::optional<std::uint16_t> feedbackPort;
};

// <root>.classes.json beside the root folder (never inside it, so it is not listed).
std::filesystem::path defaultClassesFile(const std::filesystem::path& root);
// 16 upper-case hexadecimal characters derived from the root's absolute path.
std::string defaultTag(const std::filesystem::path& root);

}  // namespace pd::peer
