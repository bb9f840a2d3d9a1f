#pragma once
// The application's object store, the model "AppDataModel": the records of the entities
// PcList, FileDownList and PhotoBakList, held in memory by a context and saved to one SQLite file.
//
// Fetches return shared objects that callers may change in place; the context notices the
// changes itself, so saveContext() writes every insert, change and delete made since the
// last save, all in one transaction. A save that fails is logged, writes nothing and keeps
// the changes in the context, so a later save writes them.
//
// Main queue only, like every object-store access of the application: the store is not
// thread-safe and does not check who calls it.
//
// A file that cannot be opened or is not a store this version can use is renamed to
// "<name>.damaged-<unix time>" (kept, never deleted) and a new empty store takes its place.

#include "model/FileDownList.h"
#include "model/PcList.h"
#include "model/PhotoBakList.h"
#include "platform/EntitySet.h"
#include "platform/SqliteConnection.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace pd {

class ObjectStore {
  public:
    static constexpr const char* kFileName = "AppDataModel.sqlite";

    // The store of the current application home, in its documents folder. One object per
    // home, opened on first use and never destroyed, so references stay valid when tests
    // switch homes.
    static ObjectStore& shared();

    // Opens (or creates) the store at `file`, creating its folder if missing, and loads it.
    explicit ObjectStore(std::filesystem::path file);
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    // Records that satisfy `predicate` (all without one), in store (insertion) order; at most
    // `limit` of them unless it is 0. Includes unsaved inserts, not unsaved deletes.
    template <typename T>
    std::vector<std::shared_ptr<T>> fetch(const std::function<bool(const T&)>& predicate = {},
                                          std::size_t limit = 0) const {
        return entitiesOf<T>(*this).fetch(predicate, limit);
    }

    // Adds a record (its rowId is assigned) at the end of the store order; unsaved until
    // saveContext().
    template <typename T>
    std::shared_ptr<T> insert(T record) {
        return entitiesOf<T>(*this).insert(std::move(record));
    }

    // Removes a record this store returned; false if it is not (or no longer) in the store.
    // Unsaved until saveContext().
    template <typename T>
    bool deleteObject(const std::shared_ptr<T>& object) {
        return entitiesOf<T>(*this).remove(object);
    }

    bool hasChanges() const;

    // True when the file holds what the context holds (also when there was nothing to save).
    [[nodiscard]] bool saveContext();

    // False when the file could neither be opened nor replaced: the records then live in
    // memory only and every save fails.
    bool isPersistent() const { return connection_.isOpen(); }
    const std::filesystem::path& file() const { return file_; }

    // How dates are stored: seconds since 1970 (with fractions).
    static double dateValue(std::chrono::system_clock::time_point time);

  private:
    enum class OpenResult { Ready, Damaged, Unavailable };

    void open();
    OpenResult tryOpen(std::string& reason);
    OpenResult failure(std::string& reason);
    bool setDamagedFileAside(const std::string& reason);

    // The entity set of T, const when `self` is.
    template <typename T, typename Self>
    static auto& entitiesOf(Self& self) {
        static_assert(std::is_same_v<T, PcList> || std::is_same_v<T, FileDownList> ||
                          std::is_same_v<T, PhotoBakList>,
                      "not an entity of AppDataModel");
        if constexpr (std::is_same_v<T, PcList>) {
            return self.pcList_;
        } else if constexpr (std::is_same_v<T, FileDownList>) {
            return self.fileDownList_;
        } else {
            return self.photoBakList_;
        }
    }

    std::filesystem::path file_;
    SqliteConnection connection_;
    EntitySet<PcList> pcList_;
    EntitySet<FileDownList> fileDownList_;
    EntitySet<PhotoBakList> photoBakList_;
};

}  // namespace pd
