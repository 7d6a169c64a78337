#include "definitions/CalcDefsFile.h"

#include "definitions/FileStore.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace calc {

namespace {

constexpr const char* sCannotOpenFile = "Cannot open file \"%s\". %s";
constexpr const char* sCannotCreateFile = "Cannot create file \"%s\". %s";
constexpr const char* sCannotSaveFile = "Cannot save file \"%s\". %s";
constexpr const char* sCannotReadFile = "Cannot read file \"%s\". %s";
constexpr const char* sLockedByOther = "Locked by another program";
constexpr const char* sNotRegularFile = "Not a regular file";
constexpr const char* sFileTooLarge = "The file is too large";
constexpr const char* sFileNotOpen = "The file is not open";

// A definitions file is a few kilobytes; anything this large was chosen by mistake.
constexpr off_t kMaxFileSize = off_t{64} * 1024 * 1024;

[[noreturn]] void Fail(const char* format, const std::string& fileName, const char* reason)
{
    throw EException(Format(format, fileName.c_str(), reason));
}

/// Closes a descriptor on scope exit unless released.
class TFdGuard {
public:
    explicit TFdGuard(int fd) noexcept : FFd(fd) {}
    ~TFdGuard()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFdGuard(const TFdGuard&) = delete;
    TFdGuard& operator=(const TFdGuard&) = delete;
    [[nodiscard]] int Get() const noexcept { return FFd; }
    int Release() noexcept { return std::exchange(FFd, -1); }

private:
    int FFd;
};

/// Takes the exclusive lock; 0 or the errno of the failure. A file system without locks
/// (some network mounts) leaves the file unguarded rather than unusable.
int LockExclusive(int fd) noexcept
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return 0;
    const int error = errno;
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP ? 0 : error;
}

/// An open and locked file, or why there is none.
struct TOpenResult {
    int Fd = -1;
    int Error = 0;                ///< errno of the failing call
    const char* Reason = nullptr; ///< a reason the system does not give
};

/// Opens an existing regular file for reading and writing and takes the exclusive lock that
/// keeps other instances from writing it.
TOpenResult OpenLocked(const std::string& fileName)
{
    // Another holder may replace the file by its saved copy between our open and our lock;
    // a lock on the replaced copy would guard nothing, so open again in that case.
    for (int attempt = 0; attempt < 5; ++attempt) {
        // O_NONBLOCK keeps a FIFO given by mistake from blocking the open.
        TFdGuard fd(::open(fileName.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
        if (fd.Get() < 0)
            return {.Error = errno};
        struct stat held {};
        if (::fstat(fd.Get(), &held) != 0)
            return {.Error = errno};
        if (!S_ISREG(held.st_mode))
            return {.Reason = sNotRegularFile};
        if (const int error = LockExclusive(fd.Get()); error != 0) {
            if (error == EWOULDBLOCK)
                return {.Reason = sLockedByOther};
            return {.Error = error};
        }
        struct stat named {};
        if (::stat(fileName.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            const int flags = ::fcntl(fd.Get(), F_GETFL);
            if (flags >= 0)
                ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
            return {.Fd = fd.Release()};
        }
    }
    return {.Reason = sLockedByOther};
}

[[noreturn]] void FailOpen(const char* format, const std::string& fileName,
                           const TOpenResult& result)
{
    Fail(format, fileName, result.Reason != nullptr ? result.Reason : std::strerror(result.Error));
}

/// Writes a comment so that it stays on its line and is read back whole: line ends and NULs
/// become blanks.
std::string OneLine(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return result;
}

[[noreturn]] void FailSemicolon(std::string_view text)
{
    throw EException(Format("\"%.*s\" cannot be stored in a definitions file: \";\" starts a "
                            "comment there",
                            static_cast<int>(text.size()), text.data()));
}

/// A name or body as it is written. Expressions end at a NUL, so what follows one never
/// counted and is not written; a line break becomes a blank, which expressions treat alike.
/// A ";" would start the comment when the file is read, so it is refused.
std::string DefinitionField(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    if (text.find(';') != std::string_view::npos)
        FailSemicolon(text);
    return OneLine(text);
}

std::string DefinitionLine(std::string_view head, std::string_view text, std::string_view comment)
{
    std::string line = DefinitionField(head) + "=" + DefinitionField(text);
    if (!comment.empty())
        line += " ; " + OneLine(EscapeComment(comment));
    return line;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(from, start)) != std::string_view::npos;
         start = found + from.size()) {
        result.append(text.substr(start, found - start));
        result.append(to);
    }
    result.append(text.substr(start));
    return result;
}

} // namespace

