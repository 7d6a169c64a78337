#include "CliApp.h"

int main(int argc, char** argv)
{
    return calc::cli::RunCli(argc, argv);
}
