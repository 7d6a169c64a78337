#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace calc::test {

/// Sets (or, with nullptr, unsets) an environment variable while it lives.
class TEnvironmentVariable {
public:
    TEnvironmentVariable(const char* name, const char* value) : FName(name)
    {
        if (const char* old = std::getenv(name))
            FOld = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;
    ~TEnvironmentVariable()
    {
        if (FOld)
            ::setenv(FName, FOld->c_str(), 1);
        else
            ::unsetenv(FName);
    }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

} // namespace calc::test
