#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace calc {

/// Reads a whole file. Answers false when it does not exist; any other failure raises
/// EException naming the file.
[[nodiscard]] bool ReadTextFile(const std::string& fileName, std::string& text);

/// Replaces a file with the text: written beside it under a temporary name, flushed to disk
/// and renamed over it, so an interrupted save never leaves a truncated file. The old file is
/// untouched when anything fails; failures raise EException naming the file.
void WriteTextFileAtomic(const std::string& fileName, std::string_view text);

/// Lines ended by CR LF, LF or a lone CR; a last line without an end counts, an empty end does
/// not. The views point into text.
[[nodiscard]] std::vector<std::string_view> SplitLines(std::string_view text);

} // namespace calc
