#include "NetWork/HttpDownloader.h"

#include <atomic>

namespace pd {

namespace {
std::atomic<HttpDownloader*> gDownloader{nullptr};
}

void setHttpDownloader(HttpDownloader* downloader) {
    gDownloader.store(downloader);
}
HttpDownloader* httpDownloader() {
    return gDownloader.load();
}

}  // namespace pd
