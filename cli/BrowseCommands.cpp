// ls and class: the drive, class and folder screens as text.

#include "BrowserSession.h"
#include "Commands.h"

#include "RunLoop.h"
#include "TextFormat.h"

#include "app/MainLoop.h"

namespace pd::cli {

namespace {

// Text mode prints an aligned table and builds no JSON; a large folder costs little per row.
// `Rows` is the drive screen's vector or the folder screen's rows made on demand.
template <typename Rows>
void printRows(const Output& out, const Rows& rows, const std::vector<DirAndFileListData>& data) {
    if (out.text()) {
        if (rows.empty())
            out.say("(empty)");
        Table table({Table::Align::Left, Table::Align::Right, Table::Align::Left,
                     Table::Align::Left, Table::Align::Left});
        table.reserve(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const BrowserRow r = rows[i];
            std::string size;
            if (r.kind == BrowserRowKind::File && i < data.size())
                size = formatSize(data[i].size);
            table.addRow({rowKindName(r.kind), std::move(size), r.timeText, visibleText(r.label),
                          visibleText(r.detail)});
        }
        std::string text;
        table.renderInChunks(text, 64 * 1024, [&](std::string& chunk) {
            out.block(chunk);
            chunk.clear();
        });
        return;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const BrowserRow r = rows[i];
        nlohmann::json j = {{"name", r.label},
                            {"kind", rowKindName(r.kind)},
                            {"path", r.path},
                            {"time", r.timeText},
                            {"detail", r.detail}};
        if (i < data.size())
            j["size"] = data[i].size;
        out.result("entry", "entries", std::move(j), "");
    }
}

}  // namespace

int runLs(const GlobalOptions& options, const std::string& path, const std::string& className) {
    Output out(options.outputMode());
    out.begin({{"path", path}, {"entries", nlohmann::json::array()}});
    if (!className.empty())
        out.begin({{"class", className}, {"entries", nlohmann::json::array()}});
    BrowserSession browser(options, out);
    if (const int status = browser.connect(); status != kExitOk) {
        return status;
    }
    if (!className.empty()) {
        if (!browser.openClass(className))
            return kExitFailure;
        printRows(out, browser.diskView().rows, browser.disk().diskListArr());
        return kExitOk;
    }
    if (!browser.openDrives()) {
        return kExitFailure;
    }
    if (path.empty()) {
        printRows(out, browser.diskView().rows, browser.disk().diskListArr());
        return kExitOk;
    }
    auto screen = browser.openFolder(path);
    if (!screen) {
        return kExitFailure;
    }
    printRows(out, browser.folderView()->rows, screen->dirAndFileListArr());
    return kExitOk;
}

int runClass(const GlobalOptions& options, const std::string& action, const std::string& name,
             const std::string& path) {
    Output out(options.outputMode());
    BrowserSession browser(options, out);
    const auto value = BrowserSession::classValue(name);
    if (!value) {
        out.error("unknown class '" + name + "': use pic, video, music or file");
        return kExitUsage;
    }
    const auto parts = BrowserSession::splitPath(path);
    if (parts.size() < 2) {
        out.error("give a folder below a drive, such as D:/Music");
        return kExitUsage;
    }
    if (const int status = browser.connect(); status != kExitOk) {
        return status;
    }
    if (!browser.openClass(name)) {
        return kExitFailure;
    }
    const auto& members = browser.disk().diskListArr();
    std::optional<std::size_t> member;
    for (std::size_t i = 0; i < members.size() && !member; ++i) {
        if (BrowserSession::samePath(members[i].name, path))
            member = i;
    }
    if (action == "del") {
        if (!member) {
            out.error(visibleText(path) + " is not in the class " + name);
            return kExitFailure;
        }
        ScreenRecord& record = browser.diskView().record;
        const int before = record.listings;
        browser.disk().deleteFromClass(*member);
        // A removal is followed by a new listing of the class.
        if (!browser.waitFor([&] { return record.listings > before; }, "the removal")) {
            return kExitFailure;
        }
        if (record.lastListing != ListingOutcome::Listed) {
            out.error("the computer did not remove the folder");
            return kExitFailure;
        }
        out.result("removed", "", {{"action", "removed"}, {"class", name}, {"path", path}},
                   "removed " + visibleText(path) + " from " + app::displayText(name));
        return kExitOk;
    }
    if (member) {
        out.result("already", "", {{"action", "already"}, {"class", name}, {"path", path}},
                   visibleText(path) + " is already in " + app::displayText(name));
        return kExitOk;
    }
    // Adding: "add other folder" switches to the drives; the folder screens then offer a toggle.
    {
        ScreenRecord& record = browser.diskView().record;
        const int before = record.listings;
        browser.disk().AddOtherFolderAction();
        if (!browser.waitFor([&] { return record.listings > before; }, "the drives") ||
            record.lastListing != ListingOutcome::Listed) {
            return kExitFailure;
        }
    }
    std::string parent = parts[0];
    for (std::size_t i = 1; i + 1 < parts.size(); ++i)
        parent += "/" + parts[i];
    auto screen = browser.openFolder(parent);
    if (!screen) {
        return kExitFailure;
    }
    const auto row = browser.entryNamed(*screen, parts.back());
    if (!row || screen->dirAndFileListArr()[*row].isDir == 0) {
        out.error(row ? visibleText(path) + " is a file, not a folder"
                      : "no folder " + visibleText(parts.back()) + " in " + visibleText(parent));
        return kExitFailure;
    }
    ScreenRecord& record = browser.folderView()->record;
    const int before = record.classChanges;
    screen->favBnClick(*row);
    if (!browser.waitFor([&] { return record.classChanges > before; }, "the class change")) {
        return kExitFailure;
    }
    if (record.lastClassChange != ClassChangeOutcome::Added) {
        out.error("the computer did not add " + visibleText(path) + " to the class " + name);
        return kExitFailure;
    }
    out.result("added", "", {{"action", "added"}, {"class", name}, {"path", path}},
               "added " + visibleText(path) + " to " + app::displayText(name));
    return kExitOk;
}

}  // namespace pd::cli
