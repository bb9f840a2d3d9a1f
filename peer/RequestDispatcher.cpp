#include "RequestDispatcher.h"

#include "CaptureImage.h"
#include "HotspotRoster.h"
#include "codec/LinkCodes.h"
#include "codec/LinkFrame.h"
#include "platform/Log.h"
#include "platform/Utf8.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>
#include <unordered_map>

namespace pd::peer {

namespace {

constexpr std::size_t kMaxCommandLineBytes = 4096;

std::optional<std::string_view> text(msg::View v) {
    std::optional<std::string_view> raw = v.asRaw();
    if (!raw || !isValidUtf8(*raw)) {
        return std::nullopt;
    }
    return raw;
}

std::int32_t clampToInt32(std::uint64_t v) {
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

PeerAnswer resultOnly(std::int32_t code, std::int32_t number, std::int32_t result) {
    msg::Packer p;
    p.array(2).integer(number).integer(result);
    return {code, p.take()};
}

std::int32_t classResult(ClassStore::Change c) {
    switch (c) {
        case ClassStore::Change::Done:
            return kOk;
        case ClassStore::Change::AlreadyPresent:
            return kAlreadyMember;
        case ClassStore::Change::NotPresent:
            return kNotFound;
        case ClassStore::Change::InvalidClass:
        case ClassStore::Change::Full:
            return kInvalidRequest;
        case ClassStore::Change::WriteFailed:
            break;
    }
    return kFailed;
}

std::string upperCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

}  // namespace

RequestDispatcher::RequestDispatcher(const DiskTree& disk, ClassStore& classes, ServicePorts ports,
                                     std::string dataHost, UploadReceiver* uploads)
    : disk_(disk),
      classes_(classes),
      ports_(ports),
      dataHost_(std::move(dataHost)),
      uploads_(uploads) {}

const RequestDispatcher::Route* RequestDispatcher::route(std::int32_t code) {
    using R = RequestDispatcher;
    static const std::unordered_map<std::int32_t, Route> kRoutes{
        {link::kFindFolder.code, {2, link::kAnswerFolder, &R::listFolder}},
        {link::kLockScreen.code, {1, link::kAnswerLockScreen, &R::power}},
        {link::kStandby.code, {1, link::kAnswerStandby, &R::power}},
        {link::kReboot.code, {1, link::kAnswerReboot, &R::power}},
        {link::kShutdown.code, {1, link::kAnswerShutdown, &R::power}},
        {link::kCaptureScreen.code, {1, link::kAnswerCapture, &R::capture}},
        {link::kSelectClassify.code, {2, link::kAnswerClassify, &R::selectClass}},
        {link::kAddFolderClassify.code, {3, link::kAnswerAddClassify, &R::addToClass}},
        {link::kDelFolderClassify.code, {3, link::kAnswerDelClassify, &R::removeFromClass}},
        {link::kDirInfo.code, {2, link::kAnswerDirInfo, &R::folderStats}},
        {link::kUploadPath.code, {2, link::kAnswerUploadPath, &R::backupFolder}},
        {link::kWiFiManagerList.code, {1, link::kAnswerWifiList, &R::hotspotList}},
        {link::kFileMgrCommand.code, {3, link::kAnswerFileCommand, &R::uploadCommand}},
        {link::kPlugMessage.code, {5, link::kPlugAnswer, &R::plugMessage}},
        {link::kPhoneCommandReply, {4, 0, &R::phoneReply}},
    };
    auto it = kRoutes.find(code);
    return it == kRoutes.end() ? nullptr : &it->second;
}

std::optional<PeerAnswer> RequestDispatcher::handle(std::int32_t code, msg::View body) {
    const Route* r = route(code);
    if (r == nullptr) {
        PD_LOG_WARN("request code {} is not known; not answered", code);
        return std::nullopt;
    }
    std::optional<std::int32_t> number = body[0].asInt32();
    if (!body.isArray() || body.size() != r->elements || !number) {
        PD_LOG_WARN("request code {} is malformed ({} elements, {} expected); not answered", code,
                    body.size(), r->elements);
        return std::nullopt;
    }
    std::optional<PeerAnswer> answer = (this->*(r->handler))(Call{r->answerCode, *number, body});
    if (!answer && code != link::kPhoneCommandReply) {
        PD_LOG_WARN("request code {} has elements of the wrong type; not answered", code);
    }
    return answer;
}

// Room for a listing's entries in one frame, leaving space for the body's head and the envelope.
constexpr std::size_t kMaxListingBodyBytes = link::kMaxFrameLength - 1024;

static void packEntry(msg::Packer& p, const DiskTree::Entry& e) {
    p.array(6).raw(e.name).integer(e.kind).uinteger(e.size).uinteger(e.modifyTime).raw(e.desc);
    p.integer(0);  // classification value: the phone carries it but never reads it
}

std::optional<PeerAnswer> RequestDispatcher::listFolder(const Call& call) {
    std::optional<std::string_view> path = call.body[1].asRaw();
    if (!path) {
        return std::nullopt;
    }
    DiskTree::Listing listing = disk_.list(*path);
    // The entries that fit in one frame the phone accepts; the rest are left out, as a
    // listing cut at kMaxListingEntries is.
    msg::Packer entries;
    std::uint32_t count = 0;
    for (const DiskTree::Entry& e : listing.entries) {
        const std::size_t before = entries.bytes().size();
        packEntry(entries, e);
        if (entries.bytes().size() > kMaxListingBodyBytes) {
            entries.truncate(before);
            PD_LOG_WARN("listing of '{}' cut at {} entries to fit in one frame", *path, count);
            break;
        }
        ++count;
    }
    msg::Packer p;
    p.array(4).integer(call.number).integer(listing.result).integer(0).array(count);
    std::string body = p.take();
    body += entries.bytes();
    return PeerAnswer{call.answerCode, std::move(body)};
}

std::optional<PeerAnswer> RequestDispatcher::power(const Call& call) {
    const char* what = call.answerCode == link::kAnswerLockScreen ? "lock the screen"
                       : call.answerCode == link::kAnswerShutdown ? "shut down"
                       : call.answerCode == link::kAnswerReboot   ? "reboot"
                                                                  : "stand by";
    PD_LOG_INFO("the phone asks the computer to {} (logged only, never done)", what);
    return resultOnly(call.answerCode, call.number, kOk);
}

std::optional<PeerAnswer> RequestDispatcher::capture(const Call& call) {
    std::string jpeg = captureImage_ ? *captureImage_ : CaptureImage::render(std::time(nullptr));
    msg::Packer p;
    p.array(3).integer(call.number).integer(jpeg.empty() ? kFailed : kOk).raw(jpeg);
    return PeerAnswer{call.answerCode, p.take()};
}

std::optional<PeerAnswer> RequestDispatcher::selectClass(const Call& call) {
    std::optional<std::int32_t> id = call.body[1].asInt32();
    if (!id) {
        return std::nullopt;
    }
    msg::Packer p;
    if (!ClassStore::isClassId(*id)) {
        p.array(4).integer(call.number).integer(kInvalidRequest).integer(0).array(0);
        return PeerAnswer{call.answerCode, p.take()};
    }
    std::vector<std::string> members = classes_.members(*id);
    p.array(4).integer(call.number).integer(kOk).integer(0);
    p.array(static_cast<std::uint32_t>(members.size()));
    for (const std::string& m : members) {
        // A member whose folder went away is still listed (the user removes it), without time.
        std::uint64_t mtime = 0;
        DiskTree::Resolved where = disk_.resolve(m);
        struct stat st {};
        if (where.result == kOk && ::stat(where.host.c_str(), &st) == 0) {
            mtime = DiskTree::fileTime(st.st_mtim.tv_sec);
        }
        p.array(6).raw(m).integer(kKindFolder).uinteger(0).uinteger(mtime).raw("").integer(0);
    }
    return PeerAnswer{call.answerCode, p.take()};
}

std::optional<PeerAnswer> RequestDispatcher::addToClass(const Call& call) {
    std::optional<std::string_view> path = call.body[1].asRaw();
    std::optional<std::int32_t> id = call.body[2].asInt32();
    if (!path || !id) {
        return std::nullopt;
    }
    if (!ClassStore::isClassId(*id)) {
        return resultOnly(call.answerCode, call.number, kInvalidRequest);
    }
    DiskTree::Resolved where = disk_.resolve(*path);
    std::error_code ec;
    if (where.result != kOk) {
        return resultOnly(call.answerCode, call.number, where.result);
    }
    if (where.path.base() == VirtualPath::Base::Root ||
        !std::filesystem::is_directory(where.host, ec)) {
        return resultOnly(call.answerCode, call.number, kNotFolder);
    }
    return resultOnly(call.answerCode, call.number,
                      classResult(classes_.add(*id, where.path.windowsText())));
}

std::optional<PeerAnswer> RequestDispatcher::removeFromClass(const Call& call) {
    std::optional<std::string_view> path = call.body[1].asRaw();
    std::optional<std::int32_t> id = call.body[2].asInt32();
    if (!path || !id) {
        return std::nullopt;
    }
    if (!ClassStore::isClassId(*id)) {
        return resultOnly(call.answerCode, call.number, kInvalidRequest);
    }
    // Textual only: a member can be removed after its folder is gone.
    std::optional<VirtualPath> vp = VirtualPath::parse(*path);
    if (!vp || vp->base() == VirtualPath::Base::Root) {
        return resultOnly(call.answerCode, call.number, kNotFound);
    }
    return resultOnly(call.answerCode, call.number,
                      classResult(classes_.remove(*id, vp->windowsText())));
}

std::optional<PeerAnswer> RequestDispatcher::folderStats(const Call& call) {
    std::optional<std::string_view> path = call.body[1].asRaw();
    if (!path) {
        return std::nullopt;
    }
    DiskTree::Stats s = disk_.stats(*path);
    msg::Packer p;
    p.array(6).integer(call.number).integer(s.result).raw(*path);
    p.integer(clampToInt32(s.files)).integer(clampToInt32(s.folders)).uinteger(s.bytes);
    return PeerAnswer{call.answerCode, p.take()};
}

std::optional<PeerAnswer> RequestDispatcher::backupFolder(const Call& call) {
    std::optional<std::int32_t> kind = call.body[1].asInt32();
    if (!kind) {
        return std::nullopt;
    }
    std::optional<std::string> folder = disk_.backupFolder();
    PD_LOG_INFO("backup folder asked for (kind {}): {}", *kind, folder.value_or("<none>"));
    msg::Packer p;
    p.array(3).integer(call.number).integer(folder ? kOk : kFailed).raw(folder.value_or(""));
    return PeerAnswer{call.answerCode, p.take()};
}

std::optional<PeerAnswer> RequestDispatcher::hotspotList(const Call& call) {
    auto up = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                               started_);
    std::vector<HotspotClient> clients =
        hotspotScript_ ? hotspotScript_->snapshot(up.count()) : HotspotRoster::snapshot(up.count());
    msg::Packer p;
    p.array(3).integer(call.number).integer(kOk).array(static_cast<std::uint32_t>(clients.size()));
    for (const HotspotClient& c : clients) {
        p.array(9).raw(c.phoneModel).raw(c.macAddress).raw(c.tranSpeed).integer(c.connTime);
        p.integer(c.connState).integer(c.connType).integer(c.upValue).integer(c.downValue);
        p.raw(c.deviceIMEI);
    }
    return PeerAnswer{call.answerCode, p.take()};
}

std::string RequestDispatcher::uploadReply(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    std::size_t space = line.find(' ');
    std::string verb = upperCase(line.substr(0, space));
    std::string_view arg = space == std::string_view::npos ? "" : line.substr(space + 1);
    if (verb == "PASV" && uploads_ != nullptr) {
        std::optional<std::uint16_t> port = uploads_->openPassive();
        return port ? "227 " + dataHost_ + ":" + std::to_string(*port)
                    : "425 No data connection available";
    }
    if (verb == "PASV") {
        if (ports_.upload == 0) {
            return "425 No data connection available";
        }
        return "227 " + dataHost_ + ":" + std::to_string(ports_.upload);
    }
    if (verb == "STOR") {
        if (arg.empty()) {
            return "501 Missing file name";
        }
        announcedUpload_ = std::string(arg);
        PD_LOG_INFO("upload announced: '{}'", announcedUpload_);
        return uploads_ != nullptr ? uploads_->store(arg) : "150 Opening data connection";
    }
    if (verb == "QUIT") {
        return "221 Goodbye";
    }
    return "500 Unknown command";
}

std::optional<PeerAnswer> RequestDispatcher::uploadCommand(const Call& call) {
    std::optional<std::int32_t> channel = call.body[1].asInt32();
    std::optional<std::string_view> line = text(call.body[2]);
    if (!channel || !line || line->size() > kMaxCommandLineBytes) {
        return std::nullopt;
    }
    std::string reply = uploadReply(*line);
    PD_LOG_INFO("upload channel {}: '{}' -> '{}'", *channel, *line, reply);
    msg::Packer p;
    p.array(4).integer(0).integer(kOk).integer(0).raw(reply);
    return PeerAnswer{call.answerCode, p.take()};
}

std::string RequestDispatcher::plugReply(std::string_view plugId, std::string_view content) const {
    using nlohmann::json;
    json parsed = content.size() <= kMaxPlugContentBytes
                      ? json::parse(content.begin(), content.end(), nullptr, false)
                      : json(nullptr);
    json refused = {{"c", "0"}};
    if (!parsed.is_object()) {
        return refused.dump();
    }
    if (plugId == "1" || plugId == "3" || plugId == "4") {
        return json{{"c", "1"}}.dump();
    }
    std::uint16_t port = plugId == "5" ? ports_.gamepad : plugId == "6" ? ports_.audio : 0;
    if (port == 0) {
        return refused.dump();
    }
    return json{{"c", "1"}, {"d", std::to_string(port)}}.dump();
}

std::optional<PeerAnswer> RequestDispatcher::plugMessage(const Call& call) {
    std::optional<std::string_view> plugId = text(call.body[1]);
    std::optional<std::string_view> target = text(call.body[2]);
    std::optional<std::int32_t> type = call.body[3].asInt32();
    std::optional<std::string_view> content = call.body[4].asRaw();
    if (!plugId || !target || !type || !content) {
        return std::nullopt;
    }
    std::string reply = plugReply(*plugId, *content);
    PD_LOG_INFO("plug '{}' to '{}' type {}: {} -> {}", *plugId, *target, *type,
                isValidUtf8(*content) ? *content : "<not UTF-8>", reply);
    msg::Packer p;
    p.array(5).integer(0).integer(0).integer(0).integer(0).raw(reply);
    return PeerAnswer{call.answerCode, p.take()};
}

std::optional<PeerAnswer> RequestDispatcher::phoneReply(const Call& call) {
    // The phone's reply to a file command of ours; the phone-file client reads these.
    std::optional<std::string_view> reply = text(call.body[3]);
    PD_LOG_DEBUG("phone file reply: {}", reply.value_or("<not text>"));
    return std::nullopt;
}

}  // namespace pd::peer
