#include "core/Paths.h"

#include "engine/ExprParserTypes.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace calc {

namespace {

std::string& SettingsDirOverride()
{
    static std::string folder;
    return folder;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    throw EException("Cannot find the settings folder: the home folder is unknown");
}

std::string ConfigFolder()
{
    // Relative values are invalid by the XDG rules and are ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return config;
    return HomeFolder() + "/.config";
}

std::string WithDelimiter(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

} // namespace

std::string SettingsDirName()
{
    return WithDelimiter(SettingsDirOverride().empty() ? ConfigFolder() + "/" + kSettingsFolderName
                                                       : SettingsDirOverride());
}

std::string SettingsDir()
{
    std::string folder = SettingsDirName();
    folder.pop_back();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
        throw EException(Format("Cannot create the settings folder \"%s\". %s", folder.c_str(),
                                error ? error.message().c_str() : "It is not a folder"));
    return WithDelimiter(folder);
}

void SetSettingsDirOverride(std::string folder)
{
    SettingsDirOverride() = std::move(folder);
}

} // namespace calc
