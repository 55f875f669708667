// Scrambles the readable source of the sensor description file into "canopen.dev": every byte
// XORed with the description file mask. The same operation unscrambles.
// Usage: description-scrambler SOURCE TARGET

#include "common/AtomicFile.h"
#include "common/SystemConstants.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: description-scrambler SOURCE TARGET\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "description-scrambler: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (char& c : bytes)
        c = static_cast<char>(static_cast<unsigned char>(c) ^ veldris::descriptionFileMask);
    if (!veldris::writeFileAtomically(argv[2], bytes)) {
        std::fprintf(stderr, "description-scrambler: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
