#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

/// The most a settings file of the ini kind may hold; such a file is a few kilobytes.
inline constexpr std::size_t kMaxIniFileSize = std::size_t{1} << 20;
/// The most any other text file the program reads may hold (the history grows with use).
inline constexpr std::size_t kMaxTextFileSize = std::size_t{256} << 20;

/// Reads a whole file, every byte as it is. Answers false when it does not
/// exist; any other failure raises EException naming the file, also a file (or device, or
/// pipe) holding more than maxSize bytes, of which no more than that is read.
[[nodiscard]] bool ReadTextFile(const std::string& fileName, std::string& text,
                                std::size_t maxSize = kMaxTextFileSize);

/// Replaces a file with the text: written beside it under a temporary name, flushed to disk
/// and renamed over it, so an interrupted save never leaves a truncated file; the file keeps
/// its mode, owner and group, and a link stays a link. Where no temporary file can be made
/// beside it, the file is overwritten in place. The old file is kept when anything fails;
/// failures raise EException naming the file.
void WriteTextFileAtomic(const std::string& fileName, std::string_view text);

/// Lines ended by CR LF, LF or a lone CR; a last line without an end counts, an empty end does
/// not. The views point into text.
[[nodiscard]] std::vector<std::string_view> SplitLines(std::string_view text);

} // namespace calc
