#pragma once
// What the command facade needs from the download service: the service lives above the link
// engine, so the facade reaches it through this interface, registered once at start-up.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace pd {

// Observer of one preview download. Start and error arrive on the main queue; progress may
// arrive on any thread. Completion is one progress report of exactly 1.0, sent after the file
// is whole at its path; progress stays below 1.0 until then.
class DownloadServiceDelegate {
  public:
    virtual ~DownloadServiceDelegate() = default;
    virtual void HttpDownStart(const std::string& /*url*/) {}
    virtual void HttpDownProgress(float /*fraction*/) {}
    virtual void HttpDownError(const std::string& /*error*/) {}
    // Declared for observers that want it; the service does not send it.
    virtual void HttpDownFinish(const std::string& /*path*/) {}
};

// What the computer's listing said of a file when its download was asked for. 0 means "not
// known": a resume from the download list may not know the size, an empty file needs none.
struct ListedFile {
    std::uint64_t size = 0;
    std::uint64_t modifyTime = 0;  // Windows FILETIME, compared only for equality
};

// What a kept download that the computer cut off does next: fetch the rest from a new signed
// link (the computer's program may have restarted and honour only new ones), wait while the
// link to the computer is being restored, or give up.
struct DownloadRelink {
    enum class Kind { Url, Wait, Gone } kind = Kind::Gone;
    std::string url;
};

class HttpDownloader {
  public:
    virtual ~HttpDownloader() = default;
    // A kept download: body into tempPath (resuming from what it holds), moved to toPath when
    // whole. filePath is the file's path on the computer. A known listed size is the size the
    // file must have; a listing that differs from the one the temporary file was begun with
    // starts it over.
    virtual void downLoadWithURL(const std::string& url, const std::string& toPath,
                                 const std::string& tempPath, const std::string& filePath,
                                 ListedFile listed = {}) = 0;
    // A preview download into toPath, reported to the observer; a known listed size is the
    // size the file must have.
    virtual void downLoadWithURLV2(const std::string& url, const std::string& toPath,
                                   std::weak_ptr<DownloadServiceDelegate> delegate,
                                   ListedFile listed = {}) = 0;
    // Pauses the running kept download of this URL (the temporary file stays). Previews are
    // left alone.
    virtual void pauseDownload(const std::string& url) = 0;
    // Stops the preview downloads of this URL; their observers hear nothing more. Kept
    // downloads of the same file are left alone.
    virtual void stopPreview(const std::string& url) = 0;
    // The link is back after it dropped: downloads waiting for it go on now. Returns how many.
    virtual std::size_t resumeAfterReconnect() { return 0; }
};

// The process's download service; null until registered (downloads are then refused).
void setHttpDownloader(HttpDownloader* downloader);
HttpDownloader* httpDownloader();

// Notifications of kept downloads, posted on the main queue.
inline constexpr const char* kHttpDownOpNotification = "HTTPDOWNOP";
inline constexpr const char* kHttpTaskSuccessNotification = "HTTPTASKSUCCESS";
inline constexpr const char* kHttpTaskFailureNotification = "HTTPTASKFAILURE";

}  // namespace pd
