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
    kStoreCannotOpen = -1,
    kStoreWriteFailed = -2,
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

    // Opens or creates the database at `path`.
    int Open(const std::string& path);
    void Close();

    // Adds one record; `registration` tells what earlier rows of the same address
    // (compared without regard to ASCII case) asked for.
    int Add(const FeedbackEntry& entry, Registration* registration);

    // Every stored row in order, as its entry and reception time; returns the count.
    int ForEach(const std::function<void(const FeedbackEntry&, const char* received)>& visit);

private:
    std::mutex busy_;  // one connection, used by every request thread in turn
    sqlite3* db_ = nullptr;
};
