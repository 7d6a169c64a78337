#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace calc::fuzz {

/// Writes the bytes as the whole file; any failure ends the run, since the target then tests
/// nothing.
inline void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        std::abort();
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = ::write(fd, data + done, size - done);
        if (written <= 0)
            std::abort();
        done += static_cast<std::size_t>(written);
    }
    ::close(fd);
}

} // namespace calc::fuzz
