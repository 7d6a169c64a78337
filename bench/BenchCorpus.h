#pragma once

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace calc::bench {

/// The expressions of the shared speed corpus, one per line.
inline const std::vector<std::string>& Corpus()
{
    static const std::vector<std::string> lines = [] {
        std::ifstream in(ZEMBRICAL_BENCH_CORPUS);
        if (!in)
            throw std::runtime_error("cannot read the corpus " ZEMBRICAL_BENCH_CORPUS);
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                result.push_back(line);
        return result;
    }();
    return lines;
}

} // namespace calc::bench
