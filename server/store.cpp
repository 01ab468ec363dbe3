#include "store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS feedback("
    " id INTEGER PRIMARY KEY,"
    " received TEXT NOT NULL DEFAULT (datetime('now')),"
    " email TEXT NOT NULL, name TEXT NOT NULL, version TEXT NOT NULL,"
    " update_info INTEGER NOT NULL, software_news INTEGER NOT NULL,"
    " country TEXT NOT NULL, age INTEGER NOT NULL, message TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS feedback_email ON feedback(email COLLATE NOCASE);";

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
    ~Statement() { sqlite3_finalize(statement_); }
    sqlite3_stmt* get() const { return statement_; }
    void Text(int index, const char* text) { sqlite3_bind_text(statement_, index, text, -1, SQLITE_TRANSIENT); }
    void Int(int index, sqlite3_int64 value) { sqlite3_bind_int64(statement_, index, value); }

private:
    sqlite3_stmt* statement_ = nullptr;
};

void CopyColumn(sqlite3_stmt* statement, int column, char* out, size_t capacity) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    std::strncpy(out, text ? reinterpret_cast<const char*>(text) : "", capacity - 1);
    out[capacity - 1] = '\0';
}


// SQLite's quick check: true when its one answer is "ok"; else `error` gets its first finding.
bool QuickCheck(sqlite3* db, std::string* error) {
    Statement check(db, "PRAGMA quick_check(1)");
    const int step = sqlite3_step(check.get());
    const unsigned char* text = step == SQLITE_ROW ? sqlite3_column_text(check.get(), 0) : nullptr;
    if (text && std::strcmp(reinterpret_cast<const char*>(text), "ok") == 0) return true;
    *error = text ? reinterpret_cast<const char*>(text) : sqlite3_errmsg(db);
    return false;
}

// The first column of a one-row statement, or "" when it fails.
std::string QueryText(sqlite3* db, const char* sql) {
    Statement query(db, sql);
    if (sqlite3_step(query.get()) != SQLITE_ROW || !sqlite3_column_text(query.get(), 0)) return std::string();
    return reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0));
}

}  // namespace

FeedbackStore::~FeedbackStore() { Close(); }

int FeedbackStore::Open(const std::string& path, StoreMode mode, std::string* error) {
    std::lock_guard<std::mutex> lock(busy_);
    sqlite3_close(db_);
    db_ = nullptr;
    std::string why;
    const int result = OpenLocked(path, mode, &why);
    if (result != kStoreOk) {
        sqlite3_close(db_);
        db_ = nullptr;
        if (error) *error = why;
    }
    return result;
}

int FeedbackStore::OpenLocked(const std::string& path, StoreMode mode, std::string* error) {
    if (mode == kStoreServe) {
        // Created by hand first: SQLite would make it readable by everyone.
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            *error = std::strerror(errno);
            return kStoreCannotOpen;
        }
        ::close(fd);
    }
    const int flags = mode == kStoreServe ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        *error = db_ ? sqlite3_errmsg(db_) : "out of memory";
        return kStoreCannotOpen;
    }
    sqlite3_busy_timeout(db_, 5000);
    if (mode == kStoreServe && sqlite3_db_readonly(db_, "main") != 0) {
        *error = "the file is read-only";
        return kStoreCannotOpen;
    }
    if (!QuickCheck(db_, error)) return kStoreDamaged;
    if (mode == kStoreRead) return kStoreOk;
    if (QueryText(db_, "PRAGMA journal_mode=WAL") != "wal" ||
        sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db_, "BEGIN IMMEDIATE; COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = sqlite3_errmsg(db_);
        return kStoreCannotOpen;
    }
    return kStoreOk;
}

void FeedbackStore::Close() {
    std::lock_guard<std::mutex> lock(busy_);
    sqlite3_close(db_);
    db_ = nullptr;
}

int FeedbackStore::AddAll(const FeedbackEntry* entries, int count, Registration* registrations) {
    std::lock_guard<std::mutex> lock(busy_);
    for (int i = 0; i < count; ++i) registrations[i] = Registration{};
    if (!db_ || sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return kStoreWriteFailed;
    bool inserted = true;
    {
        Statement earlier(db_,
                          "SELECT ifnull(max(update_info), 0), ifnull(max(software_news), 0) FROM feedback"
                          " WHERE email = ?1 COLLATE NOCASE");
        Statement insert(db_,
                         "INSERT INTO feedback(email, name, version, update_info, software_news, country, age, message)"
                         " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        for (int i = 0; i < count && inserted; ++i) {
            const FeedbackEntry& entry = entries[i];
            earlier.Text(1, entry.email);
            if (sqlite3_step(earlier.get()) == SQLITE_ROW) {
                registrations[i].alreadyOnMailList = sqlite3_column_int(earlier.get(), 0) != 0;
                registrations[i].alreadyOnSoftwareList = sqlite3_column_int(earlier.get(), 1) != 0;
            }
            sqlite3_reset(earlier.get());
            insert.Text(1, entry.email);
            insert.Text(2, entry.name);
            insert.Text(3, entry.version);
            insert.Int(4, entry.wantsUpdateInfo);
            insert.Int(5, entry.wantsSoftwareNews);
            insert.Text(6, entry.country);
            insert.Int(7, entry.age);
            insert.Text(8, entry.message);
            inserted = sqlite3_step(insert.get()) == SQLITE_DONE;
            sqlite3_reset(insert.get());
        }
    }
    if (inserted && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return kStoreOk;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    for (int i = 0; i < count; ++i) registrations[i] = Registration{};
    return kStoreWriteFailed;
}

int FeedbackStore::ForEach(const std::function<void(const FeedbackEntry&, const char* received)>& visit) {
    std::lock_guard<std::mutex> lock(busy_);
    if (!db_) return kStoreDamaged;
    Statement rows(db_,
                   "SELECT email, name, version, update_info, software_news, country, age, message, received"
                   " FROM feedback ORDER BY id");
    int count = 0;
    FeedbackEntry entry;
    char received[32];
    int step;
    while ((step = sqlite3_step(rows.get())) == SQLITE_ROW) {
        std::memset(&entry, 0, sizeof entry);
        CopyColumn(rows.get(), 0, entry.email, sizeof entry.email);
        CopyColumn(rows.get(), 1, entry.name, sizeof entry.name);
        CopyColumn(rows.get(), 2, entry.version, sizeof entry.version);
        entry.wantsUpdateInfo = sqlite3_column_int(rows.get(), 3);
        entry.wantsSoftwareNews = sqlite3_column_int(rows.get(), 4);
        CopyColumn(rows.get(), 5, entry.country, sizeof entry.country);
        entry.age = static_cast<uint32_t>(sqlite3_column_int64(rows.get(), 6));
        CopyColumn(rows.get(), 7, entry.message, sizeof entry.message);
        CopyColumn(rows.get(), 8, received, sizeof received);
        visit(entry, received);
        ++count;
    }
    return step == SQLITE_DONE ? count : kStoreDamaged;
}
