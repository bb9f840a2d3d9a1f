#pragma once
// Message codes and fixed request numbers of the control link.

#include <cstdint>

namespace pd::link {

// Requests sent by the phone: message code and the request number its body starts with.
struct Request {
    std::int32_t code;
    std::int32_t number;
};

inline constexpr Request kHello{39, 255};
inline constexpr Request kProof{0, 256};
inline constexpr Request kFindFolder{1, 266};
inline constexpr Request kLockScreen{20, 1001};
inline constexpr Request kCaptureScreen{23, 1002};
inline constexpr Request kShutdown{25, 1003};
inline constexpr Request kReboot{24, 1004};
inline constexpr Request kStandby{22, 1005};
inline constexpr Request kSelectClassify{30, 3000};
inline constexpr Request kAddFolderClassify{31, 3001};
inline constexpr Request kDelFolderClassify{32, 3002};
inline constexpr Request kDirInfo{35, 267};
inline constexpr Request kUploadPath{38, 4001};
inline constexpr Request kFileMgrCommand{100, 4000};
inline constexpr Request kPlugMessage{26, 5000};
inline constexpr Request kWiFiManagerList{40, 6000};

// The phone's reply to a file command of the computer.
inline constexpr std::int32_t kPhoneCommandReply = 1100;
inline constexpr std::int32_t kPhoneCommandReplyStatus = 200;

// Messages sent by the computer.
inline constexpr std::int64_t kAnswerAuth = 1000;
inline constexpr std::int64_t kAnswerHelloAccepted = 1039;
inline constexpr std::int64_t kAnswerFolder = 1001;
inline constexpr std::int64_t kAnswerLockScreen = 1020;
inline constexpr std::int64_t kAnswerStandby = 1022;
inline constexpr std::int64_t kAnswerCapture = 1023;
inline constexpr std::int64_t kAnswerReboot = 1024;
inline constexpr std::int64_t kAnswerShutdown = 1025;
inline constexpr std::int64_t kAnswerClassify = 1030;
inline constexpr std::int64_t kAnswerAddClassify = 1031;
inline constexpr std::int64_t kAnswerDelClassify = 1032;
inline constexpr std::int64_t kAnswerDirInfo = 1035;
inline constexpr std::int64_t kAnswerUploadPath = 1038;
inline constexpr std::int64_t kAnswerWifiList = 1040;
inline constexpr std::int64_t kAnswerFileCommand = 1100;
inline constexpr std::int64_t kPlugAnswer = 26;
inline constexpr std::int64_t kComputerFileCommand = 100;

// Result codes the engine stores.
inline constexpr std::int32_t kResultSuccess = 0;
inline constexpr std::int32_t kResultChallenge = 1;
inline constexpr std::int32_t kResultNoAnswerYet = 6;
// Ours, never the computer's: a listing with more entries than the phone accepts.
inline constexpr std::int32_t kResultListingTooLong = -1;
inline constexpr std::int32_t kResultClassAlreadyThere = 7;
inline constexpr std::int32_t kResultPlugAccepted = 101;
inline constexpr std::int32_t kResultPlugRefused = 102;
inline constexpr std::int32_t kInitialPasvCode = 500;

// The upload channel's number in file-manager commands.
inline constexpr std::int32_t kUploadChannel = 99999;
// The channel number of transfers the computer asks for (phone files it fetches).
inline constexpr std::int32_t kPhoneFileChannel = 100000;

// Upload-channel reply codes.
inline constexpr std::int32_t kReplyPassive = 227;
inline constexpr std::int32_t kReplyReadyForData = 150;
inline constexpr std::int32_t kReplyTransferDone = 226;

inline constexpr const char* kMacText = "00:00:00:11:11:11";

}  // namespace pd::link