std::string EscapeComment(std::string_view text)
{
    return ReplaceAll(ReplaceAll(text, "\r", "\\$D"), "\n", "\\$A");
}

std::string UnescapeComment(std::string_view text)
{
    return ReplaceAll(ReplaceAll(text, "\\$D", "\r"), "\\$A", "\n");
}

void CheckStorableText(std::string_view text)
{
    const auto isControl = [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 32 || code == 127;
    };
    if (const auto found = std::ranges::find_if(text, isControl); found != text.end()) {
        // Shown in the message, the characters would break it up; blanks stand in for them.
        std::string shown(text);
        std::ranges::replace_if(shown, isControl, ' ');
        throw EException(Format("\"%s\" cannot be stored in a definitions file: it holds the "
                                "control character #%d",
                                shown.c_str(),
                                static_cast<int>(static_cast<unsigned char>(*found))));
    }
    if (text.find(';') != std::string_view::npos)
        FailSemicolon(text);
}

std::vector<std::string> SplitDefinitionLines(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

bool IsDefinitionLine(std::string_view line) noexcept
{
    const std::string_view trimmed = Trim(line);
    return !trimmed.empty() && trimmed.front() != ';';
}

bool TDefinitionsEnumerator::MoveNext() noexcept
{
    const auto& lines = FFile->Lines();
    const int count = static_cast<int>(lines.size());
    if (FPosition >= count)
        return false;
    while (++FPosition < count)
        if (IsDefinitionLine(lines[static_cast<std::size_t>(FPosition)]))
            return true;
    return false;
}

TDefinitionRec TDefinitionsEnumerator::Current() const
{
    const std::string_view line = FFile->Lines().at(static_cast<std::size_t>(FPosition));
    const std::size_t semicolon = line.find(';');
    TDefinitionRec rec;
    rec.Definition = Trim(line.substr(0, semicolon));
    if (semicolon != std::string_view::npos && FFile->WantComments())
        rec.Comment = TrimLeft(line.substr(semicolon + 1));
    return rec;
}

TDefinitionsIterator TDefinitionsEnumerator::begin() const
{
    return TDefinitionsIterator(*this);
}

TDefinitionsIterator::TDefinitionsIterator(TDefinitionsEnumerator enumerator)
    : FEnum(enumerator), FDone(!FEnum->MoveNext())
{
}

TDefinitionsIterator& TDefinitionsIterator::operator++()
{
    FDone = !FEnum->MoveNext();
    return *this;
}

std::string TDefinitionsRawStream::ReadAll() const
{
    if (FGeneration != FFile->FGeneration)
        throw EException("The definitions file was opened again; its raw text is out of date");
    return FFile->ReadContent();
}

void TDefinitionsRawStream::Commit()
{
    if (FGeneration != FFile->FGeneration)
        throw EException("The definitions file was opened again; its raw text is out of date");
    FFile->ReplaceContent(FPending, sCannotSaveFile);
    FGeneration = FFile->FGeneration;
    FFile->ReadLines();
}

TDefinitionsFile::~TDefinitionsFile()
{
    Close();
}

void TDefinitionsFile::Close() noexcept
{
    if (FStream >= 0)
        ::close(FStream);
    FStream = -1;
    ++FGeneration;
}

void TDefinitionsFile::Load(std::string fileName)
{
    FFileName = std::move(fileName);
    Close();
    FLines.clear();
    FHasBanner = false;
    const TOpenResult opened = OpenLocked(FFileName);
    if (opened.Fd < 0)
        FailOpen(sCannotOpenFile, FFileName, opened);
    FStream = opened.Fd;
    try {
        ReadLines();
    }
    catch (const std::exception&) {
        Close();
        throw;
    }
}

void TDefinitionsFile::CreateNew(std::string fileName)
{
    Close();
    FLines.clear();
    FFileName = std::move(fileName);
    FHasBanner = true;
    // An existing file is taken first, so that one locked by another holder is refused; the
    // banner then replaces its content in one step.
    const TOpenResult opened = OpenLocked(FFileName);
    if (opened.Fd >= 0)
        FStream = opened.Fd;
    else if (opened.Reason != nullptr || opened.Error != ENOENT)
        FailOpen(sCannotCreateFile, FFileName, opened);
    try {
        ReplaceContent(kDefinitionsBanner, sCannotCreateFile);
    }
    catch (const std::exception&) {
        Close();
        throw;
    }
}

void TDefinitionsFile::Save()
{
    if (FStream < 0)
        Fail(sCannotSaveFile, FFileName, sFileNotOpen);
    std::string content;
    if (FHasBanner)
        content = kDefinitionsBanner;
    for (const std::string& line : FLines) {
        content += line;
        content += "\r\n";
    }
    ReplaceContent(content, sCannotSaveFile);
}

std::string TDefinitionsFile::ReadContent() const
{
    if (FStream < 0)
        Fail(sCannotReadFile, FFileName, sFileNotOpen);
    struct stat info {};
    if (::fstat(FStream, &info) != 0)
        Fail(sCannotReadFile, FFileName, std::strerror(errno));
    if (info.st_size > kMaxFileSize)
        Fail(sCannotReadFile, FFileName, sFileTooLarge);
    std::string content;
    char buffer[65536];
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(FStream, buffer, sizeof buffer, offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Fail(sCannotReadFile, FFileName, std::strerror(errno));
        }
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
        offset += got;
        if (offset > kMaxFileSize)
            Fail(sCannotReadFile, FFileName, sFileTooLarge);
    }
    return content;
}

