// The peer of the console calculator's throughput benchmark: a minimal muparser-based line
// calculator (read a line, evaluate it, print the value).
#include <cstdio>
#include <cstring>
#include <muParser.h>

int main()
{
    mu::Parser parser;
    char line[65536];
    int status = 0;
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (line[0] == '\0')
            continue;
        try {
            parser.SetExpr(line);
            std::printf("%.15g\n", parser.Eval());
        }
        catch (const mu::Parser::exception_type& e) {
            std::fprintf(stderr, "error: %s\n", e.GetMsg().c_str());
            status = 1;
        }
    }
    return status;
}
