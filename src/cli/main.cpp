#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
    CLI::App app{"keldrin: recover deleted files from FAT and NTFS media"};
    CLI11_PARSE(app, argc, argv);
    return 0;
}