void TDefinitionsFile::ReadLines()
{
    const std::string content = ReadContent();
    // Many editors start a file with a byte-order mark; it is not part of the first line.
    const std::string_view text = SkipByteOrderMark(content);
    FHasBanner = text.starts_with(kDefinitionsBanner);
    FLines = SplitDefinitionLines(FHasBanner ? text.substr(kDefinitionsBanner.size()) : text);
}

// The shared save writes a temporary file that is flushed and renamed over the old one, so a
// failed or interrupted save leaves the old file whole; the new file is locked before the
// rename, so the lock never lapses. A file written in place keeps the descriptor and its lock.
void TDefinitionsFile::ReplaceContent(std::string_view content, const char* failFormat)
{
    const TSaveResult saved =
        SaveFileContent(FFileName, content, {.HeldFd = FStream, .Lock = true, .KeepOpen = true});
    if (saved.Error != 0)
        Fail(failFormat, FFileName, std::strerror(saved.Error));
    if (saved.Fd == FStream)
        return;
    Close();
    FStream = saved.Fd;
}

void TDefinitionsFile::CheckIndex(int index) const
{
    if (index < 0 || index >= static_cast<int>(FLines.size()))
        throw EException(Format("List index out of bounds (%d)", index));
}

template <class Change> void TDefinitionsFile::ChangeAndSave(Change change)
{
    std::vector<std::string> saved = FLines;
    change();
    try {
        Save();
    }
    catch (const std::exception&) {
        // The lines stay what the disk holds.
        FLines = std::move(saved);
        throw;
    }
}

int TDefinitionsFile::AddDefinition(std::string_view name, std::string_view argumentsText,
                                    TDefinitionKind kind, std::string_view comment,
                                    std::string_view text)
{
    std::string head;
    switch (kind) {
    case TDefinitionKind::dkConst:
        head = name;
        break;
    case TDefinitionKind::dkFunc:
        head = std::string(name) + "(" + std::string(argumentsText) + ")";
        break;
    default:
        return -1;
    }
    ChangeAndSave([&] { FLines.push_back(DefinitionLine(head, text, comment)); });
    return static_cast<int>(FLines.size()) - 1;
}

void TDefinitionsFile::ModifyDefinition(int index, std::string_view head, std::string_view text,
                                        std::string_view comment)
{
    CheckIndex(index);
    ChangeAndSave(
        [&] { FLines[static_cast<std::size_t>(index)] = DefinitionLine(head, text, comment); });
}

void TDefinitionsFile::DeleteDefinition(int index)
{
    CheckIndex(index);
    ChangeAndSave([&] { FLines.erase(FLines.begin() + index); });
}

void TDefinitionsFile::ExchangeDefinitions(int index1, int index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    ChangeAndSave([&] {
        std::swap(FLines[static_cast<std::size_t>(index1)],
                  FLines[static_cast<std::size_t>(index2)]);
    });
}

std::optional<TDefinitionsRawStream> TDefinitionsFile::GetRawStream()
{
    if (FHasBanner)
        return std::nullopt;
    if (FStream < 0)
        Fail(sCannotOpenFile, FFileName, sFileNotOpen);
    return TDefinitionsRawStream(*this, FGeneration);
}

} // namespace calc
