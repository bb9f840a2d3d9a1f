#include "core/PhoneFileService.h"

#include "core/AlbumPhotoSource.h"
#include "core/PhoneFileListing.h"
#include "core/PhoneFilePath.h"
#include "core/Settings.h"
#include "core/UserDataFolder.h"
#include "platform/SandboxHelper.h"
#include "platform/SerialQueue.h"
#include "platform/ToolPackage.h"

#include <algorithm>
#include <charconv>
#include <future>

namespace pd {

namespace {

const std::string kOk = "200 ";
const std::string kFailed = "500 ";

class PhoneFileCommand : public PhoneMgrCommand {
  public:
    explicit PhoneFileCommand(std::shared_ptr<PhoneFileService> service)
        : service_(std::move(service)) {}
    void CommandParse(const std::string& commandLine, ReplyBlock usingBlock) override {
        service_->execute(commandLine, std::move(usingBlock));
    }

  private:
    std::shared_ptr<PhoneFileService> service_;
};

// The integer value of a text as the computer means it: leading blanks and a sign allowed,
// anything after the digits ignored, 0 when there are none.
int integerValue(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return 0;
    }
    text.remove_prefix(start);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Waits for a callback that is called at most once; false when it was dropped uncalled.
template <typename T>
struct OneShot {
    std::shared_ptr<std::promise<T>> promise = std::make_shared<std::promise<T>>();
    std::future<T> future = promise->get_future();
    std::optional<T> wait() {
        try {
            return future.get();
        } catch (const std::future_error&) {
            return std::nullopt;
        }
    }
};

}  // namespace

PhoneFileService::Services PhoneFileService::standardServices() {
    Services s;
    s.userDataFolder = [] { return std::filesystem::path(SandboxHelper::docPathEx()); };
    s.enabled = [] { return Settings::standard().phoneFilesOn(); };
    s.transport = authCorePhoneFileTransport();
    s.loadAssets = [](std::function<void()> done) {
        ToolPackage::shareInstance().loadAssets(std::move(done));
    };
    s.assets = [] { return ToolPackage::shareInstance().assetsDic(); };
    return s;
}

std::shared_ptr<PhoneFileService> PhoneFileService::create(Services services) {
    return std::shared_ptr<PhoneFileService>(new PhoneFileService(std::move(services)));
}

PhoneFileService::PhoneFileService(Services services)
    : services_(std::move(services)),
      queue_(std::make_unique<SerialQueue>("phone file commands")) {}

PhoneFileService::~PhoneFileService() = default;

std::shared_ptr<PhoneMgrCommand> PhoneFileService::makeCommand() {
    return std::make_shared<PhoneFileCommand>(shared_from_this());
}

void PhoneFileService::setObserver(Observer observer) {
    std::lock_guard lock(observerMutex_);
    observer_ = std::move(observer);
}

void PhoneFileService::execute(std::string line, PhoneMgrCommand::ReplyBlock reply) {
    std::weak_ptr<PhoneFileService> weak = weak_from_this();
    queue_->async([weak, line = std::move(line), reply = std::move(reply)] {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        const std::optional<std::string> answer = self->run(line);
        if (answer && reply) {
            reply(*answer);
        }
        PhoneFileEvent event{line, std::nullopt, 0};
        if (answer) {
            event.status = answer->substr(0, kOk.size());
            for (std::size_t at = answer->find("\r\n"); at != std::string::npos;
                 at = answer->find("\r\n", at + 2)) {
                ++event.entries;
            }
        }
        Observer observer;
        {
            std::lock_guard lock(self->observerMutex_);
            observer = self->observer_;
        }
        if (observer) {
            observer(event);
        }
    });
}

std::optional<std::string> PhoneFileService::run(const std::string& line) {
    if (!services_.enabled()) {
        return kFailed;
    }
    // Exactly one blank: a verb and its argument.
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos || line.find(' ', blank + 1) != std::string::npos) {
        return std::nullopt;
    }
    const std::string verb = line.substr(0, blank);
    const std::string argument = line.substr(blank + 1);
    if (verb == "LIST") {
        return list(argument);
    }
    if (verb == "PORT") {
        return port(argument);
    }
    if (verb == "RETR") {
        return retrieve(argument);
    }
    if (verb == "DELE" || verb == "RMD") {
        return remove(argument);
    }
    return std::nullopt;
}

