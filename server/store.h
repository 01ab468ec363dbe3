// The feedback database: one SQLite file, one row per delivered record. A row is
// written by a single INSERT inside a transaction, so a record is stored whole or
// not at all; committed rows survive a restart.
//
//   feedback(id, received (UTC, "YYYY-MM-DD HH:MM:SS"), email, name, version,
//            update_info 0/1, software_news 0/1, country, age, message)
#pragma once

#include <sqlite3.h>

#include <functional>
#include <mutex>
#include <string>

#include "net/feedback.h"

enum StoreResult : int {
    kStoreOk = 0,
    kStoreCannotOpen = -1,   // missing (when not to be created), unreadable or not writable
    kStoreWriteFailed = -2,
    kStoreDamaged = -3,      // the integrity check found a fault, or a read stopped on one
};

enum StoreMode : int {
    kStoreServe = 0,  // read-write or not at all; created 0600 when missing
    kStoreRead = 1,   // read only, never created
};

// Whether the e-mail address of a new record had asked for each list before.
struct Registration {
    bool alreadyOnMailList;
    bool alreadyOnSoftwareList;
};

class FeedbackStore {
public:
    FeedbackStore() = default;
    ~FeedbackStore();
    FeedbackStore(const FeedbackStore&) = delete;
    FeedbackStore& operator=(const FeedbackStore&) = delete;

    // Opens the database at `path` and runs SQLite's quick check on it; `error`
    // (when given) receives SQLite's words for a failure.
    int Open(const std::string& path, StoreMode mode, std::string* error = nullptr);
    void Close();

    // Adds one record; `registration` tells what earlier rows of the same address
    // (compared without regard to ASCII case) asked for.
    int Add(const FeedbackEntry& entry, Registration* registration) { return AddAll(&entry, 1, registration); }

    // Adds `count` records in one transaction, in order (a later record sees the
    // earlier ones), with one sync to disk: all are stored or none.
    int AddAll(const FeedbackEntry* entries, int count, Registration* registrations);

    // Every stored row in order, as its entry and reception time; returns the count,
    // or kStoreDamaged when the rows cannot all be read.
    int ForEach(const std::function<void(const FeedbackEntry&, const char* received)>& visit);

private:
    int OpenLocked(const std::string& path, StoreMode mode, std::string* error);

    std::mutex busy_;  // one connection, used by every request thread in turn
    sqlite3* db_ = nullptr;
};
