// telvia-stream-read FILE...: reads each file as the stream source would read it from a
// server and prints what it understood. Files ending in .ts are transport streams; any
// other file is a playlist, taken to come from https://files.example/ followed by its
// name, so that its relative addresses resolve. Exit code 0, or 2 when a file cannot be
// read.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <span>

#include "playlist_report.h"
#include "transport_report.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: telvia-stream-read FILE...\n", stderr);
        return 64;
    }
    int result = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
            result = 2;
            continue;
        }
        std::ostringstream read;
        read << file.rdbuf();
        const std::string bytes = read.str();
        const std::string report =
            path.extension() == ".ts"
                ? telvia::tools::describeTransportStream(
                      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()))
                : telvia::tools::describePlaylist(bytes, "https://files.example/" + path.filename().string());
        std::printf("== %s\n%s", argv[i], report.c_str());
    }
    return result;
}
