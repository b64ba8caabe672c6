// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"

#include <cstring>
#include <iostream>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    if (argc < 2)
        return penwick::cli::Usage();
    const std::string command = argv[1];
    const penwick::cli::Args args(argv + 2, argv + argc);
    if (command == "info")
        return penwick::cli::Info(args);
    if (command == "count")
        return penwick::cli::Count(args);
    if (command == "backups")
        return penwick::cli::Backups(args);
    if (command == "export")
        return penwick::cli::Export(args);
    if (command == "grep")
        return penwick::cli::Grep(args);
    if (command == "target")
        return penwick::cli::Target(args);
    if (command == "stats")
        return penwick::cli::Stats(args);
    if (command == "proofread")
        return penwick::cli::Proofread(args);
    if (command == "--version") {
        std::cout << "penwick-cli " PENWICK_VERSION "\n";
        return 0;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        penwick::cli::Usage();
        return 0;
    }
    return penwick::cli::Usage();
}
