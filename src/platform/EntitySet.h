#pragma once
// The records of one entity as the object store's context holds them: the live objects that
// callers see and change in place, and a copy of what the file holds. The difference between
// the two is what a save writes, so a change made through a shared pointer needs no extra
// call, and a save that fails leaves both as they were, ready to be retried.
//
// EntityMapping<T> says how T maps to its table (see AppDataModel.h).

#include "platform/SqliteStatement.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace pd {

template <typename T>
struct EntityMapping;

template <typename T>
class EntitySet {
  public:
    using Predicate = std::function<bool(const T&)>;

    // Replaces everything with the records read from the file (ordered by rowId).
    void reset(std::vector<T> records) {
        live_.clear();
        saved_.clear();
        nextRowId_ = 1;
        for (T& record : records) {
            saved_.emplace(record.rowId, record);
            if (record.rowId >= nextRowId_) {
                nextRowId_ = record.rowId + 1;
            }
            const std::int64_t rowId = record.rowId;
            live_.push_back({rowId, std::make_shared<T>(std::move(record))});
        }
    }

    // Matching objects in store order; at most `limit` of them unless it is 0.
    std::vector<std::shared_ptr<T>> fetch(const Predicate& predicate, std::size_t limit) const {
        std::vector<std::shared_ptr<T>> found;
        for (const Entry& entry : live_) {
            if (limit != 0 && found.size() >= limit) {
                break;
            }
            if (!predicate || predicate(*entry.object)) {
                found.push_back(entry.object);
            }
        }
        return found;
    }

    // Adds the record at the end of the store order with a new identity.
    std::shared_ptr<T> insert(T record) {
        record.rowId = nextRowId_++;
        auto object = std::make_shared<T>(std::move(record));
        live_.push_back({object->rowId, object});
        return object;
    }

    // False if the object is not (or no longer) one of this context's.
    bool remove(const std::shared_ptr<T>& object) {
        for (auto it = live_.begin(); it != live_.end(); ++it) {
            if (it->object == object) {
                live_.erase(it);
                return true;
            }
        }
        return false;
    }

    bool hasChanges() const {
        // Identities are unique, so equal counts with every live record saved unchanged
        // also means that nothing was removed.
        if (live_.size() != saved_.size()) {
            return true;
        }
        for (const Entry& entry : live_) {
            if (isChanged(entry)) {
                return true;
            }
        }
        return false;
    }

    // Writes the differences from the saved copy inside the caller's transaction. False on
    // the first failure (the connection has the error).
    [[nodiscard]] bool writeChanges(SqliteConnection& connection) const {
        using Mapping = EntityMapping<T>;
        SqliteStatement remove(connection, Mapping::kDeleteSql);
        SqliteStatement write(connection, Mapping::kWriteSql);
        if (!remove.ok() || !write.ok()) {
            return false;
        }
        for (const auto& [rowId, record] : saved_) {
            (void)record;
            if (isLive(rowId)) {
                continue;
            }
            remove.reset();
            if (!remove.bindInt64(1, rowId) || !remove.run()) {
                return false;
            }
        }
        for (const Entry& entry : live_) {
            if (!isChanged(entry)) {
                continue;
            }
            write.reset();
            if (!write.bindInt64(1, entry.rowId) || !Mapping::bind(write, *entry.object) ||
                !write.run()) {
                return false;
            }
        }
        return true;
    }

    // After a committed save: the file now holds what the live objects hold.
    void markSaved() {
        saved_.clear();
        for (const Entry& entry : live_) {
            saved_.emplace(entry.rowId, *entry.object);
        }
    }

  private:
    struct Entry {
        // Kept beside the object so that a caller who changes object->rowId cannot make the
        // save write over another record.
        std::int64_t rowId;
        std::shared_ptr<T> object;
    };

    bool isChanged(const Entry& entry) const {
        const auto found = saved_.find(entry.rowId);
        return found == saved_.end() || !(found->second == *entry.object);
    }

    bool isLive(std::int64_t rowId) const {
        // Live entries are in rowId order: insert appends a larger one, remove keeps order.
        const auto found =
            std::lower_bound(live_.begin(), live_.end(), rowId,
                             [](const Entry& entry, std::int64_t id) { return entry.rowId < id; });
        return found != live_.end() && found->rowId == rowId;
    }

    std::vector<Entry> live_;
    std::map<std::int64_t, T> saved_;
    std::int64_t nextRowId_ = 1;
};

}  // namespace pd