std::optional<std::string> PhoneFileService::list(const std::string& argument) {
    using Kind = PhoneFilePath::Kind;
    const PhoneFilePath path = classifyPhoneFilePath(argument);
    switch (path.kind) {
        case Kind::Root:
            return kOk + rootListingLines(utcMillisecondsNow());
        case Kind::Album:
            return albumListing();
        case Kind::DocumentsTop:
        case Kind::Documents: {
            const bool foldersOnly = path.kind == Kind::DocumentsTop;
            auto entries = UserDataFolder(services_.userDataFolder()).list(path.components);
            if (!entries) {
                return kFailed;
            }
            // Folders first, then files, each by name.
            std::sort(entries->begin(), entries->end(), [](const auto& a, const auto& b) {
                return a.folder != b.folder ? a.folder : a.name < b.name;
            });
            std::string reply = kOk;
            for (const auto& entry : *entries) {
                if (entry.folder || !foldersOnly) {
                    reply += documentsListingLine(entry);
                }
            }
            return reply;
        }
        default:
            return kFailed;
    }
}

std::string PhoneFileService::albumListing() {
    OneShot<bool> scanned;
    services_.loadAssets([promise = scanned.promise] { promise->set_value(true); });
    scanned.wait();
    std::string reply = kOk;
    for (const auto& [name, photo] : services_.assets()) {
        const auto size = photo.defaultRepresentation().size();
        if (size && fitsListingLine(name)) {
            reply += photoListingLine(name, *size, localMillisecondsOf(photo.date()));
        }
    }
    return reply;
}

std::optional<std::string> PhoneFileService::port(const std::string& argument) {
    const std::size_t colon = argument.find(':');
    if (colon == std::string::npos || argument.find(':', colon + 1) != std::string::npos) {
        return std::nullopt;
    }
    // The host part is not used: the channel goes to the computer of the link.
    if (!services_.transport->connect(integerValue(std::string_view(argument).substr(colon + 1)))) {
        return std::nullopt;
    }
    return kOk;
}

std::optional<std::string> PhoneFileService::retrieve(const std::string& argument) {
    const auto parts = pathComponents(argument);
    if (parts.size() == 3 && parts[0] == "/") {
        if (parts[1] != phonefiles::kAlbumName) {
            return std::nullopt;  // "/FOLDER/NAME" outside the album names nothing to fetch
        }
        const AlbumIndex index = services_.assets();
        const auto found = index.find(std::string(parts[2]));
        auto source = found == index.end() ? nullptr : openAlbumPhotoSource(found->second);
        return source ? sendAndWait(std::move(source)) : kFailed;
    }
    const PhoneFilePath path = classifyPhoneFilePath(argument);
    if (path.kind != PhoneFilePath::Kind::Documents) {
        return kFailed;
    }
    auto source = UserDataFolder(services_.userDataFolder()).openFile(path.components);
    return source ? sendAndWait(std::move(source)) : kFailed;
}

std::string PhoneFileService::sendAndWait(std::shared_ptr<UploadSource> source) {
    OneShot<bool> sent;
    if (!services_.transport->send(
            std::move(source), [promise = sent.promise](bool all) { promise->set_value(all); })) {
        return kFailed;  // no data channel: nothing was sent
    }
    return sent.wait().value_or(false) ? kOk : kFailed;
}

std::string PhoneFileService::remove(const std::string& argument) {
    if (namesAlbum(argument)) {
        return kFailed;  // album photos are not deleted
    }
    const PhoneFilePath path = classifyPhoneFilePath(argument);
    if (path.kind != PhoneFilePath::Kind::Documents) {
        return kFailed;
    }
    return UserDataFolder(services_.userDataFolder()).remove(path.components) ? kOk : kFailed;
}

}  // namespace pd
