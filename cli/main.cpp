#include "CliApp.h"

#include <csignal>

int main(int argc, char** argv)
{
    // Past a file-size limit a write then fails like on a full disk instead of ending us.
    std::signal(SIGXFSZ, SIG_IGN);
    return calc::cli::RunCli(argc, argv);
}
