#pragma once

// A disk under every SQLite connection opened while it is installed that fails on request:
// while failing, each read, write, sync and truncation of a database file ends in an I/O error,
// as on a dying disk or a network share that went away. Install it before the database opens;
// one at a time.
class FailingDisk {
public:
    FailingDisk();  // becomes SQLite's default file system
    ~FailingDisk(); // the one before takes over again
    FailingDisk(const FailingDisk&) = delete;
    FailingDisk& operator=(const FailingDisk&) = delete;

    void SetFailing(bool on);
    bool Failing() const;
};
