#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace calc {

/// The byte-order mark many editors put before UTF-8 text; it is not part of the text.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

/// The text without the UTF-8 byte-order marks it starts with.
[[nodiscard]] std::string_view SkipByteOrderMark(std::string_view text) noexcept;

/// How SaveFileContent treats the file.
struct TSaveRequest {
    /// The file as the caller holds it open for reading and writing; a save in place writes
    /// through it, so a lock held on it stays. -1 when the caller holds nothing.
    int HeldFd = -1;
    /// Takes an exclusive lock on a new file before it replaces the old one.
    bool Lock = false;
    /// Answers the open descriptor of the file that holds the text now (read and write).
    bool KeepOpen = false;
};

/// The outcome of SaveFileContent.
struct TSaveResult {
    int Fd = -1;   ///< with KeepOpen: the file now holding the text (HeldFd after a save in place)
    int Error = 0; ///< errno of the failure; 0 on success
    bool InPlace = false; ///< the old file was overwritten rather than replaced
};

/// Makes text the whole content of fileName. The text goes to a temporary file beside the file,
/// flushed and renamed over it, so an interrupted save leaves the old file whole; the new file
/// keeps the old one's mode, owner and group where allowed. A symbolic link stays a link (a
/// dangling one gets its target created). A file with several hard links, or one in a folder
/// that takes no new file, is overwritten in place instead (truncated, written, flushed), and
/// put back as it was when that fails. Temporary files that interrupted saves left in the
/// folder are removed first. Never throws; failures are reported in the result.
[[nodiscard]] TSaveResult SaveFileContent(const std::string& fileName, std::string_view text,
                                          const TSaveRequest& request = {});

/// The name under which a save of target writes its new content: hidden, beside target, with
/// the process id and a counter, so that no folder walk takes it for target's kind of file.
[[nodiscard]] std::string TemporaryFileName(const std::string& target, long pid, unsigned count);

/// Removes the temporary files of saves that were interrupted: files in folder named as
/// TemporaryFileName names them (or as earlier versions did) whose process is gone and which
/// have not changed for minAge seconds. A file whose process id belongs to a live process stays,
/// whoever that process is. Answers how many files were removed; failures are ignored.
int RemoveStaleTemporaryFiles(const std::string& folder, std::time_t minAge);

/// How long a temporary file must have been left alone before it counts as stale, so that a
/// save of another machine sharing the folder (whose process ids mean nothing here) is never
/// disturbed while it runs.
inline constexpr std::time_t kStaleTemporaryAge = 10 * 60;

} // namespace calc
