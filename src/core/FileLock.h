#pragma once

#include <string>

namespace calc {

/// An advisory lock that several running instances take on a file they all rewrite, so that
/// one reads, merges and replaces it while the others wait. Held until destruction.
class TFileLock {
public:
    enum class TKind { Shared, Exclusive };

    /// Waits while another instance holds the file, for a few seconds at most. An exclusive
    /// lock creates a missing file empty, so that there is something to lock. Where no lock can
    /// be had (no such file, no lock support, a holder that never lets go) the caller goes on
    /// unguarded: reading and writing report their own failures.
    TFileLock(const std::string& fileName, TKind kind);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    [[nodiscard]] bool Held() const noexcept { return FFd >= 0; }

private:
    int FFd = -1;
};

/// True when the name leads to something other than a regular file: a folder, a device or a
/// FIFO, which no save may replace and whose reading may never end.
[[nodiscard]] bool IsSpecialFile(const std::string& fileName);

} // namespace calc
